#pragma once
// Small rules the parts of the evaluator share: how an expression is named in messages, how an
// argument converts to a host parameter's type, and the integer fast path of + - *.
#include <cstdint>
#include <string>

#include "script/vbs/Ast.h"

namespace korvan::vbs {

// The source text naming an expression in messages ("Objx", "Objx.widht", "a").
std::string Describe(const Expr& e);

Value ConvertParam(const Value& v, ParamType type);

// The starting value of a by-reference parameter: the caller's value when it converts,
// else the type's zero (an output parameter does not care what the variable held).
Value ConvertOutParam(const Value& v, ParamType type);

// Integer fast path of + - * for the common case of two Integers or Longs.
inline bool FastIntegers(const Value& a, const Value& b, int64_t* x, int64_t* y, int* rank) {
    if (a.IsLong() && b.IsLong()) return *x = a.AsLong(), *y = b.AsLong(), *rank = 1, true;
    if (a.IsInteger() && b.IsInteger()) return *x = a.AsInteger(), *y = b.AsInteger(), *rank = 0, true;
    if ((a.IsLong() || a.IsInteger()) && (b.IsLong() || b.IsInteger())) {
        *x = a.IsLong() ? a.AsLong() : a.AsInteger();
        *y = b.IsLong() ? b.AsLong() : b.AsInteger();
        *rank = 1;
        return true;
    }
    return false;
}

// Fast path of the arithmetic and comparison operators for two plain numbers of which at
// least one is a Double (two integers take FastIntegers first).
inline bool FastDoubles(const Value& a, const Value& b, double* x, double* y) {
    if (!a.IsPlainNumber() || !b.IsPlainNumber()) return false;
    *x = a.PlainNumber(), *y = b.PlainNumber();
    return true;
}

inline bool CompareNumbers(BinaryOp op, double x, double y) {
    switch (op) {
        case BinaryOp::Eq:
            return x == y;
        case BinaryOp::Ne:
            return x != y;
        case BinaryOp::Lt:
            return x < y;
        case BinaryOp::Le:
            return x <= y;
        case BinaryOp::Gt:
            return x > y;
        default:
            return x >= y;
    }
}

inline Value Fit(int64_t r, int rank) {
    if (rank == 0 && r >= INT16_MIN && r <= INT16_MAX) return Value(static_cast<int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Value(static_cast<int32_t>(r));
    return Value(static_cast<double>(r));
}

}  // namespace korvan::vbs
