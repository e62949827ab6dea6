#pragma once
// Host objects: how a program exposes its own objects to scripts, in the manner of late-bound
// automation. An object answers a member name (compared ignoring case) with a Member: a property
// (get, and put unless read-only) or a method with typed parameters. The interpreter converts
// every argument to its parameter's type before the call, fills omitted optional arguments with
// their defaults, and after the call writes the values the method left in its by-reference
// parameters back into the caller's variables:
//
//     static const MemberTable table = MemberTable()
//         .Property("widthX", ParamType::Double, getWidthX, putWidthX)
//         .AddMethod("GetPosition", {Out(ParamType::Double), Out(ParamType::Double), Out(ParamType::Double)},
//                 [](HostObject& self, CallArgs& args) { args.Set(0, 1.5); ...; return Value(0); });
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/vbs/Value.h"

namespace korvan::vbs {

enum class ParamType : uint8_t { Variant, Double, Long, String, Object, Bool };

struct Param {
    ParamType type = ParamType::Variant;
    bool byRef = false;  // the value left in the argument goes back into the caller's variable
    bool optional = false;
    Value defaultValue;  // for an omitted optional argument
};

inline Param In(ParamType type) {
    return Param{type, false, false, Value()};
}
inline Param Out(ParamType type) {
    return Param{type, true, false, Value()};
}
inline Param Optional(ParamType type, Value defaultValue) {
    return Param{type, false, true, std::move(defaultValue)};
}

// The arguments of one call, already converted to their parameters' types.
class CallArgs {
  public:
    explicit CallArgs(std::span<Value> values) : values_(values) {}
    size_t size() const { return values_.size(); }
    const Value& operator[](size_t i) const { return values_[i]; }
    double Double(size_t i) const { return values_[i].AsDouble(); }
    int32_t Long(size_t i) const { return values_[i].AsLong(); }
    const std::string& String(size_t i) const { return values_[i].AsString(); }
    bool Bool(size_t i) const { return values_[i].AsBool(); }
    const ObjectRef& Object(size_t i) const { return values_[i].AsObject(); }
    // Sets a by-reference parameter's result.
    void Set(size_t i, Value v) { values_[i] = std::move(v); }

  private:
    std::span<Value> values_;
};

class HostObject;
using Getter = std::function<Value(HostObject& self)>;
using Putter = std::function<void(HostObject& self, const Value& value)>;
using MethodFn = std::function<Value(HostObject& self, CallArgs& args)>;

struct Member {
    enum class Kind : uint8_t { Property, Method };
    std::string name;
    Kind kind = Kind::Method;
    ParamType type = ParamType::Variant;  // a property's type
    std::vector<Param> params;            // a method's parameters
    Getter get;
    Putter put;  // empty: read-only property
    MethodFn call;
};

// The members of one class of host objects, found by name ignoring case.
class MemberTable {
  public:
    MemberTable& Property(std::string name, ParamType type, Getter get, Putter put = nullptr);
    MemberTable& AddMethod(std::string name, std::vector<Param> params, MethodFn call);
    const Member* Find(std::string_view name) const;
    const std::vector<Member>& members() const { return members_; }

  private:
    std::vector<Member> members_;
    std::unordered_map<std::string, size_t> byLowerName_;
};

class ScriptObject;

class HostObject : public std::enable_shared_from_this<HostObject> {
  public:
    virtual ~HostObject() = default;
    // An instance of a class the script defined; nothing for the program's own objects.
    virtual ScriptObject* AsScriptObject() { return nullptr; }
    // What TypeName reports for the object.
    virtual std::string_view ClassName() const = 0;
    virtual const MemberTable& Members() const = 0;
};

// ASCII lower case; other bytes (UTF-8 text) unchanged.
std::string LowerAscii(std::string_view text);

}  // namespace korvan::vbs
