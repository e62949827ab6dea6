#include "script/vbs/EvalSupport.h"

#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

std::string Describe(const Expr& e) {
    switch (e.kind) {
        case ExprKind::Name:
            return static_cast<const NameExpr&>(e).spelled;
        case ExprKind::Member: {
            auto& m = static_cast<const MemberExpr&>(e);
            return Describe(*m.object) + "." + m.name;
        }
        case ExprKind::Call:
            return Describe(*static_cast<const CallExpr&>(e).callee);
        case ExprKind::Paren:
            return Describe(*static_cast<const ParenExpr&>(e).inner);
        default:
            return "";
    }
}

Value ConvertParam(const Value& v, ParamType type) {
    switch (type) {
        case ParamType::Variant:
            return StoreCopy(v);
        case ParamType::Double:
            return Value(ToDouble(v));
        case ParamType::Long:
            return Value(ToLong(v));
        case ParamType::String:
            return Value(ToString(v));
        case ParamType::Bool:
            return Value(ToBool(v));
        case ParamType::Object:
            if (!v.IsObject()) Raise(kErrTypeMismatch);
            return v;
    }
    return v;
}

Value ConvertOutParam(const Value& v, ParamType type) {
    try {
        return ConvertParam(v, type);
    } catch (const ScriptException&) {
        switch (type) {
            case ParamType::Double:
                return Value(0.0);
            case ParamType::Long:
                return Value(int32_t{0});
            case ParamType::String:
                return Value(std::string());
            case ParamType::Bool:
                return Value(false);
            case ParamType::Object:
                return Value::Nothing();
            default:
                return Value();
        }
    }
}
}  // namespace korvan::vbs
