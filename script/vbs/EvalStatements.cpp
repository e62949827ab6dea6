// Statements: blocks, On Error, assignments, declarations, branches and loops.
#include "script/vbs/Evaluator.h"

#include "script/vbs/Builtins.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ErrObject.h"
#include "script/vbs/EvalSupport.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

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
            case StmtKind::With:
                return ExecWith(static_cast<const WithStmt&>(s));
            case StmtKind::Stop:
                break;
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
    if (!s.isSet && s.target->kind == ExprKind::Name) {
        // The common "x = expression" into a variable: no object or array to look after.
        const Binding& b = static_cast<const NameExpr&>(*s.target).binding;
        if ((b.kind == Binding::Kind::Local || b.kind == Binding::Kind::Global) && !b.readOnly) {
            Value v = Eval(*s.value);
            if (!v.IsObject() && !v.IsArray()) {
                Variable(b) = std::move(v);
                return;
            }
            Store(*s.target, std::move(v), s.isSet);
            return;
        }
    }
    Store(*s.target, Eval(*s.value), s.isSet);
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
        if (ToCondition(EvalScalar(*condition))) return ExecBlock(body);
    return ExecBlock(s.elseBlock);
}

bool Evaluator::CaseMatches(const Value& subject, const CaseItem& item) {
    Value first = EvalScalar(*item.first);
    bool literal = item.first->kind == ExprKind::Literal;
    switch (item.kind) {
        case CaseItem::Kind::Value:
            return Compare(subject, first, literal) == 0;
        case CaseItem::Kind::Is:
            return ToCondition(CompareOp(item.op, subject, first, literal));
        case CaseItem::Kind::Range: {
            Value last = EvalScalar(*item.last);
            std::optional<int> low = Compare(subject, first, literal);
            std::optional<int> high = Compare(subject, last, item.last->kind == ExprKind::Literal);
            return low && high && *low >= 0 && *high <= 0;
        }
    }
    return false;
}

Evaluator::Flow Evaluator::ExecSelect(const SelectStmt& s) {
    Value subject = EvalScalar(*s.subject);
    for (const auto& [items, body] : s.cases)
        for (const CaseItem& item : items)
            if (CaseMatches(subject, item)) return ExecBlock(body);
    return ExecBlock(s.elseBlock);
}

Evaluator::Flow Evaluator::ExecFor(const ForStmt& s) {
    Value from = ToNumeric(EvalScalar(*s.from));
    Value to = ToNumeric(EvalScalar(*s.to));
    Value step = s.step ? ToNumeric(EvalScalar(*s.step)) : Value(int16_t{1});
    bool up = ToDouble(step) >= 0;
    double limit = ToDouble(to);
    // A variable's place does not move while the script runs (frames and globals are sized once).
    Value& counter = WritableVariable(*s.var);
    counter = from;
    for (;;) {
        double current = counter.IsPlainNumber() ? counter.PlainNumber() : ToDouble(counter);
        if (up ? current > limit : current < limit) break;
        CountStep();
        Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
        int64_t x, y;
        int rank;
        counter = FastIntegers(counter, step, &x, &y, &rank) ? Fit(x + y, rank)
                                                             : Add(counter, step, rt_.limits.maxStringBytes);
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

Evaluator::Flow Evaluator::ExecWith(const WithStmt& s) {
    Value object = Eval(*s.object);
    RequireObject(object, *s.object);
    frame_->with.push_back(std::move(object));
    struct Pop {
        std::vector<Value>& with;
        ~Pop() { with.pop_back(); }
    } pop{frame_->with};
    return ExecBlock(s.body);
}

Evaluator::Flow Evaluator::ExecDo(const DoStmt& s) {
    for (;;) {
        CountStep();
        if (s.preCondition && ToCondition(EvalScalar(*s.preCondition)) == s.preUntil) break;
        Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitDo) break;
        if (flow != Flow::Normal) return flow;
        if (s.postCondition && ToCondition(EvalScalar(*s.postCondition)) == s.postUntil) break;
    }
    return Flow::Normal;
}

}  // namespace korvan::vbs
