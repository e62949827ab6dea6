#include "script/vbs/Parser.h"

#include <functional>

#include "script/vbs/Lexer.h"
#include "script/vbs/StackGuard.h"

namespace korvan::vbs {

NameExpr::NameExpr(Pos p, std::string spelling)
    : Expr(ExprKind::Name, p), spelled(std::move(spelling)), lower(LowerAscii(spelled)) {}

BinaryExpr::BinaryExpr(Pos p, BinaryOp o, ExprPtr l, ExprPtr r)
    : Expr(ExprKind::Binary, p),
      op(o),
      literal(l->kind == ExprKind::Literal || r->kind == ExprKind::Literal),
      lhs(std::move(l)),
      rhs(std::move(r)) {}

namespace {

class Parser {
  public:
    Parser(std::string_view source, size_t stackBudget) : tokens_(Tokenize(source)), guard_(stackBudget) {}

    // Errors without a place of their own (the stack guard's) point at the token being read.
    Program Run() {
        try {
            return ParseProgram();
        } catch (ScriptException& e) {
            e.Place(Cur().line, Cur().column);
            throw;
        }
    }

  private:
    Program ParseProgram() {
        Program program;
        program_ = &program;
        for (;;) {
            SkipSeparators();
            if (At(Tok::End)) break;
            if (IsProcedureStart()) {
                program.procedures.push_back(ParseProcedure());
            } else if (AtKeyword(Kw::Class)) {
                program.classes.push_back(ParseClass());
            } else if (AtKeyword(Kw::Option)) {
                Next();
                if (!AtWord("explicit")) Fail(kErrSyntax);
                Next();
                program.optionExplicit = true;
            } else {
                program.body.push_back(ParseStatement());
            }
            ExpectStatementEnd();
        }
        return program;
    }

    std::vector<Token> tokens_;
    size_t i_ = 0;
    Program* program_ = nullptr;
    StackGuard guard_;
    int forDepth_ = 0, doDepth_ = 0;
    int withDepth_ = 0;         // With blocks around the current statement in its procedure
    ClassDecl* cls_ = nullptr;  // the class being read
    const Procedure* procedure_ = nullptr;
    int inlineIf_ = 0;  // inside a single-line If, "Else" also ends a statement

    // ---- token helpers -------------------------------------------------------------------
    const Token& Cur() const { return tokens_[i_]; }
    const Token& Peek(size_t n = 1) const { return tokens_[std::min(i_ + n, tokens_.size() - 1)]; }
    void Next() {
        if (i_ + 1 < tokens_.size()) ++i_;
    }
    bool At(Tok k) const { return Cur().kind == k; }
    bool AtKeyword(Kw k) const { return Cur().kind == Tok::Keyword && Cur().keyword == k; }
    bool AtWord(std::string_view lower) const {
        return Cur().kind == Tok::Identifier && LowerAscii(Cur().text) == lower;
    }
    Pos Here() const { return Pos{Cur().line, Cur().column}; }
    bool AtSeparator() const {
        return At(Tok::Newline) || At(Tok::Colon) || At(Tok::End) || (inlineIf_ > 0 && AtKeyword(Kw::Else)) ||
               AtProcedureEnd();
    }
    // "x = 1 End Sub": a procedure's end may follow its last statement on the same line.
    bool AtProcedureEnd() const {
        if (!AtKeyword(Kw::End) || !procedure_) return false;
        const Token& next = Peek();
        return (next.kind == Tok::Keyword && (next.keyword == Kw::Sub || next.keyword == Kw::Function)) ||
               (next.kind == Tok::Identifier && LowerAscii(next.text) == "property");
    }

    [[noreturn]] void Fail(int number) { Fail(number, DescribeError(number)); }
    [[noreturn]] void Fail(int number, const std::string& text) {
        ScriptException e(number, text);
        e.error().compile = true;
        e.Place(Cur().line, Cur().column);
        throw e;
    }
    void Expect(Tok k, int number) {
        if (!At(k)) Fail(number);
        Next();
    }
    void ExpectKeyword(Kw k, int number) {
        if (!AtKeyword(k)) Fail(number);
        Next();
    }
    std::string ExpectIdentifier() {
        if (!At(Tok::Identifier)) Fail(kErrExpectedIdentifier);
        std::string name(Cur().text);
        Next();
        return name;
    }
    void SkipSeparators() {
        while (At(Tok::Newline) || At(Tok::Colon)) Next();
    }
    void ExpectStatementEnd() {
        if (!AtSeparator()) Fail(kErrExpectedEndOfStatement);
    }
    // After a block opener ("Then", "Do", ...) the block starts on a new statement.
    void ExpectBlockStart() {
        if (!At(Tok::Newline) && !At(Tok::Colon)) Fail(kErrExpectedEndOfStatement);
    }

