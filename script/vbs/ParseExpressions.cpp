// Expressions: binary operators by one binding-power table, prefix operators, calls and
// member access after a primary, literals.
#include "script/vbs/ParserCore.h"

namespace korvan::vbs {

bool Parser::InfixAt(Infix* infix) const {
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

// Operands joined by operators that bind tighter than `floor`.
ExprPtr Parser::ParseBinary(int floor) {
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

bool Parser::ComparisonOp(BinaryOp* op) const {
    Infix infix;
    if (!InfixAt(&infix) || infix.power != kCompare || infix.op == BinaryOp::Is) return false;
    *op = infix.op;
    return true;
}

// An operand with its prefix operators.
ExprPtr Parser::ParsePrefix() {
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
ExprPtr Parser::ParsePostfix(size_t* lastParen) {
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

std::vector<ExprPtr> Parser::ParseParenArguments() {
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

ExprPtr Parser::ParsePrimary() {
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

ExprPtr Parser::ParseKeywordLiteral(Pos pos) {
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

}  // namespace korvan::vbs
