// Variables, array elements and stores into them.
#include "script/vbs/Evaluator.h"

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ErrObject.h"
#include "script/vbs/EvalSupport.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

ArrayRef Evaluator::NewArray(const std::vector<ExprPtr>& bounds) {
    auto array = std::make_shared<Array>();
    uint64_t total = bounds.empty() ? 0 : 1;
    for (const ExprPtr& bound : bounds) {
        int32_t upper = ToLong(Eval(*bound));
        if (upper < -1) Raise(kErrSubscript);
        array->upper.push_back(upper);
        total *= static_cast<uint64_t>(upper) + 1;
        if (total > rt_.limits.maxArrayElements) Raise(kErrOutOfMemory);
    }
    if (array->upper.size() > 60) Raise(kErrSubscript);
    array->items.resize(total);
    return array;
}

// ---- variables and arrays --------------------------------------------------------------------

Value& Evaluator::WritableVariable(const NameExpr& n) {
    if (n.binding.kind == Binding::Kind::MeMember && n.binding.classMember->field >= 0)
        return frame_->self->AsScriptObject()->fields[static_cast<size_t>(n.binding.classMember->field)];
    const Binding& b = n.binding;
    if (b.kind == Binding::Kind::Undefined) {
        at_ = n.pos;
        Raise(kErrUndefined, n.spelled);
    }
    if ((b.kind != Binding::Kind::Local && b.kind != Binding::Kind::Global) || b.readOnly) {
        at_ = n.pos;
        Raise(kErrIllegalAssignment, n.spelled);
    }
    return Variable(b);
}

Value& Evaluator::Element(const Value& arrayValue, const std::vector<ExprPtr>& subscripts,
                          const std::string& name) {
    if (!arrayValue.IsArray()) Raise(kErrTypeMismatch, name);
    ArrayRef array = arrayValue.AsArray();  // kept alive while the subscripts run
    int32_t index[64];
    if (subscripts.size() > 64 || subscripts.size() != array->upper.size()) Raise(kErrSubscript);
    for (size_t k = 0; k < subscripts.size(); ++k) {
        if (!subscripts[k]) Raise(kErrSubscript);
        index[k] = ToLong(Eval(*subscripts[k]));
    }
    int64_t flat = array->FlatIndex(index, subscripts.size());
    if (flat < 0 || static_cast<size_t>(flat) >= array->items.size()) Raise(kErrSubscript);
    // The subscripts may have replaced the variable's array; the element still belongs to the
    // array read first, which the caller keeps alive through the variable or a Pin.
    if (arrayValue.IsArray() && arrayValue.AsArray() == array) return array->items[static_cast<size_t>(flat)];
    Raise(kErrArrayLocked);
}

Value* Evaluator::TryReference(const Expr& e, std::vector<Pin>& pins) {
    if (e.kind == ExprKind::Name) {
        auto& n = static_cast<const NameExpr&>(e);
        if ((n.binding.kind == Binding::Kind::Local || n.binding.kind == Binding::Kind::Global) &&
            !n.binding.readOnly)
            return &Variable(n.binding);
        return nullptr;
    }
    if (e.kind == ExprKind::Call) {
        auto& c = static_cast<const CallExpr&>(e);
        if (c.callee->kind != ExprKind::Name) return nullptr;
        auto& n = static_cast<const NameExpr&>(*c.callee);
        if (n.binding.kind != Binding::Kind::Local && n.binding.kind != Binding::Kind::Global) return nullptr;
        Value& variable = Variable(n.binding);
        if (!variable.IsArray()) return nullptr;
        Value& element = Element(variable, c.args, n.spelled);
        pins.emplace_back(variable.AsArray());
        return &element;
    }
    return nullptr;
}

