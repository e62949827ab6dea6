#include "sim/Obj.h"

#include <algorithm>
#include <cmath>

#include "base/Diagnostics.h"
#include "sim/Scene.h"

namespace korvan {

CObj::CObj(CScene& scene, std::string kind, std::string name)
    : motion_(scene.ReserveMotionLane()),
      settings_(&scene.settings),
      typeName(std::move(kind)),
      displayName(std::move(name)),
      scene_(&scene) {
    varName = scene.NextVarName(typeName);
    Reset();
}

CObj::~CObj() = default;

void CObj::Reset() {
    id = scene_->Count();
    // The committed state and the one place the intermediate stages share; then the stage's sums.
    for (int s = 0; s < 2; ++s) {
        StateLanes& q = motion_.State(s);
        motion_.Set(q.pos, {}), motion_.Set(q.vel, {}), motion_.Set(q.omega, {});
        SetRot(s, s == 0 ? Mat3::Identity() : Mat3{});
    }
    SetStageWrench({});
    UpdateStageMatrices(0);
    colorR = colorG = colorB = 0.5;
    RHO = 1000;
    opacity = 1;
    ShadeThrow = ShadeReceive = -1;
    mass = inertiaX = inertiaY = inertiaZ = 0;
    extForce = extTorque = brakeTorque = Vec3{};
    bounds[0] = bounds[2] = bounds[4] = 1e20;
    bounds[1] = bounds[3] = bounds[5] = -1e20;
    grabActive = 0;
    ctrlForceSign = 1;
    keepDirectionGain = 0;
    crashSoundMode = slipSoundMode = speedSoundMode = 0;
    calcCost = stepCost = 0;
}

// ---- State setters and getters ------------------------------------------------------------

void CObj::SetPosition(double x, double y, double z) {
    motion_.Set(motion_.State(0).pos, {x, y, z});
    UpdateStageMatrices(0);
}

void CObj::SetVelocity(double x, double y, double z) {
    motion_.Set(motion_.State(0).vel, {x, y, z});
}

void CObj::SetAngularVelocity(double x, double y, double z) {
    motion_.Set(motion_.State(0).omega, {x, y, z});
}

// Rodrigues: R = I cos(a) + sin(a) [k]x + (1 - cos(a)) k k^T is body-to-world; rot = R^T.
void CObj::SetAngle(double x, double y, double z) {
    Vec3 v{x, y, z};
    double angle = Length(v);
    Mat3 r = Mat3::Identity();
    if (angle > 0) {
        Vec3 k = v * (1.0 / angle);
        double c = std::cos(angle), sn = std::sin(angle), t = 1 - c;
        r = Mat3{{{t * k.x * k.x + c, t * k.x * k.y - sn * k.z, t * k.x * k.z + sn * k.y},
                  {t * k.x * k.y + sn * k.z, t * k.y * k.y + c, t * k.y * k.z - sn * k.x},
                  {t * k.x * k.z - sn * k.y, t * k.y * k.z + sn * k.x, t * k.z * k.z + c}}};
    }
    SetRot(0, Transposed(r));
    UpdateStageMatrices(0);
}

// Inverse of SetAngle. rot + rot^T - (trace - 1) I = 2 (1 - cos a) k k^T, so its largest column
// is the best-conditioned multiple of the axis k; the skew part of rot gives the sign of k
// (sin a k, which vanishes only where both orientations describe the same turn).
Vec3 CObj::GetAngle() const {
    const Mat3 m = Rot(0);
    double trace = m.m[0][0] + m.m[1][1] + m.m[2][2];
    double angle = std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0));
    Mat3 sym;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) sym.m[i][j] = m.m[i][j] + m.m[j][i] - (i == j ? trace - 1 : 0.0);
    int best = 0;
    for (int c = 1; c < 3; ++c)
        if (Length(sym.Column(c)) > Length(sym.Column(best))) best = c;
    Vec3 axis = sym.Column(best);
    double len = Length(axis);
    if (len == 0 || angle == 0) return {};
    axis *= 1.0 / len;
    // rot = R^T, so the skew vector of rot taken this way round is sin(a) k.
    Vec3 skew{m.m[1][2] - m.m[2][1], m.m[2][0] - m.m[0][2], m.m[0][1] - m.m[1][0]};
    if (Dot(axis, skew) < 0) axis = -axis;
    return axis * angle;
}

