// Building the height-field ground from 512², 2048² and 4096² height images. Reports what the
// ground holds once built (bytes allocated and not freed, per pixel: the target is under 32), the
// peak of what operator new holds while it is built, the process's resident high-water mark
// (which also sees the decoder's own buffers) and the CPU time of MakeModel. CPU time, not wall
// time: the machines this runs on are shared.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "base/Host.h"
#include "sim/ObjGround.h"
#include "sim/Scene.h"

namespace {

std::atomic<long long> liveBytes{0}, peakBytes{0};

void Count(long long delta) {
    long long now = liveBytes.fetch_add(delta, std::memory_order_relaxed) + delta;
    long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size);
    if (!p) throw std::bad_alloc();
    Count(static_cast<long long>(malloc_usable_size(p)));
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    Count(-static_cast<long long>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace korvan {
namespace {

class QuietHost : public ConsoleHost {
  public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A side x side 24-bit BMP of rolling hills with steps, so the smoothing takes both branches.
std::string WriteRelief(int side) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("korvan-ground-" + std::to_string(::getpid()) + "-" + std::to_string(side) + ".bmp"))
            .string();
    const std::size_t stride = (static_cast<std::size_t>(side) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> bytes(54 + stride * static_cast<std::size_t>(side));
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size())), put32(10, 54), put32(14, 40);
    put32(18, static_cast<std::uint32_t>(side)), put32(22, static_cast<std::uint32_t>(side));
    bytes[26] = 1, bytes[28] = 24;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const auto level = static_cast<std::uint8_t>(((i / 7) * 13 + (j / 5) * 29 + (i ^ j) % 17) % 256);
            std::uint8_t* p =
                bytes.data() + 54 + static_cast<std::size_t>(j) * stride + static_cast<std::size_t>(i) * 3;
            p[0] = p[1] = p[2] = level;
        }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void BM_BuildGround(benchmark::State& state) {
    QuietHost host;
    SetHost(&host);
    const int side = static_cast<int>(state.range(0));
    const std::string path = WriteRelief(side);
    const double pixels = static_cast<double>(side) * side;
    double cpu = 0;
    long long held = 0, peak = 0;
    for (auto _ : state) {
        CScene scene;
        CObjGround* ground = scene.Create<CObjGround>("ground");
        ground->SetHeightBmp(path, "");
        const long long before = liveBytes.load();
        peakBytes.store(before);
        const double start = CpuSeconds();
        ground->MakeModel();
        cpu += CpuSeconds() - start;
        held = liveBytes.load() - before;
        peak = std::max(peak, peakBytes.load() - before);
        if (ground->gridColumns != side) state.SkipWithError("the height image was not used");
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["cpu_s"] = cpu / n;
    state.counters["held_MB"] = static_cast<double>(held) / (1 << 20);
    state.counters["held_bytes_per_pixel"] = static_cast<double>(held) / pixels;
    state.counters["peak_bytes_per_pixel"] = static_cast<double>(peak) / pixels;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["process_max_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
    std::filesystem::remove(path);
    SetHost(nullptr);
}
BENCHMARK(BM_BuildGround)->Arg(512)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace korvan

BENCHMARK_MAIN();
