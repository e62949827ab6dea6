// Blocks and statements: assignments and calls, If (block and single-line), Select Case,
// the loops, With, Exit and On Error.
#include "script/vbs/ParserCore.h"

namespace korvan::vbs {

// Statements up to "End" or a token `stop` accepts (left unconsumed).
Block Parser::ParseBlock(const std::function<bool(const Parser&)>& stop) {
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

StmtPtr Parser::ParseStatement() {
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
StmtPtr Parser::ParseSimpleStatement() {
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

std::vector<ExprPtr> Parser::ParseBareArguments() {
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

StmtPtr Parser::ParseSetOrLet() {
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

StmtPtr Parser::ParseCallKeyword() {
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

StmtPtr Parser::ParseIf() {
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
void Parser::ExpectEnd(Kw what, const char* block) {
    if (!AtKeyword(Kw::End) || Peek().kind != Tok::Keyword || Peek().keyword != what)
        Fail(kErrExpectedEnd, DescribeExpectedEnd(block));
    Next();
    Next();
}

// "If c Then s1 : s2 Else s3 : s4" on one line.
StmtPtr Parser::ParseInlineIf(std::unique_ptr<IfStmt> stmt, ExprPtr condition) {
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

Block Parser::ParseInlineStatements() {
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

StmtPtr Parser::ParseSelect() {
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

std::vector<CaseItem> Parser::ParseCaseItems() {
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

StmtPtr Parser::ParseFor() {
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

StmtPtr Parser::ParseForEach(Pos pos) {
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

void Parser::ExpectNext() {
    ExpectKeyword(Kw::Next, kErrExpectedNext);
    if (At(Tok::Identifier)) Next();
}

StmtPtr Parser::ParseDo() {
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

StmtPtr Parser::ParseWhile() {
    auto stmt = std::make_unique<DoStmt>(Here());
    Next();
    stmt->preCondition = ParseExpression();
    ExpectBlockStart();
    stmt->body = ParseBlock([](const Parser& p) { return p.AtKeyword(Kw::Wend); });
    ExpectKeyword(Kw::Wend, kErrExpectedWend);
    return stmt;
}

StmtPtr Parser::ParseWith() {
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

StmtPtr Parser::ParseExit() {
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

StmtPtr Parser::ParseOnError() {
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

}  // namespace korvan::vbs
