// Fourth-order Runge-Kutta integration of the bodies, stage by stage.
//
// The force phase of stage s fills force[s] and torque[s] from the stage-s states of all bodies;
// the integration turns them into increments k_s = h * rate_s and either builds the state of
// stage s + 1 (s = 0, 1, 2, with weights 1/2, 1/2, 1 on the committed state) or commits
//     q0 += (k0 + 2 k1 + 2 k2 + k3) / 6                                            (s = 3)
// for position, velocity, angular velocity and the nine entries of rot. There is no gyroscopic
// term: the angular acceleration is I^-1 tau in body axes and nothing else.
#include <cmath>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/Anomaly.h"
#include "sim/Obj.h"
#include "sim/SimSettings.h"

namespace korvan {

namespace {

constexpr double kRunaway = 1e20;
constexpr double kStageWeight[3] = {0.5, 0.5, 1.0};
// The commit multiplies by 1/6 rather than dividing: divisions are the slowest arithmetic of a
// step, and twenty-one of them per body and sub-step showed.
constexpr double kSixth = 1.0 / 6;

bool RunAway(double x, double y, double z) {
    return std::fabs(x) > kRunaway || std::fabs(y) > kRunaway || std::fabs(z) > kRunaway;
}

void ReportCannotContinue(const std::string& displayName) {
    PostAnomalyFormat(
        "%s の計算で、計算が続行不可能になりました。\n\n・物が軽すぎる\n・速度が速すぎる\n"
        "・接続が硬すぎる\n・作用点が重心から遠すぎる\n\nなどの理由が考えられます。m(_ _)m",
        displayName.c_str());
}

}  // namespace

void CObj::ReportRunaway() const {
    const Vec3 position = Position(0), velocity = Velocity(0);
    if (!RunAway(position.x, position.y, position.z) && !RunAway(velocity.x, velocity.y, velocity.z))
        [[likely]]
        return;
    if (RunAway(position.x, position.y, position.z))
        PostAnomalyFormat("%s の計算で、位置が異常な値 %e %e %e になりました。", displayName.c_str(),
                          position.x, position.y, position.z);
    if (RunAway(velocity.x, velocity.y, velocity.z))
        PostAnomalyFormat("%s の計算で、速度が異常な値 %e %e %e になりました。", displayName.c_str(),
                          velocity.x, velocity.y, velocity.z);
}

void CObj::RefreshMassInverses() {
    inverseSource_ = {mass, inertiaX, inertiaY, inertiaZ};
    MotionBlock& b = *motion_.Block();
    const int k = motion_.Lane();
    b.inverseMass[k] = 1 / mass;
    b.inverseInertia[0][k] = 1 / inertiaX, b.inverseInertia[1][k] = 1 / inertiaY,
    b.inverseInertia[2][k] = 1 / inertiaZ;
}

// ---- The stage law, written once for one body or for neighbours side by side ---------------
//
// Neighbouring bodies of a motion block advance together where they can: their numbers share the
// lanes of one vector register, so each operation below serves all of them. A lane does the IEEE
// operations of a body advanced alone, in the same order (the library is built without fused
// multiply-adds), so a body's results do not depend on its neighbours, and slices of any thread
// count give the same numbers.

namespace {

using Pair = double __attribute__((vector_size(16)));
template <int N>
using Number = std::conditional_t<N == 1, double, Pair>;

double SquareRoot(double x) {
    return std::sqrt(x);
}
[[maybe_unused]] Pair SquareRoot(Pair x) {
#if defined(__SSE2__)
    return _mm_sqrt_pd(x);
#else
    return Pair{std::sqrt(x[0]), std::sqrt(x[1])};
#endif
}
double Lane(double x, int) {
    return x;
}
[[maybe_unused]] double Lane(Pair x, int k) {
    return x[k];
}

// N neighbouring lanes of one motion block, from lane `first` on.
template <int N>
struct LaneGroup {
    MotionBlock& block;
    int first;

