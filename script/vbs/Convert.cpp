#include "script/vbs/Convert.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "script/vbs/DateTime.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "&H1F" / "&O17" (the prefix already checked); digits only, up to 32 bits as the dialect allows.
bool ParseRadix(std::string_view digits, int radix, double* out) {
    if (digits.empty() || digits.size() > 11) return false;
    uint64_t value = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= radix) return false;
        value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    }
    if (value > 0xFFFFFFFFu) return false;
    // Hex and octal text denote 32-bit two's complement values: &HFFFFFFFF is -1.
    *out = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    return true;
}

}  // namespace

bool ParseNumber(std::string_view text, double* out) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    text = text.substr(b, e - b);
    if (text.size() > 2 && text[0] == '&') {
        if (text[1] == 'h' || text[1] == 'H') return ParseRadix(text.substr(2), 16, out);
        if (text[1] == 'o' || text[1] == 'O') return ParseRadix(text.substr(2), 8, out);
        return false;
    }
    // sign? digits* (. digits*)? ((e|d) sign? digits+)? with at least one mantissa digit
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t mantissaDigits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    std::string copy(text);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        copy[i] = 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != text.size()) return false;
    double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value)) return false;
    *out = value;
    return true;
}

std::string FormatDouble(double d) {
    if (d == 0) return "0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    return buffer;
}

double RoundHalfEven(double d) {
    return std::nearbyint(d);
}  // default rounding mode: to nearest even

void RaiseNotScalar(const Value& v) {
    // Nothing in an expression is an unset object variable; anything else is the wrong type.
    Raise(v.IsObject() && !v.AsObject() ? kErrObjectNotSet : kErrTypeMismatch);
}

double ToDouble(const Value& v) {
    switch (v.type()) {
        case VarType::Empty:
            return 0;
        case VarType::Boolean:
            return v.AsBool() ? -1 : 0;
        case VarType::Integer:
            return v.AsInteger();
        case VarType::Long:
            return v.AsLong();
        case VarType::Double:
            return v.AsDouble();
        case VarType::Date:
            return v.AsDate();
        case VarType::String: {
            double d;
            if (!ParseNumber(v.AsString(), &d)) Raise(kErrTypeMismatch);
            return d;
        }
        case VarType::Null:
            Raise(kErrInvalidNull);
        default:
            RaiseNotScalar(v);
    }
}

int32_t ToLong(const Value& v) {
    if (v.IsLong()) return v.AsLong();
    if (v.IsInteger()) return v.AsInteger();
    double r = RoundHalfEven(ToDouble(v));
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(kErrOverflow);
    return static_cast<int32_t>(r);
}

int16_t ToInteger(const Value& v) {
    if (v.IsInteger()) return v.AsInteger();
    double r = RoundHalfEven(ToDouble(v));
    if (!(r >= -32768.0 && r <= 32767.0)) Raise(kErrOverflow);
    return static_cast<int16_t>(r);
}

bool ToBool(const Value& v) {
    switch (v.type()) {
        case VarType::Boolean:
            return v.AsBool();
        case VarType::String: {
            const std::string lower = LowerAscii(v.AsString());
            if (lower == "true" || lower == "#true#") return true;
            if (lower == "false" || lower == "#false#") return false;
            return ToDouble(v) != 0;
        }
        default:
            return ToDouble(v) != 0;
    }
}

bool ToCondition(const Value& v) {
    return !v.IsNull() && ToBool(v);
}

std::string ToString(const Value& v) {
    switch (v.type()) {
        case VarType::Empty:
            return "";
        case VarType::Boolean:
            return v.AsBool() ? "True" : "False";
        case VarType::Integer:
            return std::to_string(v.AsInteger());
        case VarType::Long:
            return std::to_string(v.AsLong());
        case VarType::Double:
            return FormatDouble(v.AsDouble());
        case VarType::Date:
            return FormatGeneralDate(v.AsDate());
        case VarType::String:
            return v.AsString();
        case VarType::Null:
            Raise(kErrInvalidNull);
        default:
            RaiseNotScalar(v);
    }
}

Value MakeDate(double serial) {
    if (!IsDateSerialInRange(serial)) Raise(kErrOverflow);
    return Value(DateValue{serial});
}

double ToDateSerial(const Value& v) {
    if (v.IsDate()) return v.AsDate();
    if (v.IsString()) {
        if (std::optional<double> serial = ParseDate(v.AsString())) return *serial;
        double number;
        if (!ParseNumber(v.AsString(), &number)) Raise(kErrTypeMismatch);
        return MakeDate(number).AsDate();
    }
    return MakeDate(ToDouble(v)).AsDate();
}

Value ToNumeric(const Value& v) {
    switch (v.type()) {
        case VarType::Empty:
            return Value(int16_t{0});
        case VarType::Boolean:
            return Value(static_cast<int16_t>(v.AsBool() ? -1 : 0));
        case VarType::Integer:
        case VarType::Long:
        case VarType::Double:
            return v;
        case VarType::Date:
            return Value(v.AsDate());
        case VarType::String:
            return Value(ToDouble(v));
        case VarType::Null:
            Raise(kErrInvalidNull);
        default:
            RaiseNotScalar(v);
    }
}

std::string TypeNameOf(const Value& v) {
    switch (v.type()) {
        case VarType::Empty:
            return "Empty";
        case VarType::Null:
            return "Null";
        case VarType::Boolean:
            return "Boolean";
        case VarType::Integer:
            return "Integer";
        case VarType::Long:
            return "Long";
        case VarType::Double:
            return "Double";
        case VarType::Date:
            return "Date";
        case VarType::String:
            return "String";
        case VarType::Object:
            return v.AsObject() ? std::string(v.AsObject()->ClassName()) : "Nothing";
        case VarType::Array:
            return "Variant()";
        default:
            return "Unknown";
    }
}

}  // namespace korvan::vbs
