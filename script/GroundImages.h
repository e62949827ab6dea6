#pragma once
// SetHeightBmp and SetColorBmp: the loader reads a ground's images and hands it their contents.
// A relative name is joined to the scene folder and must end up a full path; a name that cannot
// be, a file that is not there or cannot be decoded is reported, and the ground is then built
// flat (or left uncoloured) while the session goes on.
#include <string_view>

#include "sim/ObjGround.h"

namespace korvan {

void SetHeightBmp(CObjGround& ground, std::string_view name, std::string_view sceneFolder);
void SetColorBmp(CObjGround& ground, std::string_view name, std::string_view sceneFolder);

}  // namespace korvan
