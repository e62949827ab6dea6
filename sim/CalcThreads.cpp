#include "sim/CalcThreads.h"

namespace korvan {

namespace {

// Polls that only pause the processor before each yield. A share of a phase usually ends within
// a microsecond of the others, much sooner than a yield comes back, so a short spin keeps the
// barrier latency low; past it the thread gives its core away, as it must when the machine has
// fewer free cores than calculation threads.
constexpr int kSpinPolls = 64;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Between two polls of a state word.
void PollPause(int& polls) {
    if (++polls < kSpinPolls) {
        CpuRelax();
    } else {
        polls = 0;
        std::this_thread::yield();
    }
}

}  // namespace

void CalcThreadMain(_DOONECALC* record, PhaseShare* share) {
    int polls = 0;
    for (;;) {
        const int state = record->state.load(std::memory_order_acquire);
        if (state == kQuit) return;
        if (state != kWorkPosted) {
            PollPause(polls);
            continue;
        }
        polls = 0;
        share->RunShare(*record);
        // Only "posted" becomes "done": a quit request is never overwritten.
        int expected = kWorkPosted;
        record->state.compare_exchange_strong(expected, kIdle, std::memory_order_release,
                                              std::memory_order_relaxed);
    }
}

void CalcThreads::Start(int threadCount, PhaseShare& share) {
    Stop();
    count_ = threadCount < 1 ? 1 : threadCount;
    share_ = &share;
    records_ = std::make_unique<_DOONECALC[]>(static_cast<std::size_t>(count_));
    for (int t = 0; t < count_; ++t) {
        _DOONECALC& r = Record(t);
        r.threadIndex = t, r.threadCount = count_, r.passCount = 0;
        r.state.store(kIdle, std::memory_order_relaxed);
        r.pointsPassed.store(0, std::memory_order_relaxed);
    }
    for (int t = 1; t < count_; ++t) Record(t).threadHandle = std::thread(CalcThreadMain, &Record(t), share_);
}

void CalcThreads::Stop() {
    for (int t = 0; t < count_; ++t) {
        _DOONECALC& r = Record(t);
        if (!r.threadHandle.joinable()) continue;
        r.state.store(kQuit, std::memory_order_release);
        r.threadHandle.join();
    }
    records_.reset();
    count_ = 0;
}

void CalcThreads::RunFrame() {
    for (int t = 1; t < count_; ++t) Record(t).state.store(kWorkPosted, std::memory_order_release);
    share_->RunShare(Record(0));
    int polls = 0;
    for (int t = 1; t < count_; ++t)
        while (Record(t).state.load(std::memory_order_acquire) != kIdle) PollPause(polls);
}

unsigned CalcThreads::Signal(_DOONECALC& record) {
    // Only the owner writes its count.
    const unsigned count = record.pointsPassed.load(std::memory_order_relaxed) + 1;
    record.pointsPassed.store(count, std::memory_order_release);
    return count;
}

unsigned CalcThreads::LeastPassed(int threadCount) {
    unsigned least = Record(0).pointsPassed.load(std::memory_order_acquire);
    for (int t = 1; t < threadCount; ++t) {
        const unsigned passed = Record(t).pointsPassed.load(std::memory_order_acquire);
        if (!Reached(passed, least)) least = passed;
    }
    return least;
}

unsigned CalcThreads::WaitFor(unsigned count, int threadCount) {
    int polls = 0;
    unsigned least;
    while (!Reached(least = LeastPassed(threadCount), count)) PollPause(polls);
    return least;
}

}  // namespace korvan
