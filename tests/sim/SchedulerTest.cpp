// The frame loop on one thread, the clock and accuracy settings, the thread-count rule and the
// force-phase balance. The threaded runs are in SchedulerThreadsTest.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "sim/Accuracy.h"
#include "sim/Scheduler.h"
#include "tests/sim/ChainBox.h"
#include "tests/sim/StepHelpers.h"

namespace korvan {
namespace {

using testing::Chain;
using testing::ChainBox;

struct FrameCase {
    const char* name;
    double accuracy;
    double loadReduction;
    int framesPerSecond;
    int subSteps;
    int controlPasses;
};

// Sub-steps = trunc(frameTime / timeStep); control passes on sub-steps 0, 10, 20, ...
class FrameLength : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameLength, RunsTheSubStepsAndControlPassesTheSettingsGive) {
    const FrameCase& c = GetParam();
    CScene scene;
    testing::BuildChain(scene, 3);
    scene.settings.accuracy = c.accuracy;
    scene.settings.loadReduction = c.loadReduction;
    scene.settings.framesPerSecond = c.framesPerSecond;
    CScheduler scheduler(scene);

    for (int frame = 1; frame <= 2; ++frame) {
        scheduler.RunSimulationFrame();
        for (int i = 0; i < scene.Count(); ++i) {
            EXPECT_EQ(Chain(scene, i)->commits, frame * c.subSteps);
            EXPECT_EQ(Chain(scene, i)->beginControlCalls, frame * c.controlPasses);
            EXPECT_EQ(Chain(scene, i)->controlCalls, frame * c.controlPasses);
        }
        EXPECT_DOUBLE_EQ(scene.settings.CurTime, frame * (1.0 / c.framesPerSecond));
    }
    EXPECT_EQ(scene.settings.timeStep, TimeStepFor(c.accuracy, c.loadReduction));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FrameLength,
    ::testing::Values(FrameCase{"nominal", 1.0, 0.0, 60, 100, 10},
                      // h = 1/6000 * 10^0.5 = 0.527 ms
                      FrameCase{"accuracyHalf", 0.5, 0.0, 60, 31, 4},
                      // h = 1/6000 * 2^2.5 = 0.943 ms
                      FrameCase{"loadReductionFull", 1.0, 1.0, 60, 17, 2},
                      // a 1 ms frame is shorter than the 1.67 ms step: nothing runs, the clock still moves
                      FrameCase{"stepLongerThanFrame", 0.0, 0.0, 1000, 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Frame, ControlPassPeriodCountsAfreshEachFrame) {
    CScene scene;
    testing::BuildChain(scene, 1);
    scene.settings.candidatePeriod = 7;  // sub-steps 0, 7, ..., 98: 15 per frame of 100
    CScheduler scheduler(scene);
    scheduler.RunSimulationFrame();
    scheduler.RunSimulationFrame();
    EXPECT_EQ(Chain(scene, 0)->beginControlCalls, 30);
}

TEST(Frame, EmptySceneAdvancesTheClock) {
    CScene scene;
    CScheduler scheduler(scene);
    scheduler.RunSimulationFrame();
    scheduler.RunSimulationFrame();
    EXPECT_DOUBLE_EQ(scene.settings.CurTime, 2.0 / 60);
    EXPECT_GE(scheduler.calcTime, 0);
}

TEST(Frame, FreeBodyMovesByWholeSubSteps) {
    // 31 sub-steps of h cover less than the frame; the body moves v * 31 h, the clock a whole frame.
    CScene scene;
    auto* box = scene.Create<CObjBox>("free");
    box->MakeModel();
    box->SetVelocity(2, 0, 0);
    scene.settings.accuracy = 0.5;
    CScheduler scheduler(scene);
    scheduler.RunSimulationFrame();
    EXPECT_NEAR(box->Position(0).x, 2 * 31 * TimeStepFor(0.5, 0), 1e-12);
    EXPECT_DOUBLE_EQ(scene.settings.CurTime, 1.0 / 60);
}

class FakeRecorder : public RecorderHook {
  public:
    int state = 0;
    int recorded = 0;
    double timeWhenRecorded = -1;
    const SimSettings* settings = nullptr;
    int RecorderState() const override { return state; }
    void RecordFrame() override { ++recorded, timeWhenRecorded = settings->CurTime; }
};

TEST(Frame, PlaybackFreezesTheSceneAndRecordingStoresEachFrame) {
    CScene scene;
    testing::BuildChain(scene, 2);
    CScheduler scheduler(scene);
    FakeRecorder recorder;
    recorder.settings = &scene.settings;
    scheduler.SetRecorder(&recorder);

    recorder.state = 2;
    scheduler.RunSimulationFrame();
    EXPECT_EQ(scene.settings.CurTime, 0);
    EXPECT_EQ(Chain(scene, 0)->forceCalls, 0);

    recorder.state = 1;
    scheduler.RunSimulationFrame();
    EXPECT_EQ(recorder.recorded, 1);
    EXPECT_DOUBLE_EQ(recorder.timeWhenRecorded, 1.0 / 60);  // after the clock moved

    recorder.state = 0;
    scheduler.RunSimulationFrame();
    EXPECT_EQ(recorder.recorded, 1);
}

// ---- Clock and accuracy settings ---------------------------------------------------------------

TEST(Accuracy, TimeStepFormula) {
    EXPECT_DOUBLE_EQ(TimeStepFor(1, 0), 1.0 / 6000);
    // (1/6000) 10^(1 - accuracy) 2^(2.5 loadReduction)
    for (double a : {0.0, 0.25, 0.5, 1.0})
        for (double l : {0.0, 0.3, 1.0})
            EXPECT_NEAR(TimeStepFor(a, l), (1.0 / 6000) * std::pow(10, 1 - a) * std::pow(2, 2.5 * l), 1e-15);
    EXPECT_EQ(SubStepCount(1.0 / 60, 1.0 / 6000), 100);
    EXPECT_EQ(SubStepCount(1.0 / 60, 1.0 / 59), 0);
    // Steps and frames that are no length at all run nothing instead of hanging the frame.
    EXPECT_EQ(SubStepCount(1.0 / 60, 0.0), 0);
    EXPECT_EQ(SubStepCount(1.0 / 60, -1.0), 0);
    EXPECT_EQ(SubStepCount(std::numeric_limits<double>::infinity(), 1.0 / 6000), 0);
    EXPECT_EQ(SubStepCount(1.0 / 60, 1e-300), 1000000);
}

TEST(Accuracy, ResetAndInitialise) {
    SimSettings s;
    s.accuracy = 0.2, s.candidatePeriod = 3, s.loadReduction = 0.7, s.CurTime = 5;
    ResetAccuracySettings(s);
    EXPECT_EQ(s.accuracy, 1.0);
    EXPECT_EQ(s.candidatePeriod, 10);
    EXPECT_EQ(s.loadReduction, 0.0);
    InitialiseClock(s);
    EXPECT_EQ(s.CurTime, 0);
    EXPECT_DOUBLE_EQ(s.frameTime, 1.0 / 60);
    EXPECT_DOUBLE_EQ(s.timeStep, 1.0 / 6000);
}

TEST(Accuracy, SettersKeepRangesAndUpdateEveryBody) {
    CScene scene;
    testing::BuildChain(scene, 3);
    auto derivedCalls = [&] {
        int n = 0;
        for (int i = 0; i < scene.Count(); ++i) n += Chain(scene, i)->derivedConstantCalls;
        return n;
    };
    SetAccuracy(scene, 0.4);
    EXPECT_EQ(scene.settings.accuracy, 0.4);
    EXPECT_EQ(derivedCalls(), 3);
    SetLoadReduction(scene, 2.0);
    EXPECT_EQ(scene.settings.loadReduction, 1.0);
    EXPECT_EQ(derivedCalls(), 6);
    SetCandidatePeriod(scene, 0);  // 0 would make the control-pass test divide by zero
    EXPECT_EQ(scene.settings.candidatePeriod, 1);
    SetCandidatePeriod(scene, 50);
    EXPECT_EQ(scene.settings.candidatePeriod, 20);
    EXPECT_EQ(derivedCalls(), 6);
    SetAccuracy(scene, -3);
    EXPECT_EQ(scene.settings.accuracy, 0.0);
    SetAccuracy(scene, std::nan(""));
    EXPECT_EQ(scene.settings.accuracy, 0.0);
}

TEST(AccuracySliders, MapPositionsToValuesAndBack) {
    EXPECT_DOUBLE_EQ(AccuracyFromSlider(1000), 1.0);
    EXPECT_DOUBLE_EQ(AccuracyFromSlider(250), 0.25);
    EXPECT_EQ(CandidatePeriodFromSlider(1000), 1);
    EXPECT_EQ(CandidatePeriodFromSlider(0), 20);    // 21 before the clamp
    EXPECT_EQ(CandidatePeriodFromSlider(549), 10);  // int(0.451 * 20 + 1)
    EXPECT_EQ(SliderFromCandidatePeriod(10), 550);
    EXPECT_EQ(SliderFromCandidatePeriod(20), 50);
    EXPECT_NEAR(LoadFactor(1.0), 32.0, 1e-12);
    // Every value survives the trip to the slider and back.
    for (int period = 1; period <= 20; ++period)
        EXPECT_EQ(CandidatePeriodFromSlider(SliderFromCandidatePeriod(period)), period) << period;
    for (int p = 0; p <= 1000; ++p) {
        EXPECT_EQ(SliderFromAccuracy(AccuracyFromSlider(p)), p);
        EXPECT_EQ(SliderFromLoadReduction(LoadReductionFromSlider(p)), p);
    }
}

// ---- Thread-count rule and force-phase balance -----------------------------------------------

struct ThreadCountCase {
    int mode, number, optimized, processors, current, expected;
};

TEST(ThreadSetting, ChoosesTheCountByModeAndCapsIt) {
    const ThreadCountCase cases[] = {
        {3, 1, -1, 4, 1, 1},  // processors / 2 - 1 once processors / 2 reaches 2
        {3, 1, -1, 8, 1, 3},  {3, 1, -1, 16, 1, 7},
        {3, 1, -1, 2, 1, 1},                        // 2 / 2 = 1: a single thread
        {3, 1, -1, 1, 1, 1},  {1, 8, 8, 16, 4, 1},  // single thread
        {2, 6, -1, 8, 1, 6},                        // given number
        {2, 12, -1, 8, 1, 8},                       // capped at the processor count
        {2, 0, -1, 8, 3, 1},                        // below 1 becomes 1
        {0, 1, 5, 8, 1, 5},                         // measured at start-up
        {0, 1, -1, 8, 1, 1},  {0, 1, 9, 4, 1, 4},
        {7, 1, -1, 8, 5, 5},  // unknown mode keeps the current count
        {7, 1, -1, 4, 6, 4},  {7, 1, -1, 4, 0, 1},
    };
    for (const auto& c : cases) {
        ThreadSettings s;
        s.ENV_CUR_CPUS_MODE = c.mode, s.ENV_CUR_CPUS_NUM = c.number, s.ENV_OPTIMIZED_CORES = c.optimized;
        s.logicalProcessorCount = c.processors;
        EXPECT_EQ(ChooseThreadCount(s, c.current), c.expected)
            << "mode " << c.mode << " on " << c.processors << " processors";
    }
}

TEST(ThreadBalance, SplitsWholeMotionBlocksByMeasuredCost) {
    struct Case {
        std::vector<double> costs;
        int threads;
        std::vector<int> ends;  // rangeEnd per thread; each range starts where the previous ended
        std::vector<double> stepCosts = {};  // integration, where not 0
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0}, 3, {5, 5, 5}},        // nothing measured yet: thread 0 takes every body
        {{1, 1, 1, 1, 1, 1, 1, 1}, 2, {4, 8}},  // two blocks, one each
        {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 2, {8, 12}},      // the middle of block 1 is on S/2
        {{10, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1}, 3, {4, 8, 12}},  // a heavy block alone
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 2, {4, 9}},                // a short last block
        {{1, 1, 1, 1, 1, 1}, 4, {0, 4, 4, 6}},                   // fewer blocks than threads
        {{}, 2, {0, 0}},
        // the integration counts too: the first block weighs 16 of 24
        {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 2, {4, 12}, {3, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        CScene scene;
        for (double cost : c.costs) scene.Create<CObjBox>("b")->calcCost = cost;
        for (std::size_t i = 0; i < c.stepCosts.size(); ++i)
            scene.Body(static_cast<int>(i))->stepCost = c.stepCosts[i];
        std::vector<ThreadRange> ranges(static_cast<std::size_t>(c.threads), {-1, -1});
        BalanceThreadRanges(scene, c.threads, ranges.data());
        std::vector<int> ends;
        for (const ThreadRange& r : ranges) ends.push_back(r.end);
        EXPECT_EQ(ends, c.ends);
        EXPECT_EQ(ranges[0].begin, 0);
        for (std::size_t t = 1; t < ranges.size(); ++t) EXPECT_EQ(ranges[t].begin, ranges[t - 1].end);
    }
}

// Two threads keep their blocks while the split is nearly even: moving a block costs its lines a
// trip to the other core, and the measured costs vary by a few per cent from frame to frame.
TEST(ThreadBalance, SplitMovesOnlyWhenItEvensTheLoadClearly) {
    auto blocksOf = [](std::vector<double> blockCosts) {
        std::vector<double> bodies;
        for (double cost : blockCosts) bodies.insert(bodies.end(), kMotionLanes, cost / kMotionLanes);
        return bodies;
    };
    struct Case {
        const char* name;
        std::vector<double> costs;  // per body
        ThreadRange current[2];
        bool moves;
    };
    const std::vector<double> even = blocksOf({1, 1, 1, 1, 1, 1});
    const std::vector<double> nearlyFreeBlock = blocksOf({1, 1, 1, 1, 0.02, 1, 1, 1});
    const Case cases[] = {
        {"the balanced split itself", even, {{0, 12}, {12, 24}}, false},
        {"a block off", even, {{0, 8}, {8, 24}}, true},
        {"a nearly free block on the busier side", nearlyFreeBlock, {{0, 20}, {20, 32}}, false},
        {"a split of fewer bodies", even, {{0, 12}, {12, 20}}, true},
        {"a range that starts inside a block", even, {{0, 10}, {10, 24}}, true},
        {"ranges that overlap", even, {{0, 16}, {12, 24}}, true},
    };
    for (const Case& c : cases) {
        CScene scene;
        for (double cost : c.costs) scene.Create<CObjBox>("b")->calcCost = cost;
        ThreadRange balanced[2];
        BalanceThreadRanges(scene, 2, balanced);
        EXPECT_EQ(SplitWorthMoving(scene, 2, c.current, balanced), c.moves) << c.name;
    }
}

// Bodies 0..7 run on thread 0, 8..11 on thread 1. A body must wait for the other thread when it
// reads or gathers from a body there, and so must that body; a fixed body at rest may be read by
// anyone at any time, but still reads its own partners.
TEST(ThreadBorder, MarksTheBodiesThatExchangeAcrossTheSplit) {
    enum Link { kConnection, kCrash };
    struct Case {
        const char* name;
        int from, to;
        Link link;
        void (*setUpTo)(CObj&);
        std::vector<int> border;
    };
    auto movable = [](CObj&) {};
    auto fixed = [](CObj& b) { b.RHO = -1; };
    auto actuated = [](CObj& b) { b.RHO = -1, b.moves.emplace_back(); };
    const Case cases[] = {
        {"connection within a range", 1, 2, kConnection, movable, {}},
        {"connection across the split", 7, 8, kConnection, movable, {7, 8}},
        {"crash points on a body of the other range", 9, 2, kCrash, movable, {2, 9}},
        {"crash points on a fixed body at rest", 9, 0, kCrash, fixed, {}},
        {"crash points on an actuated fixed body", 9, 0, kCrash, actuated, {0, 9}},
        {"connection to a fixed body at rest", 9, 0, kConnection, fixed, {0, 9}},
    };
    for (const Case& c : cases) {
        CScene scene;
        for (int i = 0; i < 12; ++i) {
            auto* b = scene.Create<CObjBox>("b");
            b->MakeModel();
            b->SetPosition(2.0 * i, 0, 1);
        }
        CObj* from = scene.Body(c.from);
        CObj* to = scene.Body(c.to);
        c.setUpTo(*to);
        if (c.link == kConnection)
            from->Join1(to, {0, 0, 0}, {0, 0, 0});
        else
            from->AddCrash(to);
        testing::RunOneSubStep(scene);  // every state built once
        scene.LinkContactSources();
        for (int i = 0; i < scene.Count(); ++i) scene.Body(i)->PrepareIntegration();
        const ThreadRange ranges[] = {{0, 8}, {8, 12}};
        std::vector<char> marks;
        MarkBorderBodies(scene, 2, ranges, marks);
        std::vector<int> border;
        for (int i = 0; i < scene.Count(); ++i) {
            EXPECT_EQ(scene.Body(i)->calcThread, i < 8 ? 0 : 1) << c.name;
            if (marks[static_cast<std::size_t>(i)] != 0) border.push_back(i);
        }
        EXPECT_EQ(border, c.border) << c.name;
        const ThreadRange whole[] = {{0, 12}};
        MarkBorderBodies(scene, 1, whole, marks);
        for (int i = 0; i < scene.Count(); ++i)
            EXPECT_EQ(marks[static_cast<std::size_t>(i)], 0) << c.name << ", one thread";
    }
}

// Four neighbouring movable bodies advance together, one vector operation serving several of
// them; a body advanced alone (here behind a fixed body, which shifts every body to other
// neighbours) must come out with the same bits.
TEST(SchedulerLanes, ABodyMovesTheSameWhateverItsNeighbours) {
    auto run = [](bool behindAFixedBody) {
        CScene scene;
        if (behindAFixedBody) {
            auto* fixed = scene.Create<CObjBox>("fixed");
            fixed->MakeModel();
            fixed->RHO = -1;
        }
        std::vector<CObj*> pushed;
        for (int i = 0; i < 5; ++i) {
            auto* b = scene.Create<testing::PushedBox>("pushed");
            b->widthX = 1 + 0.1 * i, b->widthY = 2, b->widthZ = 3 - 0.2 * i;
            b->MakeModel();
            b->force = {0.3 * i, -1, 2};
            b->torque = {1, 0.5 * i, -0.25};
            b->SetPosition(i, 0, 1);
            b->SetVelocity(0.1, 0.2 * i, 0);
            b->SetAngularVelocity(0.5, -0.1 * i, 0.3);
            b->SetAngle(0.1 * i, 0.2, 0);
            pushed.push_back(b);
        }
        CScheduler scheduler(scene);
        for (int f = 0; f < 3; ++f) scheduler.RunSimulationFrame();
        std::vector<double> out;
        for (const CObj* b : pushed) {
            for (const Vec3& v : {b->GetPosition(), b->GetVelocity(), b->GetAngularVelocity(),
                                  b->BodyAxis(0, 0), b->BodyAxis(0, 1), b->BodyAxis(0, 2)})
                out.insert(out.end(), {v.x, v.y, v.z});
        }
        return out;
    };
    const std::vector<double> together = run(false), alone = run(true);
    EXPECT_NE(together[0], 0);  // they moved
    EXPECT_EQ(together, alone);
}

}  // namespace
}  // namespace korvan
