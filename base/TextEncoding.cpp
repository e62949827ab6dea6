#include "base/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace korvan {

namespace {

// One iconv conversion descriptor for the life of a call.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as it can, appending to `out`; returns the bytes consumed.
    // Stops at the first sequence it cannot convert (or that is cut off at the end).
    std::size_t Append(std::string_view in, std::string& out) {
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buffer[4096];
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return in.size() - left;
    }

  private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence a byte starts, 0 when it cannot start one.
std::size_t Utf8SequenceLength(unsigned char c) {
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF4) return 4;
    return 0;
}

// Converts all of `in`, writing `replacement` for each stretch of `skip(bytes)` bytes that fails.
template <class Skip>
void ConvertInto(Converter& converter, std::string_view in, std::string& out, std::string_view replacement,
                 Skip skip) {
    while (!in.empty()) {
        in.remove_prefix(converter.Append(in, out));
        if (in.empty()) break;
        out += replacement;
        in.remove_prefix(std::min(in.size(), skip(in)));
    }
}

template <class Skip>
std::string ConvertAll(const char* to, const char* from, std::string_view in, std::string_view replacement,
                       Skip skip) {
    Converter converter(to, from);
    if (!converter.ok()) return std::string(in);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 8);
    ConvertInto(converter, in, out, replacement, skip);
    return out;
}

std::size_t LeadingAscii(std::string_view s, bool ascii) {
    std::size_t n = 0;
    if (ascii) {  // eight bytes at a time while none has its top bit set
        constexpr std::uint64_t kTopBits = 0x8080808080808080u;
        for (std::uint64_t word; n + 8 <= s.size(); n += 8) {
            std::memcpy(&word, s.data() + n, 8);
            if (word & kTopBits) break;
        }
    }
    while (n < s.size() && (static_cast<unsigned char>(s[n]) < 0x80) == ascii) ++n;
    return n;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = Utf8SequenceLength(c);
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        if (n >= 3) {
            auto c1 = static_cast<unsigned char>(s[i + 1]);
            if (c == 0xE0 && c1 < 0xA0) return false;  // overlong
            if (c == 0xED && c1 > 0x9F) return false;  // surrogates
            if (c == 0xF0 && c1 < 0x90) return false;  // overlong
            if (c == 0xF4 && c1 > 0x8F) return false;  // beyond U+10FFFF
        }
        i += n;
    }
    return true;
}

std::string ShiftJisToUtf8(std::string_view bytes) {
    return ConvertAll("UTF-8", "CP932", bytes, "\xEF\xBF\xBD",
                      [](std::string_view) { return std::size_t{1}; });
}

std::string Utf8ToShiftJis(std::string_view text) {
    Converter converter("CP932", "UTF-8");
    if (!converter.ok()) return std::string(text);
    // ASCII is the same in both and makes up most of a scene file; iconv, slow per byte, only
    // sees the runs of other characters. A character Shift-JIS lacks is one whole UTF-8
    // sequence: all of its bytes are skipped.
    auto skipSequence = [](std::string_view rest) {
        return std::max<std::size_t>(1, Utf8SequenceLength(static_cast<unsigned char>(rest[0])));
    };
    // A scene file repeats the same few words (its comments) for every body: each run is
    // converted once.
    std::unordered_map<std::string_view, std::string> converted;
    std::string out;
    out.reserve(text.size() + 8);
    while (!text.empty()) {
        const std::size_t ascii = LeadingAscii(text, true);
        out.append(text.substr(0, ascii));
        text.remove_prefix(ascii);
        const std::string_view run = text.substr(0, LeadingAscii(text, false));
        auto [known, added] = converted.try_emplace(run);
        if (added) ConvertInto(converter, run, known->second, "?", skipSequence);
        out += known->second;
        text.remove_prefix(run.size());
    }
    return out;
}

std::string DecodeFileText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return ShiftJisToUtf8(bytes);
}

}  // namespace korvan
