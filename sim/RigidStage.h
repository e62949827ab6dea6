#pragma once
// The rigid-body stage law of the integration, written once for one body or for neighbouring
// bodies of a motion block side by side (see sim/Lanes.h). Included by the integration and by
// the file that builds it for wider vectors.
#include "sim/Lanes.h"
#include "sim/MotionBlock.h"

namespace korvan {

class CObj;

// Posts the message of a body whose frame cannot be rebuilt.
void ReportCannotContinue(const CObj& body);

namespace {

constexpr double kStageWeight[3] = {0.5, 0.5, 1.0};
// The commit multiplies by 1/6 rather than dividing: divisions are the slowest arithmetic of a
// step, and twenty-one of them per body and sub-step showed.
constexpr double kSixth = 1.0 / 6;

}  // namespace

// ---- The stage law, written once for one body or for neighbours side by side ---------------
//
// Neighbouring bodies of a motion block advance together where they can: their numbers share the
// lanes of one vector register, so each operation below serves all of them. A lane does the IEEE
// operations of a body advanced alone, in the same order (the library is built without fused
// multiply-adds), so a body's results do not depend on its neighbours, and slices of any thread
// count give the same numbers.

namespace {

// The state of stage s in a block, written here rather than taken from MotionBlock::State: a
// build of this law for wider vectors must not make its own copy of a function other files call.
inline StateLanes& StageState(MotionBlock& block, int s) {
    return s == 0 ? block.committed : block.latest;
}

// N neighbouring lanes of one motion block, from lane `first` on.
template <int N>
struct LaneGroup {
    MotionBlock& block;
    int first;

