#pragma once
// CScheduler: advances the scene by one displayed frame, on the main thread and the calculation
// threads together.
//
// A frame is trunc(frameTime / timeStep) sub-steps (100 at the nominal settings). A sub-step is
// the control pass (only on every candidatePeriod-th sub-step, counted afresh each frame) and the
// four Runge-Kutta stages, each a force phase and an integration phase:
//
//     sub-step i:  [C0 C1]  F0 I0  F1 I1  F2 I2  F3 I3        C0 BeginControlPass  C1 ControlPass
//                                                              Fj ClearStageForces + ComputeStageForces
//                                                              Ij GatherContactReactions +
//                                                                 IntegrateBlock(j) + UpdateJoinPoints(j+1
//                                                                 mod 4), four neighbours at a time,
//                                                                 the last block first
//                                                              C0 has a phase of its own only in sub-step 0;
//                                                              later ones run in I3 of the sub-step before
//     end of frame: CheckJoinBreaks on every body (main thread), CurTime += frameTime
//
// The main thread posts the frame once; every thread then runs all sub-steps over its own range
// (T = 1 for a scene of fewer than minBodiesPerThread bodies per thread):
//
//     main (t = 0)   --post frame--> share 0: sub-step 0 .. n-1 ------------ wait all done
//     worker t       poll..........  share t: sub-step 0 .. n-1 --> state = 0
//
// Who does what, and who writes what:
// - The main thread runs RunSimulationFrame, thread 0's share and every CheckJoinBreaks call.
//   Before the sub-steps it links every body to the bodies that may touch it (contactSources) and
//   marks the border bodies. It alone writes the settings, the ranges and the clock, and only
//   while no share runs. What it writes of the bodies it writes only when the value changes.
// - Each thread keeps the same bodies through the whole frame, whole motion blocks of four bodies
//   balanced by each body's measured cost of a stage (calcCost + stepCost, set once per frame),
//   so that a body's lines and its block stay in one core's cache. A line the main thread wrote
//   between two frames would have to come back to that cache (a sixth of a microsecond each on
//   the machines measured), so each thread links its bodies' connection records to their mirrors
//   at the start of its share and unlinks them at its end. In scenes of a few hundred bodies and
//   more, the loops prefetch the next bodies' lines.
// - Each per-body operation writes only its own body. A force phase reads the partner bodies'
//   stage state; what one body does to another is kept in its own crash-point records, and after
//   the force phase the touched body gathers it itself, sources in index order. Each body's work
//   is therefore the same whichever thread does it: 1, 2 or 8 threads give bit-identical states.
// - A body is a border body when it exchanges anything with a body of another thread: it reads
//   that body's state or connection points (unless that one stands still), or gathers its
//   reactions, or the other way round. Only border bodies wait for other threads within a stage;
//   the interior runs on (see RunShare).
// - The waits are the `pointsPassed` counts of the thread records (see CalcThreads.h): release when a
//   point is passed, acquire when it is seen. No locks; nothing blocks.
//
// Every hundredth stage of a thread times each block's forces into its bodies' calcCost and each
// block's integration into their stepCost, a block's time shared by its bodies; the costs balance
// the next frame, which keeps its split unless that is clearly uneven (SplitWorthMoving). A thread
// waits only at the end of its share's stage work, forces and integration together, so both
// count. While the CPU meter is shown each thread adds the time it spends working (its share of
// the frame less the waits that had to poll) to its record's busyTime, which the main thread
// copies to threadBusyTime after the frame: a table of all threads' times would be one cache line
// written by every thread.
// Nothing in the sub-step loop allocates: the records, ranges and timing tables are sized when
// the threads start, the border marks before the frame.
#include <vector>

#include "sim/CalcThreads.h"
#include "sim/MotionBlock.h"

namespace korvan {

class CObj;
class CScene;

// Thread-count settings (settings-file keys) and the processor count measured at start-up.
struct ThreadSettings {
    int ENV_CUR_CPUS_MODE = 3;     // 0 measured at start-up, 1 single, 2 given number, 3 processors / 2 - 1
    int ENV_CUR_CPUS_NUM = 1;      // count for mode 2
    int ENV_OPTIMIZED_CORES = -1;  // count found by the start-up benchmark
    int logicalProcessorCount = 1;
};

// The thread count the settings ask for, capped at logicalProcessorCount; `current` is kept for an
// unknown mode.
int ChooseThreadCount(const ThreadSettings& settings, int current);
// Logical processors reported by the system (at least 1).
int DetectLogicalProcessorCount();

// Bodies [begin, end) of the scene.
struct ThreadRange {
    int begin = 0, end = 0;
};

// Splits bodies [0, n) into threadCount consecutive ranges of whole motion blocks (the last block
// may be short) of about equal summed cost (calcCost + stepCost): each block goes to the thread in whose part
// of the total S its middle falls, thread t's part ending at (t + 1) S / threadCount (a middle on the border
// belongs to t). With every cost 0 thread 0 takes every body.
void BalanceThreadRanges(const CScene& scene, int threadCount, ThreadRange* ranges);

// The measured costs vary by a few per cent from frame to frame, and a block that changes threads
// has to bring its lines into another core's cache: a split keeps its blocks unless the busiest
// thread of the balanced split has this much less to do.
inline constexpr double kSplitTolerance = 0.02;

// Whether the frame should take the `balanced` split (from BalanceThreadRanges) instead of the
// `current` one: the current one does not cover bodies [0, n) in consecutive ranges of whole
// blocks, or its busiest thread has more than kSplitTolerance more cost than the balanced one's.
bool SplitWorthMoving(const CScene& scene, int threadCount, const ThreadRange* current,
                      const ThreadRange* balanced);

// Sets every body's calcThread from the ranges and marks in `border`, by body index, the bodies
// that exchange anything with a body of another range (see the notes above); no border with one
// thread.
void MarkBorderBodies(CScene& scene, int threadCount, const ThreadRange* ranges, std::vector<char>& border);

// What the scheduler needs from the recorder: its state (0 idle, 1 recording, above 1 playing
// back) and the step that stores one simulated frame while recording.
class RecorderHook {
  public:
    virtual ~RecorderHook() = default;
    virtual int RecorderState() const = 0;
    virtual void RecordFrame() = 0;
};

class CScheduler final : private PhaseShare {
  public:
    explicit CScheduler(CScene& scene);
    CScheduler(const CScheduler&) = delete;
    CScheduler& operator=(const CScheduler&) = delete;
    ~CScheduler() override;

