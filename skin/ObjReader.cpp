// Wavefront OBJ geometry: two passes over the text held in memory, the first counting and reading
// the material libraries, the second storing. Corner indexes may be relative (negative, counted
// back from the last vertex read); any index outside what the file holds fails the load.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/Host.h"
#include "base/TextEncoding.h"
#include "skin/ModelReaders.h"
#include "skin/ModelText.h"

namespace korvan {

namespace {

// Coordinates beyond this are garbage, and keeping them out keeps every product the
// post-processing forms finite.
constexpr double kMaxCoordinate = 1e30;
// Counts beyond this cannot be indexed with int.
constexpr std::size_t kMaxCount = INT_MAX / 2;

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) < 0x21) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) < 0x21) s.remove_suffix(1);
    return s;
}

// Lines end at line feeds, unless the file uses bare carriage returns (a second carriage return
// before any line feed, or carriage returns and no line feed at all).
char LineEnd(std::string_view text) {
    int returns = 0;
    for (char c : text) {
        if (c == '\n') return '\n';
        if (c == '\r' && ++returns == 2) return '\r';
    }
    return returns > 0 ? '\r' : '\n';
}

// Tokens are runs of bytes from "!" up; every byte below separates.
void SplitLine(std::string_view line, std::vector<std::string_view>& tokens) {
    tokens.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && static_cast<unsigned char>(line[i]) < 0x21) ++i;
        std::size_t start = i;
        while (i < line.size() && static_cast<unsigned char>(line[i]) >= 0x21) ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
}

// Library names after "mtllib": the whole rest when such a file exists (a name with blanks),
// else the blank-separated names, where "\ " is a blank inside a name.
std::vector<std::string> LibraryNames(std::string_view rest, const std::string& folder) {
    std::string whole(rest);
    if (!ResolveReference(InModelFolder(folder, whole)).empty()) return {whole};
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '\\' && i + 1 < rest.size() && rest[i + 1] == ' ') {
            name += ' ', ++i;
        } else if (c == ' ' || c == '\t') {
            if (!name.empty()) names.push_back(name), name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

class ObjReader {
  public:
    ObjReader(CMQOfile& model, const std::string& path)
        : model_(model), path_(path), progress_(kReadingTitle, path) {}

    bool Read();

  private:
    bool Pass(int pass);
    bool CountLine(const std::vector<std::string_view>& tokens, std::string_view line, long long number);
    bool StoreLine(const std::vector<std::string_view>& tokens, std::string_view line, long long number);
    bool StoreFace(const std::vector<std::string_view>& tokens, long long number);
    bool StoreCorner(std::string_view token, ModelCorner& corner, long long number);
    bool Index(std::string_view field, std::size_t readSoFar, std::size_t total, const char* what,
               long long number, int& index);
    void ReadLibraries(std::string_view rest, long long number);
    void ReadDefaultLibrary();
    int CurrentGroup();
    bool Fail(const std::string& text, long long number);

    CMQOfile& model_;
    std::string path_;
    std::string text_;
    bool utf8_ = true;
    ProgressPost progress_;
    std::size_t vertexCount_ = 0, normalCount_ = 0, texcoordCount_ = 0, faceCount_ = 0, cornerCount_ = 0;
    std::size_t vi_ = 0, ni_ = 0, ti_ = 0, fi_ = 0, ci_ = 0;
    bool defaultLibraryTried_ = false;
    std::string groupName_;
    int material_ = -1;
    int group_ = -1;
    bool newGroupNeeded_ = false;
};

bool ObjReader::Fail(const std::string& text, long long number) {
    CurrentHost().ShowMessage(AtLine(text, path_, number));
    return false;
}

bool ObjReader::Read() {
    progress_.Show(0);
    std::string reason;
    if (!ReadWholeFile(path_, text_, reason)) {
        CurrentHost().ShowMessage(reason);
        return false;
    }
    // Text has no zero bytes; a file with them is something else given the wrong name.
    if (std::string_view(text_).find('\0') != std::string_view::npos) {
        CurrentHost().ShowMessage(path_ + " はテキストファイルではありません");
        return false;
    }
    utf8_ = IsValidUtf8(text_);
    if (!Pass(0)) return false;
    if (vertexCount_ > kMaxCount || normalCount_ > kMaxCount || texcoordCount_ > kMaxCount ||
        faceCount_ > kMaxCount || cornerCount_ > kMaxCount) {
        CurrentHost().ShowMessage(path_ + " は大きすぎます");
        return false;
    }
    model_.vertices.assign(vertexCount_, Vec3{});
    model_.normals.assign(normalCount_, Float3{});
    model_.texcoords.assign(texcoordCount_ * 2, 0.0f);
    model_.faces.assign(faceCount_, ModelFace{});
    model_.corners.assign(cornerCount_, ModelCorner{});
    if (!Pass(1)) return false;
    if (model_.faces.empty()) {
        CurrentHost().ShowMessage(path_ + " には面データがありません");
        return false;
    }
    return true;
}

bool ObjReader::Pass(int pass) {
    const char end = LineEnd(text_);
    const std::string_view text(text_);
    std::vector<std::string_view> tokens;
    long long number = 0;
    std::size_t nextReport = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t stop = text.find(end, at);
        if (stop == std::string_view::npos) stop = text.size();
        std::string_view line = text.substr(at, stop - at);
        at = stop + 1;
        ++number;
        if (at >= nextReport) {
            nextReport = at + 65536;
            double share = static_cast<double>(std::min(at, text.size())) / static_cast<double>(text.size());
            progress_.Show(pass == 0 ? static_cast<int>(30 * share) : 30 + static_cast<int>(70 * share));
        }
        SplitLine(line, tokens);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        if (!(pass == 0 ? CountLine(tokens, line, number) : StoreLine(tokens, line, number))) return false;
    }
    return true;
}

