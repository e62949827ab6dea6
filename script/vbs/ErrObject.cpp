#include "script/vbs/ErrObject.h"

#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {
ErrObject& Self(HostObject& o) {
    return static_cast<ErrObject&>(o);
}
}  // namespace

const MemberTable& ErrObject::Members() const {
    static const MemberTable table =
        MemberTable()
            .Property(
                "Number", ParamType::Long, [](HostObject& o) { return Value(int32_t{Self(o).number_}); },
                [](HostObject& o, const Value& v) { Self(o).number_ = v.AsLong(); })
            .Property(
                "Description", ParamType::String, [](HostObject& o) { return Value(Self(o).description_); },
                [](HostObject& o, const Value& v) { Self(o).description_ = v.AsString(); })
            .Property(
                "Source", ParamType::String, [](HostObject& o) { return Value(Self(o).source_); },
                [](HostObject& o, const Value& v) { Self(o).source_ = v.AsString(); })
            .AddMethod("Clear", {},
                       [](HostObject& o, CallArgs&) {
                           Self(o).Clear();
                           return Value();
                       })
            .AddMethod("Raise",
                       {In(ParamType::Long), Optional(ParamType::String, Value("")),
                        Optional(ParamType::String, Value(""))},
                       [](HostObject&, CallArgs& a) -> Value {
                           int number = a.Long(0);
                           std::string text = a.String(2);
                           if (text.empty()) text = DescribeError(number);
                           if (text.empty()) text = "Unknown runtime error";
                           throw ScriptException(number, text);
                       });
    return table;
}

}  // namespace korvan::vbs
