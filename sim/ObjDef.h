#pragma once
// CObjDef: a differential gear, a cylinder with an internal angle.
#include "sim/ObjCylinder.h"

namespace korvan {

class CObjDef : public CObjCylinder {
  public:
    int GearNUM = 12;
    double GearDEPTH = 0.6;
    double GearSLOPE = 0.15;
    double GearWIDTH = -0.1;

  protected:
    friend class CScene;
    CObjDef(CScene& scene, std::string name) : CObjCylinder(scene, "DEF", std::move(name)) {
        widthR = 0.6, widthW = 1.2, crashPointR = 20, crashPointW = 2;
    }
};

}  // namespace korvan
