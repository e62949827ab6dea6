#include "script/vbs/Parser.h"

#include "script/vbs/ParserCore.h"

namespace korvan::vbs {

NameExpr::NameExpr(Pos p, std::string spelling)
    : Expr(ExprKind::Name, p), spelled(std::move(spelling)), lower(LowerAscii(spelled)) {}

BinaryExpr::BinaryExpr(Pos p, BinaryOp o, ExprPtr l, ExprPtr r)
    : Expr(ExprKind::Binary, p),
      op(o),
      literal(l->kind == ExprKind::Literal || r->kind == ExprKind::Literal),
      lhs(std::move(l)),
      rhs(std::move(r)) {}

// Errors without a place of their own (the stack guard's) point at the token being read.
Program Parser::Run() {
    try {
        return ParseProgram();
    } catch (ScriptException& e) {
        e.Place(Cur().line, Cur().column);
        throw;
    }
}

Program Parser::ParseProgram() {
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

void Parser::Next() {
    if (i_ + 1 < tokens_.size()) ++i_;
}

bool Parser::AtWord(std::string_view lower) const {
    return Cur().kind == Tok::Identifier && LowerAscii(Cur().text) == lower;
}

bool Parser::AtSeparator() const {
    return At(Tok::Newline) || At(Tok::Colon) || At(Tok::End) || (inlineIf_ > 0 && AtKeyword(Kw::Else)) ||
           AtProcedureEnd();
}

// "x = 1 End Sub": a procedure's end may follow its last statement on the same line.
bool Parser::AtProcedureEnd() const {
    if (!AtKeyword(Kw::End) || !procedure_) return false;
    const Token& next = Peek();
    return (next.kind == Tok::Keyword && (next.keyword == Kw::Sub || next.keyword == Kw::Function)) ||
           (next.kind == Tok::Identifier && LowerAscii(next.text) == "property");
}

void Parser::Fail(int number, const std::string& text) {
    ScriptException e(number, text);
    e.error().compile = true;
    e.Place(Cur().line, Cur().column);
    throw e;
}

void Parser::Expect(Tok k, int number) {
    if (!At(k)) Fail(number);
    Next();
}

void Parser::ExpectKeyword(Kw k, int number) {
    if (!AtKeyword(k)) Fail(number);
    Next();
}

std::string Parser::ExpectIdentifier() {
    if (!At(Tok::Identifier)) Fail(kErrExpectedIdentifier);
    std::string name(Cur().text);
    Next();
    return name;
}

void Parser::SkipSeparators() {
    while (At(Tok::Newline) || At(Tok::Colon)) Next();
}

void Parser::ExpectStatementEnd() {
    if (!AtSeparator()) Fail(kErrExpectedEndOfStatement);
}

// After a block opener ("Then", "Do", ...) the block starts on a new statement.
void Parser::ExpectBlockStart() {
    if (!At(Tok::Newline) && !At(Tok::Colon)) Fail(kErrExpectedEndOfStatement);
}

Program Parse(std::string_view source, size_t stackBudget) {
    return Parser(source, stackBudget).Run();
}

}  // namespace korvan::vbs
