#include "script/vbs/Operators.h"

#include <cmath>
#include <cstdint>

#include "script/vbs/Convert.h"
#include "script/vbs/DateTime.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

// 0 Integer, 1 Long, 2 Double: the rank of a value already made numeric.
int Rank(const Value& n) {
    return n.IsInteger() ? 0 : n.IsLong() ? 1 : 2;
}

int64_t AsInt64(const Value& n) {
    return n.IsInteger() ? n.AsInteger() : n.AsLong();
}

// The narrowest subtype, not below `rank`, that holds r.
Value FitInteger(int64_t r, int rank) {
    if (rank == 0 && r >= INT16_MIN && r <= INT16_MAX) return Value(static_cast<int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Value(static_cast<int32_t>(r));
    return Value(static_cast<double>(r));
}

void RequireScalar(const Value& v) {
    if (v.IsArray() || v.IsObject()) RaiseNotScalar(v);
}

template <class IntOp, class DoubleOp>
Value Arithmetic(const Value& a, const Value& b, IntOp intOp, DoubleOp doubleOp) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    Value x = ToNumeric(a), y = ToNumeric(b);
    int rank = std::max(Rank(x), Rank(y));
    if (rank == 2) return Value(Checked(doubleOp(ToDouble(x), ToDouble(y))));
    return FitInteger(intOp(AsInt64(x), AsInt64(y)), rank);
}

// A Date plus or minus a number stays a Date (a day is 1); the difference of two Dates is the
// Double number of days between them.
Value DateSum(const Value& a, const Value& b, double sign) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    const double r = Checked(ToDouble(a) + sign * ToDouble(b));
    if (sign < 0 && a.IsDate() && b.IsDate()) return Value(r);
    return MakeDate(r);
}

void CheckLength(size_t length, size_t maxString) {
    if (length > maxString) Raise(kErrOutOfMemory);
}

// The integer operands of \ and Mod: rounded half to even, Integer or Long.
int IntegerRank(const Value& n) {
    return n.IsInteger() || n.IsBool() || n.IsEmpty() ? 0 : 1;
}

bool IsTextLike(const Value& v) {
    return v.IsString();
}

