// Reading and post-processing a generated model: a UV sphere written as OBJ with about 100 000
// and 1 000 000 triangles. Reports the time of the two phases and the peak of the memory the
// program holds while it reads and prepares the model (bytes allocated and not yet freed), so
// the growth from one size to the other can be compared: both should grow linearly, and a
// million triangles should take under 3 s on one core.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>

#include "base/Host.h"
#include "bench/AllocationCount.h"
#include "skin/ModelReaders.h"
#include "skin/PostProcess.h"

namespace korvan {
namespace {

class QuietHost : public ConsoleHost {
  public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowProgress(const std::string&, const std::string&, int) override {}
};

// rings x segments quads, each two triangles, between the poles' rings (the poles stay open).
std::string WriteSphere(int triangles) {
    const int segments = static_cast<int>(std::sqrt(triangles));
    const int rings = triangles / (2 * segments) + 1;
    std::string path =
        (std::filesystem::temp_directory_path() /
         ("korvan-sphere-" + std::to_string(::getpid()) + "-" + std::to_string(triangles) + ".obj"))
            .string();
    std::FILE* file = std::fopen(path.c_str(), "w");
    for (int r = 1; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double theta = std::numbers::pi * r / (rings + 1), phi = 2 * std::numbers::pi * s / segments;
            std::fprintf(file, "v %.6f %.6f %.6f\n", std::sin(theta) * std::cos(phi),
                         std::sin(theta) * std::sin(phi), std::cos(theta));
        }
    std::fprintf(file, "g sphere\n");
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            int a = r * segments + s + 1, b = r * segments + (s + 1) % segments + 1;
            std::fprintf(file, "f %d %d %d\nf %d %d %d\n", a, a + segments, b + segments, a, b + segments, b);
        }
    std::fclose(file);
    return path;
}

void BM_ReadAndPrepareSphere(benchmark::State& state) {
    QuietHost host;
    SetHost(&host);
    const std::string path = WriteSphere(static_cast<int>(state.range(0)));
    double readSeconds = 0, postSeconds = 0;
    long long peak = 0;
    std::size_t faces = 0;
    for (auto _ : state) {
        const long long before = bench::MarkPeak();
        auto start = std::chrono::steady_clock::now();
        {
            CMQOfile model;
            if (!LoadModel(model, path)) state.SkipWithError("the sphere did not load");
            auto read = std::chrono::steady_clock::now();
            PostProcessModel(model);
            auto done = std::chrono::steady_clock::now();
            readSeconds += std::chrono::duration<double>(read - start).count();
            postSeconds += std::chrono::duration<double>(done - read).count();
            faces = model.faces.size();
        }
        peak = std::max(peak, bench::PeakBytes() - before);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["triangles"] = static_cast<double>(faces);
    state.counters["read_s"] = readSeconds / n;
    state.counters["post_s"] = postSeconds / n;
    state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["bytes_per_triangle"] = static_cast<double>(peak) / static_cast<double>(faces);
    std::filesystem::remove(path);
    SetHost(nullptr);
}
BENCHMARK(BM_ReadAndPrepareSphere)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace
}  // namespace korvan

BENCHMARK_MAIN();
