#include "script/vbs/Binder.h"

#include <functional>
#include <unordered_map>

#include "script/vbs/Builtins.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

using NameVisitor = std::function<void(NameExpr&, bool callee)>;

// Calls `visit` for every name in an expression; `callee` marks a name called with arguments.
void WalkExpr(Expr* e, const NameVisitor& visit, bool callee = false) {
    if (!e) return;
    switch (e->kind) {
        case ExprKind::Literal:
        case ExprKind::WithObject:
        case ExprKind::New:
        case ExprKind::Me:
            return;
        case ExprKind::Name:
            return visit(static_cast<NameExpr&>(*e), callee);
        case ExprKind::Member:
            return WalkExpr(static_cast<MemberExpr*>(e)->object.get(), visit);
        case ExprKind::Call: {
            auto* c = static_cast<CallExpr*>(e);
            WalkExpr(c->callee.get(), visit, !c->args.empty());
            for (auto& a : c->args) WalkExpr(a.get(), visit);
            return;
        }
        case ExprKind::Paren:
            return WalkExpr(static_cast<ParenExpr*>(e)->inner.get(), visit);
        case ExprKind::Unary:
            return WalkExpr(static_cast<UnaryExpr*>(e)->operand.get(), visit);
        case ExprKind::Binary: {
            auto* b = static_cast<BinaryExpr*>(e);
            WalkExpr(b->lhs.get(), visit);
            WalkExpr(b->rhs.get(), visit);
            return;
        }
    }
}

void WalkBlock(Block& block, const NameVisitor& visit);

void WalkStmt(Stmt& s, const NameVisitor& visit) {
    switch (s.kind) {
        case StmtKind::Assign: {
            auto& a = static_cast<AssignStmt&>(s);
            WalkExpr(a.target.get(), visit);
            WalkExpr(a.value.get(), visit);
            return;
        }
        case StmtKind::Call: {
            auto& c = static_cast<CallStmt&>(s);
            WalkExpr(c.callee.get(), visit, true);
            for (auto& a : c.args) WalkExpr(a.get(), visit);
            return;
        }
        case StmtKind::Dim:
        case StmtKind::ReDim:
            for (auto& v : static_cast<DimStmt&>(s).vars) {
                visit(*v.name, false);
                for (auto& b : v.bounds) WalkExpr(b.get(), visit);
            }
            return;
        case StmtKind::Const:
            for (auto& [name, value] : static_cast<ConstStmt&>(s).items) {
                visit(*name, false);
                WalkExpr(value.get(), visit);
            }
            return;
        case StmtKind::Erase:
            return visit(*static_cast<EraseStmt&>(s).name, false);
        case StmtKind::If: {
            auto& i = static_cast<IfStmt&>(s);
            for (auto& [condition, body] : i.branches) {
                WalkExpr(condition.get(), visit);
                WalkBlock(body, visit);
            }
            return WalkBlock(i.elseBlock, visit);
        }
        case StmtKind::Select: {
            auto& sel = static_cast<SelectStmt&>(s);
            WalkExpr(sel.subject.get(), visit);
            for (auto& [items, body] : sel.cases) {
                for (auto& item : items) WalkExpr(item.first.get(), visit), WalkExpr(item.last.get(), visit);
                WalkBlock(body, visit);
            }
            return WalkBlock(sel.elseBlock, visit);
        }
        case StmtKind::For: {
            auto& f = static_cast<ForStmt&>(s);
            visit(*f.var, false);
            WalkExpr(f.from.get(), visit), WalkExpr(f.to.get(), visit), WalkExpr(f.step.get(), visit);
            return WalkBlock(f.body, visit);
        }
        case StmtKind::ForEach: {
            auto& f = static_cast<ForEachStmt&>(s);
            visit(*f.var, false);
            WalkExpr(f.collection.get(), visit);
            return WalkBlock(f.body, visit);
        }
        case StmtKind::Do: {
            auto& d = static_cast<DoStmt&>(s);
            WalkExpr(d.preCondition.get(), visit), WalkExpr(d.postCondition.get(), visit);
            return WalkBlock(d.body, visit);
        }
        case StmtKind::With: {
            auto& w = static_cast<WithStmt&>(s);
            WalkExpr(w.object.get(), visit);
            return WalkBlock(w.body, visit);
        }
        case StmtKind::Exit:
        case StmtKind::OnError:
        case StmtKind::Stop:
            return;
    }
}