void Evaluator::Store(const Expr& target, Value value, bool isSet) {
    if (isSet && !value.IsObject()) Raise(kErrObjectRequired);
    if (!isSet && value.IsObject()) {
        // "x = obj" assigns the object's default member's value.
        if (!value.AsObject() || !value.AsObject()->AsScriptObject())
            Raise(value.AsObject() ? kErrNoMember : kErrObjectNotSet);
        value = DefaultValue(value, {});
        if (value.IsObject()) Raise(kErrNoMember);
    }
    switch (target.kind) {
        case ExprKind::Name: {
            auto& n = static_cast<const NameExpr&>(target);
            if (n.binding.kind == Binding::Kind::MeMember) {
                at_ = n.pos;
                StoreClassMember(frame_->self, *n.binding.classMember, std::move(value), isSet, n.spelled);
                return;
            }
            if (n.binding.kind == Binding::Kind::ItemMember &&
                n.binding.member->kind == Member::Kind::Property && n.binding.member->put) {
                at_ = n.pos;
                n.binding.member->put(*items_[static_cast<size_t>(n.binding.slot)].object,
                                      ConvertParam(value, n.binding.member->type));
                return;
            }
            WritableVariable(n) = value.IsArray() ? StoreCopy(value) : std::move(value);
            return;
        }
        case ExprKind::Member: {
            auto& m = static_cast<const MemberExpr&>(target);
            ObjectRef object = RequireObject(Eval(*m.object), *m.object);
            if (ScriptObject* instance = object->AsScriptObject()) {
                const ClassMember& member = FindClassMember(*instance, m);
                at_ = m.pos;
                StoreClassMember(object, member, std::move(value), isSet, m.name);
                return;
            }
            const Member* member = FindMember(m, object);
            at_ = m.pos;
            if (member->kind != Member::Kind::Property || !member->put) Raise(kErrNoMember, Describe(m));
            member->put(*object, ConvertParam(value, member->type));
            return;
        }
        case ExprKind::Call: {
            auto& c = static_cast<const CallExpr&>(target);
            ObjectRef owner;
            if (Value* field = ClassFieldOf(*c.callee, owner)) {
                // An element of an object's member array: "items(i) = x", "w.items(i) = x".
                ArrayRef keep = field->IsArray() ? field->AsArray() : nullptr;
                Value& element = Element(*field, c.args, Describe(*c.callee));
                element = StoreCopy(value);
                return;
            }
            if (c.callee->kind == ExprKind::Name) {
                auto& n = static_cast<const NameExpr&>(*c.callee);
                WritableVariable(n);
                std::vector<Pin> pins;
                Value* element = TryReference(target, pins);
                if (!element) Raise(kErrTypeMismatch, n.spelled);
                *element = StoreCopy(value);
                return;
            }
            Raise(kErrIllegalAssignment, Describe(target));
        }
        default:
            Raise(kErrIllegalAssignment, Describe(target));
    }
}

// The member variable a name or member expression stands for, when it is one of a script
// object's; nothing otherwise. `owner` keeps the object alive while the caller writes.
Value* Evaluator::ClassFieldOf(const Expr& e, ObjectRef& owner) {
    if (e.kind == ExprKind::Name) {
        const Binding& b = static_cast<const NameExpr&>(e).binding;
        if (b.kind != Binding::Kind::MeMember || b.classMember->field < 0) return nullptr;
        return &frame_->self->AsScriptObject()->fields[static_cast<size_t>(b.classMember->field)];
    }
    if (e.kind != ExprKind::Member) return nullptr;
    auto& m = static_cast<const MemberExpr&>(e);
    if (m.object->kind == ExprKind::Call) return nullptr;  // evaluated once, by the caller's path
    owner = RequireObject(Eval(*m.object), *m.object);
    ScriptObject* instance = owner->AsScriptObject();
    if (!instance) return nullptr;
    const ClassMember& member = FindClassMember(*instance, m);
    if (member.field < 0) return nullptr;
    return &instance->fields[static_cast<size_t>(member.field)];
}

}  // namespace korvan::vbs
