// One simulation frame of a scene of N free boxes and of N joined boxes resting on a fixed floor, on
// 1 and 2 calculation threads, and one frame of an empty scene (what the roughly 900 phase barriers
// of a frame cost on their own).
//
// Counters: body_substep is the wall time per body and sub-step; busy0 and busy1 the time (us) the
// main thread and the first worker spent inside phases per frame; subSteps the sub-steps per frame.
// Run on a quiet machine: the workers spin, so a busy core shows up directly in the figures.
#include <benchmark/benchmark.h>

#include <string>

#include "sim/Accuracy.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

// N unit boxes on a grid 2 m apart, each drifting and turning a little.
void BuildBoxes(CScene& scene, int count) {
    for (int i = 0; i < count; ++i) {
        auto* box = scene.Create<CObjBox>("box" + std::to_string(i));
        box->MakeModel();
        box->SetPosition(2.0 * (i % 10), 2.0 * (i / 10 % 10), 2.0 * (i / 100));
        box->SetVelocity(0.01 * (i % 7), -0.02 * (i % 5), 0.03);
        box->SetAngularVelocity(0.1 * (i % 3), 0.2, -0.1 * (i % 4));
    }
}

// N half-metre boxes in rows of ten, joined face to face by two-point connections and resting on a
// fixed floor they collide with (eight crash points each): connections, contacts and gravity.
void BuildJoinedRows(CScene& scene, int count) {
    const int perRow = 10, rows = (count + perRow - 1) / perRow;
    auto* floor = scene.Create<CObjBox>("floor");
    floor->widthX = 0.5 * perRow + 1, floor->widthY = 1.0 * rows + 1, floor->widthZ = 1;
    floor->RHO = -1;
    floor->MakeModel();
    floor->SetPosition(0.25 * (perRow - 1), 0.5 * (rows - 1), -0.5);
    CObjBox* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        auto* box = scene.Create<CObjBox>("box" + std::to_string(i));
        box->widthX = box->widthY = box->widthZ = 0.5;
        box->MakeModel();
        box->SetPosition(0.5 * (i % perRow), 1.0 * (i / perRow), 0.25);
        box->AddCrash(floor);
        if (previous && i % perRow != 0)
            previous->Join2(box, {0.25, 0, 0}, {0, 0.15, 0}, {-0.25, 0, 0}, {0, 0.15, 0});
        previous = box;
    }
}

void RunFrames(benchmark::State& state, CScene& scene, int threads, bool meter = true) {
    CScheduler scheduler(scene);
    scene.settings.calcThreadCount = threads;
    scheduler.StartCalcThreads();
    scheduler.RunSimulationFrame();  // measures the body costs that balance the force phase
    // The CPU meter's busy times say how much of each frame every thread spent in phases: the
    // rest is waiting at barriers and the main thread's serial work.
    scheduler.cpuMeterShown = meter;
    double busy[2] = {0, 0};
    for (auto _ : state) {
        scheduler.RunSimulationFrame();
        for (int t = 0; t < threads && t < 2; ++t) busy[t] += scheduler.ThreadBusyTime(t);
    }
    for (int t = 0; meter && t < threads && t < 2; ++t)
        state.counters["busy" + std::to_string(t)] =
            benchmark::Counter(busy[t] * 1e6, benchmark::Counter::kAvgIterations);
    const int subSteps = SubStepCount(scene.settings.frameTime, scene.settings.timeStep);
    state.counters["subSteps"] = subSteps;
    if (scene.Count() > 0)
        state.counters["body_substep"] =
            benchmark::Counter(static_cast<double>(scene.Count()) * subSteps,
                               benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FrameOfBoxes(benchmark::State& state) {
    CScene scene;
    BuildBoxes(scene, static_cast<int>(state.range(0)));
    RunFrames(state, scene, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_FrameOfBoxes)
    ->ArgNames({"boxes", "threads"})
    ->ArgsProduct({{10, 100, 1000}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void BM_FrameOfJoinedBoxes(benchmark::State& state) {
    CScene scene;
    BuildJoinedRows(scene, static_cast<int>(state.range(0)));
    // Let the rows settle onto the floor before timing.
    {
        CScheduler settle(scene);
        for (int f = 0; f < 10; ++f) settle.RunSimulationFrame();
    }
    RunFrames(state, scene, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_FrameOfJoinedBoxes)
    ->ArgNames({"boxes", "threads"})
    ->ArgsProduct({{10, 100, 1000}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void BM_EmptyFrame(benchmark::State& state) {
    CScene scene;
    RunFrames(state, scene, static_cast<int>(state.range(0)), false);
}
BENCHMARK(BM_EmptyFrame)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace korvan

BENCHMARK_MAIN();
