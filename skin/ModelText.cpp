#include "skin/ModelText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "base/Host.h"
#include "base/Paths.h"
#include "base/TextEncoding.h"

namespace korvan {

namespace {
// Model files beyond this are not models but accidents; refusing them keeps a stray disk image
// from exhausting memory.
constexpr std::size_t kMaxModelBytes = std::size_t{1} << 31;
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason) {
    std::ifstream in(NativePath(path), std::ios::binary | std::ios::ate);
    if (!in) {
        reason = "Not Found " + path;
        return false;
    }
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::size_t>(size) > kMaxModelBytes) {
        reason = path + " は大きすぎます";
        return false;
    }
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (size > 0 && !in.read(bytes.data(), size)) {
        reason = "Not Found " + path;
        return false;
    }
    return true;  // data() keeps a terminating zero past size()
}

bool ParseDouble(std::string_view token, double& value) {
    value = 0;
    const char* p = token.data();
    const char* end = p + token.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == end || !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '.')) return false;
    auto [stop, error] = std::from_chars(p, end, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Beyond double: the C library knows whether it overflows (inf) or underflows (0).
        value = std::strtod(std::string(p, stop).c_str(), nullptr);
    } else if (error != std::errc() || stop == p) {
        return value = 0, false;
    }
    if (negative) value = -value;
    return true;
}

bool ParseInt(std::string_view token, long long& value) {
    value = 0;
    const char* p = token.data();
    const char* end = p + token.size();
    if (p < end && *p == '+') ++p;
    auto [stop, error] = std::from_chars(p, end, value);
    if (error != std::errc() || stop == p) return value = 0, false;
    return true;
}

std::string AtLine(const std::string& text, const std::string& path, long long line) {
    return text + "\n\n( " + path + " の " + std::to_string(line) + " 行目 )";
}

std::string ModelFolder(const std::string& path) {
    std::string folder = FolderOf(path);
    return folder.empty() ? folder : folder + "/";
}

std::string InModelFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : ResolvePath(folder, name);
}

std::string NameText(std::string_view bytes, bool fileIsUtf8) {
    return fileIsUtf8 ? std::string(bytes) : ShiftJisToUtf8(bytes);
}

void ProgressPost::Show(int percent) {
    if (percent == shown_) return;
    shown_ = percent;
    CurrentHost().ShowProgress(title_, text_, percent);
}

void ProgressPost::SetText(std::string text) {
    text_ = std::move(text);
    CurrentHost().ShowProgress(title_, text_, shown_ < 0 ? 0 : shown_);
}

}  // namespace korvan
