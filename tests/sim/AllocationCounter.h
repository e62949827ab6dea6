#pragma once
// Counts every operator new of the test program, on any thread, while a probe is alive.
// The counting operator new lives in AllocationCounter.cpp of the same test program.
namespace korvan::testing {

class AllocationProbe {
  public:
    AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    // Allocations made by any thread since the probe was made.
    long Count() const;

  private:
    long start_;
};

}  // namespace korvan::testing
