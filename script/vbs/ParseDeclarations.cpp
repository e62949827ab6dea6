// Procedures (Sub, Function, Property), classes and their members, and the declaring
// statements Dim, Private/Public, ReDim, Const and Erase.
#include "script/vbs/ParserCore.h"

namespace korvan::vbs {

bool Parser::IsProcedureStart() const {
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
std::unique_ptr<Procedure> Parser::ParseProcedure() {
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
std::unique_ptr<ClassDecl> Parser::ParseClass() {
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

void Parser::ParseParams(Procedure& proc) {
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

VarDecl Parser::ParseVarDecl(bool requireBounds) {
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

StmtPtr Parser::ParseDim(StmtKind kind) {
    auto dim = std::make_unique<DimStmt>(Here(), kind);
    do {
        if (At(Tok::Comma)) Next();
        dim->vars.push_back(ParseVarDecl(false));
    } while (At(Tok::Comma));
    return dim;
}

StmtPtr Parser::ParseReDim() {
    auto dim = std::make_unique<DimStmt>(Here(), StmtKind::ReDim);
    Next();
    if (AtKeyword(Kw::Preserve)) dim->preserve = true, Next();
    do {
        if (At(Tok::Comma)) Next();
        dim->vars.push_back(ParseVarDecl(true));
    } while (At(Tok::Comma));
    return dim;
}

StmtPtr Parser::ParseConst() {
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

StmtPtr Parser::ParseErase() {
    auto e = std::make_unique<EraseStmt>(Here());
    Next();
    Pos pos = Here();
    e->name = std::make_unique<NameExpr>(pos, ExpectIdentifier());
    return e;
}

}  // namespace korvan::vbs
