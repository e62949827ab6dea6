#include "sim/ObjBox.h"

#include <algorithm>
#include <cmath>

#include "sim/Scene.h"

namespace korvan {

CObjBox::CObjBox(CScene& scene, std::string kind, std::string name)
    : CObj(scene, std::move(kind), std::move(name)) {}

namespace {

// Position of index i of n points spread from -w/2 to +w/2 (the middle when n is 1).
double GridCoordinate(int i, int n, double w) {
    double e = n == 1 ? 0.5 : static_cast<double>(i) / (n - 1);
    return (1 - e) * (-w / 2) + e * (w / 2);
}

}  // namespace

void CObjBox::MakeModel() {
    ClearShape();
    static constexpr int sx[8] = {-1, 1, 1, -1, -1, 1, 1, -1};
    static constexpr int sy[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
    static constexpr int sz[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
    for (int i = 0; i < 8; ++i) AddVertex({sx[i] * widthX / 2, sy[i] * widthY / 2, sz[i] * widthZ / 2});
    AddFace(3, 2, 1, 0);  // 0: -z
    AddFace(4, 5, 6, 7);  // 1: +z
    AddFace(0, 1, 5, 4);  // 2: -y
    AddFace(1, 2, 6, 5);  // 3: +x
    AddFace(2, 3, 7, 6);  // 4: +y
    AddFace(3, 0, 4, 7);  // 5: -x

    // Crash points on the surface of the grid only: at least one index at its first or last value.
    auto onEdge = [](int i, int n) { return i == 0 || i == n - 1; };
    for (int i = 0; i < crashPointX; ++i)
        for (int j = 0; j < crashPointY; ++j)
            for (int k = 0; k < crashPointZ; ++k) {
                if (!onEdge(i, crashPointX) && !onEdge(j, crashPointY) && !onEdge(k, crashPointZ)) continue;
                AddCrashPoint({GridCoordinate(i, crashPointX, widthX), GridCoordinate(j, crashPointY, widthY),
                               GridCoordinate(k, crashPointZ, widthZ)});
            }

    if (RHO >= 0) {
        mass = widthX * widthY * widthZ * RHO;
        inertiaX = (widthY * widthY + widthZ * widthZ) * mass / 12;
        inertiaY = (widthX * widthX + widthZ * widthZ) * mass / 12;
        inertiaZ = (widthX * widthX + widthY * widthY) * mass / 12;
    }
    sizeMin = sizeRef = std::min({widthX, widthY, widthZ});
    sizeMax = std::max({widthX, widthY, widthZ});
    FinishShape();
}

// Nearest face of the box grown by margin, ties going to the first face in the order
// -z, +z, -y, +x, +y, -x; -1 outside.
int CObjBox::FindFace(int, const Vec3& worldPoint, double margin) const {
    Vec3 p = ToBodyPoint(0, worldPoint);
    Vec3 half{widthX / 2, widthY / 2, widthZ / 2};
    for (int a = 0; a < 3; ++a)
        if (p[a] < -half[a] - margin || p[a] > half[a] + margin) return -1;
    const double dist[6] = {p.z + half.z, half.z - p.z, p.y + half.y,
                            half.x - p.x, half.y - p.y, p.x + half.x};
    return static_cast<int>(std::min_element(std::begin(dist), std::end(dist)) - std::begin(dist));
}

// 1 when the direction leaves the face the point lies on (or the point lies on no face),
// 0 when it lies in that face's plane.
int CObjBox::IsVerticalToSurface(const Vec3& q, const Vec3& u) const {
    const double t = 0.001 * sizeRef;
    const double half[3] = {widthX / 2, widthY / 2, widthZ / 2};
    for (int a = 0; a < 3; ++a)
        if (std::fabs(std::fabs(q[a]) - half[a]) < t) return std::fabs(u[a]) >= 0.001 ? 1 : 0;
    return 1;
}

void CObjBox::SetLastSettingWidth() {
    const SizeMemory& memory = scene().rememberedSizes;
    double size[3] = {widthX, widthY, widthZ};
    const char axes[3] = {'X', 'Y', 'Z'};
    for (int a = 0; a < 3; ++a)
        if (double v = memory.Get(typeName, axes[a]); v >= 0) size[a] = v;
    SetSize(size[0], size[1], size[2]);
}

void CObjBox::SetSize(double wx, double wy, double wz, const Vec3& shift) {
    Vec3 oldSize = Size();
    widthX = wx, widthY = wy, widthZ = wz;
    SizeMemory& memory = scene().rememberedSizes;
    memory.Set(typeName, 'X', wx), memory.Set(typeName, 'Y', wy), memory.Set(typeName, 'Z', wz);
    ShiftForResize(shift, oldSize, Size());
    MakeModel();
}

}  // namespace korvan
