#pragma once
// The dialect's built-in functions and constants (Abs ... Timer, vbCrLf ...), and the names a
// scene script must not reach (CreateObject, GetObject, Execute, Eval and file access), which
// are built-ins that raise "Permission denied".
#include <span>
#include <string_view>

#include "script/vbs/Runtime.h"
#include "script/vbs/Value.h"

namespace korvan::vbs {

struct Builtin {
    const char* name;
    int minArgs, maxArgs;
    // Arguments arrive evaluated; trailing omitted ones are left off, inner ones are Empty.
    Value (*call)(Runtime& rt, std::span<const Value> args);
    // Takes objects as they are (IsObject, TypeName, Array ...). Every other built-in gets a
    // script object with a default member as that member's value.
    bool seesObjects = false;
};

// The date and time built-ins (DateBuiltins.cpp).
std::span<const Builtin> DateBuiltins();

// Looks a built-in up by its lower-case name; null when there is none.
const Builtin* FindBuiltin(std::string_view lowerName);

}  // namespace korvan::vbs
