#pragma once
// The syntax tree. Every node keeps the position of the token it starts at (zero-based line and
// character position) so that run-time errors point into the source. Names are resolved once,
// after parsing, into a Binding (a variable slot, a procedure, a host member, a built-in); the
// evaluator then never looks a variable up by its text.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/vbs/HostObject.h"
#include "script/vbs/Operators.h"
#include "script/vbs/Value.h"

namespace korvan::vbs {

struct Pos {
    int line = 0;
    int column = 0;
};

struct Procedure;
struct ClassMember;
struct Builtin;

struct Binding {
    enum class Kind : uint8_t {
        Unbound,     // not yet resolved
        Local,       // slot in the running procedure's frame
        Global,      // slot in the script's global variables
        Procedure,   // a Sub or Function of the script
        NamedItem,   // a named item registered by the host
        ItemMember,  // a member of a named item reachable without qualification
        Builtin,     // a built-in function or constant
        Undefined,   // not declared under Option Explicit: an error when reached
        MeMember,    // inside a class: a member of the running object (Me)
    };
    Kind kind = Kind::Unbound;
    bool readOnly = false;  // a Const
    int slot = -1;          // Local, Global, NamedItem (item index)
    const Procedure* procedure = nullptr;
    const Member* member = nullptr;
    const Builtin* builtin = nullptr;
    const ClassMember* classMember = nullptr;  // MeMember
};

enum class ExprKind : uint8_t { Literal, Name, Member, Call, Paren, Unary, Binary, WithObject, New, Me };

struct Expr {
    explicit Expr(ExprKind k, Pos p) : kind(k), pos(p) {}
    virtual ~Expr() = default;
    ExprKind kind;
    // Whether evaluating it can run code or change a variable (a call, a property): unknown
    // until the evaluator first asks.
    enum class Effects : uint8_t { Unknown, None, Some };
    mutable Effects effects = Effects::Unknown;
    Pos pos;
};
using ExprPtr = std::unique_ptr<Expr>;

struct LiteralExpr : Expr {
    LiteralExpr(Pos p, Value v) : Expr(ExprKind::Literal, p), value(std::move(v)) {}
    Value value;
};

struct NameExpr : Expr {
    NameExpr(Pos p, std::string spelling);
    std::string spelled;  // as written, for messages
    std::string lower;    // for lookups
    Binding binding;
};

// object.name; the cache remembers the member found for the last object's member table.
struct MemberExpr : Expr {
    MemberExpr(Pos p, ExprPtr obj, std::string n)
        : Expr(ExprKind::Member, p), object(std::move(obj)), name(std::move(n)) {}
    ExprPtr object;
    std::string name;
    mutable const MemberTable* cachedTable = nullptr;
    mutable const Member* cachedMember = nullptr;
};

// callee(args): a call, or an array element. A null argument is an omitted one ("a, , c").
struct CallExpr : Expr {
    CallExpr(Pos p, ExprPtr c, std::vector<ExprPtr> a)
        : Expr(ExprKind::Call, p), callee(std::move(c)), args(std::move(a)) {}
    ExprPtr callee;
    std::vector<ExprPtr> args;
};

// (inner): kept in the tree because a parenthesised argument is passed by value.
struct ParenExpr : Expr {
    ParenExpr(Pos p, ExprPtr e) : Expr(ExprKind::Paren, p), inner(std::move(e)) {}
    ExprPtr inner;
};

struct UnaryExpr : Expr {
    UnaryExpr(Pos p, UnaryOp o, ExprPtr e) : Expr(ExprKind::Unary, p), op(o), operand(std::move(e)) {}
    UnaryOp op;
    ExprPtr operand;
};

// The object of the enclosing With block that a leading "." refers to; `level` counts the With
// blocks around it in its procedure (or the global code), outermost 0.
struct WithObjectExpr : Expr {
    WithObjectExpr(Pos p, int l) : Expr(ExprKind::WithObject, p), level(l) {}
    int level;
};

struct BinaryExpr : Expr {
    BinaryExpr(Pos p, BinaryOp o, ExprPtr l, ExprPtr r);
    BinaryOp op;
    bool literal;  // one operand is a literal (comparisons convert strings to numbers then)
    ExprPtr lhs, rhs;
};

enum class StmtKind : uint8_t {
    Assign,
    Call,
    Dim,
    ReDim,
    Const,
    Erase,
    If,
    Select,
    For,
    ForEach,
    Do,
    Exit,
    OnError,
    With,
    Stop,  // a breakpoint: nothing happens without a debugger
};

struct Stmt {
    explicit Stmt(StmtKind k, Pos p) : kind(k), pos(p) {}
    virtual ~Stmt() = default;
    StmtKind kind;
    Pos pos;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct AssignStmt : Stmt {
    AssignStmt(Pos p) : Stmt(StmtKind::Assign, p) {}
    ExprPtr target, value;
    bool isSet = false;
};

// A call whose result is discarded: "Foo a, b", "Call Foo(a, b)", "obj.Method , 2".
struct CallStmt : Stmt {
    CallStmt(Pos p) : Stmt(StmtKind::Call, p) {}
    ExprPtr callee;  // a Name or a Member (or any expression under Call)
    std::vector<ExprPtr> args;
};

struct VarDecl {
    std::unique_ptr<NameExpr> name;
    bool isArray = false;         // "Dim a()" or "Dim a(3, 4)"
    std::vector<ExprPtr> bounds;  // upper bounds; empty for a dynamic array
};

// Dim (and Private/Public at script level) or ReDim [Preserve].
struct DimStmt : Stmt {
    DimStmt(Pos p, StmtKind k) : Stmt(k, p) {}
    std::vector<VarDecl> vars;
    bool preserve = false;
};

struct ConstStmt : Stmt {
    ConstStmt(Pos p) : Stmt(StmtKind::Const, p) {}
    std::vector<std::pair<std::unique_ptr<NameExpr>, ExprPtr>> items;
};

struct EraseStmt : Stmt {
    EraseStmt(Pos p) : Stmt(StmtKind::Erase, p) {}
    std::unique_ptr<NameExpr> name;
};

struct IfStmt : Stmt {
    IfStmt(Pos p) : Stmt(StmtKind::If, p) {}
    std::vector<std::pair<ExprPtr, Block>> branches;  // If and ElseIf
    Block elseBlock;
};

struct CaseItem {
    enum class Kind : uint8_t { Value, Range, Is } kind = Kind::Value;
    BinaryOp op = BinaryOp::Eq;  // for Is
    ExprPtr first, last;
};

struct SelectStmt : Stmt {
    SelectStmt(Pos p) : Stmt(StmtKind::Select, p) {}
    ExprPtr subject;
    std::vector<std::pair<std::vector<CaseItem>, Block>> cases;
    Block elseBlock;
};

struct ForStmt : Stmt {
    ForStmt(Pos p) : Stmt(StmtKind::For, p) {}
    std::unique_ptr<NameExpr> var;
    ExprPtr from, to, step;  // step may be null (1)
    Block body;
};

struct ForEachStmt : Stmt {
    ForEachStmt(Pos p) : Stmt(StmtKind::ForEach, p) {}
    std::unique_ptr<NameExpr> var;
    ExprPtr collection;
    Block body;
};

// Do [While|Until c] ... Loop [While|Until c], and While ... Wend.
struct DoStmt : Stmt {
    DoStmt(Pos p) : Stmt(StmtKind::Do, p) {}
    ExprPtr preCondition, postCondition;
    bool preUntil = false, postUntil = false;
    Block body;
};

enum class ExitKind : uint8_t { For, Do, Sub, Function, Property };

struct ExitStmt : Stmt {
    ExitStmt(Pos p, ExitKind w) : Stmt(StmtKind::Exit, p), what(w) {}
    ExitKind what;
};

struct OnErrorStmt : Stmt {
    OnErrorStmt(Pos p, bool r) : Stmt(StmtKind::OnError, p), resumeNext(r) {}
    bool resumeNext;
};

// With object ... End With: the object is evaluated once, then ".member" refers to it.
struct WithStmt : Stmt {
    WithStmt(Pos p) : Stmt(StmtKind::With, p) {}
    ExprPtr object;
    Block body;
};

// Calls `visit` for every block directly inside a statement (branches, cases, loop bodies).
void ForEachInnerBlock(const Stmt& s, const std::function<void(const Block&)>& visit);

struct ClassDecl;

struct ParamDecl {
    std::string spelled, lower;
    bool byVal = false;
};

enum class ProcKind : uint8_t { Sub, Function, Get, Let, Set };

struct Procedure {
    std::string spelled, lower;
    bool isFunction = false;  // returns a value: a Function or a Property Get
    ProcKind kind = ProcKind::Sub;
    bool isPublic = true;
    bool isDefault = false;
    const ClassDecl* owner = nullptr;  // the class whose method this is
    Pos pos;
    std::vector<ParamDecl> params;  // slots 1 .. n; slot 0 holds a Function's result
    Block body;
    int slotCount = 0;  // set by the binder
    std::vector<std::string> localNames;
};

// What one name of a class stands for. A property may have Get, Let and Set at once.
struct ClassMember {
    int field = -1;                     // index of a member variable
    const Procedure* method = nullptr;  // Sub or Function
    const Procedure* get = nullptr;
    const Procedure* let = nullptr;
    const Procedure* set = nullptr;
    bool isPublic = true;
};

struct ClassField {
    std::unique_ptr<NameExpr> name;
    bool isPublic = false;
    bool isArray = false;
    std::vector<ExprPtr> bounds;
};

struct ClassDecl {
    std::string spelled, lower;
    Pos pos;
    std::vector<ClassField> fields;
    std::vector<std::unique_ptr<Procedure>> procedures;
    // Filled by the binder.
    std::unordered_map<std::string, ClassMember> members;
    const ClassMember* defaultMember = nullptr;
    const Procedure* initialize = nullptr;  // Class_Initialize
    const Procedure* terminate = nullptr;   // Class_Terminate
};

// "New ClassName"
struct NewExpr : Expr {
    NewExpr(Pos p, std::string name) : Expr(ExprKind::New, p), spelled(std::move(name)) {}
    std::string spelled;
    mutable const ClassDecl* cls = nullptr;  // found on first use
};

struct Program {
    Block body;
    std::vector<std::unique_ptr<Procedure>> procedures;
    std::vector<std::unique_ptr<ClassDecl>> classes;
    bool optionExplicit = false;
    int globalCount = 0;  // set by the binder
    std::vector<std::string> globalNames;
    std::vector<bool> globalReadOnly;
};

}  // namespace korvan::vbs
