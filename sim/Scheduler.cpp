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

namespace {

double RangeCost(const CScene& scene, const ThreadRange& range) {
    double sum = 0;
    for (int i = range.begin; i < range.end; ++i) sum += scene.Body(i)->calcCost + scene.Body(i)->stepCost;
    return sum;
}

double BusiestRangeCost(const CScene& scene, int threadCount, const ThreadRange* ranges) {
    double busiest = 0;
    for (int t = 0; t < threadCount; ++t) busiest = std::max(busiest, RangeCost(scene, ranges[t]));
    return busiest;
}

}  // namespace

void BalanceThreadRanges(const CScene& scene, int threadCount, ThreadRange* ranges) {
    const int n = scene.Count();
    const double total = RangeCost(scene, {0, n});
    int i = 0;
    double running = 0;
    for (int t = 0; t < threadCount; ++t) {
        ranges[t].begin = i;
        const double threshold = (t + 1) * total / threadCount;
        for (; i < n; i += kMotionLanes) {
            const double block = RangeCost(scene, {i, std::min(i + kMotionLanes, n)});
            if (running + block / 2 > threshold) break;
            running += block;
        }
        ranges[t].end = std::min(i, n);
        i = ranges[t].end;
    }
    ranges[0].begin = 0;
    ranges[threadCount - 1].end = n;
}

bool SplitWorthMoving(const CScene& scene, int threadCount, const ThreadRange* current,
                      const ThreadRange* balanced) {
    if (current[0].begin != 0 || current[threadCount - 1].end != scene.Count()) return true;
    for (int t = 0; t < threadCount; ++t) {
        const ThreadRange& r = current[t];
        if (r.begin > r.end || (t > 0 && r.begin != current[t - 1].end) || r.begin % kMotionLanes != 0)
            return true;
    }
    return BusiestRangeCost(scene, threadCount, balanced) * (1 + kSplitTolerance) <
           BusiestRangeCost(scene, threadCount, current);
}

namespace {

// The bodies whose state body b's stage work reads: its connection partners and the bodies its
// crash points may touch, unless these stand still. (A movable body also gathers the reactions of
// its contact sources; each of them reads it through a collision definition, so visiting the
// sources marks that pair already.)
template <class Visit>
void VisitExchanges(const CObj& b, Visit&& visit) {
    for (const _JOININFO& j : b.joins)
        if (j.partner && !j.partner->StandsStill()) visit(j.partner);
    for (const _INTRACT& definition : b.interactions)
        if (definition.other && !definition.other->StandsStill()) visit(definition.other);
}

}  // namespace

// The marks go into a table of the scheduler's, not into the bodies: a body's lines are in the
// cache of the thread that runs it.
void MarkBorderBodies(CScene& scene, int threadCount, const ThreadRange* ranges, std::vector<char>& border) {
    border.assign(static_cast<std::size_t>(scene.Count()), 0);
    for (int t = 0; t < threadCount; ++t)
        for (int i = ranges[t].begin; i < ranges[t].end; ++i) StoreIfChanged(scene.Body(i)->calcThread, t);
    if (threadCount >= 2)
        for (int i = 0; i < scene.Count(); ++i) {
            const CObj* b = scene.Body(i);
            VisitExchanges(*b, [&](const CObj* other) {
                if (other->calcThread == b->calcThread) return;
                border[static_cast<std::size_t>(i)] = 1;
                const int k = scene.PositionOf(other);
                if (k >= 0) border[static_cast<std::size_t>(k)] = 1;
            });
        }
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
    balanced_.assign(size, {});
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

    SplitFrame();
    scene_.LinkContactSources();
    for (int i = 0; i < scene_.Count(); ++i) scene_.Body(i)->PrepareIntegration();
    MarkBorderBodies(scene_, frameThreadCount_, ranges_.data(), bodyBorder_);
    MarkBorderBlocks();
    measureBusyTime_ = cpuMeterShown;
    prefetchAhead_ = scene_.Count() >= kPrefetchFromBodies;
    std::fill(threadBusyTime_.begin(), threadBusyTime_.end(), 0.0);

    frameStartTime = NowSeconds();
    if (frameThreadCount_ < 2)
        RunFrameSerial();
    else
        RunFrameParallel();
    for (int i = 0; i < scene_.Count(); ++i) scene_.Body(i)->FinishIntegration();
    for (int i = 0; i < scene_.Count(); ++i) scene_.Body(i)->CheckJoinBreaks();
    frameEndTime = NowSeconds();
    calcTime = frameEndTime - frameStartTime;

    // The sub-steps cover trunc(frameTime / timeStep) steps, possibly a little less than the
    // frame; the clock still advances by a whole frame.
    settings.CurTime += settings.frameTime;
    if (recorder_ && recorder_->RecorderState() == 1) recorder_->RecordFrame();
}

