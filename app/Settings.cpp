#include "app/Settings.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <variant>

#include "base/LeadingNumber.h"
#include "base/TextEncoding.h"
#include "base/Tokens.h"

namespace korvan {

namespace {

// Lines and their tokens are cut to this many characters.
constexpr std::size_t kMaxCharacters = 999;

// The text each key line starts with: the key and the blanks up to its value, as the file has
// always been laid out (the uneven widths are part of the format).
constexpr std::array<std::string_view, kViewFlagCount> kPlayLines = {
    "VIEW_PLAY_SOLID             ",      "VIEW_PLAY_SKIN              ", "VIEW_PLAY_BLENDALL              ",
    "VIEW_PLAY_WIREFRAME              ", "VIEW_PLAY_CRASH             ", "VIEW_PLAY_JOIN              ",
    "VIEW_PLAY_SEL               ",      "VIEW_PLAY_DRAG              ", "VIEW_PLAY_PANEL             ",
    "VIEW_PLAY_SEAL              ",      "VIEW_PLAY_SHADE             ", "VIEW_PLAY_RANK              ",
    "VIEW_PLAY_FORCE             ",      "VIEW_PLAY_SPEED             ", "VIEW_PLAY_BGM               ",
    "VIEW_PLAY_BACKGROUND        "};
constexpr std::array<std::string_view, kViewFlagCount> kFactoryLines = {
    "VIEW_FACTORY_SOLID          ",      "VIEW_FACTORY_SKIN           ", "VIEW_FACTORY_BLENDALL           ",
    "VIEW_FACTORY_WIREFRAME           ", "VIEW_FACTORY_CRASH          ", "VIEW_FACTORY_JOIN           ",
    "VIEW_FACTORY_SEL            ",      "VIEW_FACTORY_DRAG           ", "VIEW_FACTORY_PANEL          ",
    "VIEW_FACTORY_SEAL           ",      "VIEW_FACTORY_SHADE          ", "VIEW_FACTORY_RANK           ",
    "VIEW_FACTORY_FORCE          ",      "VIEW_FACTORY_SPEED          ", "VIEW_FACTORY_BGM            ",
    "VIEW_FACTORY_BACKGROUND     "};
constexpr std::string_view kAutoSearchKey = "ENV_AUTOSEARCH";

using FieldRef = std::variant<int*, double*, std::string*>;

struct KeyLine {
    std::string_view start;  // key and blanks, as written
    FieldRef field;
    bool readable = true;

