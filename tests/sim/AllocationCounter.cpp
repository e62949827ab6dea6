#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long allocations = 0;
thread_local int probes = 0;

void* CountedAllocate(std::size_t size) {
    if (probes > 0) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CountedAllocate(size);
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

namespace korvan::testing {

AllocationProbe::AllocationProbe() : start_(allocations) {
    ++probes;
}
AllocationProbe::~AllocationProbe() {
    --probes;
}
long AllocationProbe::Count() const {
    return allocations - start_;
}

}  // namespace korvan::testing
