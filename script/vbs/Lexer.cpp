#include "script/vbs/Lexer.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <unordered_map>

#include "script/vbs/DateTime.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs {

namespace {

Kw KeywordOf(std::string_view spelling) {
    static const std::unordered_map<std::string, Kw> kKeywords = {
        {"and", Kw::And},         {"byref", Kw::ByRef},
        {"byval", Kw::ByVal},     {"call", Kw::Call},
        {"case", Kw::Case},       {"class", Kw::Class},
        {"const", Kw::Const},     {"dim", Kw::Dim},
        {"do", Kw::Do},           {"each", Kw::Each},
        {"else", Kw::Else},       {"elseif", Kw::ElseIf},
        {"empty", Kw::Empty},     {"end", Kw::End},
        {"eqv", Kw::Eqv},         {"erase", Kw::Erase},
        {"exit", Kw::Exit},       {"false", Kw::False},
        {"for", Kw::For},         {"function", Kw::Function},
        {"get", Kw::Get},         {"goto", Kw::GoTo},
        {"if", Kw::If},           {"imp", Kw::Imp},
        {"in", Kw::In},           {"is", Kw::Is},
        {"let", Kw::Let},         {"loop", Kw::Loop},
        {"mod", Kw::Mod},         {"new", Kw::New},
        {"next", Kw::Next},       {"not", Kw::Not},
        {"nothing", Kw::Nothing}, {"null", Kw::Null},
        {"on", Kw::On},           {"option", Kw::Option},
        {"or", Kw::Or},           {"preserve", Kw::Preserve},
        {"private", Kw::Private}, {"public", Kw::Public},
        {"redim", Kw::ReDim},     {"resume", Kw::Resume},
        {"select", Kw::Select},   {"set", Kw::Set},
        {"sub", Kw::Sub},         {"then", Kw::Then},
        {"to", Kw::To},           {"true", Kw::True},
        {"until", Kw::Until},     {"wend", Kw::Wend},
        {"while", Kw::While},     {"with", Kw::With},
        {"xor", Kw::Xor},
    };
    if (spelling.size() > 8) return Kw::None;
    auto it = kKeywords.find(LowerAscii(spelling));
    return it == kKeywords.end() ? Kw::None : it->second;
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentChar(unsigned char c) {
    return IsLetter(c) || IsDigit(c) || c == '_';
}
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

class Lexer {
  public:
    explicit Lexer(std::string_view source) : src_(source) {}

    std::vector<Token> Run() {
        if (src_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = lineStart_ = 3;  // a byte-order mark is not text
        while (pos_ < src_.size()) LexOne();
        Emit(Tok::Newline);
        Emit(Tok::End);
        return std::move(tokens_);
    }

  private:
    std::string_view src_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_ = 0;
    // Code points before `lineStartScan_` on the current line, counted lazily.
    size_t scanPos_ = 0;
    int scanColumn_ = 0;
    std::vector<Token> tokens_;

    unsigned char At(size_t i) const { return i < src_.size() ? static_cast<unsigned char>(src_[i]) : 0; }

    int ColumnOf(size_t bytePos) {
        if (scanPos_ < lineStart_ || scanPos_ > bytePos) scanPos_ = lineStart_, scanColumn_ = 0;
        for (; scanPos_ < bytePos; ++scanPos_)
            if ((static_cast<unsigned char>(src_[scanPos_]) & 0xC0) != 0x80) ++scanColumn_;
        return scanColumn_;
    }

    [[noreturn]] void Fail(int number, size_t at) {
        ScriptException e(number);
        e.error().compile = true;
        e.Place(line_, ColumnOf(at));
        throw e;
    }

    Token& Emit(Tok kind, size_t at = std::string_view::npos) {
        if (at == std::string_view::npos) at = pos_;
        Token t;
        t.kind = kind;
        t.line = line_;
        t.column = ColumnOf(std::min(at, src_.size()));
        t.spaced = at > 0 && at <= src_.size() && IsBlank(static_cast<unsigned char>(src_[at - 1]));
        tokens_.push_back(std::move(t));
        return tokens_.back();
    }

    bool AtStatementStart() const {
        return tokens_.empty() || tokens_.back().kind == Tok::Newline || tokens_.back().kind == Tok::Colon;
    }

    void NewLine(size_t after) {
        Emit(Tok::Newline);
        pos_ = after;
        ++line_;
        lineStart_ = pos_;
    }

    void SkipComment() {
        while (pos_ < src_.size() && src_[pos_] != '\n' && src_[pos_] != '\r') ++pos_;
    }

    // "_" with only blanks before the line end: the statement continues on the next line.
    bool TryContinuation() {
        size_t p = pos_ + 1;
        while (IsBlank(At(p))) ++p;
        if (p < src_.size() && src_[p] != '\r' && src_[p] != '\n') return false;
        if (At(p) == '\r') ++p;
        if (At(p) == '\n') ++p;
        pos_ = p;
        ++line_;
        lineStart_ = pos_;
        return true;
    }

    void LexOne() {
        unsigned char c = At(pos_);
        if (IsBlank(c)) return void(++pos_);
        if (c == '\r') return NewLine(At(pos_ + 1) == '\n' ? pos_ + 2 : pos_ + 1);
        if (c == '\n') return NewLine(pos_ + 1);
        if (c == '\'') return SkipComment();
        if (c == '_' && TryContinuation()) return;
        if (IsLetter(c)) return LexIdentifier();
        if (IsDigit(c) || (c == '.' && IsDigit(At(pos_ + 1)) && !AfterOperand())) return LexNumber();
        if (c == '"') return LexString();
        if (c == '#') return LexDate();
        if (c == '&' &&
            (At(pos_ + 1) == 'h' || At(pos_ + 1) == 'H' || At(pos_ + 1) == 'o' || At(pos_ + 1) == 'O') &&
            IsRadixDigit(At(pos_ + 2), At(pos_ + 1)))
            return LexRadix();
        if (c == '[') return LexBracketIdentifier();
        LexOperator(c);
    }

    static bool IsRadixDigit(unsigned char d, unsigned char letter) {
        if (letter == 'o' || letter == 'O') return d >= '0' && d <= '7';
        return IsDigit(d) || (d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F');
    }

    bool AfterOperand() const {
        if (tokens_.empty()) return false;
        Tok k = tokens_.back().kind;
        return k == Tok::Identifier || k == Tok::RParen;
    }

    void LexIdentifier() {
        size_t start = pos_;
        while (IsIdentChar(At(pos_))) ++pos_;
        std::string_view spelling = src_.substr(start, pos_ - start);
        // After a dot every word is a member name, even one spelled like a keyword (Err.Clear, x.Step).
        bool member = !tokens_.empty() && tokens_.back().kind == Tok::Dot;
        Kw kw = member ? Kw::None : KeywordOf(spelling);
        if (kw == Kw::None && !member && AtStatementStart() && spelling.size() == 3 &&
            LowerAscii(spelling) == "rem" && !IsIdentChar(At(pos_)))
            return SkipComment();
        Token& t = Emit(kw == Kw::None ? Tok::Identifier : Tok::Keyword, start);
        t.keyword = kw;
        t.text = spelling;
    }

    void LexBracketIdentifier() {
        size_t start = pos_;
        size_t close = src_.find_first_of("]\r\n", pos_ + 1);
        if (close == std::string_view::npos || src_[close] != ']') Fail(kErrInvalidCharacter, start);
        pos_ = close + 1;
        Token& t = Emit(Tok::Identifier, start);
        t.text = src_.substr(start + 1, close - start - 1);
    }

    void LexNumber() {
        size_t start = pos_;
        while (IsDigit(At(pos_))) ++pos_;
        bool isDouble = false;
        if (At(pos_) == '.' && IsDigit(At(pos_ + 1))) {
            isDouble = true;
            ++pos_;
            while (IsDigit(At(pos_))) ++pos_;
        } else if (At(pos_) == '.' && !IsLetter(At(pos_ + 1))) {
            isDouble = true;
            ++pos_;
        }
        if ((At(pos_) == 'e' || At(pos_) == 'E') &&
            (IsDigit(At(pos_ + 1)) ||
             ((At(pos_ + 1) == '+' || At(pos_ + 1) == '-') && IsDigit(At(pos_ + 2))))) {
            isDouble = true;
            pos_ += 2;
            while (IsDigit(At(pos_))) ++pos_;
        }
        std::string text(src_.substr(start, pos_ - start));
        double value = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(value)) Fail(kErrOverflow, start);
        if (IsLetter(At(pos_))) Fail(kErrExpectedEndOfStatement, pos_);
        Token& t = Emit(isDouble || value > 2147483647.0 ? Tok::Double : Tok::Integer, start);
        t.number = value;
    }

    void LexRadix() {
        size_t start = pos_;
        bool hex = At(pos_ + 1) == 'h' || At(pos_ + 1) == 'H';
        pos_ += 2;
        uint64_t value = 0;
        size_t digits = 0;
        while (IsRadixDigit(At(pos_), hex ? 'h' : 'o')) {
            unsigned char d = At(pos_++);
            int v = IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
            value = value * (hex ? 16 : 8) + static_cast<uint64_t>(v);
            if (++digits > 11 || value > 0xFFFFFFFFu) Fail(kErrOverflow, start);
        }
        const bool longSuffix = At(pos_) == '&';
        if (longSuffix) ++pos_;
        Token& t = Emit(Tok::Integer, start);
        // Up to 16 bits the literal is an Integer (&HFFFF is -1), otherwise, or with the "&" suffix,
        // a Long (&HFFFFFFFF is -1, &HFFFF& is 65535).
        t.hexShort = value <= 0xFFFF && !longSuffix;
        t.hexLong = longSuffix;
        t.number = t.hexShort ? static_cast<int16_t>(static_cast<uint16_t>(value))
                              : static_cast<int32_t>(static_cast<uint32_t>(value));
    }

    void LexString() {
        size_t start = pos_++;
        std::string value;
        for (;;) {
            if (pos_ >= src_.size() || src_[pos_] == '\n' || src_[pos_] == '\r')
                Fail(kErrUnterminatedString, start);
            if (src_[pos_] == '"') {
                if (At(pos_ + 1) != '"') break;
                value += '"';
                pos_ += 2;
                continue;
            }
            value += src_[pos_++];
        }
        ++pos_;
        Token& t = Emit(Tok::String, start);
        t.string = std::move(value);
    }

    // A date literal is read with the same rules as date text (DateTime.h).
    void LexDate() {
        size_t start = pos_;
        size_t close = src_.find_first_of("#\r\n", pos_ + 1);
        if (close == std::string_view::npos || src_[close] != '#') Fail(kErrInvalidCharacter, start);
        std::optional<double> serial = ParseDate(src_.substr(start + 1, close - start - 1));
        if (!serial) Fail(kErrSyntax, start);
        pos_ = close + 1;
        Token& t = Emit(Tok::Date, start);
        t.number = *serial;
    }

    void LexOperator(unsigned char c) {
        size_t start = pos_++;
        Tok kind;
        switch (c) {
            case '(':
                kind = Tok::LParen;
                break;
            case ')':
                kind = Tok::RParen;
                break;
            case ',':
                kind = Tok::Comma;
                break;
            case '.':
                kind = Tok::Dot;
                break;
            case '+':
                kind = Tok::Plus;
                break;
            case '-':
                kind = Tok::Minus;
                break;
            case '*':
                kind = Tok::Star;
                break;
            case '/':
                kind = Tok::Slash;
                break;
            case '\\':
                kind = Tok::Backslash;
                break;
            case '^':
                kind = Tok::Caret;
                break;
            case '&':
                kind = Tok::Amp;
                break;
            case ':':
                kind = Tok::Colon;
                break;
            case '=':  // "=>" and "=<" are the old spellings of ">=" and "<="
                kind = Tok::Eq;
                if (At(pos_) == '>')
                    kind = Tok::Ge, ++pos_;
                else if (At(pos_) == '<')
                    kind = Tok::Le, ++pos_;
                break;
            case '<':
                kind = Tok::Lt;
                if (At(pos_) == '>')
                    kind = Tok::Ne, ++pos_;
                else if (At(pos_) == '=')
                    kind = Tok::Le, ++pos_;
                break;
            case '>':  // "><" is "<>"
                kind = Tok::Gt;
                if (At(pos_) == '=')
                    kind = Tok::Ge, ++pos_;
                else if (At(pos_) == '<')
                    kind = Tok::Ne, ++pos_;
                break;
            default:
                Fail(kErrInvalidCharacter, start);
        }
        Emit(kind, start);
    }
};

}  // namespace

std::vector<Token> Tokenize(std::string_view source) {
    return Lexer(source).Run();
}

}  // namespace korvan::vbs