    // ---- procedures ----------------------------------------------------------------------
    bool IsProcedureStart() const {
        size_t k = i_;
        auto word = [&](std::string_view w) {
            return tokens_[k].kind == Tok::Identifier && LowerAscii(tokens_[k].text) == w;
        };
        if (tokens_[k].kind == Tok::Keyword &&
            (tokens_[k].keyword == Kw::Private || tokens_[k].keyword == Kw::Public))
            ++k;
        if (word("default")) ++k;
        return (tokens_[k].kind == Tok::Keyword &&
                (tokens_[k].keyword == Kw::Sub || tokens_[k].keyword == Kw::Function)) ||
               (cls_ && word("property"));
    }

    // [Public|Private] [Default] Sub|Function|Property Get|Let|Set name[(params)] ... End ...
    std::unique_ptr<Procedure> ParseProcedure() {
        auto proc = std::make_unique<Procedure>();
        if (AtKeyword(Kw::Private)) proc->isPublic = false;
        if (AtKeyword(Kw::Private) || AtKeyword(Kw::Public)) Next();
        if (AtWord("default")) {
            if (!cls_ || !proc->isPublic) Fail(kErrDefaultNotPublic);
            proc->isDefault = true, Next();
        }
        proc->owner = cls_;
        proc->pos = Here();
        const char* expected = "Sub";
        if (AtWord("property")) {
            Next();
            if (AtKeyword(Kw::Get))
                proc->kind = ProcKind::Get;
            else if (AtKeyword(Kw::Let))
                proc->kind = ProcKind::Let;
            else if (AtKeyword(Kw::Set))
                proc->kind = ProcKind::Set;
            else
                Fail(kErrExpectedPropertyKind);
            expected = "Property";
        } else if (AtKeyword(Kw::Function)) {
            proc->kind = ProcKind::Function;
            expected = "Function";
        }
        proc->isFunction = proc->kind == ProcKind::Function || proc->kind == ProcKind::Get;
        Next();
        proc->spelled = ExpectIdentifier();
        proc->lower = LowerAscii(proc->spelled);
        if (At(Tok::LParen)) ParseParams(*proc);
        if ((proc->kind == ProcKind::Let || proc->kind == ProcKind::Set) && proc->params.empty())
            Fail(kErrSyntax);
        ExpectBlockStart();
        procedure_ = proc.get();
        const int outerWith = withDepth_;
        withDepth_ = 0;
        proc->body = ParseBlock([](const Parser&) { return false; });
        withDepth_ = outerWith;
        procedure_ = nullptr;
        if (!AtKeyword(Kw::End)) Fail(kErrExpectedEnd, DescribeExpectedEnd(expected));
        Next();
        const bool ends = proc->kind == ProcKind::Sub        ? AtKeyword(Kw::Sub)
                          : proc->kind == ProcKind::Function ? AtKeyword(Kw::Function)
                                                             : AtWord("property");
        if (!ends) Fail(kErrExpectedEnd, DescribeExpectedEnd(expected));
        Next();
        return proc;
    }

    // Class name ... End Class: member variables (Public, Private, Dim) and procedures.
    std::unique_ptr<ClassDecl> ParseClass() {
        if (procedure_ || cls_) Fail(kErrSyntax);
        auto cls = std::make_unique<ClassDecl>();
        cls->pos = Here();
        Next();
        cls->spelled = ExpectIdentifier();
        cls->lower = LowerAscii(cls->spelled);
        ExpectBlockStart();
        cls_ = cls.get();
        for (;;) {
            SkipSeparators();
            if (AtKeyword(Kw::End) || At(Tok::End)) break;
            if (IsProcedureStart()) {
                cls->procedures.push_back(ParseProcedure());
            } else {
                bool isPublic = AtKeyword(Kw::Public) || AtKeyword(Kw::Dim);
                if (!AtKeyword(Kw::Public) && !AtKeyword(Kw::Private) && !AtKeyword(Kw::Dim))
                    Fail(kErrExpectedEnd, DescribeExpectedEnd("Class"));
                Next();
                do {
                    if (At(Tok::Comma)) Next();
                    VarDecl decl = ParseVarDecl(false);
                    cls->fields.push_back(
                        ClassField{std::move(decl.name), isPublic, decl.isArray, std::move(decl.bounds)});
                } while (At(Tok::Comma));
            }
            ExpectStatementEnd();
        }
        cls_ = nullptr;
        ExpectEnd(Kw::Class, "Class");
        return cls;
    }

