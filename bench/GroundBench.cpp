// Building the height-field ground from 512², 2048² and 4096² height grids, as the loader hands
// them over. Reports what the ground holds once built, its grid included (bytes allocated and not
// freed, per pixel: the target is under 32), the peak of what operator new holds while it is
// built, the process's resident high-water mark and the CPU time of MakeModel. CPU time, not
// wall time: the machines this runs on are shared.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Host.h"
#include "bench/AllocationCount.h"
#include "sim/ObjGround.h"
#include "sim/Scene.h"

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

// A side x side relief of rolling hills with steps, so the smoothing takes both branches.
HeightGrid Relief(int side) {
    HeightGrid grid{side, side, std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side)};
    std::size_t at = 0;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            grid.levels[at++] = static_cast<std::uint8_t>(((i / 7) * 13 + (j / 5) * 29 + (i ^ j) % 17) % 256);
    return grid;
}

void BM_BuildGround(benchmark::State& state) {
    QuietHost host;
    SetHost(&host);
    const int side = static_cast<int>(state.range(0));
    // The ground checks that its image file is still there; the levels are handed over as read.
    const std::string path =
        (std::filesystem::temp_directory_path() / ("korvan-ground-" + std::to_string(::getpid()) + ".bmp"))
            .string();
    std::ofstream{path};
    const double pixels = static_cast<double>(side) * side;
    double cpu = 0;
    long long held = 0, peak = 0;
    for (auto _ : state) {
        CScene scene;
        CObjGround* ground = scene.Create<CObjGround>("ground");
        const long long before = bench::MarkPeak();
        ground->SetHeightImage(path, Relief(side));
        const double start = CpuSeconds();
        ground->MakeModel();
        cpu += CpuSeconds() - start;
        held = bench::LiveBytes() - before;
        peak = std::max(peak, bench::PeakBytes() - before);
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