bool ObjReader::CountLine(const std::vector<std::string_view>& tokens, std::string_view line,
                          long long number) {
    std::string_view key = tokens[0];
    if (SameWord(key, "v")) {
        ++vertexCount_;
    } else if (SameWord(key, "vn")) {
        ++normalCount_;
    } else if (SameWord(key, "vt")) {
        ++texcoordCount_;
    } else if (SameWord(key, "f")) {
        ++faceCount_;
        cornerCount_ += tokens.size() - 1;
    } else if (SameWord(key, "mtllib")) {
        std::size_t after = static_cast<std::size_t>(key.data() + key.size() - line.data());
        ReadLibraries(Trimmed(line.substr(after)), number);
    } else if (SameWord(key, "usemtl")) {
        ReadDefaultLibrary();
    }
    return true;
}

void ObjReader::ReadLibraries(std::string_view rest, long long number) {
    for (const std::string& name : LibraryNames(rest, model_.folder)) {
        std::string library = InModelFolder(model_.folder, NameText(name, utf8_));
        std::string found = ResolveReference(library);
        if (found.empty() || !ReadMtl(model_, found))
            CurrentHost().ShowMessage(AtLine("Not Found " + library, path_, number));
    }
    progress_.SetText(path_);
}

// An OBJ that uses materials without naming a library reads the library of its own name.
void ObjReader::ReadDefaultLibrary() {
    if (!model_.materials.empty() || defaultLibraryTried_) return;
    defaultLibraryTried_ = true;
    std::size_t dot = path_.find_last_of('.');
    std::string library = (dot == std::string::npos ? path_ : path_.substr(0, dot)) + ".mtl";
    std::string found = ResolveReference(library);
    if (found.empty() || !ReadMtl(model_, found)) CurrentHost().ShowMessage("Not Found " + library);
    progress_.SetText(path_);
}

// The last group with the current name and material, or -1.
int FindGroup(const CMQOfile& model, const std::string& name, int material) {
    for (std::size_t i = model.groups.size(); i-- > 0;)
        if (model.groups[i].material == material && model.groups[i].name == name) return static_cast<int>(i);
    return -1;
}

int ObjReader::CurrentGroup() {
    if (newGroupNeeded_ || group_ < 0) {
        model_.groups.push_back(_GROUP{groupName_, material_, 0});
        group_ = static_cast<int>(model_.groups.size()) - 1;
        newGroupNeeded_ = false;
    }
    return group_;
}

