#include "base/Anomaly.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace korvan {

namespace {

// The buffer is written by whichever thread reports and read by the main thread; the mutex keeps
// the copy whole. Reports are rare, so the lock costs nothing on the hot path.
std::mutex bufferMutex;
char buffer[kAnomalyBufferSize];
std::atomic<int> pendingPosts{0};
std::atomic<AnomalyWakeup> wakeupHook{nullptr};

void Post() {
    pendingPosts.fetch_add(1, std::memory_order_release);
    if (AnomalyWakeup wake = wakeupHook.load(std::memory_order_acquire)) wake();
}

}  // namespace

void PostAnomaly(std::string_view text) {
    {
        std::lock_guard lock(bufferMutex);
        std::size_t n = std::min(text.size(), kAnomalyBufferSize - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    Post();
}

void PostAnomalyFormat(const char* format, ...) {
    {
        std::lock_guard lock(bufferMutex);
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, kAnomalyBufferSize, format, args);
        va_end(args);
    }
    Post();
}

bool TakeAnomaly(std::string* text) {
    int pending = pendingPosts.load(std::memory_order_acquire);
    while (pending > 0) {
        if (pendingPosts.compare_exchange_weak(pending, pending - 1, std::memory_order_acq_rel)) {
            if (text) {
                std::lock_guard lock(bufferMutex);
                text->assign(buffer);
            }
            return true;
        }
    }
    return false;
}

int PendingAnomalies() {
    return pendingPosts.load(std::memory_order_acquire);
}

void DiscardAnomalies() {
    pendingPosts.store(0, std::memory_order_release);
}

void SetAnomalyWakeup(AnomalyWakeup wakeup) {
    wakeupHook.store(wakeup, std::memory_order_release);
}

}  // namespace korvan
