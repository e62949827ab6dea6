#pragma once
// The leading number of a text, as settings lines, edit boxes and command-line values are read:
// blanks before it are skipped, then an optional sign and as many digits as follow; whatever
// comes after ("800px", "5 ; comment") is ignored, and a text with no number gives 0.
// Unlike the C library these never depend on the locale and never overflow.
#include <string_view>

namespace korvan {

// Decimal integer; values beyond the int range are clamped to it.
int LeadingInt(std::string_view text);

// Decimal number with optional fraction and exponent ("2", "-.5", "1.5e3x"); no hexadecimal, no
// "inf" or "nan". Values beyond the double range are clamped to the largest finite double.
double LeadingDouble(std::string_view text);

}  // namespace korvan
