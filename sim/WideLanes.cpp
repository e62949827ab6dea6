// The laws that serve four lanes with one operation. This file alone is built for processors with
// 256-bit vectors (and, like the whole library, without fused multiply-adds, so the lanes give the
// bits of the narrower paths); the callers use it only where the processor has them.
#include "sim/WideLanes.h"

#include "sim/ContactLanes.h"
#include "sim/JoinLanes.h"
#include "sim/RigidStage.h"

namespace korvan {

// Only a build of this file for 256-bit vectors can serve, and only on a processor that has them.
bool WideLanesAvailable() {
#if defined(__AVX2__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

#if defined(__AVX2__)

void AdvanceRigidBlockWide(MotionBlock& block, int s, double h, CObj* const* bodies) {
    AdvanceRigidStage(LaneGroup<4>{block, 0}, s, h, StepKind{}, bodies);
}

void AnchoredQuadForcesWide(const ContactQuad& quad, const ContactFrame& own, const ContactFrame& touched,
                            ContactQuadForces& out) {
    AnchoredQuadForces<4>(quad, 0, own, touched, out);
}

namespace {

// A point's coordinates x, y, z in lanes 0..2. LoadPoint reads the number after the point too,
// which every connection record keeps inside itself; lane 3 is never used. It serves numbers
// written long before. A sum the caller has just written is read number by number instead (Point,
// three broadcasts, which the compiler does not merge into one wider load) and written back in
// halves (StorePoint): the processor hands a store on to a load of the same or a smaller piece,
// but a load over several fresh stores waits until all of them have reached the cache.
__m256d LoadPoint(const Vec3& v) {
    return _mm256_loadu_pd(&v.x);
}
__m256d Point(const Vec3& v) {
    const __m256d x = _mm256_broadcast_sd(&v.x), y = _mm256_broadcast_sd(&v.y), z = _mm256_broadcast_sd(&v.z);
    return _mm256_blend_pd(_mm256_blend_pd(_mm256_blend_pd(x, y, 0b0010), z, 0b0100), _mm256_setzero_pd(),
                           0b1000);
}
void StorePoint(Vec3& v, __m256d lanes) {
    _mm_storeu_pd(&v.x, _mm256_castpd256_pd128(lanes));
    _mm_store_sd(&v.z, _mm256_extractf128_pd(lanes, 1));
}
// a x b = a.yzx b.zxy - a.zxy b.yzx
__m256d CrossLanes(__m256d a, __m256d b) {
    constexpr int kYZX = 1 | 2 << 2 | 0 << 4 | 3 << 6, kZXY = 2 | 0 << 2 | 1 << 4 | 3 << 6;
    return _mm256_sub_pd(_mm256_mul_pd(_mm256_permute4x64_pd(a, kYZX), _mm256_permute4x64_pd(b, kZXY)),
                         _mm256_mul_pd(_mm256_permute4x64_pd(a, kZXY), _mm256_permute4x64_pd(b, kYZX)));
}

}  // namespace

void UpdateJoinPointsWide(const StateLanes& q, int lane, _JOININFO* first, _JOININFO* end) {
    auto lanes = [lane](const LaneRun* runs) {
        return _mm256_setr_pd(runs[0][lane], runs[1][lane], runs[2][lane], 0);
    };
    const __m256d row0 = lanes(q.rot), row1 = lanes(q.rot + 3), row2 = lanes(q.rot + 6);
    const __m256d x = lanes(q.pos), v = lanes(q.vel), w = lanes(q.omega);
    for (_JOININFO* j = first; j != end; ++j) {
        // rot^T p = row0 p.x + row1 p.y + row2 p.z, summed in that order
        const __m256d offset =
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(row0, _mm256_broadcast_sd(&j->localPoint.x)),
                                        _mm256_mul_pd(row1, _mm256_broadcast_sd(&j->localPoint.y))),
                          _mm256_mul_pd(row2, _mm256_broadcast_sd(&j->localPoint.z)));
        const __m256d point = _mm256_add_pd(x, offset);
        const __m256d pointVelocity = _mm256_add_pd(v, CrossLanes(w, offset));
        // Each four-lane store spills into the next field, which the next store writes; the last
        // field is written in halves, as localPoint follows it.
        _mm256_storeu_pd(&j->worldPoint.x, point);
        _mm256_storeu_pd(&j->worldVelocity.x, pointVelocity);
        _mm_storeu_pd(&j->worldOffset.x, _mm256_castpd256_pd128(offset));
        _mm_store_sd(&j->worldOffset.z, _mm256_extractf128_pd(offset, 1));
    }
}

const _JOININFO* AddLinkedJoinForcesWide(const _JOININFO* first, const _JOININFO* end, bool soft,
                                         double stiffnessScale, double dampingScale, Wrench& sum) {
    __m256d force = Point(sum.force), torque = Point(sum.torque);
    const _JOININFO* j = first;
    for (; j != end; ++j) {
        const _JOININFO* mirror = j->link.mirror;
        if (!mirror || (!soft && j->rotResistance != 0)) break;
        const double K = soft ? j->effStrength * stiffnessScale : j->effStrength;
        const double R = soft ? j->effFriction * dampingScale : j->effFriction;
        const __m256d dx = _mm256_sub_pd(LoadPoint(mirror->worldPoint), LoadPoint(j->worldPoint));
        const __m256d dv = _mm256_sub_pd(LoadPoint(mirror->worldVelocity), LoadPoint(j->worldVelocity));
        const __m256d F =
            _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(K), dx), _mm256_mul_pd(_mm256_set1_pd(R), dv));
        force = _mm256_add_pd(force, F);
        torque = _mm256_add_pd(torque, CrossLanes(LoadPoint(j->worldOffset), F));
    }
    StorePoint(sum.force, force), StorePoint(sum.torque, torque);
    return j;
}

#else

// Never called: WideLanesAvailable() is false in a build without 256-bit vectors, and the callers
// then take their lanes in pairs or one by one.
void AdvanceRigidBlockWide(MotionBlock&, int, double, CObj* const*) {}

void AnchoredQuadForcesWide(const ContactQuad&, const ContactFrame&, const ContactFrame&,
                            ContactQuadForces&) {}

void UpdateJoinPointsWide(const StateLanes&, int, _JOININFO*, _JOININFO*) {}

const _JOININFO* AddLinkedJoinForcesWide(const _JOININFO* first, const _JOININFO*, bool, double, double,
                                         Wrench&) {
    return first;
}

#endif

}  // namespace korvan
