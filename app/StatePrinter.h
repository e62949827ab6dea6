#pragma once
// One line per body after a headless run:
//   STATE <varName> <displayName> pos x y z vel x y z omega x y z angle x y z [ext e rate|def phi rate]
// with every number in %.17g, so a run can be compared bit for bit.
#include <cstdio>

namespace korvan {

class CScene;

void PrintState(const CScene& scene, std::FILE* out);

}  // namespace korvan
