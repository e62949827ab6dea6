#include "base/LeadingNumber.h"

#include <charconv>
#include <climits>
#include <limits>

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
    bool exponentNegative = false;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t at = end + 1;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) exponentNegative = text[at++] == '-';
        std::size_t digits = CountDigits(text, at);
        if (digits > 0)
            end = at + digits;
        else
            exponentNegative = false;
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too small underflows to zero; too large is clamped to the largest finite value.
        bool tiny = exponentNegative || text.find_first_not_of('0') >= whole;
        value = tiny ? 0.0 : std::numeric_limits<double>::max();
    }
    return negative ? -value : value;
}

}  // namespace korvan
