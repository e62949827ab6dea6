#include "sim/MotionBlock.h"

namespace korvan {

namespace {

template <std::size_t N>
void CopyRuns(const LaneRun (&from)[N], int fromLane, LaneRun (&to)[N], int toLane) {
    for (std::size_t i = 0; i < N; ++i) to[i][toLane] = from[i][fromLane];
}

}  // namespace

void CopyLane(const MotionBlock& from, int fromLane, MotionBlock& to, int toLane) {
    for (int s = 0; s < 2; ++s) {  // the committed state and the latest
        const StateLanes& a = from.State(s);
        StateLanes& b = to.State(s);
        CopyRuns(a.pos, fromLane, b.pos, toLane), CopyRuns(a.vel, fromLane, b.vel, toLane);
        CopyRuns(a.omega, fromLane, b.omega, toLane), CopyRuns(a.rot, fromLane, b.rot, toLane);
    }
    CopyRuns(from.increment.force, fromLane, to.increment.force, toLane);
    CopyRuns(from.increment.torque, fromLane, to.increment.torque, toLane);
    CopyRuns(from.positionSum, fromLane, to.positionSum, toLane);
    CopyRuns(from.rotationSum, fromLane, to.rotationSum, toLane);
    CopyRuns(from.velocitySum, fromLane, to.velocitySum, toLane);
    CopyRuns(from.omegaSum, fromLane, to.omegaSum, toLane);
    to.inverseMass[toLane] = from.inverseMass[fromLane];
    CopyRuns(from.inverseInertia, fromLane, to.inverseInertia, toLane);
}

}  // namespace korvan