bool ObjReader::StoreLine(const std::vector<std::string_view>& tokens, std::string_view line,
                          long long number) {
    std::string_view key = tokens[0];
    bool numbers = true;
    auto number3 = [&](std::size_t i) {
        double value = 0;
        if (i < tokens.size()) numbers = ParseDouble(tokens[i], value) && numbers;
        return value;
    };
    if (SameWord(key, "v")) {
        Vec3 p{number3(1), number3(2), number3(3)};
        for (int axis = 0; axis < 3; ++axis)
            if (!numbers || !(std::fabs(p[axis]) <= kMaxCoordinate)) return Fail("頂点の座標が不正です", number);
        model_.vertices[vi_++] = p;
    } else if (SameWord(key, "vn")) {
        model_.normals[ni_++] = Float3{static_cast<float>(number3(1)), static_cast<float>(number3(2)),
                                       static_cast<float>(number3(3))};
    } else if (SameWord(key, "vt")) {
        model_.texcoords[2 * ti_] = static_cast<float>(number3(1));
        model_.texcoords[2 * ti_ + 1] = static_cast<float>(number3(2));
        ++ti_;
    } else if (SameWord(key, "f")) {
        return StoreFace(tokens, number);
    } else if (SameWord(key, "g")) {
        std::size_t after = static_cast<std::size_t>(key.data() + key.size() - line.data());
        groupName_ = NameText(Trimmed(line.substr(after)).substr(0, 999), utf8_);
        group_ = FindGroup(model_, groupName_, material_);
        newGroupNeeded_ = group_ < 0;
    } else if (SameWord(key, "usemtl")) {
        std::string name = tokens.size() > 1 ? NameText(tokens[1], utf8_) : std::string();
        material_ = -1;
        for (std::size_t i = model_.materials.size(); i-- > 0;)
            if (model_.materials[i].name == name) {
                material_ = static_cast<int>(i);
                break;
            }
        group_ = FindGroup(model_, groupName_, material_);
        newGroupNeeded_ = false;
        if (group_ < 0) {
            model_.groups.push_back(_GROUP{groupName_, material_, 0});
            group_ = static_cast<int>(model_.groups.size()) - 1;
        }
    }
    return true;
}

bool ObjReader::StoreFace(const std::vector<std::string_view>& tokens, long long number) {
    ModelFace& face = model_.faces[fi_++];
    face.group = CurrentGroup();
    face.cornerCount = static_cast<int>(tokens.size() - 1);
    face.firstCorner = static_cast<int>(ci_);
    for (std::size_t i = 1; i < tokens.size(); ++i)
        if (!StoreCorner(tokens[i], model_.corners[ci_++], number)) return false;
    return true;
}

// "v", "v/t", "v//n" or "v/t/n"; an empty field is absent.
bool ObjReader::StoreCorner(std::string_view token, ModelCorner& corner, long long number) {
    std::string_view fields[3];
    for (int k = 0; k < 3; ++k) {
        std::size_t slash = token.find('/');
        fields[k] = token.substr(0, slash);
        if (slash == std::string_view::npos) break;
        token.remove_prefix(slash + 1);
    }
    if (fields[0].empty()) return Fail("面データの頂点番号がありません", number);
    int v = 0;
    if (!Index(fields[0], vi_, vertexCount_, "頂点", number, v)) return false;
    corner.vertex = v;
    if (!fields[1].empty()) {
        int t = 0;
        if (!Index(fields[1], ti_, texcoordCount_, "テクスチャ座標", number, t)) return false;
        corner.u = model_.texcoords[2 * static_cast<std::size_t>(t)];
        corner.v = model_.texcoords[2 * static_cast<std::size_t>(t) + 1];
    }
    // Normals are not drawn: a file that has none but names them anyway (several exporters
    // do) reads as one without normals. A file that has normals must name them correctly.
    if (!fields[2].empty() && normalCount_ > 0) {
        int n = 0;
        if (!Index(fields[2], ni_, normalCount_, "法線", number, n)) return false;
        corner.normal = model_.normals[static_cast<std::size_t>(n)];
    }
    return true;
}

// A 1-based index, or a negative one counted back from the last element read so far.
bool ObjReader::Index(std::string_view field, std::size_t readSoFar, std::size_t total, const char* what,
                      long long number, int& index) {
    long long value = 0;
    if (!ParseInt(field, value) || value == 0)
        return Fail(std::string("面データの") + what + "番号が0以下です。\n( 1 から始まるはず )", number);
    long long zeroBased = value > 0 ? value - 1 : static_cast<long long>(readSoFar) + value;
    if (zeroBased < 0)
        return Fail(std::string("面データの") + what + "番号 " + std::string(field) + " は最初の" + what +
                        "より前を指しています",
                    number);
    if (zeroBased >= static_cast<long long>(total))
        return Fail(std::string("面データの") + what + "番号 " + std::string(field) + " は" + what + "の数 " +
                        std::to_string(total) + " を超えています",
                    number);
    index = static_cast<int>(zeroBased);
    return true;
}

}  // namespace

bool ReadObj(CMQOfile& model, const std::string& path) {
    ObjReader reader(model, path);
    if (!reader.Read()) return false;
    GiveMaterialToBareGroups(model);
    return true;
}

}  // namespace korvan
