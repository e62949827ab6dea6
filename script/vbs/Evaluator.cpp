#include "script/vbs/Evaluator.h"

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ErrObject.h"
#include "script/vbs/EvalSupport.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/ScriptObject.h"

namespace korvan::vbs {

Evaluator::Evaluator(const Program& program, const std::vector<NamedItem>& items, const WatchOptions& watch,
                     size_t stackBudget, const Limits& limits)
    : program_(program), items_(items), guard_(stackBudget), watchdog_(watch) {
    rt_.limits = limits;
    rt_.err = std::make_shared<ErrObject>();
    globals_.resize(static_cast<size_t>(program.globalCount));
    terminateHook_ =
        std::make_shared<ScriptObject::TerminateHook>([this](const ObjectRef& me) { Terminate(me); });
}

// Objects still alive at the end are dropped without Class_Terminate, and their member
// variables are emptied so that objects referring to each other do not outlive the run.
Evaluator::~Evaluator() {
    *terminateHook_ = nullptr;
    for (const auto& weak : instances_)
        if (ObjectRef object = weak.lock()) object->AsScriptObject()->fields.clear();
}

void Evaluator::Run() {
    DefineConstants(program_.body);
    ExecBlock(program_.body);
}

// Script-level constants exist before the first statement runs, wherever they are written
// (even in a branch that is never taken). One that cannot be computed yet is left to its
// statement, which reports the error where it stands.
void Evaluator::DefineConstants(const Block& block) {
    for (const StmtPtr& s : block) {
        switch (s->kind) {
            case StmtKind::Const:
                for (const auto& [name, value] : static_cast<const ConstStmt&>(*s).items) {
                    try {
                        Variable(name->binding) = StoreCopy(Eval(*value));
                    } catch (const ScriptException&) {
                    }
                }
                break;
            default:
                ForEachInnerBlock(*s, [this](const Block& inner) { DefineConstants(inner); });
                break;
        }
    }
}

// ---- expressions -----------------------------------------------------------------------------

Value Evaluator::Eval(const Expr& e) {
    switch (e.kind) {
        case ExprKind::Literal:
            return static_cast<const LiteralExpr&>(e).value;
        case ExprKind::Name:
            return EvalName(static_cast<const NameExpr&>(e));
        case ExprKind::Member:
            return EvalMember(static_cast<const MemberExpr&>(e));
        case ExprKind::Call:
            return EvalCall(static_cast<const CallExpr&>(e));
        case ExprKind::Paren:
            return Eval(*static_cast<const ParenExpr&>(e).inner);
        case ExprKind::Unary:
            return EvalUnary(static_cast<const UnaryExpr&>(e));
        case ExprKind::Binary:
            return EvalBinary(static_cast<const BinaryExpr&>(e));
        case ExprKind::WithObject:
            return frame_->with[static_cast<size_t>(static_cast<const WithObjectExpr&>(e).level)];
        case ExprKind::New:
            return NewObject(static_cast<const NewExpr&>(e));
        case ExprKind::Me:
            return Value(frame_->self);
    }
    return Value();
}

Value Evaluator::EvalUnary(const UnaryExpr& u) {
    Value v = EvalScalar(*u.operand);
    at_ = u.pos;
    switch (u.op) {
        case UnaryOp::Neg:
            return Negate(v);
        case UnaryOp::Plus:
            return v;
        case UnaryOp::Not:
            return LogicalNot(v);
    }
    return v;
}

// True when evaluating `e` only reads variables and literals, so that an operand read before
// it may be looked at in place instead of copied.
bool Evaluator::WithoutEffects(const Expr& e) {
    if (e.effects != Expr::Effects::Unknown) return e.effects == Expr::Effects::None;
    bool none = false;
    switch (e.kind) {
        case ExprKind::Literal:
            none = true;
            break;
        case ExprKind::Name: {
            auto kind = static_cast<const NameExpr&>(e).binding.kind;
            none = kind == Binding::Kind::Local || kind == Binding::Kind::Global;
            break;
        }
        case ExprKind::Paren:
            none = WithoutEffects(*static_cast<const ParenExpr&>(e).inner);
            break;
        case ExprKind::Unary:
            none = WithoutEffects(*static_cast<const UnaryExpr&>(e).operand);
            break;
        case ExprKind::Binary: {
            auto& b = static_cast<const BinaryExpr&>(e);
            none = WithoutEffects(*b.lhs) && WithoutEffects(*b.rhs);
            break;
        }
        default:
            break;
    }
    e.effects = none ? Expr::Effects::None : Expr::Effects::Some;
    return none;
}

// An operand's value: in place for a variable or literal, else computed into `temp`.
[[gnu::always_inline]] inline const Value& Evaluator::Operand(const Expr& e, Value& temp) {
    if (e.kind == ExprKind::Literal) return static_cast<const LiteralExpr&>(e).value;
    if (e.kind == ExprKind::Name) {
        const Binding& b = static_cast<const NameExpr&>(e).binding;
        if (b.kind == Binding::Kind::Local || b.kind == Binding::Kind::Global) return Variable(b);
    }
    temp = Eval(e);
    return temp;
}

// The operator on its operands, numbers first. Inlined into EvalBinary: this is the hot path
// of every arithmetic loop.
[[gnu::always_inline]] inline Value Evaluator::ApplyBinary(const BinaryExpr& b, const Value& x,
                                                           const Value& y) {
    int64_t i, j;
    int rank;
    double u, v;
    switch (b.op) {
        case BinaryOp::Add:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i + j, rank);
            if (FastDoubles(x, y, &u, &v)) return Value(Checked(u + v));
            return Add(x, y, rt_.limits.maxStringBytes);
        case BinaryOp::Sub:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i - j, rank);
            if (FastDoubles(x, y, &u, &v)) return Value(Checked(u - v));
            return Subtract(x, y);
        case BinaryOp::Mul:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i * j, rank);
            if (FastDoubles(x, y, &u, &v)) return Value(Checked(u * v));
            return Multiply(x, y);
        case BinaryOp::Div:
            if (FastDoubles(x, y, &u, &v) && v != 0) return Value(Checked(u / v));
            return Divide(x, y);
        case BinaryOp::IntDiv:
            return IntDivide(x, y);
        case BinaryOp::Mod:
            return Modulo(x, y);
        case BinaryOp::Pow:
            return Power(x, y);
        case BinaryOp::Concat:
            return Concat(x, y, rt_.limits.maxStringBytes);
        case BinaryOp::Eq:
        case BinaryOp::Ne:
        case BinaryOp::Lt:
        case BinaryOp::Le:
        case BinaryOp::Gt:
        case BinaryOp::Ge:
            if (FastDoubles(x, y, &u, &v)) return Value(CompareNumbers(b.op, u, v));
            return CompareOp(b.op, x, y, b.literal);
        case BinaryOp::Is:
            return IsSame(x, y);
        default:
            return Logical(b.op, x, y);
    }
}

Value Evaluator::EvalBinary(const BinaryExpr& b) {
    guard_.Check();
    Value tx, ty;
    // The left operand is read in place only when the right one cannot change it.
    const bool rhsPure = b.rhs->effects == Expr::Effects::None || WithoutEffects(*b.rhs);
    const Value& x = rhsPure ? Operand(*b.lhs, tx) : (tx = Eval(*b.lhs));
    const Value& y = Operand(*b.rhs, ty);
    at_ = b.pos;
    if ((x.IsObject() || y.IsObject()) && b.op != BinaryOp::Is) [[unlikely]]
        return ApplyOnDefaults(b, x, y);
    return ApplyBinary(b, x, y);
}

// "obj + 1", "" & obj, obj = 5: an object stands for its default member's value.
Value Evaluator::ApplyOnDefaults(const BinaryExpr& b, const Value& x, const Value& y) {
    Value dx = ScalarOf(x), dy = ScalarOf(y);
    at_ = b.pos;
    return ApplyBinary(b, dx, dy);
}

}  // namespace korvan::vbs
