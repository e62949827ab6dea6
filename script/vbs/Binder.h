#pragma once
// Resolves every name of a parsed script once, before it runs: procedure locals (the Function's
// result in slot 0, parameters, Dim/ReDim/Const) first, then script-level variables and
// procedures, then the host's named items and the members of those registered with global
// members, then the built-ins. Without Option Explicit an unknown name becomes a variable of
// the scope it appears in; with it, the name is bound as Undefined and fails when reached.
#include <string>
#include <vector>

#include "script/vbs/Ast.h"

namespace korvan::vbs {

struct NamedItem {
    std::string name, lower;
    ObjectRef object;
    bool globalMembers = true;  // its members are reachable without qualification
};

// Throws a compile error ("Name redefined") for duplicate declarations.
void Bind(Program& program, const std::vector<NamedItem>& items);

}  // namespace korvan::vbs
