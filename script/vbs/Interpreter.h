#pragma once
// The interpreter for scene scripts (the Visual Basic Scripting dialect).
//
// How a script runs
// -----------------
//     text --Tokenize--> tokens --Parse--> tree --Bind--> bound tree --Evaluator--> effects
//
//  * Lexer (Lexer.h): UTF-8 text to tokens. Statements end at line ends and ":"; " _" at a
//    line end continues a statement; "'" and "Rem" start comments. Tokens remember their line
//    and character position (zero-based, counted in code points).
//  * Parser (Parser.h): tokens to a tree (Ast.h) of statements and expressions, every node with
//    its position. Operator precedence is the dialect's (^, unary -, * /, \, Mod, + -, &,
//    comparisons, Not, And, Or, Xor, Eqv, Imp). Sub and Function bodies become Procedures.
//  * Binder (Binder.h): resolves every name once, before anything runs, to a frame slot, a
//    script-level slot, a procedure, a host named item or member, or a built-in. The evaluator
//    therefore reads and writes variables by index and never by text. Names are compared
//    ignoring case, as in the dialect.
//  * Evaluator (Evaluator.h): walks the tree. Values are Variants (Value.h) with the dialect's
//    subtypes; Convert.h and Operators.h hold its conversion and operator rules; Builtins.h the
//    built-in functions.
//
// Host objects
// ------------
// The program exposes its objects through HostObject (HostObject.h): members found by name,
// properties with a type, methods with typed, optional and by-reference parameters. A host
// registers named items (AddNamedItem); an item's own name is visible to the script, and with
// `globalMembers` so are its members, unqualified: the scene host registers "MyObject", whose
// `Application`, `GetApplication` and `MsgBox` scripts call directly. Named items take
// precedence over built-ins of the same name, script variables and procedures over both.
//
// Errors
// ------
// A syntax error stops the script before it starts; a run-time error stops it where it
// happens unless "On Error Resume Next" is in force in the running procedure. Either way Run
// returns a ScriptError with the dialect's error number and description ("Expected 'End If'",
// "Variable is undefined: 'foo'", "Type mismatch") and the zero-based line and character
// position of the token or expression at fault; inside a statement continued over several
// lines that is the physical line of the offending part.
//
// Limits
// ------
// Scripts reach nothing but host objects: CreateObject, GetObject, Execute, ExecuteGlobal,
// Eval, GetRef, InputBox and LoadPicture raise "Permission denied: 'name'", and no built-in
// touches files. Parsing and evaluation check a stack budget, so deep nesting and runaway
// recursion end in "Out of stack space" instead of a crash; strings and arrays have size
// limits ("Out of memory"). A step budget (statements plus loop turns), a time limit and an
// interrupt flag stop a run from outside (Watchdog.h): such a stop passes every "On Error
// Resume Next" and comes back as a ScriptError whose `stopped` says why.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/vbs/Binder.h"
#include "script/vbs/HostObject.h"
#include "script/vbs/Runtime.h"
#include "script/vbs/ScriptError.h"
#include "script/vbs/Watchdog.h"

namespace korvan::vbs {

// The watchdog's settings (step budget, time limit, keep-waiting question, interrupt flag) and
// the resource limits.
struct Options : WatchOptions {
    size_t stackBudget = size_t{1} << 20;  // bytes of machine stack for nesting and recursion
    Limits limits;
};

class Interpreter {
  public:
    explicit Interpreter(Options options = {}) : options_(options) {}

    // Registers an object under `name`. With `globalMembers` its members are reachable
    // without qualification. Register before Run.
    void AddNamedItem(std::string name, ObjectRef object, bool globalMembers = true);

    // Parses and runs a whole script (UTF-8) synchronously. Returns the error that stopped it,
    // or nothing when it ran to its end. Every run starts with fresh script variables.
    std::optional<ScriptError> Run(std::string_view source);

    // Parses only: the first syntax error, if any.
    std::optional<ScriptError> Check(std::string_view source) const;

  private:
    Options options_;
    std::vector<NamedItem> items_;
};

}  // namespace korvan::vbs