    void ParseParams(Procedure& proc) {
        Next();
        while (!At(Tok::RParen)) {
            ParamDecl param;
            if (AtKeyword(Kw::ByVal))
                param.byVal = true, Next();
            else if (AtKeyword(Kw::ByRef))
                Next();
            param.spelled = ExpectIdentifier();
            param.lower = LowerAscii(param.spelled);
            if (At(Tok::LParen)) {
                Next();
                Expect(Tok::RParen, kErrExpectedRParen);
            }
            proc.params.push_back(std::move(param));
            if (!At(Tok::Comma)) break;
            Next();
        }
        Expect(Tok::RParen, kErrExpectedRParen);
    }

    // ---- blocks and statements -----------------------------------------------------------
    // Statements up to "End" or a token `stop` accepts (left unconsumed).
    Block ParseBlock(const std::function<bool(const Parser&)>& stop) {
        Block block;
        for (;;) {
            SkipSeparators();
            if (At(Tok::End) || AtKeyword(Kw::End) || stop(*this)) return block;
            if (AtKeyword(Kw::Class)) {
                program_->classes.push_back(ParseClass());
                ExpectStatementEnd();
                continue;
            }
            if (IsProcedureStart()) {
                // A procedure written inside a block is still a script-level procedure.
                if (procedure_) Fail(kErrSyntax);
                program_->procedures.push_back(ParseProcedure());
                ExpectStatementEnd();
                continue;
            }
            block.push_back(ParseStatement());
            ExpectStatementEnd();
        }
    }

    StmtPtr ParseStatement() {
        guard_.Check();
        if (AtWord("stop") &&
            (Peek().kind == Tok::Newline || Peek().kind == Tok::Colon || Peek().kind == Tok::End)) {
            auto stop = std::make_unique<Stmt>(StmtKind::Stop, Here());
            Next();
            return stop;
        }
        if (At(Tok::Identifier) || (At(Tok::Dot) && withDepth_ > 0)) return ParseSimpleStatement();
        if (!At(Tok::Keyword)) Fail(kErrExpectedStatement);
        switch (Cur().keyword) {
            case Kw::Dim:
                Next();
                return ParseDim(StmtKind::Dim);
            case Kw::Private:
            case Kw::Public:
                Next();
                if (AtKeyword(Kw::Const)) return ParseConst();
                return ParseDim(StmtKind::Dim);
            case Kw::ReDim:
                return ParseReDim();
            case Kw::Const:
                return ParseConst();
            case Kw::Erase:
                return ParseErase();
            case Kw::Set:
            case Kw::Let:
                return ParseSetOrLet();
            case Kw::Call:
                return ParseCallKeyword();
            case Kw::If:
                return ParseIf();
            case Kw::Select:
                return ParseSelect();
            case Kw::For:
                return ParseFor();
            case Kw::Do:
                return ParseDo();
            case Kw::While:
                return ParseWhile();
            case Kw::Exit:
                return ParseExit();
            case Kw::On:
                return ParseOnError();
            case Kw::With:
                return ParseWith();
            default:
                Fail(kErrExpectedStatement);
        }
    }

