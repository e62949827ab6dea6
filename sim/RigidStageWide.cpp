// The rigid stage law with four-lane vectors, one operation per number for a whole motion block.
// This file alone is built for processors with 256-bit vectors (and without fused multiply-adds,
// so the lanes give the bits of the narrower paths); the integration calls it only where the
// processor has them.
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

}  // namespace korvan
