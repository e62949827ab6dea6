// Connections between bodies: constants, forces and breaking. Filled in with the connection laws.
#include "sim/Obj.h"

namespace korvan {

void CObj::UpdateJoinConstants() {}

void CObj::CheckJoinBreaks() {}

}  // namespace korvan
