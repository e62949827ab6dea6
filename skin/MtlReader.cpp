// MTL material libraries: one statement per line, applying to the last "newmtl".
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextEncoding.h"
#include "skin/ModelReaders.h"
#include "skin/ModelText.h"

namespace korvan {

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Blanks separate, double quotes group (and are dropped).
std::vector<std::string_view> MtlTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i == line.size()) break;
        if (line[i] == '"') {
            std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) close = line.size();
            tokens.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            tokens.push_back(line.substr(start, i - start));
        }
    }
    return tokens;
}

// Texture statements may carry options before the file name ("-o 0.1 0.2 diffuse.jpg"); the
// name is what follows them, blanks included.
std::string TextureName(const std::vector<std::string_view>& tokens) {
    struct Option {
        const char* name;
        int values;  // how many values follow; -3: up to three numbers
    };
    static constexpr Option kOptions[] = {
        {"-blendu", 1}, {"-blendv", 1}, {"-boost", 1}, {"-mm", 2},      {"-o", -3},   {"-s", -3}, {"-t", -3},
        {"-texres", 1}, {"-clamp", 1},  {"-bm", 1},    {"-imfchan", 1}, {"-type", 1}, {"-cc", 1}};
    std::size_t i = 1;
    auto isNumber = [](std::string_view t) {
        double v = 0;
        return ParseDouble(t, v);
    };
    auto optionAt = [&](std::size_t at) -> const Option* {
        for (const Option& o : kOptions)
            if (SameWord(tokens[at], o.name)) return &o;
        return nullptr;
    };
    while (i < tokens.size()) {
        const Option* option = optionAt(i);
        if (!option) break;
        ++i;
        if (option->values > 0) {
            i += static_cast<std::size_t>(option->values);
        } else {
            for (int k = 0; k < -option->values && i < tokens.size() && isNumber(tokens[i]); ++k) ++i;
        }
    }
    std::string name;
    for (; i < tokens.size() && !optionAt(i); ++i) {
        if (!name.empty()) name += ' ';
        name += tokens[i];
    }
    return name;
}

void ReadThree(const std::vector<std::string_view>& tokens, Vec3& v) {
    for (int k = 0; k < 3; ++k) {
        double value = 0;
        if (static_cast<std::size_t>(k + 1) < tokens.size())
            ParseDouble(tokens[static_cast<std::size_t>(k) + 1], value);
        v[k] = value;
    }
}

double ReadOne(const std::vector<std::string_view>& tokens) {
    double value = 0;
    if (tokens.size() > 1) ParseDouble(tokens[1], value);
    return value;
}

}  // namespace

bool ReadMtl(CMQOfile& model, const std::string& path) {
    std::string text, reason;
    if (!ReadWholeFile(path, text, reason)) return false;
    const bool utf8 = IsValidUtf8(text);
    auto reference = [&](const std::vector<std::string_view>& tokens) {
        std::string name = NameText(TextureName(tokens), utf8);
        if (name.empty()) return name;
        // Relative names are the model's folder's; a name found nowhere is kept as written so the
        // drawing can search for it when it loads the picture.
        std::string joined = InModelFolder(model.folder, name);
        std::string found = ResolveReference(joined);
        return found.empty() ? joined : found;
    };
    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t stop = rest.find('\n');
        std::string_view line = rest.substr(0, stop);
        rest.remove_prefix(stop == std::string_view::npos ? rest.size() : stop + 1);
        auto tokens = MtlTokens(line);
        if (tokens.empty()) continue;
        std::string_view key = tokens[0];
        if (SameWord(key, "newmtl")) {
            _MTL m;
            m.index = static_cast<int>(model.materials.size());
            m.name = tokens.size() > 1 ? NameText(tokens[1].substr(0, 999), utf8) : std::string();
            model.materials.push_back(std::move(m));
            continue;
        }
        if (model.materials.empty()) continue;
        _MTL& m = model.materials.back();
        if (SameWord(key, "Kd")) {
            ReadThree(tokens, m.Kd);
        } else if (SameWord(key, "Ka")) {
            ReadThree(tokens, m.Ka);
        } else if (SameWord(key, "Ks")) {
            ReadThree(tokens, m.Ks);
        } else if (SameWord(key, "Ns")) {
            m.Ns = ReadOne(tokens);
            if (std::fabs(m.Ns) < 1e-10) m.Ns = 64;
        } else if (SameWord(key, "d")) {
            m.d = ReadOne(tokens);
        } else if (SameWord(key, "Ni")) {
            m.Ni = ReadOne(tokens);
        } else if (SameWord(key, "illum")) {
            long long illum = 0;
            if (tokens.size() > 1) ParseInt(tokens[1], illum);
            m.illum = static_cast<int>(std::clamp<long long>(illum, INT32_MIN, INT32_MAX));
        } else if (SameWord(key, "map_Kd")) {
            m.colorTexture = reference(tokens);
        } else if (SameWord(key, "map_d")) {
            m.alphaTexture = reference(tokens);
        } else if (SameWord(key, "map_Bump")) {
            if (model.heightMapsEnabled) m.heightMap = reference(tokens);
        }
    }
    return true;
}

}  // namespace korvan
