// The lines of a scene file that only one body kind writes. The writer lays out the sections and
// asks each body for its part; inheritance gives a ground the box's size lines and a spring or
// differential the cylinder's.
#include "base/SceneLines.h"
#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjDef.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"

namespace korvan {

// Crash-point counts are written only when they differ from a new body's.
void CObjBox::WriteSizeLines(SceneLines& out) const {
    const char* v = varName.c_str();
    out.Put("%s.widthX = %6g ' ( 幅  = %6g mm )\n", v, widthX, widthX * 1000);
    out.Put("%s.widthY = %6g ' ( 奥行= %6g mm )\n", v, widthY, widthY * 1000);
    out.Put("%s.widthZ = %6g ' ( 高さ= %6g mm )\n", v, widthZ, widthZ * 1000);
    if (crashPointX != 2) out.Put("%s.crashPointX = %d ' X方向の衝突定義点数\n", v, crashPointX);
    if (crashPointY != 2) out.Put("%s.crashPointY = %d ' Y方向の衝突定義点数\n", v, crashPointY);
    if (crashPointZ != 2) out.Put("%s.crashPointZ = %d ' Z方向の衝突定義点数\n", v, crashPointZ);
}

void CObjCylinder::WriteSizeLines(SceneLines& out) const {
    const char* v = varName.c_str();
    out.Put("%s.widthR = %6g ' ( 半径= %6g mm )\n", v, widthR, widthR * 1000);
    out.Put("%s.widthW = %6g ' ( 長さ= %6g mm )\n", v, widthW, widthW * 1000);
    if (crashPointW != 2) out.Put("%s.crashPointW = %d ' 長さ方向の衝突定義点数\n", v, crashPointW);
    if (crashPointR != 20) out.Put("%s.crashPointR = %d ' 周方向の衝突定義点数\n", v, crashPointR);
}

// As MakeModel computes the mass (a ground's too; a spring's at rest).
double CObjBox::MassPerDensity() const {
    return widthX * widthY * widthZ;
}

double CObjCylinder::MassPerDensity() const {
    return 3.14 * (widthR * widthR) * widthW;
}

void CObjGround::WriteAttributeLines(SceneLines& out) const {
    const char* v = varName.c_str();
    if (!heightImagePath.empty())
        out.Put("%s.SetHeightBmp \"%s\" ' ( 高さを表現する画像データ )\n", v, out.FileName(heightImagePath));
    if (!colorImagePath.empty())
        out.Put("%s.SetColorBmp \"%s\" ' ( 色を表現する画像データ )\n", v, out.FileName(colorImagePath));
}

// The internal spring and damper with the starting state; the two body names are not used by
// loading and are written empty.
void CObjDef::WriteInternalStateLines(SceneLines& out) const {
    out.Put("%s.SetDefObjByName \"%s\" , \"%s\" , %g , %g , %g , %g \n", varName, "", "", defSpring,
            defDamping, defAngle.value[0], defAngle.rate[0]);
}

void CObjSpring::WriteInternalStateLines(SceneLines& out) const {
    out.Put("%s.SetSpringObjByName \"%s\" , \"%s\" , %g , %g , %g , %g \n", varName, "", "", springConstant,
            springDamping, extension.value[0], extension.rate[0]);
}

}  // namespace korvan