void CScheduler::SplitFrame() {
    const int previousCount = frameThreadCount_;
    frameThreadCount_ = FrameThreadCount();
    BalanceThreadRanges(scene_, frameThreadCount_, balanced_.data());
    if (frameThreadCount_ != previousCount ||
        SplitWorthMoving(scene_, frameThreadCount_, ranges_.data(), balanced_.data()))
        std::copy_n(balanced_.begin(), frameThreadCount_, ranges_.begin());
}

void CScheduler::MarkBorderBlocks() {
    const int n = scene_.Count();
    blockBorder_.assign(static_cast<std::size_t>((n + kMotionLanes - 1) / kMotionLanes), 0);
    for (int i = 0; i < n; ++i)
        if (bodyBorder_[static_cast<std::size_t>(i)] != 0)
            blockBorder_[static_cast<std::size_t>(i / kMotionLanes)] = 1;
}

bool CScheduler::RangeHasBorder(const ThreadRange& range) const {
    for (int first = range.begin; first < range.end; first += kMotionLanes)
        if (blockBorder_[static_cast<std::size_t>(first / kMotionLanes)] != 0) return true;
    return false;
}

// One thread: a record made afresh every frame, so its pass count restarts at 0.
void CScheduler::RunFrameSerial() {
    _DOONECALC record;
    record.threadIndex = 0;
    record.threadCount = 1;
    record.rangeBegin = ranges_[0].begin, record.rangeEnd = ranges_[0].end;
    record.rangeHasBorder = false;
    RunShare(record);
    threadBusyTime_[0] = record.busyTime;
}

void CScheduler::RunFrameParallel() {
    for (int t = 0; t < frameThreadCount_; ++t) {
        _DOONECALC& record = threads_.Record(t);
        const ThreadRange& range = ranges_[static_cast<std::size_t>(t)];
        record.rangeBegin = range.begin, record.rangeEnd = range.end;
        record.rangeHasBorder = RangeHasBorder(range);
        record.busyTime = 0;
    }
    threads_.RunFrame();
    for (int t = 0; t < frameThreadCount_; ++t)
        threadBusyTime_[static_cast<std::size_t>(t)] = threads_.Record(t).busyTime;
}

// ---- One thread's share of a frame -------------------------------------------------------------

// Every thread goes through the sub-steps over its own range. BeginControlPass touches only its
// own body and nothing another body reads while integrating, so a body begins the next sub-step's
// control pass right after its last integration; only the frame's first control pass needs a
// phase of its own. Only the border bodies wait, and only where another thread's border must have
// come as far:
//
//     control pass of the interior  (it reads bodies of this thread only)
//     wait: every border integrated          control pass of the border, Signal
//     forces of the interior
//     wait: every border integrated or through its control pass    forces of the border, Signal
//     integration of the interior  (nothing of theirs is read or gathered by another thread)
//     wait: every border's forces of this stage computed   integration of the border, Signal
//
// (the control pass of a body reads the committed state and the records of the bodies it exchanges
// with, and they read its contacts and points in their next force phase and gather), so a thread
// that finishes its part early goes on with its interior instead of waiting, and a thread without
// border bodies runs through the frame without waiting at all.
void CScheduler::RunShare(_DOONECALC& record) {
    const double start = measureBusyTime_ ? NowSeconds() : 0;
    const auto [begin, end] = ShareOf(record, scene_.Count());
    for (int i = begin; i < end; ++i) scene_.Body(i)->LinkJoins();
    RunSubSteps(record);
    for (int i = begin; i < end; ++i) scene_.Body(i)->UnlinkJoins();
    // The waits took their own time off.
    if (measureBusyTime_) record.busyTime += NowSeconds() - start;
}

