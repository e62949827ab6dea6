#pragma once
// Runs a bound syntax tree. Statements return a Flow (normal, or an Exit that travels up to the
// loop or procedure it leaves); errors are ScriptExceptions that carry the position of the node
// being evaluated when they arose. "On Error Resume Next" catches them per statement in the
// procedure that enabled it. Every statement and loop turn is a step for the watchdog, whose
// ScriptAbort no handler here catches, and every nesting of evaluation checks the stack guard.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "script/vbs/Ast.h"
#include "script/vbs/Binder.h"
#include "script/vbs/Runtime.h"
#include "script/vbs/ScriptObject.h"
#include "script/vbs/StackGuard.h"
#include "script/vbs/Watchdog.h"

namespace korvan::vbs {

class ScriptObject;

class Evaluator {
  public:
    Evaluator(const Program& program, const std::vector<NamedItem>& items, const WatchOptions& watch,
              size_t stackBudget, const Limits& limits);
    ~Evaluator();
    // Runs the script's global code; throws ScriptException.
    void Run();

  private:
    enum class Flow : uint8_t { Normal, ExitFor, ExitDo, ExitProcedure };

    // An array element passed by reference: the array stays alive and may not be resized.
    class Pin {
      public:
        explicit Pin(ArrayRef array) : array_(std::move(array)) { ++array_->locks; }
        Pin(Pin&& other) noexcept : array_(std::move(other.array_)) {}
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;
        Pin& operator=(Pin&&) = delete;
        ~Pin() {
            if (array_) --array_->locks;
        }

      private:
        ArrayRef array_;
    };

    struct Frame {
        std::vector<Value> values;
        std::vector<Value*> slots;  // values[i], or the caller's variable for a ByRef parameter
        std::vector<Pin> pins;
        std::vector<Value> with;  // objects of the enclosing With blocks, outermost first
        ObjectRef self;           // Me, in a method of a script class
        bool resumeNext = false;
    };

    const Program& program_;
    const std::vector<NamedItem>& items_;
    Runtime rt_;
    std::vector<Value> globals_;
    Frame globalFrame_;
    Frame* frame_ = &globalFrame_;
    StackGuard guard_;
    Watchdog watchdog_;
    Pos at_;

    // ---- statements ----------------------------------------------------------------------
    void DefineConstants(const Block& block);
    Flow ExecBlock(const Block& block);
    Flow Exec(const Stmt& s);
    void CountStep() {
        if (watchdog_.Due()) CheckWatchdog();
    }
    void CheckWatchdog();
    void ExecAssign(const AssignStmt& s);
    void ExecCall(const CallStmt& s);
    void ExecDim(const DimStmt& s);
    void ExecReDim(const DimStmt& s);
    void ExecErase(const EraseStmt& s);
    Flow ExecIf(const IfStmt& s);
    Flow ExecSelect(const SelectStmt& s);
    bool CaseMatches(const Value& subject, const CaseItem& item);
    Flow ExecFor(const ForStmt& s);
    Flow ExecForEach(const ForEachStmt& s);
    Flow ExecDo(const DoStmt& s);
    Flow ExecWith(const WithStmt& s);
    void RecordError(ScriptException& e);

    // ---- expressions ---------------------------------------------------------------------
    Value Eval(const Expr& e);
    Value EvalName(const NameExpr& n);
    Value EvalMember(const MemberExpr& m);
    Value EvalCall(const CallExpr& c);
    Value EvalBinary(const BinaryExpr& b);
    Value ApplyBinary(const BinaryExpr& b, const Value& x, const Value& y);
    Value ApplyOnDefaults(const BinaryExpr& b, const Value& x, const Value& y);
    // The value of `e` as operators and conditions use it: an object with a default member
    // stands for that member's value.
    Value EvalScalar(const Expr& e) { return ScalarOf(Eval(e)); }
    Value ScalarOf(Value v);
    bool WithoutEffects(const Expr& e);
    const Value& Operand(const Expr& e, Value& temp);
    Value EvalUnary(const UnaryExpr& u);

    // ---- variables and arrays ------------------------------------------------------------
    Value& Variable(const Binding& b) {
        return b.kind == Binding::Kind::Local ? *frame_->slots[static_cast<size_t>(b.slot)]
                                              : globals_[static_cast<size_t>(b.slot)];
    }
    Value& WritableVariable(const NameExpr& n);
    Value& Element(const Value& arrayValue, const std::vector<ExprPtr>& subscripts, const std::string& name);
    ArrayRef NewArray(const std::vector<ExprPtr>& bounds);
    Value* TryReference(const Expr& e, std::vector<Pin>& pins);
    void Store(const Expr& target, Value value, bool isSet);
    Value* ClassFieldOf(const Expr& e, ObjectRef& owner);

    // ---- calls ---------------------------------------------------------------------------
    Value Call(const Expr& callee, const std::vector<ExprPtr>& args);
    Value CallProcedure(const Procedure& p, const std::vector<ExprPtr>& args,
                        const ObjectRef& self = nullptr);
    void PrepareFrame(const Procedure& p, Frame& frame, const ObjectRef& self);
    Value RunProcedure(const Procedure& p, Frame& frame);

    // ---- script classes (EvalClasses.cpp) ------------------------------------------------
    Value NewObject(const NewExpr& e);
    const ClassMember& FindClassMember(ScriptObject& object, const MemberExpr& m);
    Value CallClassMember(const ObjectRef& object, const ClassMember& member,
                          const std::vector<ExprPtr>& args, const std::string& name);
    void StoreClassMember(const ObjectRef& object, const ClassMember& member, Value value, bool isSet,
                          const std::string& name);
    // An object's default member's value (called with `args`); other values unchanged.
    Value DefaultValue(const Value& v, const std::vector<ExprPtr>& args);
    void Terminate(const ObjectRef& me);
    std::shared_ptr<ScriptObject::TerminateHook> terminateHook_;
    void Track(const ObjectRef& object);
    std::vector<std::weak_ptr<HostObject>> instances_;  // emptied at the end of the run
    size_t sweepAt_ = 64;
    Value CallBuiltin(const Builtin& b, const std::vector<ExprPtr>& args);
    // `site` names the member in messages; its text is built only when an error needs it.
    Value Invoke(const ObjectRef& object, const Member& m, const std::vector<ExprPtr>& args,
                 const Expr& site);
    Value InvokeProperty(const ObjectRef& object, const Member& m, const std::vector<ExprPtr>& args,
                         const Expr& site);
    const Member* FindMember(const MemberExpr& m, const ObjectRef& object);
    ObjectRef RequireObject(const Value& v, const Expr& source);
};

}  // namespace korvan::vbs
