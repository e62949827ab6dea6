#include "sim/Scheduler.h"

#include <algorithm>
#include <thread>

#include "base/Clock.h"
#include "sim/Accuracy.h"
#include "sim/Scene.h"

namespace korvan {

namespace {

constexpr int kCostPassPeriod = 100;  // every hundredth pass of a thread times its bodies
// A few hundred bodies stay in the cache from one sweep to the next; from this many on, the phase
// loops ask for the next bodies' lines ahead of their visit.
constexpr int kPrefetchFromBodies = 300;
// passCount wraps here (a multiple of the period) instead of overflowing in a long session.
constexpr int kPassCountWrap = 1000000 * kCostPassPeriod;

// A reading can only come out too long (an interrupt, the thread sent off its core), never too
// short. So a body takes its new time, but at most twice its last one: a stray reading moves the
// balance little, while a lasting change of cost is followed within a few timed passes.
double FilteredCost(double last, double measured) {
    return last > 0 ? std::min(measured, 2 * last) : measured;
}

}  // namespace

// ---- Thread settings -----------------------------------------------------------------------

int ChooseThreadCount(const ThreadSettings& s, int current) {
    int count;
    switch (s.ENV_CUR_CPUS_MODE) {
        case 0:
            count = s.ENV_OPTIMIZED_CORES;
            break;
        case 1:
            count = 1;
            break;
        case 2:
            count = s.ENV_CUR_CPUS_NUM;
            break;
        case 3:
            count = s.logicalProcessorCount / 2 >= 2 ? s.logicalProcessorCount / 2 - 1 : 1;
            break;
        default:
            count = current;
            break;
    }
    count = std::max(count, 1);
    return std::min(std::max(s.logicalProcessorCount, 1), count);
}

int DetectLogicalProcessorCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void BalanceThreadRanges(const CScene& scene, int threadCount, ThreadRange* ranges) {
    const int n = scene.Count();
    auto costOf = [&](int begin, int end) {
        double sum = 0;
        for (int i = begin; i < end; ++i) sum += scene.Body(i)->calcCost;
        return sum;
    };
    const double total = costOf(0, n);
    int i = 0;
    double running = 0;
    for (int t = 0; t < threadCount; ++t) {
        ranges[t].begin = i;
        const double threshold = (t + 1) * total / threadCount;
        for (; i < n; i += kMotionLanes) {
            const double block = costOf(i, std::min(i + kMotionLanes, n));
            if (running + block / 2 > threshold) break;
            running += block;
        }
        ranges[t].end = std::min(i, n);
        i = ranges[t].end;
    }
    ranges[0].begin = 0;
    ranges[threadCount - 1].end = n;
}

// ---- Lifecycle -------------------------------------------------------------------------------

CScheduler::CScheduler(CScene& scene) : scene_(scene) {
    SizeThreadTables(1);
}

CScheduler::~CScheduler() {
    StopCalcThreads();
}

void CScheduler::SizeThreadTables(int threadCount) {
    auto size = static_cast<std::size_t>(std::max({threadCount, threadSettings.logicalProcessorCount, 1}));
    ranges_.assign(size, {});
    threadBusyTime_.assign(size, 0.0);
}

void CScheduler::ApplyThreadSetting() {
    StopCalcThreads();
    scene_.settings.calcThreadCount = ChooseThreadCount(threadSettings, scene_.settings.calcThreadCount);
    StartCalcThreads();
}

void CScheduler::StartCalcThreads() {
    const int count = std::max(scene_.settings.calcThreadCount, 1);
    threads_.Stop();
    SizeThreadTables(count);
    threads_.Start(count, *this);
}

void CScheduler::StopCalcThreads() {
    threads_.Stop();
}

int CScheduler::FrameThreadCount() const {
    const int pool = threads_.Count();
    const bool worthIt = scene_.Count() >= static_cast<long long>(minBodiesPerThread) * pool;
    return scene_.settings.calcThreadCount >= 2 && pool >= 2 && worthIt ? pool : 1;
}

// ---- The frame -------------------------------------------------------------------------------

void CScheduler::RunSimulationFrame() {
    if (recorder_ && recorder_->RecorderState() > 1) return;  // playing back: time stands still

    SimSettings& settings = scene_.settings;
    settings.timeStep = TimeStepFor(settings.accuracy, settings.loadReduction);
    settings.frameTime = 1.0 / settings.framesPerSecond;

    const int threadCount = FrameThreadCount();
    BalanceThreadRanges(scene_, threadCount, ranges_.data());
    scene_.LinkContactSources();
    for (int i = 0; i < scene_.Count(); ++i) {
        scene_.Body(i)->LinkJoins();
        scene_.Body(i)->PrepareIntegration();
    }
    measureBusyTime_ = cpuMeterShown;
    prefetchAhead_ = scene_.Count() >= kPrefetchFromBodies;
    std::fill(threadBusyTime_.begin(), threadBusyTime_.end(), 0.0);

    frameStartTime = NowSeconds();
    if (threadCount < 2)
        RunSubStepsSerial();
    else
        RunSubStepsParallel(threadCount);
    for (int i = 0; i < scene_.Count(); ++i) scene_.Body(i)->UnlinkJoins();
    for (int i = 0; i < scene_.Count(); ++i) scene_.Body(i)->CheckJoinBreaks();
    frameEndTime = NowSeconds();
    calcTime = frameEndTime - frameStartTime;

    // The sub-steps cover trunc(frameTime / timeStep) steps, possibly a little less than the
    // frame; the clock still advances by a whole frame.
    settings.CurTime += settings.frameTime;
    if (recorder_ && recorder_->RecorderState() == 1) recorder_->RecordFrame();
}

// The loop both variants share; runPhase(k, j, begin) runs phase k of stage j on every thread and
// returns after the barrier. BeginControlPass touches only its own body and nothing another body
// reads while integrating, so a body begins the next sub-step's control pass right after its last
// integration; only the frame's first control pass needs a phase of its own.
template <class RunPhase>
void CScheduler::RunSubSteps(RunPhase&& runPhase) {
    const SimSettings& settings = scene_.settings;
    const int subSteps = SubStepCount(settings.frameTime, settings.timeStep);
    const int period = std::max(settings.candidatePeriod, 1);
    for (int i = 0; i < subSteps; ++i) {
        if (i % period == 0) {
            if (i == 0) runPhase(0, -1, false);
            runPhase(1, -1, false);
        }
        for (int j = 0; j < 4; ++j) {
            runPhase(0, j, false);
            runPhase(1, j, j == 3 && i + 1 < subSteps && (i + 1) % period == 0);
        }
    }
}

// One thread: a record made afresh every frame, so its pass count restarts at 0.
void CScheduler::RunSubStepsSerial() {
    _DOONECALC record;
    record.threadIndex = 0;
    record.threadCount = 1;
    record.rangeBegin = ranges_[0].begin, record.rangeEnd = ranges_[0].end;
    RunSubSteps([&](int phase, int stage, bool beginControl) {
        record.phase = phase, record.stage = stage, record.beginControl = beginControl;
        RunShare(record);
    });
    threadBusyTime_[0] = record.busyTime;
}

void CScheduler::RunSubStepsParallel(int threadCount) {
    for (int t = 0; t < threadCount; ++t) {
        _DOONECALC& record = threads_.Record(t);
        const ThreadRange& range = ranges_[static_cast<std::size_t>(t)];
        record.rangeBegin = range.begin, record.rangeEnd = range.end;
        record.busyTime = 0;
    }
    RunSubSteps(
        [&](int phase, int stage, bool beginControl) { threads_.RunPhase(phase, stage, beginControl); });
    for (int t = 0; t < threadCount; ++t)
        threadBusyTime_[static_cast<std::size_t>(t)] = threads_.Record(t).busyTime;
}

// ---- One thread's share of a phase -------------------------------------------------------------

ThreadRange CScheduler::ShareOf(const _DOONECALC& record, int bodyCount) {
    return {std::min(record.rangeBegin, bodyCount), std::min(record.rangeEnd, bodyCount)};
}

void CScheduler::RunShare(_DOONECALC& record) {
    const bool timeCosts = record.passCount % kCostPassPeriod == 0;
    record.passCount = (record.passCount + 1) % kPassCountWrap;
    const double start = measureBusyTime_ ? NowSeconds() : 0;
    const int bodyCount = scene_.Count();

    if (record.stage < 0)
        RunControlShare(record, bodyCount);
    else if (record.phase == 0)
        RunForceShare(record, bodyCount, timeCosts);
    else
        RunIntegrationShare(record, bodyCount);

    if (measureBusyTime_) record.busyTime += NowSeconds() - start;
}

void CScheduler::RunControlShare(const _DOONECALC& record, int bodyCount) {
    const auto [begin, end] = ShareOf(record, bodyCount);
    for (int i = begin; i < end; ++i) {
        if (record.phase == 0)
            scene_.Body(i)->BeginControlPass();
        else
            scene_.Body(i)->ControlPass();
    }
}

void CScheduler::RunForceShare(const _DOONECALC& record, int bodyCount, bool timeCosts) {
    const auto [begin, end] = ShareOf(record, bodyCount);
    const int stage = record.stage;
    // A body's forces read no other body's accumulators, so each body clears and computes in one
    // visit while its state is in the cache.
    if (!timeCosts) {
        for (int i = begin; i < end; ++i) {
            if (prefetchAhead_) {
                if (i + 2 < end) scene_.Body(i + 2)->PrefetchPhaseData();
                if (i + 1 < end) {
                    scene_.Body(i + 1)->PrefetchJoinRecords();
                    scene_.Body(i + 1)->PrefetchContactRecords();
                }
            }
            CObj* body = scene_.Body(i);
            body->ClearStageForces(stage);
            body->ComputeStageForces(stage);
        }
        return;
    }
    // One clock reading per body: each reading ends one body's time and starts the next one's.
    for (int i = begin; i < end; ++i) scene_.Body(i)->ClearStageForces(stage);
    double last = NowSeconds();
    for (int i = begin; i < end; ++i) {
        CObj* body = scene_.Body(i);
        body->ComputeStageForces(stage);
        const double now = NowSeconds();
        body->calcCost = FilteredCost(body->calcCost, now - last);
        last = now;
    }
}

// The share starts at a motion block, so that neighbours advance together and no two threads write
// one block. The blocks are taken from the last to the first: each sweep over the bodies then
// starts on the lines the sweep before it ended with, which are still in the cache even when the
// whole share does not fit. (The order of bodies within a phase does not change any result.)
void CScheduler::RunIntegrationShare(const _DOONECALC& record, int bodyCount) {
    const auto [begin, end] = ShareOf(record, bodyCount);
    const int stage = record.stage;
    if (end <= begin) return;
    for (int first = begin + (end - begin - 1) / kMotionLanes * kMotionLanes; first >= begin;
         first -= kMotionLanes) {
        const int count = std::min(kMotionLanes, end - first);
        if (prefetchAhead_)
            for (int i = std::max(first - kMotionLanes, begin); i < first; ++i) {
                scene_.Body(i)->PrefetchPhaseData();
                scene_.Body(i)->PrefetchJoinRecords();
            }
        CObj* bodies[kMotionLanes];
        for (int k = 0; k < count; ++k) {
            bodies[k] = scene_.Body(first + k);
            bodies[k]->GatherContactReactions();
        }
        if (count == kMotionLanes)
            CObj::IntegrateBlock(bodies, stage);
        else
            for (int k = 0; k < count; ++k) bodies[k]->IntegrateStage(stage);
        for (int k = 0; k < count; ++k) {
            bodies[k]->UpdateJoinPoints((stage + 1) % 4);
            if (record.beginControl) bodies[k]->BeginControlPass();
        }
    }
}

}  // namespace korvan
