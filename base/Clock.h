#pragma once
// The high-resolution clock of the program: seconds on a monotonic clock with an arbitrary origin.
// Only differences between two readings mean anything.
#include <chrono>

namespace korvan {

inline double NowSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace korvan