    // "x = e", "a(i).b = e", "Foo a, b", "obj.Method(a)".
    StmtPtr ParseSimpleStatement() {
        Pos pos = Here();
        size_t lastParen = 0;
        ExprPtr head = ParsePostfix(&lastParen);
        if (At(Tok::Eq)) {
            Next();
            auto assign = std::make_unique<AssignStmt>(pos);
            assign->target = std::move(head);
            assign->value = ParseExpression();
            return assign;
        }
        auto call = std::make_unique<CallStmt>(pos);
        if (AtSeparator()) {
            if (head->kind == ExprKind::Call) {
                auto* c = static_cast<CallExpr*>(head.get());
                call->callee = std::move(c->callee);
                call->args = std::move(c->args);
                // "Foo(x)" without Call passes (x): a parenthesised expression, by value.
                if (call->args.size() == 1 && call->args[0])
                    call->args[0] = std::make_unique<ParenExpr>(call->args[0]->pos, std::move(call->args[0]));
            } else {
                call->callee = std::move(head);
            }
            return call;
        }
        // Arguments without parentheses follow. If the head ended in "(...)", that group was the
        // first argument's start ("Foo (a) + 1, b"): parse again from there.
        if (head->kind == ExprKind::Call && lastParen > 0) {
            i_ = lastParen;
            head = std::move(static_cast<CallExpr*>(head.get())->callee);
        }
        call->callee = std::move(head);
        call->args = ParseBareArguments();
        return call;
    }

    std::vector<ExprPtr> ParseBareArguments() {
        std::vector<ExprPtr> args;
        for (;;) {
            if (At(Tok::Comma)) {
                args.push_back(nullptr);
                Next();
                if (AtSeparator()) args.push_back(nullptr);
                continue;
            }
            if (AtSeparator()) break;
            args.push_back(ParseExpression());
            if (!At(Tok::Comma)) break;
            Next();
            if (AtSeparator()) args.push_back(nullptr);
        }
        return args;
    }

    StmtPtr ParseSetOrLet() {
        Pos pos = Here();
        bool isSet = AtKeyword(Kw::Set);
        Next();
        auto assign = std::make_unique<AssignStmt>(pos);
        assign->isSet = isSet;
        if (!At(Tok::Identifier)) Fail(kErrExpectedIdentifier);
        assign->target = ParsePostfix(nullptr);
        Expect(Tok::Eq, kErrExpectedEquals);
        assign->value = ParseExpression();
        return assign;
    }

    StmtPtr ParseCallKeyword() {
        auto call = std::make_unique<CallStmt>(Here());
        Next();
        if (!At(Tok::Identifier) && !At(Tok::LParen)) Fail(kErrExpectedIdentifier);
        ExprPtr head = ParsePostfix(nullptr);
        if (head->kind == ExprKind::Call) {
            auto* c = static_cast<CallExpr*>(head.get());
            call->callee = std::move(c->callee);
            call->args = std::move(c->args);
        } else {
            call->callee = std::move(head);
        }
        return call;
    }

    VarDecl ParseVarDecl(bool requireBounds) {
        VarDecl decl;
        Pos pos = Here();
        decl.name = std::make_unique<NameExpr>(pos, ExpectIdentifier());
        if (At(Tok::LParen)) {
            Next();
            decl.isArray = true;
            while (!At(Tok::RParen)) {
                decl.bounds.push_back(ParseExpression());
                if (!At(Tok::Comma)) break;
                Next();
            }
            Expect(Tok::RParen, kErrExpectedRParen);
        }
        if (requireBounds && decl.bounds.empty()) Fail(kErrExpectedLParen);
        return decl;
    }

    StmtPtr ParseDim(StmtKind kind) {
        auto dim = std::make_unique<DimStmt>(Here(), kind);
        do {
            if (At(Tok::Comma)) Next();
            dim->vars.push_back(ParseVarDecl(false));
        } while (At(Tok::Comma));
        return dim;
    }

    StmtPtr ParseReDim() {
        auto dim = std::make_unique<DimStmt>(Here(), StmtKind::ReDim);
        Next();
        if (AtKeyword(Kw::Preserve)) dim->preserve = true, Next();
        do {
            if (At(Tok::Comma)) Next();
            dim->vars.push_back(ParseVarDecl(true));
        } while (At(Tok::Comma));
        return dim;
    }

    StmtPtr ParseConst() {
        auto c = std::make_unique<ConstStmt>(Here());
        Next();
        do {
            if (At(Tok::Comma)) Next();
            Pos pos = Here();
            auto name = std::make_unique<NameExpr>(pos, ExpectIdentifier());
            Expect(Tok::Eq, kErrExpectedEquals);
            c->items.emplace_back(std::move(name), ParseExpression());
        } while (At(Tok::Comma));
        return c;
    }

    StmtPtr ParseErase() {
        auto e = std::make_unique<EraseStmt>(Here());
        Next();
        Pos pos = Here();
        e->name = std::make_unique<NameExpr>(pos, ExpectIdentifier());
        return e;
    }

