// Fourth-order Runge-Kutta integration of one body, stage by stage.
//
// The force phase of stage s fills force[s] and torque[s] from the stage-s states of all bodies;
// IntegrateStage(s) turns them into increments k_s = h * rate_s and either builds the state of
// stage s + 1 (s = 0, 1, 2, with weights 1/2, 1/2, 1 on the committed state) or commits
//     q0 += (k0 + 2 k1 + 2 k2 + k3) / 6                                            (s = 3)
// for position, velocity, angular velocity and the nine entries of rot. There is no gyroscopic
// term: the angular acceleration is I^-1 tau in body axes and nothing else.
#include <cmath>

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
    if (!RunAway(state[0].posX, state[0].posY, state[0].posZ) &&
        !RunAway(state[0].velX, state[0].velY, state[0].velZ)) [[likely]]
        return;
    if (RunAway(state[0].posX, state[0].posY, state[0].posZ))
        PostAnomalyFormat("%s の計算で、位置が異常な値 %e %e %e になりました。", displayName.c_str(),
                          state[0].posX, state[0].posY, state[0].posZ);
    if (RunAway(state[0].velX, state[0].velY, state[0].velZ))
        PostAnomalyFormat("%s の計算で、速度が異常な値 %e %e %e になりました。", displayName.c_str(),
                          state[0].velX, state[0].velY, state[0].velZ);
}

void CObj::RefreshMassInverses() {
    MassInverses& m = inverses_;
    m.mass = mass, m.inertiaX = inertiaX, m.inertiaY = inertiaY, m.inertiaZ = inertiaZ;
    m.invMass = 1 / mass;
    m.invInertiaX = 1 / inertiaX, m.invInertiaY = 1 / inertiaY, m.invInertiaZ = 1 / inertiaZ;
}

// force[s] -> linear acceleration, torque[s] -> angular acceleration (both in place). A spring's
// mass changes with its extension in every stage, so the inverses are checked each time.
inline void CObj::IntegrateAcceleration(StageState& q) {
    if (mass != inverses_.mass || inertiaX != inverses_.inertiaX || inertiaY != inverses_.inertiaY ||
        inertiaZ != inverses_.inertiaZ) [[unlikely]]
        RefreshMassInverses();
    if (mass == 0 || std::isnan(mass)) [[unlikely]] {
        PostAnomalyFormat("%s %s %s で、0 割りが発生しました", varName.c_str(), typeName.c_str(),
                          displayName.c_str());
    } else {
        const double inverseMass = inverses_.invMass;
        q.forceX *= inverseMass, q.forceY *= inverseMass, q.forceZ *= inverseMass;
    }
    if (inertiaX != 0 && inertiaY != 0 && inertiaZ != 0) [[likely]] {
        // alpha = rot^T I^-1 rot tau, with the torque taken to the body axes and back.
        const Mat3& r = q.rot;
        const Vec3 tau = r * Vec3{q.torqueX, q.torqueY, q.torqueZ};
        const Vec3 t{tau.x * inverses_.invInertiaX, tau.y * inverses_.invInertiaY,
                     tau.z * inverses_.invInertiaZ};
        q.torqueX = r.m[0][0] * t.x + r.m[1][0] * t.y + r.m[2][0] * t.z;
        q.torqueY = r.m[0][1] * t.x + r.m[1][1] * t.y + r.m[2][1] * t.z;
        q.torqueZ = r.m[0][2] * t.x + r.m[1][2] * t.y + r.m[2][2] * t.z;
    }
}

namespace {

constexpr double kSumWeight[4] = {1, 2, 2, 1};

// A fixed body stands still: no increments, and a committed state at rest.
void HoldStill(StageState& q, StageState& committed) {
    q.forceX = q.forceY = q.forceZ = 0;
    q.torqueX = q.torqueY = q.torqueZ = 0;
    committed.velX = committed.velY = committed.velZ = 0;
    committed.omegaX = committed.omegaY = committed.omegaZ = 0;
}

}  // namespace

// The stage's increments are k_s = h * rate_s: position h v, velocity h a (kept in force), angular
// velocity h alpha (kept in torque), rot row r h (w x r). Position and rotation increments go
// straight into the next stage and into the step's running sums k0 + 2 k1 + 2 k2 + k3.
void CObj::IntegrateStage(int s) {
    // The committed state changes only at commits, so one look per sub-step sees every run-away.
    if (s == 0) ReportRunaway();
    StageState& q = state[s];
    if (IsFixed())
        HoldStill(q, state[0]);
    else
        IntegrateAcceleration(q);
    const double h = settings().timeStep;
    q.forceX *= h, q.forceY *= h, q.forceZ *= h;
    q.torqueX *= h, q.torqueY *= h, q.torqueZ *= h;

    // h v, and h (w x row_r) for each row r of rot: the body axes turn with the angular velocity.
    const double dPos[3] = {h * q.velX, h * q.velY, h * q.velZ};
    const double wx = q.omegaX, wy = q.omegaY, wz = q.omegaZ;
    double dRot[9];
    for (int r = 0; r < 3; ++r) {
        const double* row = q.rot.m[r];
        dRot[3 * r + 0] = h * (row[2] * wy - row[1] * wz);
        dRot[3 * r + 1] = h * (row[0] * wz - row[2] * wx);
        dRot[3 * r + 2] = h * (row[1] * wx - row[0] * wy);
    }
    if (s == 0) {
        for (int i = 0; i < 3; ++i) stepPositionSum_[i] = 0.0 + dPos[i];
        for (int i = 0; i < 9; ++i) stepRotationSum_[i] = 0.0 + dRot[i];
    } else {
        const double weight = kSumWeight[s];
        for (int i = 0; i < 3; ++i) stepPositionSum_[i] += weight * dPos[i];
        for (int i = 0; i < 9; ++i) stepRotationSum_[i] += weight * dRot[i];
    }

    if (s < 3)
        BuildNextStage(s, dPos, dRot);
    else
        CommitStage();
}

