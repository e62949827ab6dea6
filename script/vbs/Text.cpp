#include "script/vbs/Text.h"

namespace korvan::vbs {

namespace {
bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
}  // namespace

size_t CharCount(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (i == 0 || !IsContinuation(s[i])) ++n;
    return n;
}

size_t ByteOffset(std::string_view s, size_t index) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 0 || !IsContinuation(s[i])) {
            if (n == index) return i;
            ++n;
        }
    }
    return s.size();
}

size_t CharIndex(std::string_view s, size_t offset) {
    return CharCount(s.substr(0, offset));
}

uint32_t CodePointAt(std::string_view s, size_t offset) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(offset);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (b < 0xC0 || offset + static_cast<size_t>(extra) >= s.size()) return b;
    uint32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if (!IsContinuation(s[offset + static_cast<size_t>(k)])) return b;
        cp = (cp << 6) | (byte(offset + static_cast<size_t>(k)) & 0x3F);
    }
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace korvan::vbs
