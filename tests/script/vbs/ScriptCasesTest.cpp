// Runs every script in cases/ against the recording host. A script states what it must do in
// its own comments:
//     Print 1 + 2        ' expect: 3
//     x = 1 / 0          ' error: Division by zero
// Every "expect:" is one recorded line, in order; an "error:" says the script stops with that
// description on that line (zero-based lines, as the interpreter reports them).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/RecordingHost.h"

namespace korvan::vbs::testing {
namespace {

std::filesystem::path CasesFolder() {
    const char* root = std::getenv("KORVAN_SOURCE_DIR");
    if (root) return std::filesystem::path(root) / "tests/script/vbs/cases";
    return KORVAN_VBS_CASES;
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(CasesFolder(), ec))
        if (entry.path().extension() == ".vbs") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Expectations {
    std::vector<std::string> output;
    std::string error;
    int errorLine = -1;
};

std::string AfterMarker(const std::string& line, const std::string& marker) {
    size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    std::string rest = line.substr(at + marker.size());
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r')) rest.pop_back();
    return rest;
}

Expectations ReadExpectations(const std::string& source) {
    Expectations e;
    std::istringstream lines(source);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (line.find("' expect: ") != std::string::npos) e.output.push_back(AfterMarker(line, "' expect: "));
        if (line.find("' error: ") != std::string::npos)
            e.error = AfterMarker(line, "' error: "), e.errorLine = n;
    }
    return e;
}

class ScriptCase : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptCase, PrintsWhatItsCommentsExpect) {
    std::ifstream file(CasesFolder() / (GetParam() + ".vbs"), std::ios::binary);
    ASSERT_TRUE(file) << "cannot read case " << GetParam();
    std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Expectations expected = ReadExpectations(source);

    Options options;
    options.stepBudget = 10'000'000;
    Interpreter interpreter(options);
    auto recording = std::make_shared<Recording>();
    RegisterRecordingHost(interpreter, recording);
    std::optional<ScriptError> error = interpreter.Run(source);

    if (expected.errorLine < 0) {
        EXPECT_FALSE(error) << "unexpected error on line " << error->line << ", position " << error->column
                            << ": " << error->description;
    } else {
        ASSERT_TRUE(error) << "expected the error \"" << expected.error << "\"";
        EXPECT_EQ(error->description, expected.error);
        EXPECT_EQ(error->line, expected.errorLine) << error->description;
    }
    size_t common = std::min(recording->lines.size(), expected.output.size());
    for (size_t k = 0; k < common; ++k)
        EXPECT_EQ(recording->lines[k], expected.output[k]) << "output line " << k;
    EXPECT_EQ(recording->lines.size(), expected.output.size()) << "number of output lines";
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptCase, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = param.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

}  // namespace
}  // namespace korvan::vbs::testing
