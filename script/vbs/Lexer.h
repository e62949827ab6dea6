#pragma once
// Splits script text (UTF-8) into tokens. Line ends and ":" end statements; a "_" after blanks
// or a comma and before the line end continues the statement on the next line; "'" and a
// statement-leading "Rem" start comments. Every token carries its zero-based line and character
// position (counted in code points, so Japanese text in a line counts one per character).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::vbs {

enum class Tok : uint8_t {
    End,
    Newline,
    Colon,
    Identifier,
    Keyword,
    Integer,
    Double,
    String,
    Date,  // #1/31/2020#: `number` holds the serial
    LParen,
    RParen,
    Comma,
    Dot,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Amp,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
};

enum class Kw : uint8_t {
    None,
    And,
    ByRef,
    ByVal,
    Call,
    Case,
    Class,
    Const,
    Dim,
    Do,
    Each,
    Else,
    ElseIf,
    Empty,
    End,
    Eqv,
    Erase,
    Exit,
    False,
    For,
    Function,
    Get,
    GoTo,
    If,
    Imp,
    In,
    Is,
    Let,
    Loop,
    Mod,
    New,
    Next,
    Not,
    Nothing,
    Null,
    On,
    Option,
    Or,
    Preserve,
    Private,
    Public,
    ReDim,
    Resume,
    Select,
    Set,
    Sub,
    Then,
    To,
    True,
    Until,
    Wend,
    While,
    With,
    Xor,
};

struct Token {
    Tok kind = Tok::End;
    Kw keyword = Kw::None;
    int line = 0;
    int column = 0;
    std::string_view text;  // spelling in the source (identifiers, keywords)
    std::string string;     // value of a string literal
    double number = 0;      // value of a numeric literal (Integer: whole value)
    bool hexShort = false;  // a hex/octal literal of at most 16 bits (an Integer)
    bool hexLong = false;   // a hex/octal literal with the "&" suffix (a Long)
    bool spaced = false;    // blanks stand between this token and the one before
};

// Tokenises the whole text; throws ScriptException (with position) on a lexical error.
std::vector<Token> Tokenize(std::string_view source);

}  // namespace korvan::vbs
