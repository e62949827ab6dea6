#include <gtest/gtest.h>

#include <limits>

#include "base/LeadingNumber.h"

namespace korvan {
namespace {

TEST(LeadingNumber, IntegersTakeTheDigitsAfterBlanksAndSign) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"42", 42},
        {"  -7abc", -7},
        {"+5", 5},
        {"\t12 34", 12},
        {"1280px", 1280},
        {"4.9", 4},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x1F", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"99999999999999999999999", 2147483647},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(LeadingNumber, DoublesTakeTheLongestDecimalNumber) {
    const double max = std::numeric_limits<double>::max();
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"2.0", 2.0},
        {" -1.25x", -1.25},
        {"+.5", 0.5},
        {"3.", 3.0},
        {"1e3", 1000.0},
        {"1.5E-2;", 0.015},
        {"2e", 2.0},
        {"2e+", 2.0},
        {".", 0.0},
        {"e5", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"0x10", 0.0},
        {"", 0.0},
        {"1e999", max},
        {"-1e999", -max},
        {"1e-999", 0.0},
        {"0.000e999", 0.0},
        // An overflow is decided by the whole number, not by its integer digits.
        {"0.5e400", max},
        {".5e400", max},
        {"00.9e999", max},
        {"-.5e400", -max},
        {"5e-400", 0.0},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingDouble(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace korvan
