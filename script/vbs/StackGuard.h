#pragma once
// Bounds the machine stack that recursive parsing and evaluation may use, so that deep nesting
// or runaway recursion in a script ends in "Out of stack space" and never in a crash. The
// guard remembers the frame address where the run began and compares each check against it
// (the stack grows downwards on every platform we build for).
#include <cstddef>
#include <cstdint>

#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

class StackGuard {
  public:
    explicit StackGuard(size_t budgetBytes) : base_(Here()), budget_(static_cast<intptr_t>(budgetBytes)) {}
    void Check() const {
        if (base_ - Here() > budget_) Raise(kErrOutOfStack);
    }

  private:
    static intptr_t Here() { return reinterpret_cast<intptr_t>(__builtin_frame_address(0)); }
    intptr_t base_;
    intptr_t budget_;
};

}  // namespace korvan::vbs
