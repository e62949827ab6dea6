// The fast formatter must write exactly what printf writes: the scene files depend on it.
#include "base/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace korvan {
namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <class T>
std::string Printf(const char* format, T value) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
#pragma GCC diagnostic pop

TEST(Format, RealConversionsMatchPrintf) {
    const double values[] = {0.0,
                             -0.0,
                             1,
                             -1,
                             0.1,
                             1.0 / 3,
                             0.501961,
                             9.8,
                             100000,
                             123456,
                             1234567,
                             999999.5,
                             0.0001,
                             0.00001234,
                             -2.5e-300,
                             1e21,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -7.4999999999999991e+00};
    const char* formats[] = {"%g",   "%6g",  "%12g",   "%e",  "%24.16e", "%f", "%.3f", "%-8g|",
                             "%.0g", "%.0e", "%08.2f", "%+g", "%lf",     "%E", "%G"};
    for (const char* format : formats) {
        for (double x : values) {
            SCOPED_TRACE(std::string(format) + " of " + Printf("%.17g", x));
            std::string out;
            AppendFormat(out, format, x);
            EXPECT_EQ(out, Printf(format, x));
        }
    }
}

TEST(Format, IntegersTextsAndMixedLinesMatchPrintf) {
    std::string out;
    AppendFormat(out, "%d|%5d|%-4d|%i|%03d|%ld|%x|%c", 42, -7, 3, 0, 5, 1234567890123L, 255, 'A');
    EXPECT_EQ(out, "42|   -7|3   |0|005|1234567890123|ff|A");

    out.clear();
    std::string name = "Box";
    AppendFormat(out, "%s.%s = %6g ' ( 幅 = %6g mm ) 100%%\n", name, "widthX", 0.4, 400.0);
    EXPECT_EQ(out, "Box.widthX =    0.4 ' ( 幅 =    400 mm ) 100%\n");

    out.clear();
    AppendFormat(out, "[%8s][%-6s][%.2s]", "ab", "cd", "efgh");
    EXPECT_EQ(out, "[      ab][cd    ][ef]");
}

TEST(Format, MissingOrMismatchedArgumentsNeverReadBeyondTheList) {
    std::string out;
    AppendFormat(out, "a%db%gc%sd%n%p");
    EXPECT_EQ(out, "abcd");
    out.clear();
    AppendFormat(out, "%d %g %s %s", 2.9, 3, 1.5, 7);
    EXPECT_EQ(out, "2 3 1.5 7");
    out.clear();
    AppendFormat(out, "%n|%p|%*d|%.*f|%", 1, 2, 3, 4.5, 6);
    EXPECT_EQ(out, "||||");
}

}  // namespace
}  // namespace korvan
