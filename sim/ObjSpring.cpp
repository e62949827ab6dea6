#include "sim/ObjSpring.h"

#include "sim/Scene.h"

namespace korvan {

void CObjSpring::SetSpringObj(double k, double c, double e0, double rate0) {
    springConstant = k;
    springDamping = c;
    extension.Start(e0, rate0);
}

void CObjSpring::MakeModel() {
    CObjCylinder::MakeModel();
    UpdateStageMass(0);
}

// A spring is never the body others collide with.
int CObjSpring::FindFace(int, const Vec3&, double) const {
    return -1;
}

// Connection points: y = (h + e) * y0 / h. Crash points: the first row at -(h + e), the last at
// +(h + e); the rows between stay where the cylinder put them.
void CObjSpring::UpdateSpringGeometry(int s) {
    const double h = HalfLength(), end = h + extension.value[s];
    for (_JOININFO& j : joins)
        if (j.partner) j.localPoint.y = end * (j.originalPoint.y / h);
    const std::size_t ring = static_cast<std::size_t>(crashPointR);
    const std::size_t lastRow = ring * static_cast<std::size_t>(crashPointW - 1);
    for (std::size_t i = 0; i < ring && i < crashPoints.size(); ++i) crashPoints[i].localPoint.y = -end;
    for (std::size_t i = lastRow; i < lastRow + ring && i < crashPoints.size(); ++i)
        crashPoints[i].localPoint.y = end;
    RefreshActiveContactPoints();
}

// The ends' own motion: a point at y0 moves along the body y axis with (y0 / h) de/dt.
void CObjSpring::AdjustPointMotion(int joinIndex, int s, Vec3& worldVelocity) const {
    if (joinIndex < 0) return;
    const _JOININFO& j = joins[static_cast<std::size_t>(joinIndex)];
    if (!j.partner) return;
    const Vec3 axisY = BodyAxis(s, 1);
    worldVelocity += axisY * (j.originalPoint.y / HalfLength() * extension.rate[s]);
}

// The mass stays; the moments follow the length 2e + W of the stage. They are set when the
// stage's extension is, in the spring's own integration, so the force phase only reads them.
void CObjSpring::UpdateStageMass(int s) {
    if (RHO < 0) return;
    const double r = widthR, length = 2 * extension.value[s] + widthW;
    mass = r * 3.14 * r * widthW * RHO;
    inertiaY = r * r * mass / 2;
    inertiaX = inertiaZ = (3 * r * r + length * length) * mass / 12;
}

void CObjSpring::ClearStageForces(int s) {
    CObj::ClearStageForces(s);
    extension.ClearStage(s);
}

// F_e = sum over connected records of K (y_p - y) / 2 * (y0 / h) - 2 k e - c de/dt, with y_p the
// mirror point in this body's coordinates; nothing drives e while the model is being assembled.
void CObjSpring::ComputeStageForces(int s) {
    CObjCylinder::ComputeStageForces(s);
    if (!(settings().AssemblyProgress() >= 1)) return;
    const double h = HalfLength();
    double force = 0;
    for (const _JOININFO& j : joins) {
        const _JOININFO* mirror = MirrorOf(j);
        if (!mirror) continue;
        const Vec3 mirrorWorld = j.partner->ToWorldPoint(s, mirror->localPoint);
        const double yMirror = ToBodyPoint(s, mirrorWorld).y;
        force += j.effStrength * (yMirror - j.localPoint.y) * 0.5 * (j.originalPoint.y / h);
    }
    extension.drive[s] = force - 2 * springConstant * extension.value[s] - springDamping * extension.rate[s];
}

void CObjSpring::IntegrateStage(int s) {
    CObjCylinder::IntegrateStage(s);
    const double h = settings().timeStep;
    // A mass of 0 has been reported by the rigid step; the force then acts undivided, as there.
    extension.drive[s] = (mass != 0 ? extension.drive[s] / mass : extension.drive[s]) * h;
    extension.AdvanceStage(s, h);
    UpdateSpringGeometry(s < 3 ? s + 1 : 0);
    UpdateStageMass(s < 3 ? s + 1 : 0);
}

void CObjSpring::UpdateDerivedConstants() {
    UpdateSpringGeometry(0);
    CObjCylinder::UpdateDerivedConstants();
}

void CObjSpring::SetRecordLength(int frames) {
    CObjCylinder::SetRecordLength(frames);
    extension.SetRecordLength(records.size());
}

void CObjSpring::StoreRecordedFrame(int frame) {
    CObjCylinder::StoreRecordedFrame(frame);
    extension.StoreFrame(frame);
}

void CObjSpring::RestoreRecordedFrame(int frame) {
    CObjCylinder::RestoreRecordedFrame(frame);
    extension.RestoreFrame(frame);
}

}  // namespace korvan
