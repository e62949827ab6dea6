#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Counting allocator for the whole test program: every operator new, on every thread, passes here.
namespace {
std::atomic<long> allocations{0};

void* CountedAllocate(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* CountedAllocate(std::size_t size, std::align_val_t align) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    auto a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CountedAllocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
    return CountedAllocate(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return CountedAllocate(size, align);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace korvan::testing {

AllocationProbe::AllocationProbe() : start_(allocations.load()) {}
long AllocationProbe::Count() const {
    return allocations.load() - start_;
}

}  // namespace korvan::testing
