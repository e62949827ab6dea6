// Classes written in the script: New, members of an instance, default members and
// Class_Initialize / Class_Terminate.
#include <algorithm>

#include "script/vbs/EvalSupport.h"
#include "script/vbs/Evaluator.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

namespace {
const std::vector<ExprPtr> kNoArgs;
}

Value Evaluator::NewObject(const NewExpr& e) {
    if (!e.cls) {
        for (const auto& cls : program_.classes)
            if (cls->lower == LowerAscii(e.spelled)) e.cls = cls.get();
        if (!e.cls) {
            at_ = e.pos;
            Raise(kErrClassNotDefined, e.spelled);
        }
    }
    const ClassDecl& cls = *e.cls;
    std::shared_ptr<ScriptObject> object = ScriptObject::Create(cls, terminateHook_);
    for (size_t k = 0; k < cls.fields.size(); ++k) {
        const ClassField& field = cls.fields[k];
        if (!field.isArray) continue;
        ArrayRef array = NewArray(field.bounds);
        array->fixedSize = !field.bounds.empty();
        object->fields[k] = Value(std::move(array));
    }
    Track(object);
    ObjectRef ref = object;
    if (cls.initialize) CallProcedure(*cls.initialize, kNoArgs, ref);
    return Value(ref);
}

// Remembers an object for the end of the run. Gone objects are swept out whenever the list has
// doubled since the last sweep, so a loop that makes and drops objects keeps it short.
void Evaluator::Track(const ObjectRef& object) {
    instances_.push_back(object);
    if (instances_.size() < sweepAt_) return;
    std::erase_if(instances_, [](const std::weak_ptr<HostObject>& w) { return w.expired(); });
    sweepAt_ = std::max<size_t>(64, 2 * instances_.size());
}

const ClassMember& Evaluator::FindClassMember(ScriptObject& object, const MemberExpr& m) {
    const auto& members = object.cls().members;
    auto it = members.find(LowerAscii(m.name));
    // Private members are reachable only from the object's own methods.
    if (it == members.end() || (!it->second.isPublic && frame_->self.get() != &object)) {
        at_ = m.pos;
        Raise(kErrNoMember, Describe(m));
    }
    return it->second;
}

Value Evaluator::CallClassMember(const ObjectRef& object, const ClassMember& member,
                                 const std::vector<ExprPtr>& args, const std::string& name) {
    auto& instance = *object->AsScriptObject();
    if (member.field >= 0) {
        const Value& v = instance.fields[static_cast<size_t>(member.field)];
        if (args.empty()) return v;
        if (v.IsObject()) return DefaultValue(v, args);
        ArrayRef keep = v.IsArray() ? v.AsArray() : nullptr;
        return Element(v, args, name);
    }
    if (member.method) return CallProcedure(*member.method, args, object);
    if (member.get) return CallProcedure(*member.get, args, object);
    Raise(kErrNoMember, name);
}

void Evaluator::StoreClassMember(const ObjectRef& object, const ClassMember& member, Value value, bool isSet,
                                 const std::string& name) {
    auto& instance = *object->AsScriptObject();
    if (member.field >= 0) {
        instance.fields[static_cast<size_t>(member.field)] = StoreCopy(value);
        return;
    }
    const Procedure* property = isSet ? member.set : member.let;
    if (!property) Raise(kErrNoMember, name);
    const Pos call = at_;
    Frame frame;
    PrepareFrame(*property, frame, object);
    frame.values[property->params.size()] = std::move(value);  // the last parameter: the value
    for (size_t k = 0; k + 1 < property->params.size(); ++k) Raise(kErrWrongArgCount, name);
    at_ = call;
    RunProcedure(*property, frame);
}

Value Evaluator::DefaultValue(const Value& v, const std::vector<ExprPtr>& args) {
    if (!v.IsObject()) return v;
    if (!v.AsObject()) Raise(kErrObjectNotSet);
    ScriptObject* instance = v.AsObject()->AsScriptObject();
    if (!instance) {
        if (args.empty()) return v;
        Raise(kErrNoMember);
    }
    const ClassMember* member = instance->cls().defaultMember;
    if (!member) Raise(kErrNoMember);
    ObjectRef keep = v.AsObject();
    return CallClassMember(keep, *member, args, std::string(instance->ClassName()));
}

Value Evaluator::ScalarOf(Value v) {
    if (!v.IsObject() || !v.AsObject()) return v;
    ScriptObject* instance = v.AsObject()->AsScriptObject();
    if (!instance || !instance->cls().defaultMember) return v;
    return DefaultValue(v, {});
}

// Runs Class_Terminate for an object whose last reference just went; `me` holds it again (see
// ScriptObject.h). Whatever the handler does, the statement that dropped the reference goes on:
// its errors and stops are left behind here.
void Evaluator::Terminate(const ObjectRef& me) {
    const Procedure& p = *me->AsScriptObject()->cls().terminate;
    const Pos at = at_;
    // Kept alive by the handler, the object is cleared with the others when the run ends.
    Track(me);
    try {
        Frame frame;
        PrepareFrame(p, frame, me);
        RunProcedure(p, frame);
    } catch (...) {
    }
    at_ = at;
}

}  // namespace korvan::vbs
