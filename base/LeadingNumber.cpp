#include "base/LeadingNumber.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace korvan {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Drops leading blanks and an optional sign; returns true for a minus sign.
bool TakeSign(std::string_view& text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    return negative;
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t n = 0;
    while (from + n < text.size() && IsDigit(text[from + n])) ++n;
    return n;
}

}  // namespace

int LeadingInt(std::string_view text) {
    bool negative = TakeSign(text);
    long long value = 0;
    for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 1LL + INT_MAX) break;  // clamped below; stop before long long overflows
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double LeadingDouble(std::string_view text) {
    bool negative = TakeSign(text);
    // digits [. digits] [e [sign] digits], with at least one digit in the mantissa
    std::size_t whole = CountDigits(text, 0), end = whole, fraction = 0;
    if (end < text.size() && text[end] == '.') fraction = CountDigits(text, end + 1), end += 1 + fraction;
    if (whole + fraction == 0) return 0.0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t at = end + 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        std::size_t digits = CountDigits(text, at);
        if (digits > 0) end = at + digits;
    }
    // The conversion reports a result out of range as HUGE_VAL (too large) or as something
    // below the smallest normal double (too small); the first is clamped, the second goes to 0.
    // The "C" locale keeps the decimal point a point whatever the program's locale says.
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    const std::string digits(text.substr(0, end));
    errno = 0;
    double value = strtod_l(digits.c_str(), nullptr, c);
    if (errno == ERANGE) value = std::fabs(value) >= 1 ? std::numeric_limits<double>::max() : 0.0;
    return negative ? -value : value;
}

}  // namespace korvan
