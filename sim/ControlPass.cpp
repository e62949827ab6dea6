// The per-body work of the scheduler's phases that is not integration:
//
//   BeginControlPass   clear the per-pass sums, remember where the connection points stood,
//                      put fixed bodies with prescribed motion in their place
//   ControlPass        actuations -> external-force inputs -> soft start -> contacts
//   ComputeStageForces grab -> connections -> contacts -> external forces, gravity, hold
//
// The control pass runs every candidatePeriod-th sub-step on the stage-0 state; the force phase
// runs in every stage. Each writes only the body it is called on (contact reactions wait in the
// crash points until the touched body gathers them).
#include "sim/Obj.h"

namespace korvan {

void CObj::BeginControlPass() {
    extForce = extTorque = brakeTorque = Vec3{};
    for (_JOININFO& j : joins) j.previousLocalPoint = j.localPoint;
    ApplyPrescribedMotion();
}

void CObj::ControlPass() {
    UpdateActuations();
    SampleExternalForces();
    RampJoins();
    UpdateContacts();
}

// The stage's wrench was cleared just before and nothing else adds to it in the force phase, so the
// sum starts from zero instead of reading the cleared numbers back.
void CObj::ComputeStageForces(int s) {
    Wrench sum;
    ApplyGrabForce(s, sum);
    ComputeJoinForces(s, sum);
    ComputeContactForces(s, sum);
    ApplyExternalForces(s, sum);
    SetStageWrench(sum);
}

}  // namespace korvan
