// The main loop's own cost per due pass with an empty scene: the whole pass minus the simulation
// frame inside it (drawing left out; it has its own bench). No window needed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/MainLoop.h"
#include "app/Session.h"

namespace {

double fakeNow = 0;
double FakeClock() {
    return fakeNow;
}

void BM_MainLoopPassBeyondPhysics(benchmark::State& state) {
    const auto dir = std::filesystem::path("/tmp") / ("korvan-loop-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("TMPDIR", dir.c_str(), 1);
    korvan::Settings settings;
    settings.ENV_CUR_CPUS_MODE = 1;
    settings.ENV_OPTIMIZED_CORES = 1;
    korvan::ProgramFolders folders{"./", "./Resource/", "./HTML/", "./Samples/",
                                   (dir / "KORVAN3.ini").string()};
    korvan::Session session(folders, settings, 1, static_cast<int>(::getpid()));
    session.commands.ClearScene();
    korvan::MainLoop loop(session, {}, FakeClock);
    double physics = 0, total = 0;
    for (auto _ : state) {
        fakeNow += session.scene().settings.frameTime * 1.01;  // every pass is due
        const double start = korvan::NowSeconds();
        loop.Pass();
        total += korvan::NowSeconds() - start;
        physics += session.scheduler.calcTime;
    }
    state.counters["pass_us"] = benchmark::Counter(total * 1e6 / state.iterations());
    state.counters["beyond_physics_us"] = benchmark::Counter((total - physics) * 1e6 / state.iterations());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_MainLoopPassBeyondPhysics);

}  // namespace

BENCHMARK_MAIN();