    Number<N> Load(const LaneRun& run) const {
        Number<N> v;
        std::memcpy(&v, &run[first], sizeof v);
        return v;
    }
    void Store(LaneRun& run, Number<N> v) const { std::memcpy(&run[first], &v, sizeof v); }
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
bool FrameValid(double lengthZ, double lengthY) {
    return lengthZ > 0 && lengthY > 0 && lengthZ < INFINITY && lengthY < INFINITY;
}

// Re-orthonormalises the rot of stage s of a group; a lane whose frame cannot be rebuilt keeps its
// rows and reports.
template <int N>
void Orthonormalise(const LaneGroup<N>& g, int s, CObj* const* bodies) {
    using R = Number<N>;
    LaneRun* runs = g.block.stage[s].rot;
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
            ReportCannotContinue(bodies[k]->displayName);
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

// The work of stage s for a group. The stage's increments are k_s = h * rate_s: velocity h a
// (kept in force), angular velocity h alpha (kept in torque), position h v and rot row r h (w x r);
// the last two go straight into the next stage and into the step's running sums
// k0 + 2 k1 + 2 k2 + k3. Stage 3 commits q0 += (k0 + 2 k1 + 2 k2 + k3) / 6 instead.
template <int N>
void AdvanceRigidStage(const LaneGroup<N>& g, int s, double h, StepKind kind, CObj* const* bodies) {
    using R = Number<N>;
    MotionBlock& b = g.block;
    StageLanes &q = b.stage[s], &q0 = b.stage[0];
    R force[3], torque[3], rot[9];
    for (int i = 0; i < 3; ++i) force[i] = g.Load(q.force[i]), torque[i] = g.Load(q.torque[i]);
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
    for (int i = 0; i < 3; ++i) {
        force[i] = force[i] * h, torque[i] = torque[i] * h;
        g.Store(q.force[i], force[i]), g.Store(q.torque[i], torque[i]);
    }

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
    R positionSum[3], rotationSum[9];
    for (int i = 0; i < 3; ++i)
        positionSum[i] = s == 0 ? 0.0 + dPos[i] : g.Load(b.positionSum[i]) + kSumWeight[s] * dPos[i];
    for (int i = 0; i < 9; ++i)
        rotationSum[i] = s == 0 ? 0.0 + dRot[i] : g.Load(b.rotationSum[i]) + kSumWeight[s] * dRot[i];

    if (s < 3) {
        // q_{s+1} = q0 + w k_s with w = 1/2, 1/2, 1.
        for (int i = 0; i < 3; ++i) g.Store(b.positionSum[i], positionSum[i]);
        for (int i = 0; i < 9; ++i) g.Store(b.rotationSum[i], rotationSum[i]);
        const double w = kStageWeight[s];
        StageLanes& n = b.stage[s + 1];
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
    const StageLanes &k1 = b.stage[1], &k2 = b.stage[2];
    auto rk4 = [&](const LaneRun& k0Run, const LaneRun& k1Run, const LaneRun& k2Run, const LaneRun& k3Run) {
        return (g.Load(k0Run) + 2 * g.Load(k1Run) + 2 * g.Load(k2Run) + g.Load(k3Run)) * kSixth;
    };
    for (int i = 0; i < 3; ++i) {
        const R dv = rk4(q0.force[i], k1.force[i], k2.force[i], q.force[i]);
        const R dw = rk4(q0.torque[i], k1.torque[i], k2.torque[i], q.torque[i]);
        g.Store(q0.vel[i], g.Load(q0.vel[i]) + dv);
        g.Store(q0.pos[i], g.Load(q0.pos[i]) + positionSum[i] * kSixth);
        g.Store(q0.omega[i], g.Load(q0.omega[i]) + dw);
    }
    for (int i = 0; i < 9; ++i) g.Store(q0.rot[i], g.Load(q0.rot[i]) + rotationSum[i] * kSixth);
    Orthonormalise(g, 0, bodies);
}

}  // namespace

// The body moves, has a mass and three moments to divide by, and its kind adds nothing to the
// step: it may advance beside its neighbours.
bool CObj::TakesRigidStep() const {
    return !extendsIntegration_ && !IsFixed() && mass != 0 && !std::isnan(mass) && inertiaX != 0 &&
           inertiaY != 0 && inertiaZ != 0;
}

void CObj::PrepareIntegration() {
    if (mass != inverseSource_.mass || inertiaX != inverseSource_.inertiaX ||
        inertiaY != inverseSource_.inertiaY || inertiaZ != inverseSource_.inertiaZ)
        RefreshMassInverses();
    const int bit = 1 << motion_.Lane();
    int& rigid = motion_.Block()->rigidLanes;
    rigid = TakesRigidStep() ? rigid | bit : rigid & ~bit;
}

void CObj::IntegrateStage(int s) {
    // The committed state changes only at commits, so one look per sub-step sees every run-away.
    if (s == 0) ReportRunaway();
    StepKind kind;
    StageLanes& q = motion_.Stage(s);
    if (IsFixed()) {
        // A fixed body stands still: no increments, and a committed state at rest.
        motion_.Set(q.force, {}), motion_.Set(q.torque, {});
        StageLanes& committed = motion_.Stage(0);
        motion_.Set(committed.vel, {}), motion_.Set(committed.omega, {});
        kind.accelerate = false;
    } else {
        // A spring's mass changes with its extension in every stage, so the inverses are checked
        // each time.
        if (mass != inverseSource_.mass || inertiaX != inverseSource_.inertiaX ||
            inertiaY != inverseSource_.inertiaY || inertiaZ != inverseSource_.inertiaZ) [[unlikely]]
            RefreshMassInverses();
        if (mass == 0 || std::isnan(mass)) [[unlikely]] {
            PostAnomalyFormat("%s %s %s で、0 割りが発生しました", varName.c_str(), typeName.c_str(),
                              displayName.c_str());
            kind.divide = false;
        }
        kind.turn = inertiaX != 0 && inertiaY != 0 && inertiaZ != 0;
    }
    CObj* const self[1] = {this};
    AdvanceRigidStage(LaneGroup<1>{*motion_.Block(), motion_.Lane()}, s, settings().timeStep, kind, self);
}

void CObj::IntegrateBlock(CObj* const (&bodies)[kMotionLanes], int s) {
    constexpr int kAllLanes = (1 << kMotionLanes) - 1;
    if (bodies[0]->motion_.Block()->rigidLanes != kAllLanes) {
        for (CObj* body : bodies) body->IntegrateStage(s);
        return;
    }
    if (s == 0)
        for (CObj* body : bodies) body->ReportRunaway();
    MotionBlock& block = *bodies[0]->motion_.Block();
    const double h = bodies[0]->settings().timeStep;
    for (int first = 0; first < kMotionLanes; first += 2)
        AdvanceRigidStage(LaneGroup<2>{block, first}, s, h, StepKind{}, bodies + first);
}

// Re-orthonormalises the stage-s rot keeping the direction of its z row. Fails, leaving the rows
// as they are, when no frame can be rebuilt: a zero z row, an x row along z, or a row that is not
// a number.
bool CObj::UpdateStageMatrices(int s) {
    const Mat3 rot = Rot(s);
    Mat3 out;
    double lengthZ, lengthY;
    OrthonormalFrame(rot.data(), out.data(), lengthZ, lengthY);
    if (!FrameValid(lengthZ, lengthY)) return false;
    SetRot(s, out);
    return true;
}

Mat4 CObj::LocalToWorld() const {
    const Mat3 r = Rot(0);
    const Vec3 pos = Position(0);
    return Mat4{{{r.m[0][0], r.m[1][0], r.m[2][0], pos.x},
                 {r.m[0][1], r.m[1][1], r.m[2][1], pos.y},
                 {r.m[0][2], r.m[1][2], r.m[2][2], pos.z},
                 {0, 0, 0, 1}}};
}

// [rot | -rot pos]
Mat4 CObj::WorldToLocal() const {
    const Mat3 r = Rot(0);
    const Vec3 t = r * Position(0);
    return Mat4{{{r.m[0][0], r.m[0][1], r.m[0][2], -t.x},
                 {r.m[1][0], r.m[1][1], r.m[1][2], -t.y},
                 {r.m[2][0], r.m[2][1], r.m[2][2], -t.z},
                 {0, 0, 0, 1}}};
}

// Connection points for the coming force phase: offset = L2W * localPoint,
// point = pos + offset, velocity = v + w x offset.
void CObj::UpdateJoinPoints(int s) {
    const Vec3 pos = Position(s), vel = Velocity(s), omega = Omega(s);
    for (_JOININFO& j : joins) {
        j.worldOffset = ToWorldVector(s, j.localPoint);
        j.worldPoint = pos + j.worldOffset;
        j.worldVelocity = vel + Cross(omega, j.worldOffset);
    }
}

}  // namespace korvan
