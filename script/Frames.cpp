#include "script/Frames.h"

#include <algorithm>

namespace korvan {

namespace {

Vec3 Column(const Mat4& m, int c) {
    return {m.m[0][c], m.m[1][c], m.m[2][c]};
}

}  // namespace

CWndView::CWndView(std::string var, std::string name) : CWndBase("VIEW", std::move(var), std::move(name)) {
    SetViewpoint({{0, 0, 1}, {0, 0, 0}, {0, 1, 0}});
}

void CWndView::SetViewpoint(const Viewpoint& camera) {
    Vec3 back = camera.eye - camera.target;
    double d = Length(back);
    Vec3 z = back * (1.0 / d);
    Vec3 x = Cross(camera.up, z);
    if (Length(x) == 0) x = Cross({0, 0, 1}, z);
    if (Length(x) == 0) x = Cross({0, 1, 0}, z);
    x = Normalized(x);
    Vec3 y = Cross(z, x);
    Mat4 k = Mat4::Identity();
    const Vec3 columns[4] = {x * d, y * d, z * d, camera.target};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 3; ++r) k.m[r][c] = columns[c][r];
    InvertByCofactors(k, userPart);
    modelView = basePart * userPart;
    InvertByCofactors(modelView, modelViewInverse);
    std::fill(std::begin(lastMountCamera), std::end(lastMountCamera), 0.0);
}

Viewpoint CWndView::GetViewpoint() const {
    Mat4 inverse;
    if (!InvertByCofactors(userPart, inverse)) return {};
    Vec3 target = Column(inverse, 3);
    return {target + Column(inverse, 2), target, Normalized(Column(inverse, 1))};
}

}  // namespace korvan
