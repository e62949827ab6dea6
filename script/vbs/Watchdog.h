#pragma once
// Stopping a script from outside. The step budget, the time limit and an interrupt request end
// a run by a ScriptAbort, which is neither a ScriptException nor a std::exception: no
// "On Error Resume Next", no Err.Raise and no catch for host failures can produce or absorb it.
// The evaluator counts statements and loop turns (the steps) and asks the watchdog only every
// so many steps, so an unbounded run costs one comparison per step.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

struct WatchOptions {
    uint64_t stepBudget = 0;      // 0: no bound
    double timeLimitSeconds = 0;  // 0: no limit
    // Asked each time the limit is reached, with the seconds the script has run so far; true
    // grants another period of the same length. Unset: the run stops at the limit.
    std::function<bool(double elapsedSeconds)> keepWaiting;
    // Polled every few thousand steps; may be set from another thread or a signal handler.
    const std::atomic<bool>* interrupt = nullptr;
};

// Thrown through the evaluator to Interpreter::Run, which turns it into a ScriptError.
struct ScriptAbort {
    StopReason reason;
    int line = -1, column = -1;  // the statement that was running
};

class Watchdog {
  public:
    explicit Watchdog(WatchOptions options);
    // Counts one statement or loop turn; true when Check must run now.
    bool Due() { return ++steps_ >= nextCheck_; }
    // Throws ScriptAbort when the run must stop; otherwise schedules the next check.
    void Check();

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr uint64_t kCheckEvery = 4096;  // steps between looks at the clock and the flag
    void ScheduleNextCheck();

    WatchOptions options_;
    uint64_t steps_ = 0;
    uint64_t nextCheck_;
    Clock::time_point start_;
    Clock::time_point deadline_;
};

}  // namespace korvan::vbs
