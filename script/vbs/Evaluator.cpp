#include "script/vbs/Evaluator.h"

#include <limits>

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ErrObject.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

// The source text naming an expression in messages ("Objx", "Objx.widht", "a").
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

// The starting value of a by-reference parameter: the caller's value when it converts,
// else the type's zero (an output parameter does not care what the variable held).
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

// Integer fast path of + - * for the common case of two Integers or Longs.
bool FastIntegers(const Value& a, const Value& b, int64_t* x, int64_t* y, int* rank) {
    if (a.IsLong() && b.IsLong()) return *x = a.AsLong(), *y = b.AsLong(), *rank = 1, true;
    if (a.IsInteger() && b.IsInteger()) return *x = a.AsInteger(), *y = b.AsInteger(), *rank = 0, true;
    if ((a.IsLong() || a.IsInteger()) && (b.IsLong() || b.IsInteger())) {
        *x = a.IsLong() ? a.AsLong() : a.AsInteger();
        *y = b.IsLong() ? b.AsLong() : b.AsInteger();
        *rank = 1;
        return true;
    }
    return false;
}

Value Fit(int64_t r, int rank) {
    if (rank == 0 && r >= INT16_MIN && r <= INT16_MAX) return Value(static_cast<int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Value(static_cast<int32_t>(r));
    return Value(static_cast<double>(r));
}

}  // namespace

Evaluator::Evaluator(const Program& program, const std::vector<NamedItem>& items, const WatchOptions& watch,
                     size_t stackBudget, const Limits& limits)
    : program_(program), items_(items), guard_(stackBudget), watchdog_(watch) {
    rt_.limits = limits;
    rt_.err = std::make_shared<ErrObject>();
    globals_.resize(static_cast<size_t>(program.globalCount));
}

Evaluator::~Evaluator() = default;

void Evaluator::Run() {
    ExecBlock(program_.body);
}

// ---- statements ------------------------------------------------------------------------------

void Evaluator::CheckWatchdog() {
    try {
        watchdog_.Check();
    } catch (ScriptAbort& stop) {
        stop.line = at_.line, stop.column = at_.column;
        throw;
    }
}

void Evaluator::RecordError(ScriptException& e) {
    static_cast<ErrObject&>(*rt_.err).Set(e.error().number, e.error().description);
}

