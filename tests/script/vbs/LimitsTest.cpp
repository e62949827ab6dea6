// Safety: no script may crash the interpreter, exhaust the stack or run without end when the
// host bounds it. Deep nesting and runaway recursion end in "Out of stack space", growth of
// strings and arrays in "Out of memory", and the step budget stops endless loops even under
// On Error Resume Next.
#include <gtest/gtest.h>

#include <string>

#include "tests/script/vbs/RecordingHost.h"

namespace korvan::vbs::testing {
namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += piece;
    return out;
}

std::optional<ScriptError> RunLimited(const std::string& script) {
    Options options;
    options.stepBudget = 200'000;
    options.limits.maxStringBytes = 1 << 20;
    options.limits.maxArrayElements = 1 << 16;
    Interpreter interpreter(options);
    RegisterRecordingHost(interpreter, std::make_shared<Recording>());
    return interpreter.Run(script);
}

struct LimitCase {
    const char* what;
    std::string script;
    int number;
};

class Limit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limit, EndsInTheDialectsErrorNotACrash) {
    std::optional<ScriptError> error = RunLimited(GetParam().script);
    ASSERT_TRUE(error) << GetParam().what;
    EXPECT_EQ(error->number, GetParam().number) << GetParam().what << ": " << error->description;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Limit,
    ::testing::Values(
        LimitCase{"runaway recursion", "Function F(n)\nF = F(n + 1)\nEnd Function\nx = F(1)", kErrOutOfStack},
        LimitCase{"recursion through a Sub", "Sub S\nS\nEnd Sub\nS", kErrOutOfStack},
        LimitCase{"deeply nested parentheses", "x = " + Repeat("(", 200000) + "1" + Repeat(")", 200000),
                  kErrOutOfStack},
        LimitCase{"a long chain of Not", "x = " + Repeat("Not ", 200000) + "1", kErrOutOfStack},
        LimitCase{"a long chain of minus signs", "x = " + Repeat("-", 200000) + "1", kErrOutOfStack},
        LimitCase{"deeply nested blocks", Repeat("If 1 Then\n", 100000), kErrOutOfStack},
        LimitCase{"an endless loop", "Do\nLoop", kErrStepBudget},
        LimitCase{"an endless loop under Resume Next", "On Error Resume Next\nDo\nx = 1 / 0\nLoop",
                  kErrStepBudget},
        LimitCase{"a string doubling forever", "s = \"x\"\nDo\ns = s & s\nLoop", kErrOutOfMemory},
        LimitCase{"a huge array", "ReDim a(100000000)", kErrOutOfMemory},
        LimitCase{"a huge string", "s = Space(100000000)", kErrOutOfMemory},
        LimitCase{"arrays nested without end", "a = Array()\nFor i = 1 To 1000\na = Array(a)\nNext",
                  kErrOutOfMemory},
        LimitCase{"arrays nested through a by-reference element",
                  "Sub Wrap(x)\nx = a\nEnd Sub\na = Array(0)\nFor i = 1 To 1000\nWrap a(0)\nNext",
                  kErrOutOfMemory},
        LimitCase{"resizing an array whose element is lent out",
                  "Dim a()\nReDim a(2)\nSub S(x)\nReDim a(5)\nx = 1\nEnd Sub\nS a(1)", kErrArrayLocked}),
    [](const ::testing::TestParamInfo<LimitCase>& param) { return "case" + std::to_string(param.index); });

TEST(Limit, EveryRunStartsWithFreshVariables) {
    Interpreter interpreter;
    auto recording = std::make_shared<Recording>();
    RegisterRecordingHost(interpreter, recording);
    ASSERT_FALSE(interpreter.Run("x = 5\nPrint x"));
    ASSERT_FALSE(interpreter.Run("Print IsEmpty(x)"));
    EXPECT_EQ(recording->lines, (std::vector<std::string>{"5", "True"}));
}

TEST(Limit, RecursionWithinTheBudgetWorks) {
    Interpreter interpreter;
    auto recording = std::make_shared<Recording>();
    RegisterRecordingHost(interpreter, recording);
    ASSERT_FALSE(
        interpreter.Run("Function Sum(n)\nIf n = 0 Then Sum = 0 Else Sum = n + Sum(n - 1)\nEnd Function\n"
                        "Print Sum(100)"));
    EXPECT_EQ(recording->lines, (std::vector<std::string>{"5050"}));
}

}  // namespace
}  // namespace korvan::vbs::testing
