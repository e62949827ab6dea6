#pragma once
// An instance of a class written in the script ("Set w = New Wheel"). Its member variables live
// here; its methods and properties are procedures of the class that the evaluator runs with the
// object as "Me". When the last reference goes, Class_Terminate runs through the hook the
// evaluator installed, as long as that evaluator is still running.
//
// Class_Terminate runs before the object is destroyed, not from its destructor: the deleter of
// the object's references hands the hook a new, owning reference as "Me". A handler that stores
// Me somewhere (a variable, an element, another object's field) thereby keeps the object alive;
// when that reference goes too, the deleter runs again and, the handler having run once,
// deletes the object. No reference can outlive the object it points to.
#include <functional>
#include <vector>

#include "script/vbs/Ast.h"
#include "script/vbs/HostObject.h"

namespace korvan::vbs {

class ScriptObject : public HostObject {
  public:
    // Runs Class_Terminate with `me`, an owning reference to the object.
    using TerminateHook = std::function<void(const ObjectRef& me)>;
    static std::shared_ptr<ScriptObject> Create(const ClassDecl& cls,
                                                std::shared_ptr<TerminateHook> onTerminate);
    ~ScriptObject() override = default;
    ScriptObject(const ScriptObject&) = delete;
    ScriptObject& operator=(const ScriptObject&) = delete;

    std::string_view ClassName() const override { return cls_.spelled; }
    const MemberTable& Members() const override;  // empty: the evaluator dispatches by class
    ScriptObject* AsScriptObject() override { return this; }
    const ClassDecl& cls() const { return cls_; }

    std::vector<Value> fields;

  private:
    ScriptObject(const ClassDecl& cls, std::shared_ptr<TerminateHook> onTerminate)
        : fields(cls.fields.size()), cls_(cls), onTerminate_(std::move(onTerminate)) {}
    static void Release(ScriptObject* object);

    const ClassDecl& cls_;
    std::shared_ptr<TerminateHook> onTerminate_;  // empty once the run has ended
    bool terminated_ = false;                     // Class_Terminate has run (or never will)
};

}  // namespace korvan::vbs
