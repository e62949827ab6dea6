#pragma once
// The calculation threads: a fixed pool of workers that each spin on the state word of their own
// record and run their share of a frame whenever the main thread posts one.
//
// Record 0 belongs to the main thread, which has no thread handle and always does a share itself.
// Posting: the main thread writes what the frame needs (the ranges, the scene's settings) and then
// `state` = 1 into every worker's record (release); a worker that sees 1 (acquire) runs its share
// and writes `state` = 0 (release); the main thread goes on once it has seen 0 (acquire) in every
// record. Within the frame the threads meet through their `pointsPassed` counts: a thread counts a
// point of its share with Signal (release), and another that must not go on before that point
// waits with WaitFor until the count has come as far (acquire). A count once seen stays true, as
// the counts only grow: a thread may keep the least count it saw and look again only when it needs
// more. Every thread passes the same points in a frame, so the counts agree between frames. Nobody
// blocks: waiting is polling, with a short spin and then a yield between polls.
#include <atomic>
#include <memory>
#include <thread>

namespace korvan {

// One calculation thread's record. Aligned to a cache line so that spinning on one state word does
// not disturb the others. Everything a thread reads or writes of the scheduler during a frame is
// here: a line that two threads wrote would move between their caches at every phase.
struct alignas(64) _DOONECALC {
    int threadIndex = 0;  // t
    int passCount = 0;    // force phases this thread has started; paces the cost measurement
    int threadCount = 1;  // calcThreadCount when the record was made
    // The bodies [rangeBegin, rangeEnd) of this thread's share in every phase of a frame, set by
    // the main thread before the frame.
    int rangeBegin = 0, rangeEnd = 0;
    bool rangeHasBorder = false;  // some block of the range holds a border body (see CScheduler)
    double busyTime = 0;          // seconds working (not waiting) this frame, while the CPU meter is shown
    std::thread threadHandle;     // none for record 0
    std::atomic<int> state{0};    // kWorkPosted, kIdle (idle or done), kQuit
    // Points of the frames' shares this thread has passed since the pool started.
    std::atomic<unsigned> pointsPassed{0};
};
static_assert(sizeof(_DOONECALC) == 64, "a thread's record is one cache line");

inline constexpr int kIdle = 0;
inline constexpr int kWorkPosted = 1;
inline constexpr int kQuit = -1;

// The work of one frame for the thread that owns a record; the scheduler provides it.
class PhaseShare {
  public:
    virtual ~PhaseShare() = default;
    virtual void RunShare(_DOONECALC& record) = 0;
};

// Worker loop: poll until the state word says quit; run the share whenever work is posted.
void CalcThreadMain(_DOONECALC* record, PhaseShare* share);

class CalcThreads {
  public:
    CalcThreads() = default;
    CalcThreads(const CalcThreads&) = delete;
    CalcThreads& operator=(const CalcThreads&) = delete;
    ~CalcThreads() { Stop(); }

    // Makes threadCount records (at least one) and starts a worker for records 1..threadCount-1.
    // Threads that are still running are stopped first.
    void Start(int threadCount, PhaseShare& share);
    // Asks every worker to quit, waits for each without a time-out and frees the records.
    void Stop();

    int Count() const { return count_; }
    _DOONECALC& Record(int t) { return records_[static_cast<std::size_t>(t)]; }

    // Posts a frame to the workers, runs record 0's share on the calling (main) thread and returns
    // once every worker has finished its share.
    void RunFrame();
    // Counts the next point of the share of `record`'s thread; returns the count that point has.
    static unsigned Signal(_DOONECALC& record);
    // Whether a thread that has passed `passed` points has passed the point counted `count`. The
    // counts wrap around together, so it is the difference that says.
    static bool Reached(unsigned passed, unsigned count) { return static_cast<int>(passed - count) >= 0; }
    // The count of the thread of threads 0..threadCount-1 that has passed the fewest points.
    unsigned LeastPassed(int threadCount);
    // Returns LeastPassed once it has reached `count`.
    unsigned WaitFor(unsigned count, int threadCount);

  private:
    std::unique_ptr<_DOONECALC[]> records_;
    int count_ = 0;
    PhaseShare* share_ = nullptr;
};

}  // namespace korvan
