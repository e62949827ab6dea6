#pragma once
// What built-in functions need from the running interpreter: the resource limits, the state of
// the random-number generator and the Err object.
#include <cstddef>
#include <cstdint>

#include "script/vbs/Value.h"

namespace korvan::vbs {

struct Limits {
    size_t maxStringBytes = size_t{64} << 20;
    size_t maxArrayElements = size_t{16} << 20;
};

struct Runtime {
    Limits limits;
    uint32_t rndState = 0x50000;  // the 24-bit generator's state, as the dialect seeds it
    ObjectRef err;                // the Err object
};

// Throws "Out of memory" when a string of `bytes` would exceed the limit.
void CheckStringSize(const Runtime& rt, size_t bytes);

}  // namespace korvan::vbs