    std::string_view Key() const { return start.substr(0, start.find(' ')); }
};

// Every single-valued key of `s`, in the order the file lists them.
std::vector<KeyLine> KeyLines(Settings& s) {
    std::vector<KeyLine> lines;
    for (int i = 0; i < kViewFlagCount; ++i) lines.push_back({kPlayLines[i], &s.VIEW_PLAY[i]});
    for (int i = 0; i < kViewFlagCount; ++i) lines.push_back({kFactoryLines[i], &s.VIEW_FACTORY[i]});
    lines.insert(lines.end(), {
                                  {"MOUSE_ROTATE ", &s.MOUSE_ROTATE},
                                  {"MOUSE_MOVE   ", &s.MOUSE_MOVE},
                                  {"MOUSE_ZOOM   ", &s.MOUSE_ZOOM},
                                  {"ENV_GL_LIMIT2POWER  ", &s.ENV_GL_LIMIT2POWER},
                                  {"ENV_CUR_CPUS_MODE   ", &s.ENV_CUR_CPUS_MODE},
                                  {"ENV_CUR_CPUS_NUM    ", &s.ENV_CUR_CPUS_NUM},
                                  {"ENV_OPTIMIZED_CORES ", &s.ENV_OPTIMIZED_CORES},
                                  {"ENV_STEREO_MODE     ", &s.ENV_STEREO_MODE, false},
                                  {"ENV_STEREO_ANGLE    ", &s.ENV_STEREO_ANGLE},
                                  {"ENV_STEREO_SWAP     ", &s.ENV_STEREO_SWAP},
                                  {"ENV_STEREO_SETPRJ   ", &s.ENV_STEREO_SETPRJ},
                                  {"ENV_STEREO_USECAM   ", &s.ENV_STEREO_USECAM},
                                  {"ENV_STEREO_CAMNAME  ", &s.ENV_STEREO_CAMNAME},
                                  {"ENV_STEREO_CAMX     ", &s.ENV_STEREO_CAMX},
                                  {"ENV_STEREO_CAMY     ", &s.ENV_STEREO_CAMY},
                                  {"ENV_ANTI_START      ", &s.ENV_ANTI_START},
                                  {"ENV_OCULUS_SHOW      ", &s.ENV_OCULUS_SHOW},
                                  {"ENV_OCULUS_USE       ", &s.ENV_OCULUS_USE},
                              });
    return lines;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// The first `count` characters of UTF-8 text (a character is a whole code point).
std::string_view CutToCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < count; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

void ApplyLine(std::string_view line, Settings& settings, std::vector<KeyLine>& keys) {
    std::vector<std::string> tokens = SplitTokens(line);
    tokens.resize(std::max<std::size_t>(tokens.size(), 3));
    for (std::string& t : tokens) t.resize(CutToCharacters(t, kMaxCharacters).size());
    const std::string& key = tokens[0];
    if (EqualIgnoringCase(key, kAutoSearchKey)) {
        settings.ENV_AUTOSEARCH.push_back({tokens[1], tokens[2]});
        return;
    }
    for (KeyLine& k : keys) {
        if (!k.readable || !EqualIgnoringCase(key, k.Key())) continue;
        if (auto* i = std::get_if<int*>(&k.field)) **i = LeadingInt(tokens[1]);
        if (auto* d = std::get_if<double*>(&k.field)) **d = LeadingDouble(tokens[1]);
        if (auto* s = std::get_if<std::string*>(&k.field)) **s = tokens[1];
        return;
    }
}

// "%f": six decimals, the same in every locale.
std::string FixedSix(double value) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0.000000");
}

// A text value in double quotes. A quote or a line break inside it could not be read back and would
// break the line into other keys, so those characters are left out.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text)
        if (c != '"' && c != '\r' && c != '\n') quoted += c;
    return quoted + "\"";
}

std::string ValueText(const FieldRef& field) {
    if (auto* i = std::get_if<int*>(&field)) return std::to_string(**i);
    if (auto* d = std::get_if<double*>(&field)) return FixedSix(**d);
    return Quoted(*std::get<std::string*>(field));
}

}  // namespace

void ApplySettingsText(std::string_view text, Settings& settings) {
    std::vector<KeyLine> keys = KeyLines(settings);
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        // The rest of an overlong line is dropped, never read as a line of its own.
        ApplyLine(CutToCharacters(line, kMaxCharacters), settings, keys);
    }
}

std::string SettingsFileBytes(const Settings& settings) {
    Settings copy = settings;  // KeyLines hands out writable references
    std::string text;
    for (const KeyLine& k : KeyLines(copy)) text.append(k.start).append(ValueText(k.field)).append("\r\n");
    for (const AutoSearchPair& p : settings.ENV_AUTOSEARCH)
        text.append(kAutoSearchKey).append("   " + Quoted(p.name) + "   " + Quoted(p.folder) + " \r\n");
    return Utf8ToShiftJis(text);
}

bool ReadSettings(const std::string& path, Settings& settings) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ApplySettingsText(DecodeFileText(bytes), settings);
    return true;
}

bool WriteSettings(const std::string& path, const Settings& settings) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
    std::string temporary = path + ".new" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        std::string bytes = SettingsFileBytes(settings);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, target, error);
    if (!error) return true;
    fs::remove(temporary, error);
    return false;
}

void FixOptimizedCores(Settings& settings, int logicalProcessorCount) {
    if (settings.ENV_OPTIMIZED_CORES < 0)
        settings.ENV_OPTIMIZED_CORES = std::max(1, logicalProcessorCount - 1);
}

}  // namespace korvan