    StmtPtr ParseIf() {
        auto stmt = std::make_unique<IfStmt>(Here());
        Next();
        ExprPtr condition = ParseExpression();
        ExpectKeyword(Kw::Then, kErrExpectedThen);
        if (!At(Tok::Newline) && !At(Tok::Colon)) return ParseInlineIf(std::move(stmt), std::move(condition));
        auto stopAtBranch = [](const Parser& p) { return p.AtKeyword(Kw::ElseIf) || p.AtKeyword(Kw::Else); };
        stmt->branches.emplace_back(std::move(condition), ParseBlock(stopAtBranch));
        while (AtKeyword(Kw::ElseIf)) {
            Next();
            ExprPtr c = ParseExpression();
            ExpectKeyword(Kw::Then, kErrExpectedThen);
            ExpectBlockStart();
            stmt->branches.emplace_back(std::move(c), ParseBlock(stopAtBranch));
        }
        if (AtKeyword(Kw::Else)) {
            Next();
            stmt->elseBlock =
                ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::ElseIf) || p.AtKeyword(Kw::Else); });
        }
        ExpectEnd(Kw::If, "If");
        return stmt;
    }

    // "End If", "End Select" ...: `block` names the block for the message.
    void ExpectEnd(Kw what, const char* block) {
        if (!AtKeyword(Kw::End) || Peek().kind != Tok::Keyword || Peek().keyword != what)
            Fail(kErrExpectedEnd, DescribeExpectedEnd(block));
        Next();
        Next();
    }

    // "If c Then s1 : s2 Else s3 : s4" on one line.
    StmtPtr ParseInlineIf(std::unique_ptr<IfStmt> stmt, ExprPtr condition) {
        ++inlineIf_;
        Block then = ParseInlineStatements();
        Block otherwise;
        if (AtKeyword(Kw::Else)) {
            Next();
            otherwise = ParseInlineStatements();
        }
        --inlineIf_;
        if (AtKeyword(Kw::End) && Peek().kind == Tok::Keyword && Peek().keyword == Kw::If) Next(), Next();
        stmt->branches.emplace_back(std::move(condition), std::move(then));
        stmt->elseBlock = std::move(otherwise);
        return stmt;
    }

    Block ParseInlineStatements() {
        Block block;
        for (;;) {
            block.push_back(ParseStatement());
            if (!At(Tok::Colon)) break;
            Next();
            if (At(Tok::Newline) || At(Tok::End) || AtKeyword(Kw::Else) || AtKeyword(Kw::End)) break;
        }
        if (!At(Tok::Newline) && !At(Tok::End) && !AtKeyword(Kw::Else) && !AtKeyword(Kw::End))
            Fail(kErrExpectedEndOfStatement);
        return block;
    }

    StmtPtr ParseSelect() {
        auto stmt = std::make_unique<SelectStmt>(Here());
        Next();
        ExpectKeyword(Kw::Case, kErrExpectedCase);
        stmt->subject = ParseExpression();
        ExpectBlockStart();
        SkipSeparators();
        auto stopAtCase = [](const Parser& p) { return p.AtKeyword(Kw::Case); };
        while (AtKeyword(Kw::Case)) {
            Next();
            if (AtKeyword(Kw::Else)) {
                Next();
                stmt->elseBlock = ParseBlock(stopAtCase);
                break;
            }
            std::vector<CaseItem> items = ParseCaseItems();  // its statement may follow on the line
            stmt->cases.emplace_back(std::move(items), ParseBlock(stopAtCase));
        }
        ExpectEnd(Kw::Select, "Select");
        return stmt;
    }

    std::vector<CaseItem> ParseCaseItems() {
        std::vector<CaseItem> items;
        do {
            if (At(Tok::Comma)) Next();
            CaseItem item;
            if (AtKeyword(Kw::Is)) {
                Next();
                item.kind = CaseItem::Kind::Is;
                if (!ComparisonOp(&item.op)) Fail(kErrSyntax);
                Next();
                item.first = ParseBinary(kCompare);
            } else {
                item.first = ParseExpression();
                if (AtKeyword(Kw::To)) {
                    Next();
                    item.kind = CaseItem::Kind::Range;
                    item.last = ParseExpression();
                }
            }
            items.push_back(std::move(item));
        } while (At(Tok::Comma));
        return items;
    }

    StmtPtr ParseFor() {
        Pos pos = Here();
        Next();
        if (AtKeyword(Kw::Each)) return ParseForEach(pos);
        auto stmt = std::make_unique<ForStmt>(pos);
        Pos varPos = Here();
        stmt->var = std::make_unique<NameExpr>(varPos, ExpectIdentifier());
        Expect(Tok::Eq, kErrExpectedEquals);
        stmt->from = ParseExpression();
        ExpectKeyword(Kw::To, kErrExpectedTo);
        stmt->to = ParseExpression();
        if (AtWord("step")) Next(), stmt->step = ParseExpression();
        ExpectBlockStart();
        ++forDepth_;
        stmt->body = ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::Next); });
        --forDepth_;
        ExpectNext();
        return stmt;
    }

    StmtPtr ParseForEach(Pos pos) {
        Next();
        auto stmt = std::make_unique<ForEachStmt>(pos);
        Pos varPos = Here();
        stmt->var = std::make_unique<NameExpr>(varPos, ExpectIdentifier());
        ExpectKeyword(Kw::In, kErrExpectedIn);
        stmt->collection = ParseExpression();
        ExpectBlockStart();
        ++forDepth_;
        stmt->body = ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::Next); });
        --forDepth_;
        ExpectNext();
        return stmt;
    }

    void ExpectNext() {
        ExpectKeyword(Kw::Next, kErrExpectedNext);
        if (At(Tok::Identifier)) Next();
    }

    StmtPtr ParseDo() {
        auto stmt = std::make_unique<DoStmt>(Here());
        Next();
        if (AtKeyword(Kw::While) || AtKeyword(Kw::Until)) {
            stmt->preUntil = AtKeyword(Kw::Until);
            Next();
            stmt->preCondition = ParseExpression();
        }
        ExpectBlockStart();
        ++doDepth_;
        stmt->body = ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::Loop); });
        --doDepth_;
        ExpectKeyword(Kw::Loop, kErrExpectedLoop);
        if (AtKeyword(Kw::While) || AtKeyword(Kw::Until)) {
            if (stmt->preCondition) Fail(kErrExpectedEndOfStatement);
            stmt->postUntil = AtKeyword(Kw::Until);
            Next();
            stmt->postCondition = ParseExpression();
        }
        return stmt;
    }

    StmtPtr ParseWhile() {
        auto stmt = std::make_unique<DoStmt>(Here());
        Next();
        stmt->preCondition = ParseExpression();
        ExpectBlockStart();
        stmt->body = ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::Wend); });
        ExpectKeyword(Kw::Wend, kErrExpectedWend);
        return stmt;
    }

    StmtPtr ParseWith() {
        auto stmt = std::make_unique<WithStmt>(Here());
        Next();
        stmt->object = ParseExpression();
        ExpectBlockStart();
        ++withDepth_;
        stmt->body = ParseBlock([](const Parser&) { return false; });
        --withDepth_;
        ExpectEnd(Kw::With, "With");
        return stmt;
    }

    StmtPtr ParseExit() {
        Pos pos = Here();
        Next();
        ExitKind what;
        bool valid;
        if (AtKeyword(Kw::For))
            what = ExitKind::For, valid = forDepth_ > 0;
        else if (AtKeyword(Kw::Do))
            what = ExitKind::Do, valid = doDepth_ > 0;
        else if (AtKeyword(Kw::Sub))
            what = ExitKind::Sub, valid = procedure_ && procedure_->kind == ProcKind::Sub;
        else if (AtKeyword(Kw::Function))
            what = ExitKind::Function, valid = procedure_ && procedure_->kind == ProcKind::Function;
        else if (AtWord("property"))
            what = ExitKind::Property, valid = procedure_ && procedure_->kind >= ProcKind::Get;
        else
            Fail(kErrInvalidExit);
        if (!valid) Fail(kErrInvalidExit);
        Next();
        return std::make_unique<ExitStmt>(pos, what);
    }

    StmtPtr ParseOnError() {
        Pos pos = Here();
        Next();
        if (!AtWord("error")) Fail(kErrSyntax);
        Next();
        if (AtKeyword(Kw::Resume)) {
            Next();
            ExpectKeyword(Kw::Next, kErrSyntax);
            return std::make_unique<OnErrorStmt>(pos, true);
        }
        ExpectKeyword(Kw::GoTo, kErrSyntax);
        if (!At(Tok::Integer) || Cur().number != 0) Fail(kErrSyntax);
        Next();
        return std::make_unique<OnErrorStmt>(pos, false);
    }

    // ---- expressions ---------------------------------------------------------------------
    // Binary operators by binding power, loosest first; all associate to the left. "Not" is a
    // prefix operator between And and the comparisons ("Not a = b" is "Not (a = b)"); the
    // signs bind tighter than "^" ("-3 ^ 2" is 9, "2 ^ -1" is 0.5).
    enum Power : int {
        kLoosest = 0,
        kImp,
        kEqv,
        kXor,
        kOr,
        kAnd,
        kNot,
        kCompare,
        kConcat,
        kAdd,
        kMod,
        kIntDiv,
        kMul,
        kPow,
    };

    struct Infix {
        BinaryOp op;
        int power;
    };

    bool InfixAt(Infix* infix) const {
        static constexpr std::pair<Kw, Infix> kWords[] = {
            {Kw::Imp, {BinaryOp::Imp, kImp}}, {Kw::Eqv, {BinaryOp::Eqv, kEqv}},
            {Kw::Xor, {BinaryOp::Xor, kXor}}, {Kw::Or, {BinaryOp::Or, kOr}},
            {Kw::And, {BinaryOp::And, kAnd}}, {Kw::Is, {BinaryOp::Is, kCompare}},
            {Kw::Mod, {BinaryOp::Mod, kMod}},
        };
        static constexpr std::pair<Tok, Infix> kSymbols[] = {
            {Tok::Eq, {BinaryOp::Eq, kCompare}},     {Tok::Ne, {BinaryOp::Ne, kCompare}},
            {Tok::Lt, {BinaryOp::Lt, kCompare}},     {Tok::Le, {BinaryOp::Le, kCompare}},
            {Tok::Gt, {BinaryOp::Gt, kCompare}},     {Tok::Ge, {BinaryOp::Ge, kCompare}},
            {Tok::Amp, {BinaryOp::Concat, kConcat}}, {Tok::Plus, {BinaryOp::Add, kAdd}},
            {Tok::Minus, {BinaryOp::Sub, kAdd}},     {Tok::Backslash, {BinaryOp::IntDiv, kIntDiv}},
            {Tok::Star, {BinaryOp::Mul, kMul}},      {Tok::Slash, {BinaryOp::Div, kMul}},
            {Tok::Caret, {BinaryOp::Pow, kPow}},
        };
        if (At(Tok::Keyword)) {
            for (const auto& [kw, op] : kWords)
                if (Cur().keyword == kw) return *infix = op, true;
            return false;
        }
        for (const auto& [tok, op] : kSymbols)
            if (Cur().kind == tok) return *infix = op, true;
        return false;
    }

    ExprPtr ParseExpression() { return ParseBinary(kLoosest); }

    // Operands joined by operators that bind tighter than `floor`.
    ExprPtr ParseBinary(int floor) {
        guard_.Check();
        ExprPtr left = ParsePrefix();
        Infix infix;
        while (InfixAt(&infix) && infix.power > floor) {
            Pos pos = Here();
            Next();
            left = std::make_unique<BinaryExpr>(pos, infix.op, std::move(left), ParseBinary(infix.power));
        }
        return left;
    }

    bool ComparisonOp(BinaryOp* op) const {
        Infix infix;
        if (!InfixAt(&infix) || infix.power != kCompare || infix.op == BinaryOp::Is) return false;
        *op = infix.op;
        return true;
    }

    // An operand with its prefix operators.
    ExprPtr ParsePrefix() {
        guard_.Check();
        Pos pos = Here();
        if (AtKeyword(Kw::Not)) {
            Next();
            return std::make_unique<UnaryExpr>(pos, UnaryOp::Not, ParseBinary(kNot));
        }
        if (At(Tok::Minus) || At(Tok::Plus)) {
            UnaryOp op = At(Tok::Minus) ? UnaryOp::Neg : UnaryOp::Plus;
            Next();
            return std::make_unique<UnaryExpr>(pos, op, ParsePrefix());
        }
        return ParsePostfix(nullptr);
    }

    // primary { "." name | "(" args ")" }; `lastParen` receives the index of the last "(".
    ExprPtr ParsePostfix(size_t* lastParen) {
        ExprPtr e = ParsePrimary();
        if (lastParen) *lastParen = 0;
        for (;;) {
            // Inside With, "Foo .x" passes the block's member to Foo.
            if (At(Tok::Dot) && !(withDepth_ > 0 && Cur().spaced)) {
                Next();
                Pos pos = Here();  // member errors point at the member's name
                if (!At(Tok::Identifier)) Fail(kErrExpectedIdentifier);
                std::string name(Cur().text);
                Next();
                e = std::make_unique<MemberExpr>(pos, std::move(e), std::move(name));
                if (lastParen) *lastParen = 0;
            } else if (At(Tok::LParen) && e->kind != ExprKind::Literal) {
                if (lastParen) *lastParen = i_;
                Pos pos = e->pos;
                e = std::make_unique<CallExpr>(pos, std::move(e), ParseParenArguments());
            } else {
                return e;
            }
        }
    }

    std::vector<ExprPtr> ParseParenArguments() {
        Next();
        std::vector<ExprPtr> args;
        if (At(Tok::RParen)) {
            Next();
            return args;
        }
        for (;;) {
            if (At(Tok::Comma) || At(Tok::RParen))
                args.push_back(nullptr);
            else
                args.push_back(ParseExpression());
            if (At(Tok::Comma)) {
                Next();
                continue;
            }
            Expect(Tok::RParen, kErrExpectedRParen);
            return args;
        }
    }

    ExprPtr ParsePrimary() {
        guard_.Check();
        Pos pos = Here();
        const Token& t = Cur();
        switch (t.kind) {
            case Tok::Integer: {
                Value v = !t.hexLong && (t.hexShort || (t.number >= -32768 && t.number <= 32767))
                              ? Value(static_cast<int16_t>(t.number))
                              : Value(static_cast<int32_t>(t.number));
                Next();
                return std::make_unique<LiteralExpr>(pos, std::move(v));
            }
            case Tok::Double: {
                double d = t.number;
                Next();
                return std::make_unique<LiteralExpr>(pos, Value(d));
            }
            case Tok::Date: {
                DateValue d{t.number};
                Next();
                return std::make_unique<LiteralExpr>(pos, Value(d));
            }
            case Tok::String: {
                std::string s = t.string;
                Next();
                return std::make_unique<LiteralExpr>(pos, Value(std::move(s)));
            }
            case Tok::Identifier: {
                if (procedure_ && procedure_->owner && LowerAscii(t.text) == "me") {
                    Next();
                    return std::make_unique<Expr>(ExprKind::Me, pos);
                }
                std::string name(t.text);
                Next();
                return std::make_unique<NameExpr>(pos, std::move(name));
            }
            case Tok::LParen: {
                Next();
                ExprPtr inner = ParseExpression();
                Expect(Tok::RParen, kErrExpectedRParen);
                return std::make_unique<ParenExpr>(pos, std::move(inner));
            }
            case Tok::Keyword:
                return ParseKeywordLiteral(pos);
            case Tok::Dot: {
                // ".member" inside With: a member of the With block's object.
                if (withDepth_ == 0) Fail(kErrExpectedExpression);
                Next();
                Pos namePos = Here();
                if (!At(Tok::Identifier)) Fail(kErrExpectedIdentifier);
                std::string name(Cur().text);
                Next();
                return std::make_unique<MemberExpr>(
                    namePos, std::make_unique<WithObjectExpr>(pos, withDepth_ - 1), std::move(name));
            }
            default:
                Fail(kErrExpectedExpression);
        }
    }

    ExprPtr ParseKeywordLiteral(Pos pos) {
        Value v;
        switch (Cur().keyword) {
            case Kw::True:
                v = Value(true);
                break;
            case Kw::False:
                v = Value(false);
                break;
            case Kw::Nothing:
                v = Value::Nothing();
                break;
            case Kw::Empty:
                v = Value();
                break;
            case Kw::Null:
                v = Value::Null();
                break;
            case Kw::New: {
                Next();
                return std::make_unique<NewExpr>(pos, ExpectIdentifier());
            }
            default:
                Fail(kErrExpectedExpression);
        }
        Next();
        return std::make_unique<LiteralExpr>(pos, std::move(v));
    }
};

}  // namespace

Program Parse(std::string_view source, size_t stackBudget) {
    return Parser(source, stackBudget).Run();
}

}  // namespace korvan::vbs