    Number<N> Load(const LaneRun& run) const { return LoadLanes<N>(run, first); }
    void Store(LaneRun& run, Number<N> v) const { StoreLanes<N>(run, first, v); }
};

// z' = z / |z|, y' = (z x x) / |z x x|, x' = y' x z' of rot (rows x, y, z) into out; the lengths
// tell whether a lane's frame could be rebuilt.
template <class R>
void OrthonormalFrame(const R rot[9], R out[9], R& lengthZ, R& lengthY) {
    const R xx = rot[0], xy = rot[1], xz = rot[2], zx = rot[6], zy = rot[7], zz = rot[8];
    const R yx = zy * xz - zz * xy, yy = zz * xx - zx * xz, yz = zx * xy - zy * xx;
    // The two lengths do not wait for each other, so their square roots and divisions overlap.
    lengthZ = SquareRoot(zx * zx + zy * zy + zz * zz), lengthY = SquareRoot(yx * yx + yy * yy + yz * yz);
    const R inverseZ = 1.0 / lengthZ, inverseY = 1.0 / lengthY;
    const R uzx = zx * inverseZ, uzy = zy * inverseZ, uzz = zz * inverseZ;
    const R uyx = yx * inverseY, uyy = yy * inverseY, uyz = yz * inverseY;
    out[0] = uyy * uzz - uyz * uzy, out[1] = uyz * uzx - uyx * uzz, out[2] = uyx * uzy - uyy * uzx;
    out[3] = uyx, out[4] = uyy, out[5] = uyz;
    out[6] = uzx, out[7] = uzy, out[8] = uzz;
}

// NaN fails every comparison: only two finite, non-zero lengths pass.
inline bool FrameValid(double lengthZ, double lengthY) {
    return lengthZ > 0 && lengthY > 0 && lengthZ < INFINITY && lengthY < INFINITY;
}

// Re-orthonormalises the rot of stage s of a group; a lane whose frame cannot be rebuilt keeps its
// rows and reports.
template <int N>
void Orthonormalise(const LaneGroup<N>& g, int s, CObj* const* bodies) {
    using R = Number<N>;
    LaneRun* runs = StageState(g.block, s).rot;
    R rot[9], out[9], lengthZ, lengthY;
    for (int i = 0; i < 9; ++i) rot[i] = g.Load(runs[i]);
    OrthonormalFrame(rot, out, lengthZ, lengthY);
    bool allValid = true;
    for (int k = 0; k < N; ++k) allValid = allValid && FrameValid(Lane(lengthZ, k), Lane(lengthY, k));
    if (allValid) [[likely]] {
        for (int i = 0; i < 9; ++i) g.Store(runs[i], out[i]);
        return;
    }
    for (int k = 0; k < N; ++k) {
        if (!FrameValid(Lane(lengthZ, k), Lane(lengthY, k))) {
            ReportCannotContinue(*bodies[k]);
            continue;
        }
        for (int i = 0; i < 9; ++i) runs[i][g.first + k] = Lane(out[i], k);
    }
}

constexpr double kSumWeight[4] = {1, 2, 2, 1};

// What the law does for the bodies of a group; the same for all of them.
struct StepKind {
    bool accelerate = true;  // false for a fixed body, which stands still
    bool divide = true;      // false when the mass is 0 or not a number (reported)
    bool turn = true;        // false unless all three moments are non-zero
};

// The work of stage s for a group. The stage's increments are k_s = h * rate_s: velocity h a,
// angular velocity h alpha, position h v and rot row r h (w x r); they go straight into the next
// stage and into the step's running sums k0 + 2 k1 + 2 k2 + k3, added in that order. Stage 3
// commits q0 += (k0 + 2 k1 + 2 k2 + k3) / 6 instead.
template <int N>
void AdvanceRigidStage(const LaneGroup<N>& g, int s, double h, const StepKind& kind, CObj* const* bodies) {
    using R = Number<N>;
    MotionBlock& b = g.block;
    // The latest state (stage s) and the committed one; the next state takes the latest's place
    // once everything of it is read.
    StateLanes &q = StageState(b, s), &q0 = b.committed;
    const IncrementLanes& k = b.increment;
    R force[3], torque[3], rot[9];
    for (int i = 0; i < 3; ++i) force[i] = g.Load(k.force[i]), torque[i] = g.Load(k.torque[i]);
    for (int i = 0; i < 9; ++i) rot[i] = g.Load(q.rot[i]);
    if (kind.accelerate) {
        // a = F / m; alpha = rot^T I^-1 rot tau, the torque taken to the body axes and back.
        if (kind.divide) {
            const R inverseMass = g.Load(b.inverseMass);
            for (int i = 0; i < 3; ++i) force[i] = force[i] * inverseMass;
        }
        if (kind.turn) {
            R t[3];
            for (int r = 0; r < 3; ++r)
                t[r] = (rot[3 * r] * torque[0] + rot[3 * r + 1] * torque[1] + rot[3 * r + 2] * torque[2]) *
                       g.Load(b.inverseInertia[r]);
            for (int c = 0; c < 3; ++c) torque[c] = rot[c] * t[0] + rot[3 + c] * t[1] + rot[6 + c] * t[2];
        }
    }
    for (int i = 0; i < 3; ++i) force[i] = force[i] * h, torque[i] = torque[i] * h;

    // h v, and h (w x row_r) for each row r of rot: the body axes turn with the angular velocity.
    R dPos[3], dRot[9];
    for (int i = 0; i < 3; ++i) dPos[i] = h * g.Load(q.vel[i]);
    const R wx = g.Load(q.omega[0]), wy = g.Load(q.omega[1]), wz = g.Load(q.omega[2]);
    for (int r = 0; r < 3; ++r) {
        const R* row = rot + 3 * r;
        dRot[3 * r + 0] = h * (row[2] * wy - row[1] * wz);
        dRot[3 * r + 1] = h * (row[0] * wz - row[2] * wx);
        dRot[3 * r + 2] = h * (row[1] * wx - row[0] * wy);
    }
    R positionSum[3], rotationSum[9], velocitySum[3], omegaSum[3];
    for (int i = 0; i < 3; ++i)
        positionSum[i] = s == 0 ? 0.0 + dPos[i] : g.Load(b.positionSum[i]) + kSumWeight[s] * dPos[i];
    for (int i = 0; i < 9; ++i)
        rotationSum[i] = s == 0 ? 0.0 + dRot[i] : g.Load(b.rotationSum[i]) + kSumWeight[s] * dRot[i];
    for (int i = 0; i < 3; ++i) {
        velocitySum[i] = s == 0 ? force[i] : g.Load(b.velocitySum[i]) + kSumWeight[s] * force[i];
        omegaSum[i] = s == 0 ? torque[i] : g.Load(b.omegaSum[i]) + kSumWeight[s] * torque[i];
    }

    if (s < 3) {
        // q_{s+1} = q0 + w k_s with w = 1/2, 1/2, 1.
        for (int i = 0; i < 3; ++i) g.Store(b.positionSum[i], positionSum[i]);
        for (int i = 0; i < 9; ++i) g.Store(b.rotationSum[i], rotationSum[i]);
        for (int i = 0; i < 3; ++i)
            g.Store(b.velocitySum[i], velocitySum[i]), g.Store(b.omegaSum[i], omegaSum[i]);
        const double w = kStageWeight[s];
        StateLanes& n = b.latest;
        for (int i = 0; i < 3; ++i) {
            g.Store(n.pos[i], g.Load(q0.pos[i]) + w * dPos[i]);
            g.Store(n.vel[i], g.Load(q0.vel[i]) + w * force[i]);
            g.Store(n.omega[i], g.Load(q0.omega[i]) + w * torque[i]);
        }
        for (int i = 0; i < 9; ++i) g.Store(n.rot[i], g.Load(q0.rot[i]) + w * dRot[i]);
        Orthonormalise(g, s + 1, bodies);
        return;
    }
    // q0 += (k0 + 2 k1 + 2 k2 + k3) / 6.
    for (int i = 0; i < 3; ++i) {
        g.Store(q0.vel[i], g.Load(q0.vel[i]) + velocitySum[i] * kSixth);
        g.Store(q0.pos[i], g.Load(q0.pos[i]) + positionSum[i] * kSixth);
        g.Store(q0.omega[i], g.Load(q0.omega[i]) + omegaSum[i] * kSixth);
    }
    for (int i = 0; i < 9; ++i) g.Store(q0.rot[i], g.Load(q0.rot[i]) + rotationSum[i] * kSixth);
    Orthonormalise(g, 0, bodies);
}

}  // namespace

}  // namespace korvan