void CScheduler::RunSubSteps(_DOONECALC& record) {
    const SimSettings& settings = scene_.settings;
    const int subSteps = SubStepCount(settings.frameTime, settings.timeStep);
    const int period = std::max(settings.candidatePeriod, 1);
    // Every thread has passed the end of the last frame.
    unsigned integrated = record.pointsPassed.load(std::memory_order_relaxed);
    unsigned seen = integrated;  // the least count of all threads, as last looked at
    for (int i = 0; i < subSteps; ++i) {
        if (i % period == 0) {
            if (i == 0) {
                RunBeginControlShare(record);
                integrated = Signal(record);
            }
            RunControlShare(record, BlockPart::kInterior);
            if (record.rangeHasBorder) {
                Wait(record, integrated, seen);
                RunControlShare(record, BlockPart::kBorder);
            }
            integrated = Signal(record);
        }
        for (int j = 0; j < 4; ++j) {
            const bool beginControl = j == 3 && i + 1 < subSteps && (i + 1) % period == 0;
            const bool timeCosts = record.passCount % kCostPassPeriod == kCostPassPeriod / 2;
            record.passCount = (record.passCount + 1) % kPassCountWrap;
            RunForceShare(record, j, BlockPart::kInterior, timeCosts);
            if (record.rangeHasBorder) {
                Wait(record, integrated, seen);
                RunForceShare(record, j, BlockPart::kBorder, timeCosts);
            }
            const unsigned forced = Signal(record);
            RunIntegrationShare(record, j, BlockPart::kInterior, beginControl, timeCosts);
            if (record.rangeHasBorder) {
                Wait(record, forced, seen);
                RunIntegrationShare(record, j, BlockPart::kBorder, beginControl, timeCosts);
            }
            integrated = Signal(record);
        }
    }
}

unsigned CScheduler::Signal(_DOONECALC& record) {
    return frameThreadCount_ > 1 ? CalcThreads::Signal(record) : 0;
}

// Each look at the other threads' counts fetches their lines from other cores, and a thread that
// the others wait for usually finds them a point ahead already: a wait that the count seen last
// covers looks at nothing. Clock readings are dear on some machines (two per phase took 7-10 % of
// a frame of two threads), so the meter reads the clock only for a wait that has to poll.
void CScheduler::Wait(_DOONECALC& record, unsigned count, unsigned& seen) {
    if (frameThreadCount_ < 2 || CalcThreads::Reached(seen, count)) return;
    seen = threads_.LeastPassed(frameThreadCount_);
    if (CalcThreads::Reached(seen, count)) return;
    const double start = measureBusyTime_ ? NowSeconds() : 0;
    seen = threads_.WaitFor(count, frameThreadCount_);
    if (measureBusyTime_) record.busyTime -= NowSeconds() - start;
}

ThreadRange CScheduler::ShareOf(const _DOONECALC& record, int bodyCount) {
    return {std::min(record.rangeBegin, bodyCount), std::min(record.rangeEnd, bodyCount)};
}

// A range without border bodies is all interior (and its border part is never run).
bool CScheduler::InPart(const _DOONECALC& record, int first, BlockPart part) const {
    if (!record.rangeHasBorder) return part == BlockPart::kInterior;
    return (blockBorder_[static_cast<std::size_t>(first / kMotionLanes)] != 0) ==
           (part == BlockPart::kBorder);
}

// The end of the run of `part` blocks that starts at body `first` (first itself when its block is
// not of that part).
int CScheduler::RunOfPart(const _DOONECALC& record, int first, int end, BlockPart part) const {
    if (!record.rangeHasBorder) return part == BlockPart::kInterior ? end : first;
    int last = first;
    while (last < end && InPart(record, last, part)) last += kMotionLanes;
    return std::min(last, end);
}

void CScheduler::RunBeginControlShare(const _DOONECALC& record) {
    const auto [begin, end] = ShareOf(record, scene_.Count());
    for (int i = begin; i < end; ++i) scene_.Body(i)->BeginControlPass();
}