Evaluator::Flow Evaluator::ExecBlock(const Block& block) {
    for (const StmtPtr& s : block) {
        Flow flow;
        if (!frame_->resumeNext) {
            flow = Exec(*s);
        } else {
            try {
                flow = Exec(*s);
            } catch (ScriptException& e) {
                RecordError(e);
                continue;
            }
        }
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Evaluator::Flow Evaluator::Exec(const Stmt& s) {
    at_ = s.pos;
    CountStep();
    try {
        switch (s.kind) {
            case StmtKind::Assign:
                ExecAssign(static_cast<const AssignStmt&>(s));
                break;
            case StmtKind::Call:
                ExecCall(static_cast<const CallStmt&>(s));
                break;
            case StmtKind::Dim:
                ExecDim(static_cast<const DimStmt&>(s));
                break;
            case StmtKind::ReDim:
                ExecReDim(static_cast<const DimStmt&>(s));
                break;
            case StmtKind::Const:
                for (const auto& [name, value] : static_cast<const ConstStmt&>(s).items) {
                    Value v = Eval(*value);
                    Variable(name->binding) = StoreCopy(v);
                }
                break;
            case StmtKind::Erase:
                ExecErase(static_cast<const EraseStmt&>(s));
                break;
            case StmtKind::If:
                return ExecIf(static_cast<const IfStmt&>(s));
            case StmtKind::Select:
                return ExecSelect(static_cast<const SelectStmt&>(s));
            case StmtKind::For:
                return ExecFor(static_cast<const ForStmt&>(s));
            case StmtKind::ForEach:
                return ExecForEach(static_cast<const ForEachStmt&>(s));
            case StmtKind::Do:
                return ExecDo(static_cast<const DoStmt&>(s));
            case StmtKind::Exit:
                switch (static_cast<const ExitStmt&>(s).what) {
                    case ExitKind::For:
                        return Flow::ExitFor;
                    case ExitKind::Do:
                        return Flow::ExitDo;
                    default:
                        return Flow::ExitProcedure;
                }
            case StmtKind::OnError:
                frame_->resumeNext = static_cast<const OnErrorStmt&>(s).resumeNext;
                static_cast<ErrObject&>(*rt_.err).Clear();
                break;
        }
    } catch (ScriptException& e) {
        e.Place(at_.line, at_.column);
        throw;
    } catch (const std::bad_alloc&) {
        ScriptException e(kErrOutOfMemory);
        e.Place(at_.line, at_.column);
        throw e;
    } catch (const std::exception& failure) {
        // A host member that failed in its own way: report it where the script called it.
        ScriptException e(kErrInternal, DescribeError(kErrInternal) + ": " + failure.what());
        e.Place(at_.line, at_.column);
        throw e;
    }
    return Flow::Normal;
}

void Evaluator::ExecAssign(const AssignStmt& s) {
    Store(*s.target, Eval(*s.value), s.isSet);
}

void Evaluator::ExecCall(const CallStmt& s) {
    const Expr& callee = *s.callee;
    if (callee.kind == ExprKind::Name) {
        auto& n = static_cast<const NameExpr&>(callee);
        switch (n.binding.kind) {
            case Binding::Kind::Procedure:
                CallProcedure(*n.binding.procedure, s.args);
                return;
            case Binding::Kind::ItemMember:
                Invoke(items_[static_cast<size_t>(n.binding.slot)].object, *n.binding.member, s.args, n);
                return;
            case Binding::Kind::Builtin:
                CallBuiltin(*n.binding.builtin, s.args);
                return;
            case Binding::Kind::Undefined:
                at_ = n.pos;
                Raise(kErrUndefined, n.spelled);
            default:
                at_ = n.pos;
                Raise(kErrTypeMismatch, n.spelled);
        }
    }
    if (callee.kind == ExprKind::Member) {
        auto& m = static_cast<const MemberExpr&>(callee);
        ObjectRef object = RequireObject(Eval(*m.object), *m.object);
        const Member* member = FindMember(m, object);
        at_ = m.pos;
        Invoke(object, *member, s.args, m);
        return;
    }
    // "Call <expression>": evaluate it, as an element access or a call with arguments.
    Eval(callee);
}

void Evaluator::ExecDim(const DimStmt& s) {
    for (const VarDecl& decl : s.vars) {
        if (!decl.isArray) continue;
        Value& slot = Variable(decl.name->binding);
        if (slot.IsArray()) continue;  // declared once: running the Dim again keeps the contents
        ArrayRef array = NewArray(decl.bounds);
        array->fixedSize = !decl.bounds.empty();
        slot = Value(std::move(array));
    }
}

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

void Evaluator::ExecReDim(const DimStmt& s) {
    for (const VarDecl& decl : s.vars) {
        Value& slot = WritableVariable(*decl.name);
        ArrayRef fresh = NewArray(decl.bounds);
        if (slot.IsArray()) {
            const Array& old = *slot.AsArray();
            if (old.locks > 0 || old.fixedSize) Raise(kErrArrayLocked);
            if (s.preserve) {
                // Only the last dimension may change; the first subscript varies fastest, so the
                // old elements are a prefix of the new ones.
                if (!old.upper.empty() && old.upper.size() != fresh->upper.size()) Raise(kErrSubscript);
                for (size_t k = 0; k + 1 < old.upper.size(); ++k)
                    if (old.upper[k] != fresh->upper[k]) Raise(kErrSubscript);
                size_t keep = std::min(old.items.size(), fresh->items.size());
                for (size_t k = 0; k < keep; ++k) fresh->items[k] = old.items[k];
            }
        }
        Value& target = WritableVariable(*decl.name);  // the bounds may have run code
        target = Value(std::move(fresh));
    }
}

void Evaluator::ExecErase(const EraseStmt& s) {
    Value& slot = WritableVariable(*s.name);
    if (!slot.IsArray()) Raise(kErrTypeMismatch, s.name->spelled);
    Array& array = *slot.AsArray();
    if (array.locks > 0) Raise(kErrArrayLocked);
    if (array.fixedSize) {
        for (Value& v : array.items) v = Value();
    } else {
        slot = Value(std::make_shared<Array>());
    }
}

Evaluator::Flow Evaluator::ExecIf(const IfStmt& s) {
    for (const auto& [condition, body] : s.branches)
        if (ToCondition(Eval(*condition))) return ExecBlock(body);
    return ExecBlock(s.elseBlock);
}

bool Evaluator::CaseMatches(const Value& subject, const CaseItem& item) {
    Value first = Eval(*item.first);
    bool literal = item.first->kind == ExprKind::Literal;
    switch (item.kind) {
        case CaseItem::Kind::Value:
            return Compare(subject, first, literal) == 0;
        case CaseItem::Kind::Is:
            return ToCondition(CompareOp(item.op, subject, first, literal));
        case CaseItem::Kind::Range: {
            Value last = Eval(*item.last);
            std::optional<int> low = Compare(subject, first, literal);
            std::optional<int> high = Compare(subject, last, item.last->kind == ExprKind::Literal);
            return low && high && *low >= 0 && *high <= 0;
        }
    }
    return false;
}

Evaluator::Flow Evaluator::ExecSelect(const SelectStmt& s) {
    Value subject = Eval(*s.subject);
    for (const auto& [items, body] : s.cases)
        for (const CaseItem& item : items)
            if (CaseMatches(subject, item)) return ExecBlock(body);
    return ExecBlock(s.elseBlock);
}

Evaluator::Flow Evaluator::ExecFor(const ForStmt& s) {
    Value from = ToNumeric(Eval(*s.from));
    Value to = ToNumeric(Eval(*s.to));
    Value step = s.step ? ToNumeric(Eval(*s.step)) : Value(int16_t{1});
    bool up = ToDouble(step) >= 0;
    double limit = ToDouble(to);
    WritableVariable(*s.var) = from;
    for (;;) {
        Value& counter = WritableVariable(*s.var);
        double current = ToDouble(counter);
        if (up ? current > limit : current < limit) break;
        CountStep();
        Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
        Value& after = WritableVariable(*s.var);
        int64_t x, y;
        int rank;
        after = FastIntegers(after, step, &x, &y, &rank) ? Fit(x + y, rank)
                                                         : Add(after, step, rt_.limits.maxStringBytes);
    }
    return Flow::Normal;
}

Evaluator::Flow Evaluator::ExecForEach(const ForEachStmt& s) {
    Value collection = Eval(*s.collection);
    if (!collection.IsArray()) Raise(collection.IsObject() ? kErrNoMember : kErrTypeMismatch);
    Value snapshot = StoreCopy(collection);
    for (const Value& item : snapshot.AsArray()->items) {
        CountStep();
        WritableVariable(*s.var) = StoreCopy(item);
        Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Evaluator::Flow Evaluator::ExecDo(const DoStmt& s) {
    for (;;) {
        CountStep();
        if (s.preCondition && ToCondition(Eval(*s.preCondition)) == s.preUntil) break;
        Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitDo) break;
        if (flow != Flow::Normal) return flow;
        if (s.postCondition && ToCondition(Eval(*s.postCondition)) == s.postUntil) break;
    }
    return Flow::Normal;
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
    }
    return Value();
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
    const Member* member = FindMember(m, object);
    at_ = m.pos;
    return Invoke(object, *member, kNoArgs, m);
}

Value Evaluator::EvalCall(const CallExpr& c) {
    const Expr& callee = *c.callee;
    if (callee.kind == ExprKind::Name) {
        auto& n = static_cast<const NameExpr&>(callee);
        const Binding& b = n.binding;
        switch (b.kind) {
            case Binding::Kind::Local:
            case Binding::Kind::Global: {
                Value& v = Element(Variable(b), c.args, n.spelled);
                return v;
            }
            case Binding::Kind::Procedure:
                at_ = n.pos;
                return CallProcedure(*b.procedure, c.args);
            case Binding::Kind::ItemMember:
                at_ = n.pos;
                return Invoke(items_[static_cast<size_t>(b.slot)].object, *b.member, c.args, n);
            case Binding::Kind::Builtin:
                at_ = n.pos;
                return CallBuiltin(*b.builtin, c.args);
            case Binding::Kind::Undefined:
                at_ = n.pos;
                Raise(kErrUndefined, n.spelled);
            default:
                at_ = n.pos;
                Raise(kErrTypeMismatch, n.spelled);
        }
    }
    if (callee.kind == ExprKind::Member) {
        auto& m = static_cast<const MemberExpr&>(callee);
        ObjectRef object = RequireObject(Eval(*m.object), *m.object);
        const Member* member = FindMember(m, object);
        at_ = m.pos;
        return Invoke(object, *member, c.args, m);
    }
    Value base = Eval(callee);
    return Element(base, c.args, Describe(callee));
}

Value Evaluator::EvalUnary(const UnaryExpr& u) {
    Value v = Eval(*u.operand);
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

Value Evaluator::EvalBinary(const BinaryExpr& b) {
    guard_.Check();
    Value x = Eval(*b.lhs);
    Value y = Eval(*b.rhs);
    at_ = b.pos;
    int64_t i, j;
    int rank;
    switch (b.op) {
        case BinaryOp::Add:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i + j, rank);
            if (x.IsDouble() && y.IsDouble()) return Value(Checked(x.AsDouble() + y.AsDouble()));
            return Add(x, y, rt_.limits.maxStringBytes);
        case BinaryOp::Sub:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i - j, rank);
            if (x.IsDouble() && y.IsDouble()) return Value(Checked(x.AsDouble() - y.AsDouble()));
            return Subtract(x, y);
        case BinaryOp::Mul:
            if (FastIntegers(x, y, &i, &j, &rank)) return Fit(i * j, rank);
            if (x.IsDouble() && y.IsDouble()) return Value(Checked(x.AsDouble() * y.AsDouble()));
            return Multiply(x, y);
        case BinaryOp::Div:
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
            return CompareOp(b.op, x, y, b.literal);
        case BinaryOp::Is:
            return IsSame(x, y);
        default:
            return Logical(b.op, x, y);
    }
}

// ---- variables and arrays --------------------------------------------------------------------

Value& Evaluator::WritableVariable(const NameExpr& n) {
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
    if (!isSet && value.IsObject()) Raise(value.AsObject() ? kErrNoMember : kErrObjectNotSet);
    switch (target.kind) {
        case ExprKind::Name: {
            auto& n = static_cast<const NameExpr&>(target);
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
            const Member* member = FindMember(m, object);
            at_ = m.pos;
            if (member->kind != Member::Kind::Property || !member->put) Raise(kErrNoMember, Describe(m));
            member->put(*object, ConvertParam(value, member->type));
            return;
        }
        case ExprKind::Call: {
            auto& c = static_cast<const CallExpr&>(target);
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

// ---- calls -----------------------------------------------------------------------------------

Value Evaluator::CallProcedure(const Procedure& p, const std::vector<ExprPtr>& args) {
    guard_.Check();
    const Pos call = at_;
    if (args.size() != p.params.size()) Raise(kErrWrongArgCount, p.spelled);
    Frame frame;
    frame.values.resize(static_cast<size_t>(p.slotCount));
    frame.slots.resize(frame.values.size());
    for (size_t k = 0; k < frame.values.size(); ++k) frame.slots[k] = &frame.values[k];
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
    for (const ExprPtr& a : args) values.push_back(a ? Eval(*a) : Value());
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
            values[k] = ConvertParam(Eval(*args[k]), param.type);
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
