#pragma once
// CObjGround: a box whose top is a height field made from an image.
#include "sim/ObjBox.h"

namespace korvan {

class CObjGround : public CObjBox {
  protected:
    friend class CScene;
    CObjGround(CScene& scene, std::string name) : CObjBox(scene, "GROUND", std::move(name)) {}
};

}  // namespace korvan
