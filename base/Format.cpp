#include "base/Format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace korvan {

namespace {

struct Conversion {
    std::string_view spec;  // from '%' to the conversion letter, for snprintf
    bool leftAlign = false;
    bool plainFlags = true;  // no flag but '-', no '*', no length other than l/ll
    int width = 0;
    int precision = -1;
    char letter = 0;
};

// Parses the conversion that starts at format[0] == '%'.
Conversion ParseConversion(std::string_view format) {
    Conversion c;
    std::size_t i = 1;
    for (; i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos; ++i) {
        if (format[i] == '-')
            c.leftAlign = true;
        else
            c.plainFlags = false;
    }
    auto number = [&] {
        int n = 0;
        for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) n = n * 10 + (format[i] - '0');
        return n;
    };
    if (i < format.size() && format[i] == '*') c.plainFlags = false, ++i;
    c.width = number();
    if (i < format.size() && format[i] == '.') {
        ++i;
        if (i < format.size() && format[i] == '*') c.plainFlags = false, ++i;
        c.precision = number();
    }
    for (; i < format.size() && std::string_view("hlLqjzt").find(format[i]) != std::string_view::npos; ++i)
        if (format[i] != 'l') c.plainFlags = false;
    c.letter = i < format.size() ? format[i] : 0;
    c.spec = format.substr(0, i + 1);
    return c;
}

void AppendPadded(std::string& out, std::string_view text, const Conversion& c) {
    const std::size_t width = static_cast<std::size_t>(c.width);
    if (!c.leftAlign && text.size() < width) out.append(width - text.size(), ' ');
    out.append(text);
    if (c.leftAlign && text.size() < width) out.append(width - text.size(), ' ');
}

bool AppendReal(std::string& out, double x, const Conversion& c) {
    std::chars_format style = c.letter == 'g'   ? std::chars_format::general
                              : c.letter == 'e' ? std::chars_format::scientific
                                                : std::chars_format::fixed;
    int precision = c.precision < 0 ? 6 : c.precision;
    if (c.letter == 'g' && precision == 0) precision = 1;
    char digits[400];  // %f of the largest double needs 309 digits before the point
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, x, style, precision);
    if (error != std::errc()) return false;
    AppendPadded(out, std::string_view(digits, static_cast<std::size_t>(end - digits)), c);
    return true;
}

void AppendInteger(std::string& out, long long n, const Conversion& c) {
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, n);
    AppendPadded(out, std::string_view(digits, static_cast<std::size_t>(end - digits)), c);
}

// The conversion with another length modifier: "%5lu" with "ll" gives "%5llu".
std::string WithLength(std::string_view spec, std::string_view length) {
    std::string s(spec.substr(0, spec.size() - 1));
    while (!s.empty() && std::string_view("hlLqjzt").find(s.back()) != std::string_view::npos) s.pop_back();
    return s.append(length) + spec.back();
}

// Everything the fast paths leave: snprintf with the conversion as written, given an argument
// of the type the conversion expects. Conversions that take pointers (%n, %p) or a width or
// precision from the argument list ('*') write nothing.
// The format is one parsed conversion with exactly one argument, so it cannot be a literal.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void AppendWithLibc(std::string& out, const Conversion& c, const FormatArg& arg) {
    using Kind = FormatArg::Kind;
    if (c.spec.find('*') != std::string_view::npos) return;
    const std::string_view letter(&c.letter, 1);
    char buffer[512];
    int n = 0;
    if (std::string_view("eEfFgGaA").find(letter) != std::string_view::npos) {
        double x = arg.kind == Kind::Integer ? static_cast<double>(arg.integer) : arg.real;
        n = std::snprintf(buffer, sizeof buffer, WithLength(c.spec, "").c_str(), x);
    } else if (std::string_view("diouxXc").find(letter) != std::string_view::npos) {
        long long v = arg.kind == Kind::Real ? static_cast<long long>(arg.real) : arg.integer;
        n = std::snprintf(buffer, sizeof buffer, WithLength(c.spec, c.letter == 'c' ? "" : "ll").c_str(),
                          c.letter == 'c' ? static_cast<int>(v) : v);
    } else if (c.letter == 's') {
        std::string text(arg.text);
        if (arg.kind == Kind::Integer) text = std::to_string(arg.integer);
        if (arg.kind == Kind::Real) AppendFormat(text, "%g", arg.real);
        n = std::snprintf(buffer, sizeof buffer, WithLength(c.spec, "").c_str(), text.c_str());
    }
    if (n > 0) out.append(buffer, std::min(static_cast<std::size_t>(n), sizeof buffer - 1));
}
#pragma GCC diagnostic pop

void AppendConversion(std::string& out, const Conversion& c, const FormatArg& arg) {
    using Kind = FormatArg::Kind;
    if (c.plainFlags) {
        switch (c.letter) {
            case 'g':
            case 'e':
            case 'f': {
                double x = arg.kind == Kind::Integer ? static_cast<double>(arg.integer) : arg.real;
                if (arg.kind != Kind::Text && AppendReal(out, x, c)) return;
                break;
            }
            case 'd':
            case 'i':
                if (arg.kind == Kind::Text) break;
                if (c.precision >= 0) break;
                AppendInteger(out, arg.kind == Kind::Real ? static_cast<long long>(arg.real) : arg.integer,
                              c);
                return;
            case 's':
                if (arg.kind != Kind::Text) break;
                AppendPadded(
                    out,
                    c.precision >= 0 ? arg.text.substr(0, static_cast<std::size_t>(c.precision)) : arg.text,
                    c);
                return;
            default:
                break;
        }
    }
    AppendWithLibc(out, c, arg);
}

}  // namespace

void AppendFormatted(std::string& out, std::string_view format, std::span<const FormatArg> args) {
    std::size_t next = 0;
    while (!format.empty()) {
        const std::size_t percent = format.find('%');
        out.append(format.substr(0, percent));
        if (percent == std::string_view::npos) return;
        format.remove_prefix(percent);
        if (format.starts_with("%%")) {
            out += '%';
            format.remove_prefix(2);
            continue;
        }
        const Conversion c = ParseConversion(format);
        format.remove_prefix(c.spec.size());
        if (c.letter == 0 || next >= args.size()) continue;
        AppendConversion(out, c, args[next++]);
    }
}

}  // namespace korvan