int CompareText(const std::string& a, const std::string& b, bool textCompare) {
    if (textCompare) {
        std::string la = LowerAscii(a), lb = LowerAscii(b);
        int c = la.compare(lb);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareNumbers(double x, double y) {
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

void RaiseNotFinite(double d) {
    Raise(std::isnan(d) ? kErrInvalidCall : kErrOverflow);
}

Value Add(const Value& a, const Value& b, size_t maxString) {
    if (a.IsString() && b.IsString()) return Concat(a, b, maxString);
    if (a.IsString() && b.IsEmpty()) return a;
    if (a.IsEmpty() && b.IsString()) return b;
    if (a.IsDate() || b.IsDate()) return DateSum(a, b, 1);
    return Arithmetic(
        a, b, [](int64_t x, int64_t y) { return x + y; }, [](double x, double y) { return x + y; });
}

Value Subtract(const Value& a, const Value& b) {
    if (a.IsDate() || b.IsDate()) return DateSum(a, b, -1);
    return Arithmetic(
        a, b, [](int64_t x, int64_t y) { return x - y; }, [](double x, double y) { return x - y; });
}

Value Multiply(const Value& a, const Value& b) {
    return Arithmetic(
        a, b, [](int64_t x, int64_t y) { return x * y; }, [](double x, double y) { return x * y; });
}

Value Divide(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    double x = ToDouble(a), y = ToDouble(b);
    if (y == 0) Raise(x == 0 ? kErrOverflow : kErrDivisionByZero);
    return Value(Checked(x / y));
}

Value IntDivide(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    int64_t x = ToLong(a), y = ToLong(b);
    if (y == 0) Raise(kErrDivisionByZero);
    return FitInteger(x / y, std::max(IntegerRank(a), IntegerRank(b)));
}

Value Modulo(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    int64_t x = ToLong(a), y = ToLong(b);
    if (y == 0) Raise(kErrDivisionByZero);
    // The remainder takes the sign of the dividend, as C++ % does.
    return FitInteger(x % y, std::max(IntegerRank(a), IntegerRank(b)));
}

Value Power(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    double x = ToDouble(a), y = ToDouble(b);
    if (x == 0 && y < 0) Raise(kErrInvalidCall);
    return Value(Checked(std::pow(x, y)));
}

Value Concat(const Value& a, const Value& b, size_t maxString) {
    if (a.IsNull() && b.IsNull()) return Value::Null();
    RequireScalar(a), RequireScalar(b);
    std::string left = a.IsNull() ? std::string() : ToString(a);
    if (b.IsString()) {
        CheckLength(left.size() + b.AsString().size(), maxString);
        left += b.AsString();
    } else if (!b.IsNull()) {
        std::string right = ToString(b);
        CheckLength(left.size() + right.size(), maxString);
        left += right;
    }
    return Value(std::move(left));
}

Value Negate(const Value& a) {
    if (a.IsNull()) return a;
    RequireScalar(a);
    if (a.IsDate()) return MakeDate(-a.AsDate());
    Value n = ToNumeric(a);
    if (n.IsDouble()) return Value(-n.AsDouble());
    return FitInteger(-AsInt64(n), Rank(n));
}

Value LogicalNot(const Value& a) {
    if (a.IsNull()) return a;
    if (a.IsBool()) return Value(!a.AsBool());
    RequireScalar(a);
    Value n = ToNumeric(a);
    int32_t bits = ToLong(n);
    return FitInteger(~int64_t{bits}, Rank(n) == 0 ? 0 : 1);
}

Value Logical(BinaryOp op, const Value& a, const Value& b) {
    RequireScalar(a), RequireScalar(b);
    if (a.IsNull() || b.IsNull()) {
        // Three-valued logic: a known operand can decide the result on its own.
        const Value& known = a.IsNull() ? b : a;
        if (known.IsNull()) return Value::Null();
        int32_t k = known.IsBool() ? (known.AsBool() ? -1 : 0) : ToLong(known);
        if (op == BinaryOp::And && k == 0) return known.IsBool() ? Value(false) : Value(int32_t{0});
        if (op == BinaryOp::Or && k == -1) return known;
        if (op == BinaryOp::Imp && ((a.IsNull() && k == -1) || (b.IsNull() && k == 0)))
            return known.IsBool() ? Value(true) : Value(int32_t{-1});
        return Value::Null();
    }
    bool booleans = a.IsBool() && b.IsBool();
    int32_t x = a.IsBool() ? (a.AsBool() ? -1 : 0) : ToLong(a);
    int32_t y = b.IsBool() ? (b.AsBool() ? -1 : 0) : ToLong(b);
    int32_t r = 0;
    switch (op) {
        case BinaryOp::And:
            r = x & y;
            break;
        case BinaryOp::Or:
            r = x | y;
            break;
        case BinaryOp::Xor:
            r = x ^ y;
            break;
        case BinaryOp::Eqv:
            r = ~(x ^ y);
            break;
        case BinaryOp::Imp:
            r = ~x | y;
            break;
        default:
            Raise(kErrSyntax);
    }
    if (booleans) return Value(r != 0);
    int rank = std::max(IntegerRank(ToNumeric(a)), IntegerRank(ToNumeric(b)));
    return FitInteger(r, rank);
}

std::optional<int> Compare(const Value& a, const Value& b, bool literal, bool textCompare) {
    if (a.IsNull() || b.IsNull()) return std::nullopt;
    RequireScalar(a), RequireScalar(b);
    bool sa = IsTextLike(a), sb = IsTextLike(b);
    if (sa && sb) return CompareText(a.AsString(), b.AsString(), textCompare);
    if (sa && b.IsEmpty()) return CompareText(a.AsString(), "", textCompare);
    if (sb && a.IsEmpty()) return CompareText("", b.AsString(), textCompare);
    if (sa || sb) {
        // A number against a string: a literal on either side makes it a numeric comparison
        // when the string reads as a number (or, against a Date, as a date); otherwise every
        // number is less than every string.
        const Value& text = sa ? a : b;
        const Value& other = sa ? b : a;
        double parsed;
        std::optional<double> date;
        if (literal && other.IsDate() && (date = ParseDate(text.AsString()))) parsed = *date;
        if (date || (literal && ParseNumber(text.AsString(), &parsed))) {
            double number = ToDouble(other);
            return sa ? CompareNumbers(parsed, number) : CompareNumbers(number, parsed);
        }
        return sa ? 1 : -1;
    }
    return CompareNumbers(ToDouble(a), ToDouble(b));
}

Value CompareOp(BinaryOp op, const Value& a, const Value& b, bool literal) {
    std::optional<int> c = Compare(a, b, literal);
    if (!c) return Value::Null();
    switch (op) {
        case BinaryOp::Eq:
            return Value(*c == 0);
        case BinaryOp::Ne:
            return Value(*c != 0);
        case BinaryOp::Lt:
            return Value(*c < 0);
        case BinaryOp::Le:
            return Value(*c <= 0);
        case BinaryOp::Gt:
            return Value(*c > 0);
        case BinaryOp::Ge:
            return Value(*c >= 0);
        default:
            Raise(kErrSyntax);
    }
}

Value IsSame(const Value& a, const Value& b) {
    if (!a.IsObject() || !b.IsObject()) Raise(kErrObjectRequired);
    return Value(a.AsObject() == b.AsObject());
}

}  // namespace korvan::vbs
