// One simulation frame of rows of boxes joined face to face (Join4) and resting on a fixed floor,
// on 1 and 2 calculation threads: the force phase does real work here (four connection springs per
// neighbour, four sticking contacts per box, gravity), unlike a scene of free boxes.
//
// Counter body_substep: wall time per body and sub-step. The scene is settled for half a second
// before timing, so every bottom corner holds a contact.
#include <benchmark/benchmark.h>

#include <string>

#include "sim/Accuracy.h"
#include "sim/ObjBox.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"

namespace korvan {
namespace {

constexpr double kSide = 0.2;
constexpr int kRowLength = 10;

// Rows of kRowLength cubes along x, each joined to the next through their shared face.
void BuildJoinedRows(CScene& scene, int count) {
    const int rows = (count + kRowLength - 1) / kRowLength;
    auto* floor = scene.Create<CObjBox>("floor");
    floor->widthX = kRowLength * kSide + 1, floor->widthY = rows * 2 * kSide + 1, floor->widthZ = 0.5;
    floor->RHO = -1;
    floor->MakeModel();
    floor->SetPosition(kRowLength * kSide / 2, rows * kSide, -0.25);
    const Vec3 a{0, kSide / 4, 0}, b{0, 0, kSide / 4};
    CObjBox* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        auto* box = scene.Create<CObjBox>("box" + std::to_string(i));
        box->widthX = box->widthY = box->widthZ = kSide;
        box->MakeModel();
        box->SetPosition(kSide * (i % kRowLength), 2 * kSide * (i / kRowLength), kSide / 2);
        box->AddCrash(floor);
        if (previous && i % kRowLength != 0)
            previous->Join4(box, {kSide / 2, 0, 0}, a, b, {-kSide / 2, 0, 0}, a, b);
        previous = box;
    }
}

void BM_FrameOfJoinedBoxesOnAFloor(benchmark::State& state) {
    CScene scene;
    const int count = static_cast<int>(state.range(0));
    BuildJoinedRows(scene, count);
    CScheduler scheduler(scene);
    scene.settings.calcThreadCount = static_cast<int>(state.range(1));
    scheduler.StartCalcThreads();
    for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();  // settle onto the floor
    for (auto _ : state) scheduler.RunSimulationFrame();
    const int subSteps = SubStepCount(scene.settings.frameTime, scene.settings.timeStep);
    state.counters["body_substep"] =
        benchmark::Counter(static_cast<double>(scene.Count()) * subSteps,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FrameOfJoinedBoxesOnAFloor)
    ->ArgNames({"boxes", "threads"})
    ->ArgsProduct({{10, 100}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace korvan