void CScheduler::RunControlShare(const _DOONECALC& record, BlockPart part) {
    const auto [begin, end] = ShareOf(record, scene_.Count());
    for (int first = begin; first < end; first += kMotionLanes) {
        if (!InPart(record, first, part)) continue;
        for (int i = first; i < std::min(first + kMotionLanes, end); ++i) scene_.Body(i)->ControlPass();
    }
}

void CScheduler::RunForceShare(const _DOONECALC& record, int stage, BlockPart part, bool timeCosts) {
    const auto [begin, end] = ShareOf(record, scene_.Count());
    for (int first = begin; first < end;) {
        const int last = RunOfPart(record, first, end, part);
        if (last == first) {
            first += kMotionLanes;
            continue;
        }
        if (timeCosts)
            ComputeTimedForces(first, last, stage);
        else
            ComputeForces(first, last, end, stage);
        first = last;
    }
}

// A body's forces read no other body's accumulators, so each body clears and computes in one
// visit while its state is in the cache.
void CScheduler::ComputeForces(int first, int last, int end, int stage) {
    for (int i = first; i < last; ++i) {
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
}

// One clock reading per motion block, each ending one block's time and starting the next one's; the
// bodies of a block share its time, as in the integration. The split moves whole blocks, and a
// reading per body added the clock's own time to every body: on the machines measured as much as
// its forces, which hid the true differences between the bodies from the balance.
void CScheduler::ComputeTimedForces(int first, int last, int stage) {
    for (int i = first; i < last; ++i) scene_.Body(i)->ClearStageForces(stage);
    double lastReading = NowSeconds();
    for (int block = first; block < last; block += kMotionLanes) {
        const int end = std::min(block + kMotionLanes, last);
        for (int i = block; i < end; ++i) scene_.Body(i)->ComputeStageForces(stage);
        const double now = NowSeconds();
        RecordBlockCost(block, end - block, now - lastReading, &CObj::calcCost);
        lastReading = now;
    }
}

// The share starts at a motion block, so that neighbours advance together and no two threads write
// one block. The blocks are taken from the last to the first: each sweep over the bodies then
// starts on the lines the sweep before it ended with, which are still in the cache even when the
// whole share does not fit. (The order of bodies within a phase does not change any result.)
void CScheduler::RunIntegrationShare(const _DOONECALC& record, int stage, BlockPart part, bool beginControl,
                                     bool timeCosts) {
    const auto [begin, end] = ShareOf(record, scene_.Count());
    if (end > begin)
        for (int first = begin + (end - begin - 1) / kMotionLanes * kMotionLanes; first >= begin;
             first -= kMotionLanes) {
            if (!InPart(record, first, part)) continue;
            if (prefetchAhead_)
                for (int i = std::max(first - kMotionLanes, begin); i < first; ++i) {
                    scene_.Body(i)->PrefetchPhaseData();
                    scene_.Body(i)->PrefetchJoinRecords();
                }
            const int count = std::min(kMotionLanes, end - first);
            if (timeCosts)
                IntegrateTimedBlock(first, count, stage, beginControl);
            else
                IntegrateBlock(first, count, stage, beginControl);
        }
}

void CScheduler::IntegrateTimedBlock(int first, int count, int stage, bool beginControl) {
    const double start = NowSeconds();
    IntegrateBlock(first, count, stage, beginControl);
    RecordBlockCost(first, count, NowSeconds() - start, &CObj::stepCost);
}

// A block's time is shared by its bodies: a stage advances them together, and the split moves
// whole blocks.
void CScheduler::RecordBlockCost(int first, int count, double seconds, double CObj::*cost) {
    for (int i = first; i < first + count; ++i) {
        double& measured = scene_.Body(i)->*cost;
        measured = FilteredCost(measured, seconds / count);
    }
}

void CScheduler::IntegrateBlock(int first, int count, int stage, bool beginControl) {
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
        if (!bodies[k]->StandsStill()) bodies[k]->UpdateJoinPoints((stage + 1) % 4);
        if (beginControl) bodies[k]->BeginControlPass();
    }
}

}  // namespace korvan
