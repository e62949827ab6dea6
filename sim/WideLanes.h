#pragma once
// The laws that serve four lanes with one 256-bit operation: built for x86 processors that have
// such vectors, and called only where WideLanesAvailable() says so. Elsewhere the callers take
// their lanes in pairs or one by one. The connection laws are in sim/JoinLanes.h.
#include "sim/ContactQuad.h"
#include "sim/MotionBlock.h"

namespace korvan {

class CObj;

bool WideLanesAvailable();
// WideLanesAvailable(), asked once per run: where the callers choose between the wide laws and
// the narrow ones. Defined outside the wide file, so that callers can inline it.
bool UseWideLanes();

// Stage s of the four bodies of a motion block.
void AdvanceRigidBlockWide(MotionBlock& block, int s, double h, CObj* const* bodies);

// The forces of four sticking contacts on one touched body.
void AnchoredQuadForcesWide(const ContactQuad& quad, const ContactFrame& own, const ContactFrame& touched,
                            ContactQuadForces& out);

}  // namespace korvan
