#pragma once
// A script error: the dialect's error number, its description and where in the source it arose.
// Compile errors and run-time errors share this record; the script host formats its report from it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvan::vbs {

// Error numbers as the dialect reports them in Err.Number (run time) or as compile errors.
enum ErrorCode : int {
    kErrInvalidCall = 5,          // "Invalid procedure call or argument"
    kErrOverflow = 6,             // "Overflow"
    kErrOutOfMemory = 7,          // "Out of memory"
    kErrSubscript = 9,            // "Subscript out of range"
    kErrArrayLocked = 10,         // "This array is fixed or temporarily locked"
    kErrDivisionByZero = 11,      // "Division by zero"
    kErrTypeMismatch = 13,        // "Type mismatch"
    kErrOutOfStack = 28,          // "Out of stack space"
    kErrPermissionDenied = 70,    // "Permission denied"
    kErrObjectRequired = 424,     // "Object required"
    kErrNoMember = 438,           // "Object doesn't support this property or method"
    kErrWrongArgCount = 450,      // "Wrong number of arguments or invalid property assignment"
    kErrObjectNotSet = 91,        // "Object variable not set"
    kErrInternal = 51,            // "Internal error"
    kErrInvalidNull = 94,         // "Invalid use of Null"
    kErrUndefined = 500,          // "Variable is undefined"
    kErrIllegalAssignment = 501,  // "Illegal assignment"
    kErrClassNotDefined = 506,    // "Class not defined"
    kErrSyntax = 1002,            // compile errors from here on
};

// The standard description of an error number ("Type mismatch"); empty for an unknown number.
std::string DescribeError(int number);

enum class StopReason : uint8_t {
    None,
    StepBudget,   // more statements and loop turns than the host allowed
    TimeLimit,    // ran longer than the time limit and nobody chose to keep waiting
    Interrupted,  // the host's interrupt flag was set (a signal, a closing window)
};

// The text of a stop for messages ("Script ran longer than its time limit of 10 s").
std::string DescribeStop(StopReason reason, double timeLimitSeconds);

struct ScriptError {
    int number = 0;
    std::string description;
    int line = -1;                          // zero-based source line
    int column = -1;                        // zero-based character position (code points) in that line
    bool compile = false;                   // found while parsing, before anything ran
    StopReason stopped = StopReason::None;  // stopped from outside; `number` is then 0
};

// Thrown inside the interpreter; the public interface returns a ScriptError instead.
class ScriptException : public std::exception {
  public:
    ScriptException(int number, std::string description) : error_{number, std::move(description)} {}
    explicit ScriptException(int number) : ScriptException(number, DescribeError(number)) {}
    const char* what() const noexcept override { return error_.description.c_str(); }
    ScriptError& error() { return error_; }
    bool positioned() const { return error_.line >= 0; }
    void Place(int line, int column) {
        if (error_.line < 0) error_.line = line, error_.column = column;
    }

  private:
    ScriptError error_;
};

// Throws the standard error for `number`, optionally naming the culprit ("Type mismatch: 'x'").
[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, const std::string& name);

}  // namespace korvan::vbs
