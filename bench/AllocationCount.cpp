#include "bench/AllocationCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> liveBytes{0}, peakBytes{0};

void Count(long long delta) {
    long long now = liveBytes.fetch_add(delta, std::memory_order_relaxed) + delta;
    long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size);
    if (!p) throw std::bad_alloc();
    Count(static_cast<long long>(malloc_usable_size(p)));
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    Count(-static_cast<long long>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace korvan::bench {

long long LiveBytes() {
    return liveBytes.load();
}
long long PeakBytes() {
    return peakBytes.load();
}
long long MarkPeak() {
    const long long now = liveBytes.load();
    peakBytes.store(now);
    return now;
}

}  // namespace korvan::bench
