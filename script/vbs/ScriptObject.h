#pragma once
// An instance of a class written in the script ("Set w = New Wheel"). Its member variables live
// here; its methods and properties are procedures of the class that the evaluator runs with the
// object as "Me". When the last reference goes, Class_Terminate runs through the hook the
// evaluator installed, as long as that evaluator is still running.
#include <functional>
#include <vector>

#include "script/vbs/Ast.h"
#include "script/vbs/HostObject.h"

namespace korvan::vbs {

class ScriptObject : public HostObject {
  public:
    using TerminateHook = std::function<void(ScriptObject&)>;
    ScriptObject(const ClassDecl& cls, std::shared_ptr<TerminateHook> onTerminate)
        : fields(cls.fields.size()), cls_(cls), onTerminate_(std::move(onTerminate)) {}
    ~ScriptObject() override;
    ScriptObject(const ScriptObject&) = delete;
    ScriptObject& operator=(const ScriptObject&) = delete;

    std::string_view ClassName() const override { return cls_.spelled; }
    const MemberTable& Members() const override;  // empty: the evaluator dispatches by class
    ScriptObject* AsScriptObject() override { return this; }
    const ClassDecl& cls() const { return cls_; }

    std::vector<Value> fields;

  private:
    const ClassDecl& cls_;
    std::shared_ptr<TerminateHook> onTerminate_;  // empty once the run has ended
};

}  // namespace korvan::vbs
