#include "sim/ObjCylinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/Scene.h"

namespace korvan {

CObjCylinder::CObjCylinder(CScene& scene, std::string kind, std::string name)
    : CObj(scene, std::move(kind), std::move(name)) {}

// Ring k at +W/2 is vertex k, ring k at -W/2 vertex N + k; the cap centres are 2N and 2N + 1.
void CObjCylinder::BuildCylinderShape() {
    ClearShape();
    const int n = crashPointR;
    const double r = widthR, w = widthW;
    for (int half = 0; half < 2; ++half)
        for (int k = 0; k < n; ++k) {
            double theta = 2 * std::numbers::pi * k / n;
            AddVertex({r * std::cos(theta), half == 0 ? w / 2 : -w / 2, r * std::sin(theta)});
        }
    AddVertex({0, w / 2, 0});
    AddVertex({0, -w / 2, 0});

    for (int k = 0; k < n; ++k) AddFace(k, (k + 1) % n, n + (k + 1) % n, n + k);
    for (int k = 0; k < n; ++k) AddFace((k + 1) % n, k, 2 * n);
    for (int k = 0; k < n; ++k) AddFace(n + k, n + (k + 1) % n, 2 * n + 1);

    // Crash points on the side edges only, crashPointW along each.
    for (int i = 0; i < crashPointW; ++i) {
        double s = crashPointW == 1 ? 0.5 : static_cast<double>(i) / (crashPointW - 1);
        for (int j = 0; j < n; ++j) AddCrashPoint(Vertex(n + j) * (1 - s) + Vertex(j) * s);
    }
    sizeMin = sizeRef = std::min(2 * r, w);
    sizeMax = std::max(2 * r, w);
}

void CObjCylinder::MakeModel() {
    BuildCylinderShape();
    if (RHO >= 0) {
        const double r2 = widthR * widthR;
        mass = 3.14 * r2 * widthW * RHO;  // 3.14, not pi: stored scenes are tuned to this mass
        inertiaY = mass * r2 / 2;
        inertiaX = inertiaZ = (3 * r2 + widthW * widthW) * mass / 12;
    }
    FinishShape();
}

int CObjCylinder::FindFace(int type, const Vec3& worldPoint, double margin) const {
    Vec3 p = ToBodyPoint(0, worldPoint);
    const double r = widthR + margin, halfW = widthW / 2;
    if (std::fabs(p.x) > r || std::fabs(p.z) > r || p.y < -halfW - margin || p.y > halfW + margin ||
        p.x * p.x + p.z * p.z > r * r)
        return -1;
    const int n = crashPointR;
    int capFace = -1;
    double capDistance = 0;
    if (type & kCylinderTopCap) capFace = n, capDistance = halfW - p.y;
    if ((type & kCylinderBottomCap) && (capFace < 0 || p.y + halfW < capDistance))
        capFace = 2 * n, capDistance = p.y + halfW;
    if (type & kCylinderSide) {
        double sideDistance = widthR - std::sqrt(p.x * p.x + p.z * p.z);
        if (capFace < 0 || sideDistance < capDistance) {
            double phi = std::atan2(p.z, p.x);
            if (phi < 0) phi += 2 * std::numbers::pi;
            int facet = static_cast<int>(std::floor(phi / (2 * std::numbers::pi) * n));
            return std::clamp(facet, 0, n - 1);
        }
    }
    return capFace;
}

int CObjCylinder::IsVerticalToSurface(const Vec3& q, const Vec3& u) const {
    const double t = 0.001 * sizeRef;
    if (std::fabs(std::fabs(q.y) - widthW / 2) < t) return std::fabs(u.y) >= 0.001 ? 1 : 0;
    double radius = std::sqrt(q.x * q.x + q.z * q.z);
    if (std::fabs(radius - widthR) >= t) return 1;
    return std::fabs((q.x * u.x + q.z * u.z) / radius) >= 0.1 ? 1 : 0;
}

void CObjCylinder::SetLastSettingWidth() {
    const SizeMemory& memory = scene().rememberedSizes;
    double w = widthW, r = widthR;
    if (double v = memory.Get(typeName, 'W'); v >= 0) w = v;
    if (double v = memory.Get(typeName, 'R'); v >= 0) r = v;
    SetSize(w, r);
}

void CObjCylinder::SetSize(double w, double r, const Vec3& shift) {
    Vec3 oldSize = Size();
    widthW = w, widthR = r;
    SizeMemory& memory = scene().rememberedSizes;
    memory.Set(typeName, 'W', w), memory.Set(typeName, 'R', r);
    ShiftForResize(shift, oldSize, Size());
    MakeModel();
}

}  // namespace korvan
