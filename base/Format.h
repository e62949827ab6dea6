#pragma once
// printf-style formatting into a string for arguments whose types are known: the conversions
// %d, %s, %g, %e and %f with width and precision are done with std::to_chars, which gives
// exactly printf's text several times faster; anything else is handed to snprintf. The scene
// writer goes through here, and the backups run it for the whole scene twice per body created.
#include <concepts>
#include <span>
#include <string>
#include <string_view>

namespace korvan {

struct FormatArg {
    enum class Kind { Integer, Real, Text };
    Kind kind;
    long long integer = 0;
    double real = 0;
    std::string_view text;

    template <std::integral T>
    FormatArg(T v) : kind(Kind::Integer), integer(static_cast<long long>(v)) {}
    FormatArg(double v) : kind(Kind::Real), real(v) {}
    FormatArg(const char* v) : kind(Kind::Text), text(v ? v : "(null)") {}
    FormatArg(const std::string& v) : kind(Kind::Text), text(v) {}
};

// Appends `format` with its conversions filled from `args` in order. A conversion without an
// argument writes nothing; an argument of another kind is converted (an integer for %g, …).
void AppendFormatted(std::string& out, std::string_view format, std::span<const FormatArg> args);

template <class... Args>
void AppendFormat(std::string& out, std::string_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        AppendFormatted(out, format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        AppendFormatted(out, format, list);
    }
}

}  // namespace korvan
