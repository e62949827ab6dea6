// The scheduler on several calculation threads: the same states whatever the thread count, the
// cost balance, the pool's lifecycle and a sub-step loop that allocates nothing.
// Labelled `threads`, so it also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "AllocationCounter.h"
#include "base/Anomaly.h"
#include "base/KeyState.h"
#include "sim/ObjBox.h"
#include "sim/Scheduler.h"
#include "tests/sim/ChainBox.h"

namespace korvan {
namespace {

using testing::Chain;
using testing::ChainBox;

constexpr int kChainLength = 12;

// The committed state of every body, in a form that compares bit for bit.
std::vector<double> CommittedState(const CScene& scene) {
    std::vector<double> out;
    for (int i = 0; i < scene.Count(); ++i) {
        const CObj* b = scene.Body(i);
        for (double v : {b->Position(0).x, b->Position(0).y, b->Position(0).z, b->Velocity(0).x,
                         b->Velocity(0).y, b->Velocity(0).z, b->Omega(0).x, b->Omega(0).y, b->Omega(0).z})
            out.push_back(v);
        const Mat3 rot = b->Rot(0);
        out.insert(out.end(), rot.data(), rot.data() + 9);
    }
    return out;
}

Vec3 Momentum(const CScene& scene) {
    Vec3 p;
    for (int i = 0; i < scene.Count(); ++i) p += scene.Body(i)->mass * scene.Body(i)->GetVelocity();
    return p;
}

// The scenes here are small, so they are allowed every thread however few bodies each gets.
void UseThreads(CScheduler& scheduler, CScene& scene, int count) {
    scene.settings.calcThreadCount = count;  // may exceed the processors: nothing caps it here
    scheduler.minBodiesPerThread = 0;
    scheduler.StartCalcThreads();
}

struct ChainRun {
    std::vector<double> state;
    Vec3 momentumBefore, momentumAfter;
    bool workerComputedForces = false;
};

ChainRun RunChain(int threadCount, int frames) {
    CScene scene;
    testing::BuildChain(scene, kChainLength);
    CScheduler scheduler(scene);
    UseThreads(scheduler, scene, threadCount);
    ChainRun run;
    run.momentumBefore = Momentum(scene);
    for (int f = 0; f < frames; ++f) scheduler.RunSimulationFrame();
    run.momentumAfter = Momentum(scene);
    run.state = CommittedState(scene);
    for (int i = 0; i < scene.Count(); ++i) run.workerComputedForces |= Chain(scene, i)->forcesOnWorker;
    return run;
}

TEST(SchedulerThreads, SameStatesBitForBitWhateverTheThreadCount) {
    const ChainRun one = RunChain(1, 60);
    // The chain really interacts: the reactions cancel the pulls exactly in sum, so the momentum
    // stays; skipping or doubling the hand-over would change it by kilogram-metres per second.
    EXPECT_NEAR(one.momentumAfter.x, one.momentumBefore.x, 1e-9);
    EXPECT_NEAR(one.momentumAfter.y, one.momentumBefore.y, 1e-9);
    EXPECT_NEAR(one.momentumAfter.z, one.momentumBefore.z, 1e-9);
    for (int threads : {2, 3}) {
        const ChainRun many = RunChain(threads, 60);
        ASSERT_EQ(many.state.size(), one.state.size());
        EXPECT_EQ(std::memcmp(many.state.data(), one.state.data(), one.state.size() * sizeof(double)), 0)
            << threads << " threads";
        EXPECT_TRUE(many.workerComputedForces) << "the force phase never left the main thread";
    }
}

// Rows of half-metre boxes joined face to face (two-point connections), dropped 2 cm onto a fixed
// floor they collide with: connections, contacts, gravity and reactions into the floor.
void BuildJoinedRows(CScene& scene, int rows, int perRow) {
    auto* floor = scene.Create<CObjBox>("floor");
    floor->widthX = 0.5 * perRow + 1, floor->widthY = 1.0 * rows + 1, floor->widthZ = 1;
    floor->RHO = -1;
    floor->MakeModel();
    floor->SetPosition(0.25 * (perRow - 1), 0.5 * (rows - 1), -0.5);
    for (int r = 0; r < rows; ++r) {
        CObjBox* previous = nullptr;
        for (int i = 0; i < perRow; ++i) {
            auto* box = scene.Create<CObjBox>("box");
            box->widthX = box->widthY = box->widthZ = 0.5;
            box->MakeModel();
            box->SetPosition(0.5 * i, 1.0 * r, 0.27 + 0.01 * (i % 3));
            box->SetAngularVelocity(0.2 * (i % 2), 0.1 * (r % 2), 0.05 * i);
            box->AddCrash(floor);
            if (previous) previous->Join2(box, {0.25, 0, 0}, {0, 0.15, 0}, {-0.25, 0, 0}, {0, 0.15, 0});
            previous = box;
        }
    }
}

// Ten boxes for a second, and 350 for three frames: enough bodies that the phase loops ask for the
// coming bodies' lines ahead. From the second frame on the floor stands still, and only the rows
// the split cuts wait for the other thread.
TEST(SchedulerThreads, JoinedBoxesOnAFloorGiveTheSameStatesOnEveryThreadCount) {
    DiscardAnomalies();
    struct Case {
        int rows, perRow, frames;
    };
    for (const Case& c : {Case{2, 5, 60}, Case{35, 10, 3}}) {
        std::vector<double> reference;
        for (int threads : {1, 2, 3}) {
            CScene scene;
            BuildJoinedRows(scene, c.rows, c.perRow);
            CScheduler scheduler(scene);
            UseThreads(scheduler, scene, threads);
            for (int f = 0; f < c.frames; ++f) scheduler.RunSimulationFrame();
            for (int i = 1; i < scene.Count(); ++i)
                EXPECT_GT(scene.Body(i)->Position(0).z, 0.1) << "fell through";
            if (threads == 1)
                reference = CommittedState(scene);
            else
                EXPECT_EQ(CommittedState(scene), reference)
                    << c.rows * c.perRow << " boxes, " << threads << " threads";
        }
    }
    EXPECT_EQ(PendingAnomalies(), 0);
}

// Without gravity, five spinning boxes fall onto a free slab they collide with: every reaction goes
// into a body that moves, gathered by the slab from five sources on whatever threads they ran.
TEST(SchedulerThreads, ReactionsIntoAMovableBodyGiveTheSameStatesOnEveryThreadCount) {
    DiscardAnomalies();
    std::vector<double> reference;
    for (int threads : {1, 2, 3}) {
        CScene scene;
        scene.settings.GravityZ = 0;
        auto* slab = scene.Create<CObjBox>("slab");
        slab->widthX = 3, slab->widthY = 1, slab->widthZ = 0.2;
        slab->MakeModel();
        for (int i = 0; i < 5; ++i) {
            auto* box = scene.Create<CObjBox>("box");
            box->widthX = box->widthY = box->widthZ = 0.3;
            box->MakeModel();
            box->SetPosition(-1.2 + 0.6 * i, 0, 0.26 + 0.005 * i);
            box->SetVelocity(0.05 * (i - 2), 0, -0.5);
            box->SetAngularVelocity(0.3 * (i % 2), 0.2, 0);
            box->AddCrash(slab, -1, 0.5, 0.4, 0.01, 20000, 50);  // absolute: no weight to scale by
        }
        CScheduler scheduler(scene);
        UseThreads(scheduler, scene, threads);
        const Vec3 before = Momentum(scene);
        for (int f = 0; f < 30; ++f) scheduler.RunSimulationFrame();
        EXPECT_LT(slab->Velocity(0).z, -0.01) << "the boxes never pushed the slab";
        EXPECT_NEAR(Length(Momentum(scene) - before), 0, 1e-9 * Length(before));
        if (threads == 1)
            reference = CommittedState(scene);
        else
            EXPECT_EQ(CommittedState(scene), reference) << threads << " threads";
    }
    EXPECT_EQ(PendingAnomalies(), 0);
}

// A row of boxes on a fixed floor, each hinged to the next by a driven joint whose key is held:
// the control pass moves points of both bodies of a joint and reads the partner's points for the
// load, also where the split between the threads cuts the row.
TEST(SchedulerThreads, DrivenJointsAcrossTheSplitGiveTheSameStatesOnEveryThreadCount) {
    DiscardAnomalies();
    constexpr int kPlus = 'U';
    std::vector<double> reference;
    for (int threads : {1, 2, 3}) {
        CScene scene;
        KeyStateTable keys;
        scene.keys = &keys;
        keys.SetDown(kPlus, true);
        auto* floor = scene.Create<CObjBox>("floor");
        floor->widthX = 14, floor->widthY = 2, floor->widthZ = 1;
        floor->RHO = -1;
        floor->MakeModel();
        floor->SetPosition(6, 0, -0.5);
        CObjBox* previous = nullptr;
        for (int i = 0; i < 24; ++i) {
            auto* box = scene.Create<CObjBox>("box");
            box->widthX = box->widthY = box->widthZ = 0.5;
            box->MakeModel();
            box->SetPosition(0.5 * i, 0, 0.26);
            box->AddCrash(floor);
            if (previous) {
                previous->Join2_Horz(box, {0.25, 0.2, 0.25}, {-0.25, 0.2, 0.25}, {0.25, -0.2, 0.25},
                                     {-0.25, -0.2, 0.25});
                previous->MoveJointByKey(box, kPlus, 0, 0.002 * (i % 3 + 1), -1, 1, {}, {0, 1, 0}, 0.5, 0);
            }
            previous = box;
        }
        CScheduler scheduler(scene);
        UseThreads(scheduler, scene, threads);
        for (int f = 0; f < 4; ++f) scheduler.RunSimulationFrame();
        if (threads == 1)
            reference = CommittedState(scene);
        else
            EXPECT_EQ(CommittedState(scene), reference) << threads << " threads";
    }
    EXPECT_EQ(PendingAnomalies(), 0);
}

TEST(SchedulerThreads, SubStepCountsDoNotDependOnTheThreads) {
    CScene scene;
    testing::BuildChain(scene, 5);
    CScheduler scheduler(scene);
    UseThreads(scheduler, scene, 3);
    scheduler.RunSimulationFrame();
    for (int i = 0; i < scene.Count(); ++i) {
        EXPECT_EQ(Chain(scene, i)->commits, 100);
        EXPECT_EQ(Chain(scene, i)->beginControlCalls, 10);
        EXPECT_EQ(Chain(scene, i)->controlCalls, 10);
        EXPECT_EQ(Chain(scene, i)->forceCalls, 400);
    }
    EXPECT_DOUBLE_EQ(scene.settings.CurTime, 1.0 / 60);
}

TEST(SchedulerThreads, MainThreadTakesEveryBodyUntilCostsAreMeasured) {
    CScene scene;
    testing::BuildChain(scene, 6);
    CScheduler scheduler(scene);
    UseThreads(scheduler, scene, 2);

    scheduler.RunSimulationFrame();
    EXPECT_EQ(scheduler.RangeEnd(0), 6);
    EXPECT_EQ(scheduler.RangeStart(1), 6);
    for (int i = 0; i < scene.Count(); ++i) {
        EXPECT_FALSE(Chain(scene, i)->forcesOnWorker);
        EXPECT_GT(scene.Body(i)->calcCost, 0) << "every body's forces are timed within the first frame";
        EXPECT_GT(scene.Body(i)->stepCost, 0) << "every body's integration is timed within the first frame";
    }
    scheduler.RunSimulationFrame();  // balanced by the costs now
    EXPECT_EQ(scheduler.RangeStart(0), 0);
    EXPECT_EQ(scheduler.RangeEnd(1), 6);
    EXPECT_EQ(scheduler.RangeEnd(0), scheduler.RangeStart(1));
}

TEST(SchedulerThreads, ScenesTooSmallToShareRunOnTheMainThread) {
    for (int bodies : {15, 16}) {
        CScene scene;
        testing::BuildChain(scene, bodies);
        CScheduler scheduler(scene);
        scene.settings.calcThreadCount = 2;
        scheduler.StartCalcThreads();
        EXPECT_EQ(scheduler.FrameThreadCount(), bodies >= 16 ? 2 : 1);
        for (int f = 0; f < 2; ++f) scheduler.RunSimulationFrame();
        bool onWorker = false;
        for (int i = 0; i < scene.Count(); ++i) onWorker |= Chain(scene, i)->forcesOnWorker;
        EXPECT_EQ(onWorker, bodies >= 16) << bodies << " bodies";
    }
}

TEST(SchedulerThreads, ApplyThreadSettingStartsTheCappedPool) {
    CScene scene;
    testing::BuildChain(scene, 4);
    CScheduler scheduler(scene);
    scheduler.minBodiesPerThread = 0;
    scheduler.threadSettings.logicalProcessorCount = 2;
    scheduler.threadSettings.ENV_CUR_CPUS_MODE = 2;
    scheduler.threadSettings.ENV_CUR_CPUS_NUM = 6;
    scheduler.ApplyThreadSetting();
    EXPECT_EQ(scene.settings.calcThreadCount, 2);
    EXPECT_EQ(scheduler.FrameThreadCount(), 2);
    scheduler.RunSimulationFrame();

    scheduler.threadSettings.ENV_CUR_CPUS_MODE = 1;
    scheduler.ApplyThreadSetting();
    EXPECT_EQ(scene.settings.calcThreadCount, 1);
    EXPECT_EQ(scheduler.FrameThreadCount(), 1);

    // Stopped threads: the frame runs on the main thread alone.
    scene.settings.calcThreadCount = 3;
    scheduler.StopCalcThreads();
    EXPECT_EQ(scheduler.FrameThreadCount(), 1);
    scheduler.RunSimulationFrame();
    EXPECT_EQ(Chain(scene, 0)->commits, 200);
}

TEST(SchedulerThreads, BusyTimeOnlyWhileTheMeterIsShown) {
    CScene scene;
    testing::BuildChain(scene, 4);
    CScheduler scheduler(scene);
    UseThreads(scheduler, scene, 2);
    scheduler.RunSimulationFrame();
    EXPECT_EQ(scheduler.ThreadBusyTime(0), 0);
    EXPECT_EQ(scheduler.ThreadBusyTime(1), 0);
    scheduler.cpuMeterShown = true;
    scheduler.RunSimulationFrame();
    EXPECT_GT(scheduler.ThreadBusyTime(0), 0);
    EXPECT_GT(scheduler.ThreadBusyTime(1), 0);
    EXPECT_LE(scheduler.ThreadBusyTime(0), scheduler.calcTime);
}

TEST(SchedulerThreads, SubStepLoopAllocatesNothing) {
    for (int threads : {1, 2}) {
        CScene scene;
        testing::BuildChain(scene, 8);
        BuildJoinedRows(scene, 1, 3);
        CScheduler scheduler(scene);
        UseThreads(scheduler, scene, threads);
        scheduler.cpuMeterShown = true;
        scheduler.RunSimulationFrame();
        testing::AllocationProbe probe;
        for (int f = 0; f < 5; ++f) scheduler.RunSimulationFrame();
        EXPECT_EQ(probe.Count(), 0) << threads << " threads";
    }
}

}  // namespace
}  // namespace korvan
