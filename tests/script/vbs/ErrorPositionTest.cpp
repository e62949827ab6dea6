// Where errors are reported: zero-based line and character position (code points), with the
// dialect's description, for syntax and run-time errors on the first, a middle and the last
// line, inside a statement continued over lines, and inside a procedure.
#include <gtest/gtest.h>

#include "tests/support/RecordingHost.h"

namespace korvan::vbs::testing {
namespace {

struct PositionCase {
    const char* what;
    const char* script;
    const char* description;
    int line, column;
    bool compile;
};

const PositionCase kCases[] = {
    {"unclosed parenthesis on the first line", "x = (1 + 2\nPrint x", "Expected ')'", 0, 10, true},
    {"division by zero on a middle line", "a = 1\nb = a / 0\nc = 3", "Division by zero", 1, 6, false},
    {"missing End If at the end of the text", "a = 1\nb = 2\nIf a Then\nb = 3", "Expected 'End If'", 3, 5,
     true},
    {"End Sub where End If belongs", "Sub A\nIf 1 Then\nEnd Sub", "Expected 'End If'", 2, 0, true},
    {"undefined variable under Option Explicit", "Option Explicit\nDim a\na = foo + 1",
     "Variable is undefined: 'foo'", 2, 4, false},
    {"error inside a continued statement", "Set o = Application.AddObj( _\n  \"BOX\" , _\n  1 / 0 )",
     "Division by zero", 2, 4, false},
    {"misspelt member", "Set Objx = Application.AddObj(\"BOX\", \"a\")\nObjx.widht = 0.1",
     "Object doesn't support this property or method: 'Objx.widht'", 1, 5, false},
    {"positions count characters, not bytes", "s = \"日本語\" + 1", "Type mismatch", 0, 10, false},
    {"error in a procedure is reported where it happens",
     "Sub Bad\n  x = 1\n  y = Mid(\"a\", 0)\nEnd Sub\nBad", "Invalid procedure call or argument", 2, 6,
     false},
    {"unterminated string", "x = 1\nx = \"abc", "Unterminated string constant", 1, 4, true},
    {"two expressions in a row", "x = 1 2", "Expected end of statement", 0, 6, true},
    {"Next without For", "x = 1\nNext", "Expected statement", 1, 0, true},
    {"a byte-order mark does not shift positions", "\xEF\xBB\xBFx = 1 2", "Expected end of statement", 0, 6,
     true},
    {"a date literal that names no date", "d = #2/30/2020#", "Syntax error", 0, 4, true},
    {"a date literal left open", "d = #1/1/2020\nx = 1", "Invalid character", 0, 4, true},
    {"Exit For outside a loop", "Exit For", "Invalid 'exit' statement", 0, 5, true},
    {"Dim twice as Const", "Const a = 1\nConst a = 2", "Name redefined", 1, 6, true},
    {"error on the last line of a longer text", "a = 1\nb = 2\nc = 3\nd = Array(1)(4)",
     "Subscript out of range", 3, 4, false},
};

class ErrorPosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ErrorPosition, ReportsLineCharacterAndDescription) {
    const PositionCase& c = GetParam();
    Interpreter interpreter;
    RegisterRecordingHost(interpreter, std::make_shared<Recording>());
    std::optional<ScriptError> error = interpreter.Run(c.script);
    ASSERT_TRUE(error) << c.what;
    EXPECT_EQ(error->description, c.description) << c.what;
    EXPECT_EQ(error->line, c.line) << c.what;
    EXPECT_EQ(error->column, c.column) << c.what;
    EXPECT_EQ(error->compile, c.compile) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Scripts, ErrorPosition, ::testing::ValuesIn(kCases));

TEST(ErrorPosition, SyntaxErrorStopsTheScriptBeforeAnythingRuns) {
    Interpreter interpreter;
    auto recording = std::make_shared<Recording>();
    RegisterRecordingHost(interpreter, recording);
    std::optional<ScriptError> error = interpreter.Run("Print \"first\"\nx = 1\nx = )");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 2);
    EXPECT_TRUE(recording->lines.empty());
}

}  // namespace
}  // namespace korvan::vbs::testing
