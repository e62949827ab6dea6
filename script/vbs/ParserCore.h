#pragma once
// The parser's state and token helpers, shared by its parts: Parser.cpp (the program, tokens,
// errors), ParseDeclarations.cpp (procedures, classes, Dim/ReDim/Const/Erase),
// ParseStatements.cpp (blocks and statements) and ParseExpressions.cpp (operators by binding
// power, calls, literals). Only the parser's own files include this header.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/vbs/Ast.h"
#include "script/vbs/Lexer.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/StackGuard.h"

namespace korvan::vbs {

class Parser {
  public:
    Parser(std::string_view source, size_t stackBudget) : tokens_(Tokenize(source)), guard_(stackBudget) {}
    Program Run();

  private:
    Program ParseProgram();

    std::vector<Token> tokens_;
    size_t i_ = 0;
    Program* program_ = nullptr;
    StackGuard guard_;
    int forDepth_ = 0, doDepth_ = 0;
    int withDepth_ = 0;         // With blocks around the current statement in its procedure
    ClassDecl* cls_ = nullptr;  // the class being read
    const Procedure* procedure_ = nullptr;
    int inlineIf_ = 0;  // inside a single-line If, "Else" also ends a statement

    // ---- token helpers (Parser.cpp) --------------------------------------------------------
    const Token& Cur() const { return tokens_[i_]; }
    const Token& Peek(size_t n = 1) const { return tokens_[std::min(i_ + n, tokens_.size() - 1)]; }
    void Next();
    bool At(Tok k) const { return Cur().kind == k; }
    bool AtKeyword(Kw k) const { return Cur().kind == Tok::Keyword && Cur().keyword == k; }
    bool AtWord(std::string_view lower) const;
    Pos Here() const { return Pos{Cur().line, Cur().column}; }
    bool AtSeparator() const;
    bool AtProcedureEnd() const;
    [[noreturn]] void Fail(int number) { Fail(number, DescribeError(number)); }
    [[noreturn]] void Fail(int number, const std::string& text);
    void Expect(Tok k, int number);
    void ExpectKeyword(Kw k, int number);
    std::string ExpectIdentifier();
    void SkipSeparators();
    void ExpectStatementEnd();
    void ExpectBlockStart();

    // ---- procedures, classes and declarations (ParseDeclarations.cpp) ----------------------
    bool IsProcedureStart() const;
    std::unique_ptr<Procedure> ParseProcedure();
    std::unique_ptr<ClassDecl> ParseClass();
    void ParseParams(Procedure& proc);
    VarDecl ParseVarDecl(bool requireBounds);
    StmtPtr ParseDim(StmtKind kind);
    StmtPtr ParseReDim();
    StmtPtr ParseConst();
    StmtPtr ParseErase();

    // ---- blocks and statements (ParseStatements.cpp) ---------------------------------------
    Block ParseBlock(const std::function<bool(const Parser&)>& stop);
    StmtPtr ParseStatement();
    StmtPtr ParseSimpleStatement();
    std::vector<ExprPtr> ParseBareArguments();
    StmtPtr ParseSetOrLet();
    StmtPtr ParseCallKeyword();
    StmtPtr ParseIf();
    void ExpectEnd(Kw what, const char* block);
    StmtPtr ParseInlineIf(std::unique_ptr<IfStmt> stmt, ExprPtr condition);
    Block ParseInlineStatements();
    StmtPtr ParseSelect();
    std::vector<CaseItem> ParseCaseItems();
    StmtPtr ParseFor();
    StmtPtr ParseForEach(Pos pos);
    void ExpectNext();
    StmtPtr ParseDo();
    StmtPtr ParseWhile();
    StmtPtr ParseWith();
    StmtPtr ParseExit();
    StmtPtr ParseOnError();

    // ---- expressions (ParseExpressions.cpp) ------------------------------------------------
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

    bool InfixAt(Infix* infix) const;
    ExprPtr ParseExpression() { return ParseBinary(kLoosest); }
    ExprPtr ParseBinary(int floor);
    bool ComparisonOp(BinaryOp* op) const;
    ExprPtr ParsePrefix();
    ExprPtr ParsePostfix(size_t* lastParen);
    std::vector<ExprPtr> ParseParenArguments();
    ExprPtr ParsePrimary();
    ExprPtr ParseKeywordLiteral(Pos pos);
};

}  // namespace korvan::vbs
