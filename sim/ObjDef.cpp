#include "sim/ObjDef.h"

#include <cmath>
#include <numbers>

#include "sim/Scene.h"

namespace korvan {

void CObjDef::SetDefObj(double k, double c, double phi0, double rate0) {
    defSpring = k;
    defDamping = c;
    defAngle.Start(phi0, rate0);
}

int CObjDef::EndSign(const _JOININFO& join) const {
    const double side = join.originalPoint.y / (widthW / 2);
    if (side > 0.999) return -1;
    if (side < -0.999) return 1;
    return 0;
}

void CObjDef::MakeModel() {
    const double h = widthW / 2;
    ringGearOutline = GearOutline(GearNUM, widthR);
    pinionOutline = GearOutline(static_cast<int>(std::lround(h * GearNUM / widthR)), h);
    CObjCylinder::MakeModel();
    BuildMassModel();
}

// Two ring gears of radius R and two pinions of radius h = W / 2, all of thickness t, the rings
// at the ends and the pinions across the axis, each a disc about its own centre moved out by the
// parallel-axis term.
void CObjDef::BuildMassModel() {
    const double r = widthR, h = widthW / 2, t = GearThickness();
    const double pinionMass = h * h * 3.14 * t * RHO;
    const double ringMass = r * r * 3.14 * t * RHO;
    mass = 2 * (pinionMass + ringMass);
    const double q = (3 * h * h + 12 * r * r - 12 * r * t + 4 * t * t) * pinionMass / 12 * 2;
    const double f = (3 * r * r + 12 * h * h - 12 * h * t + 4 * t * t) * ringMass / 12 * 2;
    pinionInertia = h * h * pinionMass / 2;
    inertiaY = r * r * ringMass / 2 * 2 + q;
    inertiaZ = f + q;
    inertiaX = 2 * pinionInertia + f;
}

// One tooth per pitch p = 2 pi / n: root, flank up, tip, flank down, then the gap at the root
// radius. The tooth is GearDEPTH modules high (module = 2 radius / n), centred on the radius,
// and each flank leans by GearSLOPE of the pitch.
std::vector<Vec3> CObjDef::GearOutline(int teeth, double radius) const {
    std::vector<Vec3> outline;
    if (teeth < 1) return outline;
    const double pitch = 2 * std::numbers::pi / teeth;
    const double depth = GearDEPTH * 2 * radius / teeth;
    const double root = radius - depth / 2, tip = radius + depth / 2;
    const double flank = GearSLOPE * pitch;
    auto point = [](double angle, double at) { return Vec3{at * std::cos(angle), 0, at * std::sin(angle)}; };
    for (int k = 0; k < teeth; ++k) {
        const double start = k * pitch;
        outline.push_back(point(start, root));
        outline.push_back(point(start + flank, tip));
        outline.push_back(point(start + pitch / 2 - flank, tip));
        outline.push_back(point(start + pitch / 2, root));
    }
    return outline;
}

// theta = -e_s phi; (x, z) = (cos theta x0 - sin theta z0, sin theta x0 + cos theta z0).
void CObjDef::UpdateDefGeometry(int s) {
    for (_JOININFO& j : joins) {
        if (!j.partner) continue;
        const double theta = -EndSign(j) * defAngle.value[s];
        const Vec3& p = j.originalPoint;
        j.localPoint = {std::cos(theta) * p.x - std::sin(theta) * p.z, p.y,
                        std::sin(theta) * p.x + std::cos(theta) * p.z};
    }
}

// d/dt of the turned point, a = e_s phi: (e_s (z0 cos a - x0 sin a), 0, -e_s (x0 cos a + z0 sin a)) dphi/dt.
void CObjDef::AdjustPointMotion(int joinIndex, int s, Vec3& worldVelocity) const {
    if (joinIndex < 0) return;
    const _JOININFO& j = joins[static_cast<std::size_t>(joinIndex)];
    if (!j.partner) return;
    const double e = EndSign(j), a = e * defAngle.value[s], omega = defAngle.rate[s];
    const Vec3& p = j.originalPoint;
    const Vec3 local{e * (p.z * omega * std::cos(a) - p.x * omega * std::sin(a)), 0,
                     -e * (p.x * omega * std::cos(a) + p.z * omega * std::sin(a))};
    worldVelocity += ToWorldVector(s, local);
}

void CObjDef::ClearStageForces(int s) {
    CObj::ClearStageForces(s);
    defAngle.ClearStage(s);
}

// phi'' = (sum over connected records of K (x_p z - z_p x) e_s) / I_pinion / 2 - c phi' - k phi,
// the connection torques about the axis taken with the sign of their end. Nothing drives phi while
// the model is being assembled.
void CObjDef::ComputeStageForces(int s) {
    CObjCylinder::ComputeStageForces(s);
    if (!(settings().AssemblyProgress() >= 1)) return;
    double torque = 0;
    for (const _JOININFO& j : joins) {
        const _JOININFO* mirror = MirrorOf(j);
        if (!mirror) continue;
        const Vec3 mirrorWorld = j.partner->ToWorldPoint(s, mirror->localPoint);
        const Vec3 m = ToBodyPoint(s, mirrorWorld);
        torque += j.effStrength * (m.x * j.localPoint.z - m.z * j.localPoint.x) * EndSign(j);
    }
    // A fixed gear (RHO < 0) has a negative mass model; its magnitude still measures the pinions.
    // Without any pinion inertia (RHO or thickness 0) the connections cannot drive phi.
    const double inertia = std::fabs(pinionInertia);
    const double drive = inertia > 0 ? torque / inertia * 0.5 : 0;
    defAngle.drive[s] = drive - defAngle.rate[s] * defDamping - defAngle.value[s] * defSpring;
}

void CObjDef::IntegrateStage(int s) {
    CObjCylinder::IntegrateStage(s);
    const double h = settings().timeStep;
    defAngle.drive[s] *= h;  // already an acceleration
    defAngle.AdvanceStage(s, h);
    if (s == 3) {
        if (defAngle.value[0] > std::numbers::pi) defAngle.value[0] -= 2 * std::numbers::pi;
        if (defAngle.value[0] < -std::numbers::pi) defAngle.value[0] += 2 * std::numbers::pi;
    }
    UpdateDefGeometry(s < 3 ? s + 1 : 0);
}

void CObjDef::UpdateDerivedConstants() {
    UpdateDefGeometry(0);
    CObjCylinder::UpdateDerivedConstants();
}

void CObjDef::SetRecordLength(int frames) {
    CObjCylinder::SetRecordLength(frames);
    defAngle.SetRecordLength(records.size());
}

void CObjDef::StoreRecordedFrame(int frame) {
    CObjCylinder::StoreRecordedFrame(frame);
    defAngle.StoreFrame(frame);
}

void CObjDef::RestoreRecordedFrame(int frame) {
    CObjCylinder::RestoreRecordedFrame(frame);
    defAngle.RestoreFrame(frame);
}

}  // namespace korvan