void WalkBlock(Block& block, const NameVisitor& visit) {
    for (auto& s : block) WalkStmt(*s, visit);
}

enum class Decl : uint8_t { Dim, ReDim, Const };

// Declarations (Dim, ReDim, Const) anywhere in a block, in source order.
void CollectDeclarations(const Block& block, const std::function<void(NameExpr&, Decl)>& declare) {
    for (const auto& s : block) {
        switch (s->kind) {
            case StmtKind::Dim:
            case StmtKind::ReDim:
                for (auto& v : static_cast<DimStmt&>(*s).vars)
                    declare(*v.name, s->kind == StmtKind::Dim ? Decl::Dim : Decl::ReDim);
                break;
            case StmtKind::Const:
                for (auto& item : static_cast<ConstStmt&>(*s).items) declare(*item.first, Decl::Const);
                break;
            default:
                ForEachInnerBlock(*s, [&](const Block& inner) { CollectDeclarations(inner, declare); });
                break;
        }
    }
}

[[noreturn]] void Redefined(const NameExpr& name) {
    ScriptException e(kErrNameRedefined);
    e.error().compile = true;
    e.Place(name.pos.line, name.pos.column);
    throw e;
}

struct Scope {
    std::unordered_map<std::string, int> slots;
    std::vector<std::string> names;
    std::vector<bool> readOnly;

    int Find(const std::string& lower) const {
        auto it = slots.find(lower);
        return it == slots.end() ? -1 : it->second;
    }
    int Add(const std::string& lower, bool constant) {
        int slot = static_cast<int>(names.size());
        slots.emplace(lower, slot);
        names.push_back(lower);
        readOnly.push_back(constant);
        return slot;
    }
};

class Binder {
  public:
    Binder(Program& program, const std::vector<NamedItem>& items) : program_(program), items_(items) {}

    void Run() {
        // A procedure defined again replaces the earlier one everywhere.
        for (auto& proc : program_.procedures) procedures_[proc->lower] = proc.get();
        for (auto& cls : program_.classes) BuildClassMembers(*cls);
        CollectDeclarations(program_.body, [&](NameExpr& name, Decl decl) {
            bool constant = decl == Decl::Const;
            if (globals_.Find(name.lower) >= 0) {
                if (constant || globals_.readOnly[static_cast<size_t>(globals_.Find(name.lower))])
                    Redefined(name);
                return;  // a second Dim or a ReDim of the same variable
            }
            if (procedures_.count(name.lower)) Redefined(name);
            globals_.Add(name.lower, constant);
        });
        WalkBlock(program_.body, [&](NameExpr& name, bool) { BindGlobal(name); });
        for (auto& proc : program_.procedures) BindProcedure(*proc);
        for (auto& cls : program_.classes) {
            for (auto& field : cls->fields)
                for (auto& bound : field.bounds)
                    WalkExpr(bound.get(), [&](NameExpr& name, bool) { BindGlobal(name); });
            for (auto& proc : cls->procedures) BindProcedure(*proc);
        }
        program_.globalCount = static_cast<int>(globals_.names.size());
        program_.globalNames = globals_.names;
        program_.globalReadOnly = globals_.readOnly;
    }

  private:
    Program& program_;
    const std::vector<NamedItem>& items_;
    Scope globals_;
    std::unordered_map<std::string, const Procedure*> procedures_;

    // Script-level names, host names and built-ins; false when the name is unknown.
    bool BindShared(NameExpr& name) {
        Binding& b = name.binding;
        if (int slot = globals_.Find(name.lower); slot >= 0) {
            b.kind = Binding::Kind::Global, b.slot = slot;
            b.readOnly = globals_.readOnly[static_cast<size_t>(slot)];
            return true;
        }
        if (auto it = procedures_.find(name.lower); it != procedures_.end()) {
            b.kind = Binding::Kind::Procedure, b.procedure = it->second;
            return true;
        }
        for (size_t k = 0; k < items_.size(); ++k) {
            if (items_[k].lower == name.lower) {
                b.kind = Binding::Kind::NamedItem, b.slot = static_cast<int>(k);
                return true;
            }
        }
        for (size_t k = 0; k < items_.size(); ++k) {
            if (!items_[k].globalMembers || !items_[k].object) continue;
            if (const Member* m = items_[k].object->Members().Find(name.lower)) {
                b.kind = Binding::Kind::ItemMember, b.slot = static_cast<int>(k), b.member = m;
                return true;
            }
        }
        if (const Builtin* builtin = FindBuiltin(name.lower)) {
            b.kind = Binding::Kind::Builtin, b.builtin = builtin;
            return true;
        }
        return false;
    }