// q_{s+1} = q0 + w k_s with w = 1/2, 1/2, 1.
inline void CObj::BuildNextStage(int s, const double dPos[3], const double dRot[9]) {
    const double w = kStageWeight[s];
    const StageState &q0 = state[0], &k = state[s];
    StageState& n = state[s + 1];
    n.posX = q0.posX + w * dPos[0], n.posY = q0.posY + w * dPos[1], n.posZ = q0.posZ + w * dPos[2];
    n.velX = q0.velX + w * k.forceX, n.velY = q0.velY + w * k.forceY, n.velZ = q0.velZ + w * k.forceZ;
    n.omegaX = q0.omegaX + w * k.torqueX;
    n.omegaY = q0.omegaY + w * k.torqueY;
    n.omegaZ = q0.omegaZ + w * k.torqueZ;
    const double* r0 = q0.rot.data();
    double* rn = n.rot.data();
    for (int i = 0; i < 9; ++i) rn[i] = r0[i] + w * dRot[i];
    if (!UpdateStageMatrices(s + 1)) [[unlikely]]
        ReportCannotContinue(displayName);
}

// q0 += (k0 + 2 k1 + 2 k2 + k3) / 6.
inline void CObj::CommitStage() {
    const StageState &k0 = state[0], &k1 = state[1], &k2 = state[2], &k3 = state[3];
    auto rk4 = [&](double StageState::*k) { return (k0.*k + 2 * (k1.*k) + 2 * (k2.*k) + k3.*k) * kSixth; };
    StageState& q = state[0];
    q.velX += rk4(&StageState::forceX), q.velY += rk4(&StageState::forceY),
        q.velZ += rk4(&StageState::forceZ);
    q.posX += stepPositionSum_[0] * kSixth, q.posY += stepPositionSum_[1] * kSixth,
        q.posZ += stepPositionSum_[2] * kSixth;
    q.omegaX += rk4(&StageState::torqueX), q.omegaY += rk4(&StageState::torqueY),
        q.omegaZ += rk4(&StageState::torqueZ);
    double* r0 = q.rot.data();
    for (int i = 0; i < 9; ++i) r0[i] += stepRotationSum_[i] * kSixth;
    if (!UpdateStageMatrices(0)) [[unlikely]]
        ReportCannotContinue(displayName);
}

// Re-orthonormalises state[s].rot keeping the direction of its z row: z' = z / |z|,
// y' = (z x x) / |z x x|, x' = y' x z'. The two lengths do not wait for each other, so their
// square roots and divisions overlap. Fails when no frame can be rebuilt: a zero z row, an x row
// along z, or a row that is not a number.
bool CObj::UpdateStageMatrices(int s) {
    Mat3& r = state[s].rot;
    const Vec3 x = r.Row(0), z = r.Row(2);
    const Vec3 y = Cross(z, x);
    const double lengthZ = std::sqrt(Dot(z, z)), lengthY = std::sqrt(Dot(y, y));
    // NaN fails every comparison: only two finite, non-zero lengths pass
    const bool valid = lengthZ > 0 && lengthY > 0 && lengthZ < INFINITY && lengthY < INFINITY;
    if (!valid) return false;
    const Vec3 unitZ = z * (1.0 / lengthZ), unitY = y * (1.0 / lengthY);
    r.SetRow(0, Cross(unitY, unitZ)), r.SetRow(1, unitY), r.SetRow(2, unitZ);
    return true;
}

Mat4 CObj::LocalToWorld() const {
    const Mat3& r = state[0].rot;
    const Vec3 pos = Position(0);
    return Mat4{{{r.m[0][0], r.m[1][0], r.m[2][0], pos.x},
                 {r.m[0][1], r.m[1][1], r.m[2][1], pos.y},
                 {r.m[0][2], r.m[1][2], r.m[2][2], pos.z},
                 {0, 0, 0, 1}}};
}

// [rot | -rot pos]
Mat4 CObj::WorldToLocal() const {
    const Mat3& r = state[0].rot;
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
