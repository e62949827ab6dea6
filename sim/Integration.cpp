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

// force[s] -> linear acceleration, torque[s] -> angular acceleration (both in place).
void CObj::IntegrateAcceleration(int s) {
    if (mass == 0 || std::isnan(mass)) {
        PostAnomalyFormat("%s %s %s で、0 割りが発生しました", varName.c_str(), typeName.c_str(),
                          displayName.c_str());
    } else {
        const double inverseMass = 1 / mass;
        state[s].forceX *= inverseMass, state[s].forceY *= inverseMass, state[s].forceZ *= inverseMass;
    }
    if (inertiaX != 0 && inertiaY != 0 && inertiaZ != 0) {
        // alpha = L2W * I^-1 * W2L * tau, with the torque taken to the body axes and back.
        Vec3 tau = ToBodyVector(s, {state[s].torqueX, state[s].torqueY, state[s].torqueZ});
        Vec3 alpha = ToWorldVector(s, {tau.x / inertiaX, tau.y / inertiaY, tau.z / inertiaZ});
        state[s].torqueX = alpha.x, state[s].torqueY = alpha.y, state[s].torqueZ = alpha.z;
    }
}

void CObj::IntegrateStage(int s) {
    ReportRunaway();
    if (IsFixed()) {
        state[s].forceX = state[s].forceY = state[s].forceZ = 0;
        state[s].torqueX = state[s].torqueY = state[s].torqueZ = 0;
        state[0].velX = state[0].velY = state[0].velZ = 0;
        state[0].omegaX = state[0].omegaY = state[0].omegaZ = 0;
    } else {
        IntegrateAcceleration(s);
    }

    // k_s = h * rate_s: dPos = h v, dv = h a (kept in force), dw = h alpha (kept in torque),
    // dRot row r = h (w x r).
    const double h = settings().timeStep;
    const double wx = state[s].omegaX, wy = state[s].omegaY, wz = state[s].omegaZ;
    state[s].dPosX = h * state[s].velX, state[s].dPosY = h * state[s].velY,
    state[s].dPosZ = h * state[s].velZ;
    state[s].forceX *= h, state[s].forceY *= h, state[s].forceZ *= h;
    state[s].torqueX *= h, state[s].torqueY *= h, state[s].torqueZ *= h;
    for (int r = 0; r < 3; ++r) {
        const double* row = state[s].rot.m[r];
        state[s].dRot[3 * r + 0] = h * (row[2] * wy - row[1] * wz);
        state[s].dRot[3 * r + 1] = h * (row[0] * wz - row[2] * wx);
        state[s].dRot[3 * r + 2] = h * (row[1] * wx - row[0] * wy);
    }

    if (s < 3)
        BuildNextStage(s);
    else
        CommitStage();
}

void CObj::BuildNextStage(int s) {
    const double w = kStageWeight[s];
    const int n = s + 1;
    state[n].posX = state[0].posX + w * state[s].dPosX, state[n].posY = state[0].posY + w * state[s].dPosY,
    state[n].posZ = state[0].posZ + w * state[s].dPosZ;
    state[n].velX = state[0].velX + w * state[s].forceX, state[n].velY = state[0].velY + w * state[s].forceY,
    state[n].velZ = state[0].velZ + w * state[s].forceZ;
    state[n].omegaX = state[0].omegaX + w * state[s].torqueX;
    state[n].omegaY = state[0].omegaY + w * state[s].torqueY;
    state[n].omegaZ = state[0].omegaZ + w * state[s].torqueZ;
    const double* r0 = state[0].rot.data();
    double* rn = state[n].rot.data();
    for (int i = 0; i < 9; ++i) rn[i] = r0[i] + w * state[s].dRot[i];
    if (!UpdateStageMatrices(n)) ReportCannotContinue(displayName);
}

void CObj::CommitStage() {
    const StageState &k0 = state[0], &k1 = state[1], &k2 = state[2], &k3 = state[3];
    auto rk4 = [&](double StageState::*k) { return (k0.*k + 2 * (k1.*k) + 2 * (k2.*k) + k3.*k) * kSixth; };
    StageState& q = state[0];
    q.velX += rk4(&StageState::forceX), q.velY += rk4(&StageState::forceY),
        q.velZ += rk4(&StageState::forceZ);
    q.posX += rk4(&StageState::dPosX), q.posY += rk4(&StageState::dPosY), q.posZ += rk4(&StageState::dPosZ);
    q.omegaX += rk4(&StageState::torqueX), q.omegaY += rk4(&StageState::torqueY),
        q.omegaZ += rk4(&StageState::torqueZ);
    double* r0 = state[0].rot.data();
    for (int i = 0; i < 9; ++i)
        r0[i] += (state[0].dRot[i] + 2 * state[1].dRot[i] + 2 * state[2].dRot[i] + state[3].dRot[i]) * kSixth;
    if (!UpdateStageMatrices(0)) ReportCannotContinue(displayName);
}

// Re-orthonormalises state[s].rot keeping the direction of its z row, then rebuilds the inverse and the
// two 4x4 body matrices. Fails, keeping rotInv and worldToLocal, on a singular rot.
bool CObj::UpdateStageMatrices(int s) {
    Mat3& r = state[s].rot;
    Vec3 x = r.Row(0), z = r.Row(2);
    if (double len = Length(z); len != 0) z *= 1.0 / len;
    Vec3 y = Cross(z, x);
    if (double len = Length(y); len != 0) y *= 1.0 / len;
    x = Cross(y, z);
    r.SetRow(0, x), r.SetRow(1, y), r.SetRow(2, z);

    Mat4& l2w = state[s].localToWorld;
    const double pos[3] = {state[s].posX, state[s].posY, state[s].posZ};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) l2w.m[i][j] = r.m[j][i];
        l2w.m[i][3] = pos[i];
    }
    l2w.m[3][0] = l2w.m[3][1] = l2w.m[3][2] = 0, l2w.m[3][3] = 1;

    if (!InvertByCofactors(r, state[s].rotInv)) return false;

    // worldToLocal = [rotInv^T | -rotInv^T pos]
    Mat4& w2l = state[s].worldToLocal;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) w2l.m[i][j] = state[s].rotInv.m[j][i];
        w2l.m[i][3] = -(w2l.m[i][0] * pos[0] + w2l.m[i][1] * pos[1] + w2l.m[i][2] * pos[2]);
    }
    w2l.m[3][0] = w2l.m[3][1] = w2l.m[3][2] = 0, w2l.m[3][3] = 1;
    return true;
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
