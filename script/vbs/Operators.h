#pragma once
// The dialect's operators on Variants. Arithmetic keeps the narrowest subtype that holds the
// result (Integer, then Long, then Double); Null propagates; "+" joins two strings but adds a
// string to a number; "&" always joins text. Comparisons follow the Variant rules: a number is
// less than a string unless one side is written as a literal, in which case the string is read
// as a number; Empty compares as 0 against numbers and as "" against strings.
#include <cmath>
#include <cstddef>
#include <optional>

#include "script/vbs/Value.h"

namespace korvan::vbs {

enum class BinaryOp : uint8_t {
    Add,
    Sub,
    Mul,
    Div,
    IntDiv,
    Mod,
    Pow,
    Concat,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Is,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};
enum class UnaryOp : uint8_t { Neg, Plus, Not };

Value Add(const Value& a, const Value& b, size_t maxString);
Value Subtract(const Value& a, const Value& b);
Value Multiply(const Value& a, const Value& b);
Value Divide(const Value& a, const Value& b);
Value IntDivide(const Value& a, const Value& b);
Value Modulo(const Value& a, const Value& b);
Value Power(const Value& a, const Value& b);
Value Concat(const Value& a, const Value& b, size_t maxString);
Value Negate(const Value& a);
Value LogicalNot(const Value& a);
Value Logical(BinaryOp op, const Value& a, const Value& b);

// Three-way comparison (-1, 0, 1); empty when either side is Null. `literal` says that one of
// the operands was written as a literal. `textCompare` ignores ASCII letter case.
std::optional<int> Compare(const Value& a, const Value& b, bool literal, bool textCompare = false);
// Applies a comparison operator (Eq ... Ge): Boolean, or Null.
Value CompareOp(BinaryOp op, const Value& a, const Value& b, bool literal);
Value IsSame(const Value& a, const Value& b);

// The double a numeric computation produced, checked: "Overflow" for infinity,
// "Invalid procedure call or argument" for NaN.
[[noreturn]] void RaiseNotFinite(double d);
inline double Checked(double d) {
    if (!std::isfinite(d)) RaiseNotFinite(d);
    return d;
}

}  // namespace korvan::vbs
