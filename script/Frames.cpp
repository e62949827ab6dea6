#include "script/Frames.h"

#include <algorithm>

#include "base/SceneLines.h"

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

// Mirror and projection are written only when they differ from a new view's; a picture's files
// go relative to the save folder.
void CWndView::WriteAttributeLines(SceneLines& out) const {
    const char* v = varName.c_str();
    if (mirror != 0) out.Put("%s.mirror = %d\n", v, mirror);
    if (projection != 0) out.Put("%s.projection  = %g\n", v, projection);
    out.Put("%s.fixH = %d\n", v, fixH);
    out.Put("%s.fixZ = %d\n", v, fixZ);
    const ViewPicture& p = picture;
    if (!p.file.empty() || !p.maskFile.empty()) {
        std::string file = p.file.empty() ? "" : out.FileName(p.file);
        std::string mask = p.maskFile.empty() ? "" : out.FileName(p.maskFile);
        out.Put("%s.SetPicture \"%s\" , \"%s\" , %d , %g , %g , %g , %g \n", v, file, mask, p.mode,
                p.values[0], p.values[1], p.values[2], p.values[3]);
    }
}

void CWndMusic::WriteAttributeLines(SceneLines& out) const {
    for (const std::string& f : files) out.Put("%s.AddFile \"%s\" \n", varName, out.FileName(f));
}

}  // namespace korvan
