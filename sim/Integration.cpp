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
    if (!RunAway(posX[0], posY[0], posZ[0]) && !RunAway(velX[0], velY[0], velZ[0])) [[likely]]
        return;
    if (RunAway(posX[0], posY[0], posZ[0]))
        PostAnomalyFormat("%s の計算で、位置が異常な値 %e %e %e になりました。", displayName.c_str(), posX[0],
                          posY[0], posZ[0]);
    if (RunAway(velX[0], velY[0], velZ[0]))
        PostAnomalyFormat("%s の計算で、速度が異常な値 %e %e %e になりました。", displayName.c_str(), velX[0],
                          velY[0], velZ[0]);
}

// force[s] -> linear acceleration, torque[s] -> angular acceleration (both in place).
void CObj::IntegrateAcceleration(int s) {
    if (mass == 0 || std::isnan(mass)) {
        PostAnomalyFormat("%s %s %s で、0 割りが発生しました", varName.c_str(), typeName.c_str(),
                          displayName.c_str());
    } else {
        forceX[s] /= mass, forceY[s] /= mass, forceZ[s] /= mass;
    }
    if (inertiaX != 0 && inertiaY != 0 && inertiaZ != 0) {
        // alpha = L2W * I^-1 * W2L * tau, with the torque taken to the body axes and back.
        Vec3 tau = TransformVector(worldToLocal[s], {torqueX[s], torqueY[s], torqueZ[s]});
        Vec3 alpha = TransformVector(localToWorld[s], {tau.x / inertiaX, tau.y / inertiaY, tau.z / inertiaZ});
        torqueX[s] = alpha.x, torqueY[s] = alpha.y, torqueZ[s] = alpha.z;
    }
}

void CObj::IntegrateStage(int s) {
    ReportRunaway();
    if (IsFixed()) {
        forceX[s] = forceY[s] = forceZ[s] = 0;
        torqueX[s] = torqueY[s] = torqueZ[s] = 0;
        velX[0] = velY[0] = velZ[0] = 0;
        omegaX[0] = omegaY[0] = omegaZ[0] = 0;
    } else {
        IntegrateAcceleration(s);
    }

    // k_s = h * rate_s: dPos = h v, dv = h a (kept in force), dw = h alpha (kept in torque),
    // dRot row r = h (w x r).
    const double h = settings().timeStep;
    const double wx = omegaX[s], wy = omegaY[s], wz = omegaZ[s];
    dPosX[s] = h * velX[s], dPosY[s] = h * velY[s], dPosZ[s] = h * velZ[s];
    forceX[s] *= h, forceY[s] *= h, forceZ[s] *= h;
    torqueX[s] *= h, torqueY[s] *= h, torqueZ[s] *= h;
    for (int r = 0; r < 3; ++r) {
        const double* row = rot[s].m[r];
        dRot[s][3 * r + 0] = h * (row[2] * wy - row[1] * wz);
        dRot[s][3 * r + 1] = h * (row[0] * wz - row[2] * wx);
        dRot[s][3 * r + 2] = h * (row[1] * wx - row[0] * wy);
    }

    if (s < 3)
        BuildNextStage(s);
    else
        CommitStage();
}

void CObj::BuildNextStage(int s) {
    const double w = kStageWeight[s];
    const int n = s + 1;
    posX[n] = posX[0] + w * dPosX[s], posY[n] = posY[0] + w * dPosY[s], posZ[n] = posZ[0] + w * dPosZ[s];
    velX[n] = velX[0] + w * forceX[s], velY[n] = velY[0] + w * forceY[s], velZ[n] = velZ[0] + w * forceZ[s];
    omegaX[n] = omegaX[0] + w * torqueX[s];
    omegaY[n] = omegaY[0] + w * torqueY[s];
    omegaZ[n] = omegaZ[0] + w * torqueZ[s];
    const double* r0 = rot[0].data();
    double* rn = rot[n].data();
    for (int i = 0; i < 9; ++i) rn[i] = r0[i] + w * dRot[s][i];
    if (!UpdateStageMatrices(n)) ReportCannotContinue(displayName);
}

void CObj::CommitStage() {
    auto rk4 = [](const double* k) { return (k[0] + 2 * k[1] + 2 * k[2] + k[3]) / 6; };
    velX[0] += rk4(forceX), velY[0] += rk4(forceY), velZ[0] += rk4(forceZ);
    posX[0] += rk4(dPosX), posY[0] += rk4(dPosY), posZ[0] += rk4(dPosZ);
    omegaX[0] += rk4(torqueX), omegaY[0] += rk4(torqueY), omegaZ[0] += rk4(torqueZ);
    double* r0 = rot[0].data();
    for (int i = 0; i < 9; ++i) r0[i] += (dRot[0][i] + 2 * dRot[1][i] + 2 * dRot[2][i] + dRot[3][i]) / 6;
    if (!UpdateStageMatrices(0)) ReportCannotContinue(displayName);
}

// Re-orthonormalises rot[s] keeping the direction of its z row, then rebuilds the inverse and the
// two 4x4 body matrices. Fails, keeping rotInv and worldToLocal, on a singular rot.
bool CObj::UpdateStageMatrices(int s) {
    Mat3& r = rot[s];
    Vec3 x = r.Row(0), z = r.Row(2);
    if (double len = Length(z); len != 0) z *= 1.0 / len;
    Vec3 y = Cross(z, x);
    if (double len = Length(y); len != 0) y *= 1.0 / len;
    x = Cross(y, z);
    r.SetRow(0, x), r.SetRow(1, y), r.SetRow(2, z);

    Mat4& l2w = localToWorld[s];
    const double pos[3] = {posX[s], posY[s], posZ[s]};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) l2w.m[i][j] = r.m[j][i];
        l2w.m[i][3] = pos[i];
    }
    l2w.m[3][0] = l2w.m[3][1] = l2w.m[3][2] = 0, l2w.m[3][3] = 1;

    if (!InvertByCofactors(r, rotInv[s])) return false;

    // worldToLocal = [rotInv^T | -rotInv^T pos]
    Mat4& w2l = worldToLocal[s];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) w2l.m[i][j] = rotInv[s].m[j][i];
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
        j.worldOffset = TransformVector(localToWorld[s], j.localPoint);
        j.worldPoint = pos + j.worldOffset;
        j.worldVelocity = vel + Cross(omega, j.worldOffset);
    }
}

}  // namespace korvan