    ThreadSettings threadSettings;
    bool cpuMeterShown = false;  // display flag RANK: fill threadBusyTime
    // A scene of fewer bodies than this per thread runs on the main thread alone: each thread's
    // share of a phase would take less time than handing the phase over (about two motion blocks
    // of free boxes on the machines measured). Results are the same either way.
    int minBodiesPerThread = 2 * kMotionLanes;

    // Frame timings (s) for the CPU meter and the benchmark.
    double calcTime = 0;  // wall time of the last RunSimulationFrame
    double frameStartTime = 0, frameEndTime = 0;
    double ThreadBusyTime(int t) const { return threadBusyTime_[static_cast<std::size_t>(t)]; }

    // Null means no recorder: always idle.
    void SetRecorder(RecorderHook* recorder) { recorder_ = recorder; }

    // Advances the scene by one frame (main thread).
    void RunSimulationFrame();

    // calcThreadCount from the thread settings, then restart the threads.
    void ApplyThreadSetting();
    // Starts calcThreadCount - 1 workers (stopping running ones first) / stops them all.
    void StartCalcThreads();
    void StopCalcThreads();

    // Threads the next frame runs on: 1, or the running pool when calcThreadCount asks for more and
    // the scene has minBodiesPerThread bodies for each of them.
    int FrameThreadCount() const;
    int RangeStart(int t) const { return ranges_[static_cast<std::size_t>(t)].begin; }
    int RangeEnd(int t) const { return ranges_[static_cast<std::size_t>(t)].end; }

  private:
    CScene& scene_;
    CalcThreads threads_;
    RecorderHook* recorder_ = nullptr;
    // Per-thread tables of the main thread, sized when the threads start: the split of the frame
    // (each thread reads its range from its own record), the balanced split it is compared with,
    // and the busy times of the last frame.
    std::vector<ThreadRange> ranges_, balanced_;
    std::vector<double> threadBusyTime_;
    bool measureBusyTime_ = false;  // cpuMeterShown, fixed for the frame
    bool prefetchAhead_ = false;    // the scene is too large for one sweep to stay in the cache

    // The border marks of the frame by body index, and the blocks that hold a border body.
    std::vector<char> bodyBorder_;
    std::vector<char> blockBorder_;
    int frameThreadCount_ = 1;

    enum class BlockPart { kInterior, kBorder };

    void SizeThreadTables(int threadCount);
    // The frame's thread count and ranges.
    void SplitFrame();
    void MarkBorderBlocks();
    bool RangeHasBorder(const ThreadRange& range) const;
    void RunFrameSerial();
    void RunFrameParallel();

    // The frame's sub-steps over the share of `record`'s thread, timed while the meter is shown.
    void RunShare(_DOONECALC& record) override;
    void RunSubSteps(_DOONECALC& record);
    // Signal / wait through the thread records; nothing to do on one thread.
    unsigned Signal(_DOONECALC& record);
    // `seen` is the least count of all threads the share last saw.
    void Wait(_DOONECALC& record, unsigned count, unsigned& seen);

    static ThreadRange ShareOf(const _DOONECALC& record, int bodyCount);
    bool InPart(const _DOONECALC& record, int first, BlockPart part) const;
    int RunOfPart(const _DOONECALC& record, int first, int end, BlockPart part) const;
    void RunBeginControlShare(const _DOONECALC& record);
    void RunControlShare(const _DOONECALC& record, BlockPart part);
    void RunForceShare(const _DOONECALC& record, int stage, BlockPart part, bool timeCosts);
    void ComputeForces(int first, int last, int end, int stage);
    void ComputeTimedForces(int first, int last, int stage);
    void RunIntegrationShare(const _DOONECALC& record, int stage, BlockPart part, bool beginControl,
                             bool timeCosts);
    void IntegrateTimedBlock(int first, int count, int stage, bool beginControl);
    void IntegrateBlock(int first, int count, int stage, bool beginControl);
    void RecordBlockCost(int first, int count, double seconds, double CObj::*cost);
};

}  // namespace korvan