void CObj::GetMatrix(double out[9]) const {
    const Mat3 rot = Rot(0);
    std::copy(rot.data(), rot.data() + 9, out);
}

// ---- Default virtual operations ---------------------------------------------------------

void CObj::SetLastSettingWidth() {
    ReportBug("virtual void CObj::SetLastSettingWidth(  )");
}

int CObj::IsVerticalToSurface(const Vec3&, const Vec3&) const {
    ReportBug("buf!");
    return 0;
}

bool CObj::GetFace(int face, FaceFrame& out) const {
    return FaceFrameOf(face, out);
}

void CObj::SetRecordLength(int frames) {
    records.resize(static_cast<std::size_t>(std::max(frames, 0)));
}

void CObj::RestoreRecordedFrame(int frame) {
    if (frame < 0 || frame >= static_cast<int>(records.size())) return;
    const REC& r = records[static_cast<std::size_t>(frame)];
    StateLanes& q = motion_.State(0);
    motion_.Set(q.pos, {r.position[0], r.position[1], r.position[2]});
    motion_.Set(q.vel, {r.velocity[0], r.velocity[1], r.velocity[2]});
    motion_.Set(q.omega, {r.angularVelocity[0], r.angularVelocity[1], r.angularVelocity[2]});
    Mat3 rot;
    std::copy(std::begin(r.rot), std::end(r.rot), rot.data());
    SetRot(0, rot);
    UpdateStageMatrices(0);
}

void CObj::StoreRecordedFrame(int frame) {
    if (frame < 0 || frame >= static_cast<int>(records.size())) return;
    REC& r = records[static_cast<std::size_t>(frame)];
    const Vec3 position = Position(0), velocity = Velocity(0), omega = Omega(0);
    r.position[0] = position.x, r.position[1] = position.y, r.position[2] = position.z;
    r.velocity[0] = velocity.x, r.velocity[1] = velocity.y, r.velocity[2] = velocity.z;
    r.angularVelocity[0] = omega.x, r.angularVelocity[1] = omega.y, r.angularVelocity[2] = omega.z;
    GetMatrix(r.rot);
}

void CObj::UpdateDerivedConstants() {
    UpdateJoinPoints(0);
    ControlPass();
    UpdateJoinConstants();
}

int CObj::FindFace(int, const Vec3&, double) const {
    ReportBug("ここにはこない");
    return -1;
}

void CObj::UpdateMountedViews() {}
void CObj::AdjustPointMotion(int, int, Vec3&) const {}
void CObj::MakeModel() {}

// A rigid body's sums are the same place in every stage; kinds with numbers of their own per stage
// clear those too.
void CObj::ClearStageForces(int /*s*/) {
    SetStageWrench({});
}

// ---- Shape building -----------------------------------------------------------------------

void CObj::ClearShape() {
    bounds[0] = bounds[2] = bounds[4] = 1e20;
    bounds[1] = bounds[3] = bounds[5] = -1e20;
    crashPoints.clear();
    activeContacts_.clear();
    crashRadius_ = -1;
    slidingLaws_.clear();
    contactQuads_.clear();
    activeContactCount_ = 0;
    vertexX.clear(), vertexY.clear(), vertexZ.clear();
    faces.clear();
    faceNormalX.clear(), faceNormalY.clear(), faceNormalZ.clear();
}

int CObj::AddVertex(const Vec3& p) {
    vertexX.push_back(p.x), vertexY.push_back(p.y), vertexZ.push_back(p.z);
    return static_cast<int>(vertexX.size()) - 1;
}

