// One simulation frame of a scene of N free boxes, of N joined boxes resting on a fixed floor and of
// a chain of N boxes hanging from a fixed anchor above the ground, on 1 and 2 calculation threads,
// and one frame of an empty scene (what the phase barriers of a frame cost on their own).
// BM_SeparateScenes gives the machine's own limit for two threads: the same bodies as two scenes
// that share nothing, each advanced by a thread of its own.
//
// Counters: body_substep is the wall time per body and sub-step; realtime the simulated seconds
// per wall second; busy0 and busy1 the time (us) the main thread and the first worker spent inside
// phases per frame; subSteps the sub-steps per frame.
// Run on a quiet machine: the workers spin, so a busy core shows up directly in the figures.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <cmath>
#include "sim/Accuracy.h"

#include "sim/ObjBox.h"
#include "sim/ObjGround.h"
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

// N boxes of 0.2 m and 8 kg hanging from a fixed anchor on one-point connections, face centre to
// face centre, released 20 degrees from the vertical so the chain swings; every box may touch the
// ground below.
void BuildHangingChain(CScene& scene, int count) {
    constexpr double kSize = 0.2, kTilt = 20 * 3.141592653589793 / 180;
    auto* ground = scene.Create<CObjGround>("ground");
    ground->MakeModel();
    auto* anchor = scene.Create<CObjBox>("anchor");
    anchor->widthX = anchor->widthY = anchor->widthZ = kSize;
    anchor->MakeModel();
    anchor->RHO = -1;  // fixed after its mass is known: the connections see 8 kg
    const Vec3 top{0, 0, 1.1 * kSize * count + 1};
    anchor->SetPosition(top.x, top.y, top.z + kSize / 2);
    const Vec3 down{std::sin(kTilt), 0, std::cos(kTilt)};  // each box's z axis
    CObj* previous = anchor;
    for (int i = 0; i < count; ++i) {
        auto* box = scene.Create<CObjBox>("link" + std::to_string(i));
        box->widthX = box->widthY = box->widthZ = kSize;
        box->MakeModel();
        box->SetAngle(0, kTilt, 0);
        const Vec3 centre = top - (kSize / 2 + kSize * i) * down;
        box->SetPosition(centre.x, centre.y, centre.z);
        box->AddCrash(ground);
        previous->Join1(box, {0, 0, -kSize / 2}, {0, 0, kSize / 2});
        previous = box;
    }
}

void RunFrames(benchmark::State& state, CScene& scene, int threads, bool meter = true) {
    CScheduler scheduler(scene);
    if (scene.Count() == 0) scheduler.minBodiesPerThread = 0;  // the empty frame measures the hand-overs
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
    state.counters["realtime"] =
        benchmark::Counter(scene.settings.frameTime, benchmark::Counter::kIsIterationInvariantRate);
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

void BM_FrameOfHangingChain(benchmark::State& state) {
    CScene scene;
    BuildHangingChain(scene, static_cast<int>(state.range(0)));
    RunFrames(state, scene, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_FrameOfHangingChain)
    ->ArgNames({"boxes", "threads"})
    ->ArgsProduct({{200, 1000}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void BM_EmptyFrame(benchmark::State& state) {
    CScene scene;
    RunFrames(state, scene, static_cast<int>(state.range(0)), false);
}
BENCHMARK(BM_EmptyFrame)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The bodies of one scene built as T scenes of 1/T of them (two chains of 100 for a chain of 200),
// each advanced by a thread of its own with a one-thread scheduler, ten frames per iteration: no
// barrier, no line written by two threads. The ratio of body_substep between 1 and 2 copies is
// the most that splitting the scene over two threads can gain on this machine.
void RunSeparateScenes(benchmark::State& state, const std::function<void(CScene&, int)>& build, int bodies) {
    constexpr int kFrames = 10;
    const int copies = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<CScene>> scenes;
    std::vector<std::unique_ptr<CScheduler>> schedulers;
    for (int c = 0; c < copies; ++c) {
        scenes.push_back(std::make_unique<CScene>());
        build(*scenes.back(), bodies / copies);
        schedulers.push_back(std::make_unique<CScheduler>(*scenes.back()));
        schedulers.back()->RunSimulationFrame();
    }
    auto runFrames = [&](int c) {
        for (int f = 0; f < kFrames; ++f) schedulers[static_cast<std::size_t>(c)]->RunSimulationFrame();
    };
    for (auto _ : state) {
        std::vector<std::thread> others;
        for (int c = 1; c < copies; ++c) others.emplace_back(runFrames, c);
        runFrames(0);
        for (std::thread& t : others) t.join();
    }
    int bodyCount = 0;
    for (const auto& scene : scenes) bodyCount += scene->Count();
    const CScene& scene = *scenes.front();
    const int subSteps = SubStepCount(scene.settings.frameTime, scene.settings.timeStep);
    state.counters["body_substep"] =
        benchmark::Counter(static_cast<double>(bodyCount) * subSteps * kFrames,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void OneAndTwoCopies(benchmark::internal::Benchmark* b) {
    b->ArgName("copies")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_SeparateScenes_HangingChain(benchmark::State& state) {
    RunSeparateScenes(state, BuildHangingChain, 200);
}
BENCHMARK(BM_SeparateScenes_HangingChain)->Apply(OneAndTwoCopies);

void BM_SeparateScenes_Boxes(benchmark::State& state) {
    RunSeparateScenes(state, BuildBoxes, 100);
}
BENCHMARK(BM_SeparateScenes_Boxes)->Apply(OneAndTwoCopies);

}  // namespace
}  // namespace korvan

BENCHMARK_MAIN();
