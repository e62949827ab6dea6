#pragma once
// CObjCylinder: a cylinder whose axis is the body y axis, centred on its centre of mass.
#include "sim/Obj.h"

namespace korvan {

// FindFace type bits of a cylinder (-1 allows every face).
inline constexpr int kCylinderTopCap = 1;     // +y cap
inline constexpr int kCylinderBottomCap = 2;  // -y cap
inline constexpr int kCylinderSide = 4;

class CObjCylinder : public CObj {
  public:
    double widthR = 0.6;   // radius, m
    double widthW = 0.3;   // length along y, m
    int crashPointR = 20;  // points around, also the number of side facets
    int crashPointW = 2;   // points along

    void MakeModel() override;
    int FindFace(int type, const Vec3& worldPoint, double margin) const override;
    int IsVerticalToSurface(const Vec3& bodyPoint, const Vec3& direction) const override;
    void SetLastSettingWidth() override;
    void WriteSizeLines(SceneLines& out) const override;
    double MassPerDensity() const override;

    void SetSize(double w, double r, const Vec3& shift = {});

  protected:
    friend class CScene;
    CObjCylinder(CScene& scene, std::string name) : CObjCylinder(scene, "CYLINDER", std::move(name)) {}
    CObjCylinder(CScene& scene, std::string kind, std::string name);

    // Extent along the body axes: 2R, W, 2R.
    Vec3 Size() const { return {2 * widthR, widthW, 2 * widthR}; }
    // Vertices, faces and side crash points of the plain cylinder; mass is left to the caller.
    void BuildCylinderShape();
};

}  // namespace korvan
