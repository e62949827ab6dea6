#pragma once
// CObjSpring: a cylinder whose length is an internal coordinate.
#include "sim/ObjCylinder.h"

namespace korvan {

class CObjSpring : public CObjCylinder {
  protected:
    friend class CScene;
    CObjSpring(CScene& scene, std::string name) : CObjCylinder(scene, "SPRING", std::move(name)) {}
};

}  // namespace korvan
