#pragma once
// Counts operator new calls made on the current thread while a probe is alive.
// The counting operator new lives in AllocationCounter.cpp of the same test program.
namespace korvan::testing {

class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    long Count() const;

  private:
    long start_;
};

}  // namespace korvan::testing
