// Safety: no script may crash the interpreter, exhaust the stack or run without end when the
// host bounds it. Deep nesting and runaway recursion end in "Out of stack space", growth of
// strings and arrays in "Out of memory", and the step budget stops endless loops even under
// On Error Resume Next.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/support/RecordingHost.h"

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

// Stops from outside: what no script can raise, catch or fake.
struct StopCase {
    const char* what;
    std::string script;
    StopReason reason;
    int line;  // -1: wherever it happened to be
};

class Stop : public ::testing::TestWithParam<StopCase> {};

TEST_P(Stop, EndsTheRunWhateverTheScriptDoes) {
    std::optional<ScriptError> error = RunLimited(GetParam().script);
    ASSERT_TRUE(error) << GetParam().what;
    EXPECT_EQ(error->stopped, GetParam().reason) << GetParam().what << ": " << error->description;
    if (GetParam().line >= 0) {
        EXPECT_EQ(error->line, GetParam().line) << GetParam().what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Stop,
    ::testing::Values(StopCase{"an endless loop", "x = 1\nDo\nLoop", StopReason::StepBudget, 1},
                      StopCase{"an endless loop under Resume Next",
                               "On Error Resume Next\nDo\nx = 1 / 0\nLoop", StopReason::StepBudget, 2},
                      StopCase{"endless recursion under Resume Next in every frame",
                               "Sub S\nOn Error Resume Next\nDo\nS\nLoop\nEnd Sub\nS", StopReason::StepBudget,
                               -1}),
    [](const ::testing::TestParamInfo<StopCase>& param) { return "case" + std::to_string(param.index); });

TEST(Stop, ARaisedErrorOfAnyNumberIsAnOrdinaryError) {
    for (int number : {1000001, 0x7FFFFFFF, -1}) {
        auto recording = std::make_shared<Recording>();
        Options options;
        options.stepBudget = 1000;
        Interpreter interpreter(options);
        RegisterRecordingHost(interpreter, recording);
        std::string n = std::to_string(number);
        ASSERT_FALSE(interpreter.Run("On Error Resume Next\nErr.Raise " + n + "\nPrint Err.Number"));
        EXPECT_EQ(recording->lines, std::vector<std::string>{n});
        std::optional<ScriptError> error = interpreter.Run("Err.Raise " + n);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->stopped, StopReason::None);
        EXPECT_EQ(error->number, number);
    }
}

TEST(Stop, TheTimeLimitAsksWhetherToKeepWaitingAndStopsOnNo) {
    Options options;
    options.timeLimitSeconds = 0.02;
    std::vector<double> asked;
    options.keepWaiting = [&](double elapsed) {
        asked.push_back(elapsed);
        return asked.size() < 3;
    };
    Interpreter interpreter(options);
    std::optional<ScriptError> error = interpreter.Run("On Error Resume Next\nx = 0\nDo\nx = x + 1\nLoop");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stopped, StopReason::TimeLimit);
    EXPECT_EQ(error->description, "Script ran longer than its time limit of 0.02 s");
    EXPECT_GE(error->line, 2);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_GE(asked[0], 0.02);
    EXPECT_GT(asked[2], asked[1]);
}

TEST(Stop, AScriptWithinItsTimeLimitIsNotAsked) {
    Options options;
    options.timeLimitSeconds = 60;
    bool asked = false;
    options.keepWaiting = [&](double) { return asked = true; };
    Interpreter interpreter(options);
    EXPECT_FALSE(interpreter.Run("For i = 1 To 100000\nx = x + i\nNext"));
    EXPECT_FALSE(asked);
}

TEST(Stop, TheInterruptFlagStopsARunningScript) {
    std::atomic<bool> interrupt{true};
    Options options;
    options.interrupt = &interrupt;
    Interpreter interpreter(options);
    std::optional<ScriptError> error = interpreter.Run("Do\nLoop");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stopped, StopReason::Interrupted);
    interrupt = false;
    EXPECT_FALSE(interpreter.Run("For i = 1 To 100000\nNext"));
}

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
