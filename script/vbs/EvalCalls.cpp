// Calls: one dispatch for call statements and call expressions, to script procedures,
// built-ins and host members.
#include "script/vbs/Evaluator.h"

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ErrObject.h"
#include "script/vbs/EvalSupport.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

void Evaluator::ExecCall(const CallStmt& s) {
    Call(*s.callee, s.args);
}

Value Evaluator::EvalCall(const CallExpr& c) {
    return Call(*c.callee, c.args);
}

// The one dispatch of "callee(args)" and "callee args": a procedure, built-in or host member is
// called; a variable's value is indexed; "(f)" calls what f names.
Value Evaluator::Call(const Expr& target, const std::vector<ExprPtr>& args) {
    const Expr* callee = &target;
    while (callee->kind == ExprKind::Paren) callee = static_cast<const ParenExpr&>(*callee).inner.get();
    if (callee->kind == ExprKind::Name) {
        auto& n = static_cast<const NameExpr&>(*callee);
        const Binding& b = n.binding;
        switch (b.kind) {
            case Binding::Kind::Local:
            case Binding::Kind::Global: {
                if (args.empty()) return Variable(b);
                const Value& v = Variable(b);
                if (v.IsObject()) return DefaultValue(v, args);  // obj(i): its default member
                return Element(v, args, n.spelled);
            }
            case Binding::Kind::Procedure:
                at_ = n.pos;
                return CallProcedure(*b.procedure, args);
            case Binding::Kind::MeMember:
                at_ = n.pos;
                return CallClassMember(frame_->self, *b.classMember, args, n.spelled);
            case Binding::Kind::ItemMember:
                at_ = n.pos;
                return Invoke(items_[static_cast<size_t>(b.slot)].object, *b.member, args, n);
            case Binding::Kind::Builtin:
                at_ = n.pos;
                return CallBuiltin(*b.builtin, args);
            case Binding::Kind::Undefined:
                at_ = n.pos;
                Raise(kErrUndefined, n.spelled);
            default:
                at_ = n.pos;
                Raise(kErrTypeMismatch, n.spelled);
        }
    }
    if (callee->kind == ExprKind::Member) {
        auto& m = static_cast<const MemberExpr&>(*callee);
        ObjectRef object = RequireObject(Eval(*m.object), *m.object);
        if (ScriptObject* instance = object->AsScriptObject()) {
            at_ = m.pos;
            return CallClassMember(object, FindClassMember(*instance, m), args, m.name);
        }
        const Member* member = FindMember(m, object);
        at_ = m.pos;
        return Invoke(object, *member, args, m);
    }
    Value base = Eval(*callee);
    if (args.empty()) return base;
    return Element(DefaultValue(base, args), args, Describe(*callee));
}

Value Evaluator::EvalName(const NameExpr& n) {
    static const std::vector<ExprPtr> kNoArgs;
    const Binding& b = n.binding;
    switch (b.kind) {
        case Binding::Kind::Local:
        case Binding::Kind::Global:
            return Variable(b);
        case Binding::Kind::Procedure:
            at_ = n.pos;
            return CallProcedure(*b.procedure, kNoArgs);
        case Binding::Kind::MeMember:
            at_ = n.pos;
            return CallClassMember(frame_->self, *b.classMember, kNoArgs, n.spelled);
        case Binding::Kind::NamedItem:
            return Value(items_[static_cast<size_t>(b.slot)].object);
        case Binding::Kind::ItemMember:
            at_ = n.pos;
            return Invoke(items_[static_cast<size_t>(b.slot)].object, *b.member, kNoArgs, n);
        case Binding::Kind::Builtin:
            at_ = n.pos;
            return CallBuiltin(*b.builtin, kNoArgs);
        case Binding::Kind::Undefined:
        case Binding::Kind::Unbound:
            at_ = n.pos;
            Raise(kErrUndefined, n.spelled);
    }
    return Value();
}

ObjectRef Evaluator::RequireObject(const Value& v, const Expr& source) {
    if (!v.IsObject() || !v.AsObject()) {
        at_ = source.pos;
        Raise(kErrObjectRequired, Describe(source));
    }
    return v.AsObject();
}

const Member* Evaluator::FindMember(const MemberExpr& m, const ObjectRef& object) {
    const MemberTable* table = &object->Members();
    if (table != m.cachedTable) {
        m.cachedTable = table;
        m.cachedMember = table->Find(m.name);
    }
    if (!m.cachedMember) {
        at_ = m.pos;
        Raise(kErrNoMember, Describe(m));
    }
    return m.cachedMember;
}

