#include "script/vbs/Watchdog.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace korvan::vbs {

std::string DescribeStop(StopReason reason, double timeLimitSeconds) {
    switch (reason) {
        case StopReason::StepBudget:
            return "Script ran longer than its step budget";
        case StopReason::TimeLimit: {
            char text[96];
            std::snprintf(text, sizeof text, "Script ran longer than its time limit of %g s",
                          timeLimitSeconds);
            return text;
        }
        case StopReason::Interrupted:
            return "Script interrupted";
        case StopReason::None:
            break;
    }
    return {};
}

Watchdog::Watchdog(WatchOptions options) : options_(std::move(options)), start_(Clock::now()) {
    deadline_ = start_ + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(std::max(0.0, options_.timeLimitSeconds)));
    ScheduleNextCheck();
}

void Watchdog::ScheduleNextCheck() {
    const bool watched = options_.timeLimitSeconds > 0 || options_.interrupt;
    nextCheck_ = watched ? steps_ + kCheckEvery : std::numeric_limits<uint64_t>::max();
    if (options_.stepBudget) nextCheck_ = std::min(nextCheck_, options_.stepBudget + 1);
}

void Watchdog::Check() {
    if (options_.stepBudget && steps_ > options_.stepBudget) throw ScriptAbort{StopReason::StepBudget};
    if (options_.interrupt && options_.interrupt->load(std::memory_order_relaxed))
        throw ScriptAbort{StopReason::Interrupted};
    if (options_.timeLimitSeconds > 0) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline_) {
            const double elapsed = std::chrono::duration<double>(now - start_).count();
            if (!options_.keepWaiting || !options_.keepWaiting(elapsed))
                throw ScriptAbort{StopReason::TimeLimit};
            // The question may have taken a while: the new period starts when it was answered.
            deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(options_.timeLimitSeconds));
        }
    }
    ScheduleNextCheck();
}

}  // namespace korvan::vbs
