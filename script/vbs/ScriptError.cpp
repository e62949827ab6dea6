#include "script/vbs/ScriptError.h"

#include <algorithm>
#include <iterator>

namespace korvan::vbs {

namespace {

struct ErrorText {
    int number;
    const char* text;
};

// Sorted by number.
constexpr ErrorText kErrorTexts[] = {
    {kErrInvalidCall, "Invalid procedure call or argument"},
    {kErrOverflow, "Overflow"},
    {kErrOutOfMemory, "Out of memory"},
    {kErrSubscript, "Subscript out of range"},
    {kErrArrayLocked, "This array is fixed or temporarily locked"},
    {kErrDivisionByZero, "Division by zero"},
    {kErrTypeMismatch, "Type mismatch"},
    {kErrOutOfStack, "Out of stack space"},
    {kErrInternal, "Internal error"},
    {kErrPermissionDenied, "Permission denied"},
    {kErrObjectNotSet, "Object variable not set"},
    {kErrInvalidNull, "Invalid use of Null"},
    {kErrObjectRequired, "Object required"},
    {kErrNoMember, "Object doesn't support this property or method"},
    {kErrWrongArgCount, "Wrong number of arguments or invalid property assignment"},
    {kErrUndefined, "Variable is undefined"},
    {kErrIllegalAssignment, "Illegal assignment"},
    {kErrClassNotDefined, "Class not defined"},
    {kErrSyntax, "Syntax error"},
    {kErrExpectedLParen, "Expected '('"},
    {kErrExpectedRParen, "Expected ')'"},
    {kErrExpectedIdentifier, "Expected identifier"},
    {kErrExpectedEquals, "Expected '='"},
    {kErrExpectedTo, "Expected 'To'"},
    {kErrExpectedEnd, "Expected 'End'"},
    {kErrExpectedExpression, "Expected expression"},
    {kErrExpectedThen, "Expected 'Then'"},
    {kErrExpectedWend, "Expected 'Wend'"},
    {kErrExpectedLoop, "Expected 'Loop'"},
    {kErrExpectedNext, "Expected 'Next'"},
    {kErrExpectedCase, "Expected 'Case'"},
    {kErrExpectedStatement, "Expected statement"},
    {kErrExpectedEndOfStatement, "Expected end of statement"},
    {kErrInvalidCharacter, "Invalid character"},
    {kErrUnterminatedString, "Unterminated string constant"},
    {kErrInvalidExit, "Invalid 'exit' statement"},
    {kErrNameRedefined, "Name redefined"},
    {kErrExpectedIn, "Expected 'In'"},
    {kErrExpectedPropertyKind, "Expected 'Let' or 'Set' or 'Get' in property declaration"},
    {kErrDefaultNotPublic, "'Default' is allowed only on a 'Public' procedure of a class"},
};

static_assert(std::is_sorted(std::begin(kErrorTexts), std::end(kErrorTexts),
                             [](const ErrorText& a, const ErrorText& b) { return a.number < b.number; }),
              "DescribeError searches kErrorTexts by number");

}  // namespace

std::string DescribeError(int number) {
    const auto* row = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), number,
                                       [](const ErrorText& e, int n) { return e.number < n; });
    return row != std::end(kErrorTexts) && row->number == number ? row->text : "";
}

std::string DescribeExpectedEnd(std::string_view block) {
    std::string text = DescribeError(kErrExpectedEnd);  // "Expected 'End'"
    text.pop_back();                                    // the closing quote comes after the block
    text.append(" ").append(block).append("'");
    return text;
}

void Raise(int number) {
    throw ScriptException(number);
}

void Raise(int number, const std::string& name) {
    throw ScriptException(number, DescribeError(number) + ": '" + name + "'");
}

}  // namespace korvan::vbs
