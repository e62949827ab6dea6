#pragma once
// The Variant: every script value is one of the dialect's subtypes. Numbers keep their subtype
// (Integer is 16-bit, Long 32-bit) because arithmetic, TypeName and VarType depend on it.
// Objects are shared references to host objects (Nothing is an empty reference). Arrays have
// value semantics as in the dialect: storing an array into a variable or element copies it
// (StoreCopy), so no two variables share one array and reference cycles cannot form.
#include <cstdint>
#include <memory>
#include <new>
#include <string>
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

// A tagged union rather than std::variant: copying, moving and destroying a number is then a
// tag test and an 8-byte copy, with no visit, which is most of what a loop like
// "s = s + i * 2" does.
class Value {
  public:
    Value() {}
    Value(NullValue) : tag_(Tag::Null) {}
    Value(bool b) : tag_(Tag::Bool) { u_.b = b; }
    Value(int16_t i) : tag_(Tag::Integer) { u_.i = i; }
    Value(int32_t i) : tag_(Tag::Long) { u_.l = i; }
    Value(double d) : tag_(Tag::Double) { u_.d = d; }
    Value(std::string s) : tag_(Tag::String) { new (&u_.s) std::string(std::move(s)); }
    Value(const char* s) : tag_(Tag::String) { new (&u_.s) std::string(s); }
    Value(ObjectRef o) : tag_(Tag::Object) { new (&u_.o) ObjectRef(std::move(o)); }
    Value(ArrayRef a) : tag_(Tag::Array) { new (&u_.a) ArrayRef(std::move(a)); }
    Value(DateValue d) : tag_(Tag::Date) { u_.d = d.serial; }

    Value(const Value& o) { CopyFrom(o); }
    Value(Value&& o) noexcept { MoveFrom(std::move(o)); }
    ~Value() {
        if (!Trivial()) Destroy();
    }
    Value& operator=(const Value& o) {
        if (Trivial() && o.Trivial()) {
            tag_ = o.tag_, u_.bits = o.u_.bits;
        } else if (this != &o) {
            Value copy(o);  // `o` may live inside what this value holds (an array element)
            Destroy();
            MoveFrom(std::move(copy));
        }
        return *this;
    }
    Value& operator=(Value&& o) noexcept {
        if (Trivial() && o.Trivial()) {
            tag_ = o.tag_, u_.bits = o.u_.bits;
        } else if (this != &o) {
            Value taken(std::move(o));
            Destroy();
            MoveFrom(std::move(taken));
        }
        return *this;
    }

    static Value Null() { return Value(NullValue{}); }
    static Value Nothing() { return Value(ObjectRef{}); }

    VarType type() const;
    bool IsEmpty() const { return tag_ == Tag::Empty; }
    bool IsNull() const { return tag_ == Tag::Null; }
    bool IsBool() const { return tag_ == Tag::Bool; }
    bool IsInteger() const { return tag_ == Tag::Integer; }
    bool IsLong() const { return tag_ == Tag::Long; }
    bool IsDouble() const { return tag_ == Tag::Double; }
    bool IsString() const { return tag_ == Tag::String; }
    bool IsObject() const { return tag_ == Tag::Object; }
    bool IsArray() const { return tag_ == Tag::Array; }
    bool IsDate() const { return tag_ == Tag::Date; }
    bool IsNumeric() const { return tag_ >= Tag::Bool && tag_ <= Tag::Double; }  // Boolean counts
    bool IsPlainNumber() const {
        return tag_ >= Tag::Integer && tag_ <= Tag::Double;
    }  // Integer, Long, Double
    // The value of a plain number (IsPlainNumber) as a double.
    double PlainNumber() const {
        switch (tag_) {
            case Tag::Integer:
                return u_.i;
            case Tag::Long:
                return u_.l;
            default:
                return u_.d;
        }
    }

    bool AsBool() const { return u_.b; }
    int16_t AsInteger() const { return u_.i; }
    int32_t AsLong() const { return u_.l; }
    double AsDouble() const { return u_.d; }
    const std::string& AsString() const { return u_.s; }
    std::string& MutableString() { return u_.s; }
    const ObjectRef& AsObject() const { return u_.o; }
    const ArrayRef& AsArray() const { return u_.a; }
    double AsDate() const { return u_.d; }

  private:
    // In VarType order where it matters: Bool..Double are the numeric tags.
    enum class Tag : uint8_t { Empty, Null, Bool, Integer, Long, Double, String, Object, Array, Date };
    union Payload {
        Payload() : bits(0) {}
        ~Payload() {}
        uint64_t bits;  // the whole of every trivial alternative, copied as one
        bool b;
        int16_t i;
        int32_t l;
        double d;  // Double, and a Date's serial
        std::string s;
        ObjectRef o;
        ArrayRef a;
    };

    bool Trivial() const { return tag_ < Tag::String || tag_ == Tag::Date; }
    void CopyFrom(const Value& o);      // into a value holding nothing
    void MoveFrom(Value&& o) noexcept;  // into a value holding nothing
    void Destroy() noexcept;            // leaves Empty

    Tag tag_ = Tag::Empty;
    Payload u_;
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
