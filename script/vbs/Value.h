#pragma once
// The Variant: every script value is one of the dialect's subtypes. Numbers keep their subtype
// (Integer is 16-bit, Long 32-bit) because arithmetic, TypeName and VarType depend on it.
// Objects are shared references to host objects (Nothing is an empty reference). Arrays have
// value semantics as in the dialect: storing an array into a variable or element copies it
// (StoreCopy), so no two variables share one array and reference cycles cannot form.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace korvan::vbs {

class HostObject;
struct Array;
using ObjectRef = std::shared_ptr<HostObject>;
using ArrayRef = std::shared_ptr<Array>;

struct EmptyValue {
    bool operator==(const EmptyValue&) const = default;
};
struct NullValue {
    bool operator==(const NullValue&) const = default;
};
// A Date: the serial day (see DateTime.h).
struct DateValue {
    double serial = 0;
    bool operator==(const DateValue&) const = default;
};

// VarType numbers of the dialect.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Double = 5,
    Date = 7,
    String = 8,
    Object = 9,
    Boolean = 11,
    Variant = 12,
    Array = 8192,
};

class Value {
  public:
    Value() = default;
    Value(NullValue v) : v_(v) {}
    Value(bool b) : v_(b) {}
    Value(int16_t i) : v_(i) {}
    Value(int32_t i) : v_(i) {}
    Value(double d) : v_(d) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(ObjectRef o) : v_(std::move(o)) {}
    Value(ArrayRef a) : v_(std::move(a)) {}
    Value(DateValue d) : v_(d) {}

    static Value Null() { return Value(NullValue{}); }
    static Value Nothing() { return Value(ObjectRef{}); }

    VarType type() const;
    bool IsEmpty() const { return v_.index() == 0; }
    bool IsNull() const { return v_.index() == 1; }
    bool IsBool() const { return v_.index() == 2; }
    bool IsInteger() const { return v_.index() == 3; }
    bool IsLong() const { return v_.index() == 4; }
    bool IsDouble() const { return v_.index() == 5; }
    bool IsString() const { return v_.index() == 6; }
    bool IsObject() const { return v_.index() == 7; }
    bool IsArray() const { return v_.index() == 8; }
    bool IsDate() const { return v_.index() == 9; }
    bool IsNumeric() const { return v_.index() >= 2 && v_.index() <= 5; }      // Boolean counts
    bool IsPlainNumber() const { return v_.index() >= 3 && v_.index() <= 5; }  // Integer, Long, Double
    // The value of a plain number (IsPlainNumber) as a double.
    double PlainNumber() const {
        switch (v_.index()) {
            case 3:
                return *std::get_if<int16_t>(&v_);
            case 4:
                return *std::get_if<int32_t>(&v_);
            default:
                return *std::get_if<double>(&v_);
        }
    }

    bool AsBool() const { return std::get<bool>(v_); }
    int16_t AsInteger() const { return std::get<int16_t>(v_); }
    int32_t AsLong() const { return std::get<int32_t>(v_); }
    double AsDouble() const { return std::get<double>(v_); }
    const std::string& AsString() const { return std::get<std::string>(v_); }
    std::string& MutableString() { return std::get<std::string>(v_); }
    const ObjectRef& AsObject() const { return std::get<ObjectRef>(v_); }
    const ArrayRef& AsArray() const { return std::get<ArrayRef>(v_); }
    double AsDate() const { return std::get<DateValue>(v_).serial; }

  private:
    std::variant<EmptyValue, NullValue, bool, int16_t, int32_t, double, std::string, ObjectRef, ArrayRef,
                 DateValue>
        v_;
};

// A (possibly multi-dimensional) array with lower bounds 0. The first subscript varies fastest, so
// ReDim Preserve, which may change only the last dimension, keeps existing elements in place.
struct Array {
    std::vector<int32_t> upper;  // upper bound of each dimension (-1 for an empty dimension)
    std::vector<Value> items;
    int locks = 0;           // elements passed by reference; ReDim and Erase must wait
    bool fixedSize = false;  // declared with bounds by Dim: ReDim is an error

    // Flat index of a subscript list, or -1 when a subscript is out of range.
    int64_t FlatIndex(const int32_t* subscripts, size_t count) const;
};

// Largest array nesting (an array held in an element of an array ...) a script may build.
inline constexpr int kMaxArrayDepth = 64;

// The value to store into a variable or element: arrays are copied, everything else is shared.
// Every store goes through here, so refusing to copy an array nested deeper than kMaxArrayDepth
// ("Out of memory") keeps all stored arrays shallow, and copying and freeing them cannot
// exhaust the stack.
Value StoreCopy(const Value& v);

}  // namespace korvan::vbs
