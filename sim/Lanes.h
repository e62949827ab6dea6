#pragma once
// Numbers in vector lanes for the laws that serve several bodies or points with one operation:
// a lane does the IEEE operations of the scalar law in the same order (the library is built
// without fused multiply-adds), so its results have the bits of the scalar law's. Included by the
// files that build the laws; everything here is local to the file that includes it, so each copy
// keeps the instruction set it was compiled for.
#include <cmath>
#include <cstring>
#include <type_traits>
#if defined(__AVX__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sim/MotionBlock.h"

namespace korvan {

namespace {

using Pair = double __attribute__((vector_size(16)));
using Quad = double __attribute__((vector_size(32)));
template <int N>
using Number = std::conditional_t<N == 1, double, std::conditional_t<N == 2, Pair, Quad>>;

[[maybe_unused]] inline double SquareRoot(double x) {
    return std::sqrt(x);
}
[[maybe_unused]] inline Pair SquareRoot(Pair x) {
#if defined(__SSE2__)
    return _mm_sqrt_pd(x);
#else
    return Pair{std::sqrt(x[0]), std::sqrt(x[1])};
#endif
}
#if defined(__AVX__)
[[maybe_unused]] inline Quad SquareRoot(Quad x) {
    return _mm256_sqrt_pd(x);
}
#endif
[[maybe_unused]] inline double Lane(double x, int) {
    return x;
}
template <class V>
double Lane(V x, int k) {
    return x[k];
}

// N lanes of a run, from lane `first` on, and back.
template <int N>
Number<N> LoadLanes(const LaneRun& run, int first) {
    Number<N> v;
    std::memcpy(&v, &run[first], sizeof v);
    return v;
}
template <int N>
void StoreLanes(LaneRun& run, int first, Number<N> v) {
    std::memcpy(&run[first], &v, sizeof v);
}

}  // namespace

}  // namespace korvan
