#pragma once
// A script error: the dialect's error number, its description and where in the source it arose.
// Compile errors and run-time errors share this record; the script host formats its report from it.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvan::vbs {

// Error numbers as the dialect reports them in Err.Number (run time) or as compile errors. Their
// texts stand in one table in ScriptError.cpp; every raise site names the number only.
enum ErrorCode : int {
    // run time
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrSubscript = 9,
    kErrArrayLocked = 10,
    kErrDivisionByZero = 11,
    kErrTypeMismatch = 13,
    kErrOutOfStack = 28,
    kErrInternal = 51,
    kErrPermissionDenied = 70,
    kErrObjectNotSet = 91,
    kErrInvalidNull = 94,
    kErrObjectRequired = 424,
    kErrNoMember = 438,
    kErrWrongArgCount = 450,
    kErrUndefined = 500,
    kErrIllegalAssignment = 501,
    kErrClassNotDefined = 506,
    // compile time
    kErrSyntax = 1002,
    kErrExpectedLParen = 1005,
    kErrExpectedRParen = 1006,
    kErrExpectedIdentifier = 1010,
    kErrExpectedEquals = 1011,
    kErrExpectedTo = 1013,
    kErrExpectedEnd = 1014,  // the site names the block: "Expected 'End If'"
    kErrExpectedExpression = 1015,
    kErrExpectedThen = 1017,
    kErrExpectedWend = 1018,
    kErrExpectedLoop = 1019,
    kErrExpectedNext = 1020,
    kErrExpectedCase = 1021,
    kErrExpectedStatement = 1024,
    kErrExpectedEndOfStatement = 1025,
    kErrInvalidCharacter = 1032,
    kErrUnterminatedString = 1033,
    kErrInvalidExit = 1039,
    kErrNameRedefined = 1041,
    kErrExpectedIn = 1046,
    kErrExpectedPropertyKind = 1050,
    kErrDefaultNotPublic = 1057,
};

// The standard description of an error number ("Type mismatch"); empty for an unknown number.
std::string DescribeError(int number);
// "Expected 'End If'": the description of kErrExpectedEnd with the block's keyword.
std::string DescribeExpectedEnd(std::string_view block);

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