    void BindGlobal(NameExpr& name) {
        if (BindShared(name)) return;
        if (program_.optionExplicit) {
            name.binding.kind = Binding::Kind::Undefined;
            return;
        }
        name.binding.kind = Binding::Kind::Global;
        name.binding.slot = globals_.Add(name.lower, false);
    }

    // The names of a class: member variables, methods and the parts of each property.
    static void BuildClassMembers(ClassDecl& cls) {
        for (size_t k = 0; k < cls.fields.size(); ++k) {
            const NameExpr& name = *cls.fields[k].name;
            ClassMember& member = cls.members[name.lower];
            if (member.field >= 0) Redefined(name);
            member.field = static_cast<int>(k);
            member.isPublic = cls.fields[k].isPublic;
        }
        for (auto& proc : cls.procedures) {
            ClassMember& member = cls.members[proc->lower];
            const Procedure** part = proc->kind == ProcKind::Get   ? &member.get
                                     : proc->kind == ProcKind::Let ? &member.let
                                     : proc->kind == ProcKind::Set ? &member.set
                                                                   : &member.method;
            NameExpr at(proc->pos, proc->spelled);
            if (*part || member.field >= 0) Redefined(at);
            *part = proc.get();
            member.isPublic = proc->isPublic;
            if (proc->isDefault) cls.defaultMember = &member;
            if (proc->kind == ProcKind::Sub && proc->params.empty()) {
                if (proc->lower == "class_initialize") cls.initialize = proc.get();
                if (proc->lower == "class_terminate") cls.terminate = proc.get();
            }
        }
    }

    void BindProcedure(Procedure& proc) {
        Scope locals;
        locals.Add(proc.isFunction ? proc.lower : std::string(), false);  // slot 0: the result
        for (const ParamDecl& param : proc.params) {
            if (locals.Find(param.lower) >= 0) {
                NameExpr at(proc.pos, param.spelled);
                Redefined(at);
            }
            locals.Add(param.lower, false);
        }
        CollectDeclarations(proc.body, [&](NameExpr& name, Decl decl) {
            bool constant = decl == Decl::Const;
            int existing = locals.Find(name.lower);
            // ReDim of a script-level array resizes that array; only Dim and Const make locals.
            if (decl == Decl::ReDim && existing < 0 && globals_.Find(name.lower) >= 0) return;
            if (existing > 0 && (constant || locals.readOnly[static_cast<size_t>(existing)])) Redefined(name);
            if (existing < 0) locals.Add(name.lower, constant);
        });
        WalkBlock(proc.body, [&](NameExpr& name, bool callee) {
            Binding& b = name.binding;
            int slot = locals.Find(name.lower);
            // Inside a Function its name is the result variable, except where it is called.
            if (slot == 0 && callee) slot = -1;
            if (slot >= 0) {
                b.kind = Binding::Kind::Local, b.slot = slot;
                b.readOnly = locals.readOnly[static_cast<size_t>(slot)];
                return;
            }
            if (proc.owner) {
                // In a method, the class's own members come before script-level names.
                auto member = proc.owner->members.find(name.lower);
                if (member != proc.owner->members.end()) {
                    b.kind = Binding::Kind::MeMember, b.classMember = &member->second;
                    return;
                }
            }
            if (BindShared(name)) return;
            if (program_.optionExplicit) {
                b.kind = Binding::Kind::Undefined;
                return;
            }
            b.kind = Binding::Kind::Local;
            b.slot = locals.Add(name.lower, false);
        });
        proc.slotCount = static_cast<int>(locals.names.size());
        proc.localNames = locals.names;
    }
};

}  // namespace

void Bind(Program& program, const std::vector<NamedItem>& items) {
    Binder(program, items).Run();
}

}  // namespace korvan::vbs
