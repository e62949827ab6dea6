#pragma once
// Conversions between Variant subtypes as the dialect performs them: implicit ones inside
// operators and host calls, and the explicit CInt/CLng/CDbl/CStr/CBool. Failures throw the
// dialect's run-time errors ("Type mismatch", "Overflow", "Invalid use of Null").
#include <cstdint>
#include <string>
#include <string_view>

#include "script/vbs/Value.h"

namespace korvan::vbs {

// Parses a numeric string as the dialect accepts it: blanks around, sign, decimals, exponent,
// "&H" hex and "&O" octal. Returns false when the text is not a number.
bool ParseNumber(std::string_view text, double* out);

// Text of a double with up to 15 significant digits ("0.3", "1E+20", "-2.5E-07").
std::string FormatDouble(double d);

// Round half to even, as CInt, CLng, Round and the integer operators do.
double RoundHalfEven(double d);

// The error for an array or object where a simple value is needed: "Object variable not set"
// for Nothing, "Type mismatch" otherwise.
[[noreturn]] void RaiseNotScalar(const Value& v);

double ToDouble(const Value& v);
int32_t ToLong(const Value& v);     // rounds half to even; "Overflow" outside 32 bits
int16_t ToInteger(const Value& v);  // rounds half to even; "Overflow" outside 16 bits
bool ToBool(const Value& v);
std::string ToString(const Value& v);  // CStr: Empty -> "", Null -> error
// CDate: the serial a value stands for. Strings are read as dates (DateTime.h), then as numbers;
// "Type mismatch" for other text, "Overflow" outside the years 100 to 9999.
double ToDateSerial(const Value& v);
// A Date value, "Overflow" when the serial lies outside the years 100 to 9999.
Value MakeDate(double serial);
// Conditions of If/While/Do: like ToBool but Null counts as false.
bool ToCondition(const Value& v);

// The number a numeric-looking value stands for, keeping Integer/Long/Double where it has one.
// Strings become Double; Empty becomes Integer 0; Boolean becomes Integer -1/0.
Value ToNumeric(const Value& v);

// Name of the subtype as TypeName reports it ("Integer", "String", "Nothing", "Variant()").
std::string TypeNameOf(const Value& v);

}  // namespace korvan::vbs