void CObj::AddFace(int a, int b, int c, int d) {
    faces.push_back(CON{{a, b, c, d}});
}

void CObj::AddCrashPoint(const Vec3& p) {
    _CRASHINFO c;
    c.localPoint = p;
    crashPoints.push_back(c);
    crashRadius_ = -1;
    // room for every point, so that the control pass never allocates
    activeContacts_.emplace_back();
    slidingLaws_.emplace_back();
    contactQuads_.resize(QuadCount(crashPoints.size()));
}

// Outward normals from the vertex order: quad (a, b, c, d) -> (c - a) x (d - b),
// triangle (a, b, c) -> (b - a) x (c - b).
void CObj::FinishShape() {
    for (std::size_t i = 0; i < vertexX.size(); ++i) {
        double v[3] = {vertexX[i], vertexY[i], vertexZ[i]};
        for (int a = 0; a < 3; ++a) {
            bounds[2 * a] = std::min(bounds[2 * a], v[a]);
            bounds[2 * a + 1] = std::max(bounds[2 * a + 1], v[a]);
        }
    }
    faceNormalX.clear(), faceNormalY.clear(), faceNormalZ.clear();
    for (const CON& f : faces) {
        Vec3 n = f.IsTriangle() ? Cross(Vertex(f.v[1]) - Vertex(f.v[0]), Vertex(f.v[2]) - Vertex(f.v[1]))
                                : Cross(Vertex(f.v[2]) - Vertex(f.v[0]), Vertex(f.v[3]) - Vertex(f.v[1]));
        n = Normalized(n);
        faceNormalX.push_back(n.x), faceNormalY.push_back(n.y), faceNormalZ.push_back(n.z);
    }
}

void CObj::FacePlane(int face, Vec3& firstVertex, Vec3& normal) const {
    firstVertex = Vertex(faces[static_cast<std::size_t>(face)].v[0]);
    normal = FaceNormal(face);
}

bool CObj::FaceFrameOf(int face, FaceFrame& out) const {
    if (face < 0 || face >= static_cast<int>(faces.size())) {
        ReportBug("bug");
        return false;
    }
    const CON& f = faces[static_cast<std::size_t>(face)];
    Vec3 sum;
    for (int k = 0; k < f.Count(); ++k) sum += Vertex(f.v[k]);
    out.center = sum * (1.0 / f.Count());
    out.normal = FaceNormal(face);
    out.axis1 = Normalized(Vertex(f.v[1]) - Vertex(f.v[0]));
    out.axis2 = Normalized(Cross(out.normal, out.axis1));
    return true;
}

// ---- Resizing ----------------------------------------------------------------------------

void CObj::ShiftForResize(const Vec3& shift, const Vec3& oldSize, const Vec3& newSize) {
    Vec3 worldShift = ToWorldVector(0, shift);
    const Vec3 moved = Position(0) + worldShift;
    SetPosition(moved.x, moved.y, moved.z);

    // Each connection group keeps its shape and its relative place between the faces:
    // new centre = (new size - extent) * centre / (old size - extent), per axis.
    std::size_t first = 0;
    while (first < joins.size()) {
        std::size_t count = static_cast<std::size_t>(std::max(joins[first].GroupSize(), 1));
        std::size_t last = std::min(first + count, joins.size());
        Vec3 lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300}, centre;
        for (std::size_t i = first; i < last; ++i) {
            const Vec3& p = joins[i].localPoint;
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
            centre += p;
        }
        centre *= 1.0 / static_cast<double>(last - first);
        Vec3 move;
        for (int a = 0; a < 3; ++a) {
            double extent = hi[a] - lo[a];
            double room = oldSize[a] - extent;
            if (room > 0.0001 * newSize[a]) move[a] = (newSize[a] - extent) * centre[a] / room - centre[a];
        }
        for (std::size_t i = first; i < last; ++i) {
            joins[i].localPoint += move;
            joins[i].originalPoint += move;
            joins[i].previousLocalPoint += move;
        }
        first = last;
    }
}

}  // namespace korvan
