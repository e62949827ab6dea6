// The laws that serve four lanes with one operation. This file alone is built for processors with
// 256-bit vectors (and, like the whole library, without fused multiply-adds, so the lanes give the
// bits of the narrower paths); the callers use it only where the processor has them.
#include "sim/WideLanes.h"

#include "sim/ContactLanes.h"
#include "sim/RigidStage.h"

namespace korvan {

void AdvanceRigidBlockWide(MotionBlock& block, int s, double h, CObj* const* bodies) {
#if defined(__AVX__)
    AdvanceRigidStage(LaneGroup<4>{block, 0}, s, h, StepKind{}, bodies);
#else
    for (int first = 0; first < kMotionLanes; first += 2)
        AdvanceRigidStage(LaneGroup<2>{block, first}, s, h, StepKind{}, bodies + first);
#endif
}

void AnchoredQuadForcesWide(const ContactQuad& quad, const ContactFrame& own, const ContactFrame& touched,
                            ContactQuadForces& out) {
#if defined(__AVX__)
    AnchoredQuadForces<4>(quad, 0, own, touched, out);
#else
    for (int first = 0; first < kMotionLanes; first += 2)
        AnchoredQuadForces<2>(quad, first, own, touched, out);
#endif
}

}  // namespace korvan
