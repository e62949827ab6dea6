#pragma once
// Recursive-descent parser from tokens to the syntax tree: one short function per statement
// form, and one binding-power table for the operators (tightest first):
//     unary - +   ^   * /   \   Mod   + -   &   comparisons and Is   Not   And   Or   Xor   Eqv   Imp
// The parser's parts share the class in ParserCore.h.
// Errors are compile errors with the position of the offending token and the dialect's text
// ("Expected 'End If'", "Expected end of statement", ...).
#include <string_view>

#include "script/vbs/Ast.h"

namespace korvan::vbs {

// Parses a whole script. `stackBudget` bounds the stack the parser may use for nesting.
// Throws ScriptException with compile = true.
Program Parse(std::string_view source, size_t stackBudget);

}  // namespace korvan::vbs
