#pragma once
// CObjBox: a rectangular box centred on its centre of mass.
#include "sim/Obj.h"

namespace korvan {

class CObjBox : public CObj {
  public:
    double widthX = 1.0, widthY = 1.0, widthZ = 1.0;        // m
    int crashPointX = 2, crashPointY = 2, crashPointZ = 2;  // crash points along each edge

    void MakeModel() override;
    int FindFace(int type, const Vec3& worldPoint, double margin) const override;
    int IsVerticalToSurface(const Vec3& bodyPoint, const Vec3& direction) const override;
    void SetLastSettingWidth() override;
    void WriteSizeLines(SceneLines& out) const override;
    double MassPerDensity() const override;

    // New dimensions; shift moves the body (body coordinates) so a dragged face can stay put.
    void SetSize(double wx, double wy, double wz, const Vec3& shift = {});

  protected:
    friend class CScene;
    CObjBox(CScene& scene, std::string name) : CObjBox(scene, "BOX", std::move(name)) {}
    CObjBox(CScene& scene, std::string kind, std::string name);

    Vec3 Size() const { return {widthX, widthY, widthZ}; }
};

}  // namespace korvan