Value Evaluator::EvalMember(const MemberExpr& m) {
    static const std::vector<ExprPtr> kNoArgs;
    ObjectRef object = RequireObject(Eval(*m.object), *m.object);
    if (ScriptObject* instance = object->AsScriptObject()) {
        at_ = m.pos;
        return CallClassMember(object, FindClassMember(*instance, m), kNoArgs, m.name);
    }
    const Member* member = FindMember(m, object);
    at_ = m.pos;
    return Invoke(object, *member, kNoArgs, m);
}

// ---- calls -----------------------------------------------------------------------------------

Value Evaluator::CallProcedure(const Procedure& p, const std::vector<ExprPtr>& args, const ObjectRef& self) {
    guard_.Check();
    const Pos call = at_;
    if (args.size() != p.params.size()) Raise(kErrWrongArgCount, p.spelled);
    Frame frame;
    PrepareFrame(p, frame, self);
    for (size_t k = 0; k < args.size(); ++k) {
        if (!args[k]) Raise(kErrWrongArgCount, p.spelled);
        if (!p.params[k].byVal) {
            if (Value* ref = TryReference(*args[k], frame.pins)) {
                frame.slots[k + 1] = ref;
                continue;
            }
        }
        frame.values[k + 1] = StoreCopy(Eval(*args[k]));
    }
    at_ = call;
    return RunProcedure(p, frame);
}

void Evaluator::PrepareFrame(const Procedure& p, Frame& frame, const ObjectRef& self) {
    frame.values.resize(static_cast<size_t>(p.slotCount));
    frame.slots.resize(frame.values.size());
    for (size_t k = 0; k < frame.values.size(); ++k) frame.slots[k] = &frame.values[k];
    if (p.owner) frame.self = self;
}

Value Evaluator::RunProcedure(const Procedure& p, Frame& frame) {
    Frame* caller = frame_;
    frame_ = &frame;
    struct Restore {
        Frame*& current;
        Frame* saved;
        ~Restore() { current = saved; }
    } restore{frame_, caller};
    ExecBlock(p.body);
    return p.isFunction ? std::move(frame.values[0]) : Value();
}

Value Evaluator::CallBuiltin(const Builtin& b, const std::vector<ExprPtr>& args) {
    const Pos call = at_;
    std::vector<Value> values;
    values.reserve(args.size());
    for (const ExprPtr& a : args) values.push_back(!a ? Value() : b.seesObjects ? Eval(*a) : EvalScalar(*a));
    at_ = call;
    while (!values.empty() && !args[values.size() - 1]) values.pop_back();
    if (static_cast<int>(values.size()) < b.minArgs || static_cast<int>(values.size()) > b.maxArgs)
        Raise(kErrWrongArgCount, b.name);
    return b.call(rt_, values);
}

Value Evaluator::InvokeProperty(const ObjectRef& object, const Member& m, const std::vector<ExprPtr>& args,
                                const Expr& site) {
    if (!m.get) Raise(kErrNoMember, Describe(site));
    Value v = m.get(*object);
    if (args.empty()) return v;
    return Element(v, args, Describe(site));
}

Value Evaluator::Invoke(const ObjectRef& object, const Member& m, const std::vector<ExprPtr>& args,
                        const Expr& site) {
    if (m.kind == Member::Kind::Property) return InvokeProperty(object, m, args, site);
    if (args.size() > m.params.size()) Raise(kErrWrongArgCount, Describe(site));
    const Pos call = at_;
    std::vector<Value> values(m.params.size());
    std::vector<Value*> outputs(m.params.size(), nullptr);
    std::vector<Pin> pins;
    for (size_t k = 0; k < m.params.size(); ++k) {
        const Param& param = m.params[k];
        if (k >= args.size() || !args[k]) {
            if (!param.optional) Raise(kErrWrongArgCount, Describe(site));
            values[k] = ConvertParam(param.defaultValue, param.type);
        } else if (param.byRef) {
            outputs[k] = TryReference(*args[k], pins);
            values[k] = ConvertOutParam(outputs[k] ? *outputs[k] : Eval(*args[k]), param.type);
        } else {
            // A script object handed where no object is asked for is its default member's value.
            Value v = param.type == ParamType::Object ? Eval(*args[k]) : EvalScalar(*args[k]);
            values[k] = ConvertParam(std::move(v), param.type);
        }
    }
    at_ = call;
    CallArgs callArgs(values);
    ObjectRef keep = object;
    Value result = m.call(*keep, callArgs);
    for (size_t k = 0; k < outputs.size(); ++k)
        if (outputs[k]) *outputs[k] = StoreCopy(values[k]);
    return result;
}

}  // namespace korvan::vbs
