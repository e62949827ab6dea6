// MQO text models: chunks in braces, attributes written NAME(values), objects with optional
// mirror copies. Two passes like the OBJ reader (count, then store). The side file "_mod.mqo"
// supplies replacement materials, "_hide.mqo" a list of points whose faces are not drawn.
#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/Host.h"
#include "base/Paths.h"
#include "base/TextEncoding.h"
#include "skin/ModelReaders.h"
#include "skin/ModelText.h"

namespace korvan {

namespace {

constexpr double kMaxCoordinate = 1e30;
constexpr std::size_t kMaxCount = 1u << 30;

// One entry of a line: a plain token, or an attribute NAME(values).
struct Item {
    std::string_view text;
    bool attribute = false;
    std::vector<std::string_view> values;
};

enum class Chunk { None, Material, Object, Other };
enum class Sub { None, Vertex, Face, Other };

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '(' || c == ')' || c == '{' || c == '}';
}

class MqoReader {
  public:
    MqoReader(CMQOfile& model, const std::string& path)
        : model_(model), path_(path), progress_(kReadingTitle, path) {}
    bool Read();

  private:
    bool Pass(int pass);
    bool Header(long long number);
    bool Content(long long number);
    bool VertexLine(long long number);
    bool FaceLine(long long number);
    void MaterialLine();
    int GroupFor(int material, int copy);
    bool Fail(const std::string& text, long long number);
    std::string Name(std::string_view bytes) const { return NameText(bytes.substr(0, 999), utf8_); }

    CMQOfile& model_;
    std::string path_, text_;
    bool utf8_ = true;
    ProgressPost progress_;
    int pass_ = 0;
    std::vector<Item> line_;
    int depth_ = 0;
    Chunk chunk_ = Chunk::None;
    Sub sub_ = Sub::None;
    std::vector<std::string_view> lastTopLine_;  // a chunk whose "{" stands on the next line
    // The object being read.
    std::string objectName_;
    bool mirror_ = false;
    int mirrorAxis_ = 0;
    int copies_ = 0;  // 0 until its first vertex fixes it
    std::size_t base_ = 0, objectVertices_ = 0;
    // Running counts (pass 0) and positions (pass 1).
    std::size_t vertices_ = 0, faces_ = 0, corners_ = 0;
};

bool MqoReader::Fail(const std::string& text, long long number) {
    CurrentHost().ShowMessage(number > 0 ? AtLine(text, path_, number) : text);
    return false;
}

bool MqoReader::Read() {
    progress_.Show(0);
    std::string reason;
    if (!ReadWholeFile(path_, text_, reason)) return Fail(reason, 0);
    if (std::string_view(text_).find('\0') != std::string_view::npos)
        return Fail(path_ + " はテキストファイルではありません", 0);
    utf8_ = IsValidUtf8(text_);
    if (!Pass(0)) return false;
    if (vertices_ > kMaxCount || faces_ > kMaxCount || corners_ > kMaxCount)
        return Fail(path_ + " は大きすぎます", 0);
    model_.vertices.assign(vertices_, Vec3{});
    model_.faces.assign(faces_, ModelFace{});
    model_.corners.assign(corners_, ModelCorner{});
    if (!Pass(1)) return false;
    if (model_.faces.empty()) return Fail(path_ + " には面データがありません", 0);
    return true;
}

bool MqoReader::Pass(int pass) {
    pass_ = pass;
    depth_ = 0, chunk_ = Chunk::None, sub_ = Sub::None;
    vertices_ = faces_ = corners_ = 0;
    line_.clear();
    const std::string_view text(text_);
    long long number = 1;
    bool inParens = false;
    std::size_t nextReport = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i >= nextReport) {
            nextReport = i + 65536;
            double share = static_cast<double>(i) / static_cast<double>(text.size());
            progress_.Show(pass == 0 ? static_cast<int>(30 * share) : 30 + static_cast<int>(70 * share));
        }
        char c = text[i];
        if (c == '"') {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos) return Fail("文字列が閉じていません", number);
            std::string_view token = text.substr(i + 1, close - i - 1);
            number += std::count(token.begin(), token.end(), '\n');
            if (inParens && !line_.empty())
                line_.back().values.push_back(token);
            else
                line_.push_back(Item{token, false, {}});
            i = close + 1;
            continue;
        }
        if (!IsSeparator(c)) {
            std::size_t start = i;
            while (i < text.size() && !IsSeparator(text[i]) && text[i] != '"') ++i;
            std::string_view token = text.substr(start, i - start);
            if (inParens && !line_.empty())
                line_.back().values.push_back(token);
            else
                line_.push_back(Item{token, false, {}});
            continue;
        }
        ++i;
        if (c == '(') {
            // The token before "(" names the attribute; a "(" with none before it is skipped.
            if (!inParens && !line_.empty() && !line_.back().attribute) line_.back().attribute = true;
            inParens = true;
        } else if (c == ')') {
            inParens = false;
        } else if (c == '{') {
            inParens = false;
            if (!Header(number)) return false;
            ++depth_;
        } else if (c == '}') {
            inParens = false;
            if (depth_ == 0) return Fail("対応する { がない } があります", number);
            if (!Content(number)) return false;
            if (--depth_ == 1) sub_ = Sub::None;
            if (depth_ == 0) chunk_ = Chunk::None;
        } else if (c == '\n') {
            if (!inParens && !Content(number)) return false;
            ++number;
        }
    }
    if (!Content(number)) return false;
    if (depth_ != 0) return Fail("ファイルがチャンクの途中で終わっています", number);
    return true;
}

// The line before a "{" names the chunk it opens.
bool MqoReader::Header(long long number) {
    std::vector<std::string_view> words;
    for (const Item& item : line_) words.push_back(item.text);
    line_.clear();
    if (depth_ == 0) {
        if (words.empty()) words = lastTopLine_;
        std::string_view name = words.empty() ? std::string_view() : words[0];
        chunk_ = name == "Material" ? Chunk::Material : name == "Object" ? Chunk::Object : Chunk::Other;
        if (chunk_ == Chunk::Object) {
            objectName_ = words.size() > 1 ? Name(words[1]) : std::string();
            mirror_ = false, mirrorAxis_ = 0, copies_ = 0;
            base_ = vertices_, objectVertices_ = 0;
        }
    } else if (depth_ == 1 && chunk_ == Chunk::Object) {
        std::string_view name = words.empty() ? std::string_view() : words[0];
        if (name == "BVertex") return Fail("BVertexは解釈できません", number);
        sub_ = name == "vertex" ? Sub::Vertex : name == "face" ? Sub::Face : Sub::Other;
    }
    return true;
}

bool MqoReader::Content(long long number) {
    if (line_.empty()) return true;
    bool ok = true;
    if (depth_ == 0) {
        lastTopLine_.clear();
        for (const Item& item : line_) lastTopLine_.push_back(item.text);
    } else if (depth_ == 1 && chunk_ == Chunk::Object) {
        std::string_view key = line_[0].text;
        long long value = 0;
        if (line_.size() > 1) ParseInt(line_[1].text, value);
        if (key == "mirror") mirror_ = value != 0;
        if (key == "mirror_axis") mirrorAxis_ = static_cast<int>(value & 7);
        if (key == "BVertex") ok = Fail("BVertexは解釈できません", number);
    } else if (depth_ == 1 && chunk_ == Chunk::Material) {
        if (pass_ == 1) MaterialLine();
    } else if (depth_ == 2 && chunk_ == Chunk::Object && sub_ == Sub::Vertex) {
        ok = VertexLine(number);
    } else if (depth_ == 2 && chunk_ == Chunk::Object && sub_ == Sub::Face) {
        ok = FaceLine(number);
    }
    line_.clear();
    return ok;
}

// With mirroring, every vertex has 2^(mirrored axes) copies, stored interleaved; copy j negates
// the mirrored axes whose bits are set in j (the first mirrored axis in bit 0).
bool MqoReader::VertexLine(long long number) {
    if (copies_ == 0) copies_ = mirror_ ? 1 << std::popcount(static_cast<unsigned>(mirrorAxis_)) : 1;
    ++objectVertices_;
    if (pass_ == 0) {
        vertices_ += static_cast<std::size_t>(copies_);
        return true;
    }
    Vec3 p;
    for (int axis = 0; axis < 3; ++axis) {
        if (static_cast<std::size_t>(axis) < line_.size())
            ParseDouble(line_[static_cast<std::size_t>(axis)].text, p[axis]);
        if (!(std::fabs(p[axis]) <= kMaxCoordinate)) return Fail("頂点の座標が不正です", number);
    }
    int axes[3], mirrored = 0;
    for (int axis = 0; axis < 3; ++axis)
        if (mirror_ && (mirrorAxis_ & (1 << axis))) axes[mirrored++] = axis;
    for (int j = 0; j < copies_; ++j) {
        Vec3 q = p;
        for (int b = 0; b < mirrored; ++b)
            if (j & (1 << b)) q[axes[b]] = -q[axes[b]];
        model_.vertices[vertices_++] = q;
    }
    return true;
}

bool MqoReader::FaceLine(long long number) {
    if (copies_ == 0) copies_ = mirror_ ? 1 << std::popcount(static_cast<unsigned>(mirrorAxis_)) : 1;
    long long n = 0;
    ParseInt(line_[0].text, n);
    const Item* V = nullptr;
    const Item* UV = nullptr;
    const Item* M = nullptr;
    for (const Item& item : line_) {
        if (!item.attribute) continue;
        if (item.text == "V") V = &item;
        if (item.text == "UV") UV = &item;
        if (item.text == "M") M = &item;
    }
    std::size_t count = V ? V->values.size() : 0;
    if (n < 0 || static_cast<std::size_t>(n) != count)
        return Fail("面の頂点数が V( ) の頂点番号の数と違います", number);
    const std::size_t k = static_cast<std::size_t>(copies_);
    if (pass_ == 0) {
        faces_ += k, corners_ += k * count;
        return true;
    }
    long long material = -1;
    if (M && !M->values.empty() && !ParseInt(M->values[0], material)) material = -1;
    if (material < -1 || material >= static_cast<long long>(model_.materials.size()))
        return Fail("面の材質番号 " + std::to_string(material) + " は材質の数を超えています", number);
    std::vector<std::size_t> local(count);
    for (std::size_t c = 0; c < count; ++c) {
        long long v = -1;
        if (!ParseInt(V->values[c], v) || v < 0 || static_cast<std::size_t>(v) >= objectVertices_)
            return Fail("面の頂点番号 " + std::string(V->values[c]) + " はこのオブジェクトの頂点の範囲外です",
                        number);
        local[c] = static_cast<std::size_t>(v);
    }
    for (std::size_t j = 0; j < k; ++j) {
        ModelFace& face = model_.faces[faces_++];
        face.group = GroupFor(static_cast<int>(material), static_cast<int>(j));
        face.cornerCount = static_cast<int>(count);
        face.firstCorner = static_cast<int>(corners_);
        for (std::size_t c = 0; c < count; ++c) {
            ModelCorner& corner = model_.corners[corners_++];
            corner.vertex = static_cast<int>(base_ + local[c] * k + j);
            if (UV && 2 * c + 1 < UV->values.size()) {
                double u = 0, v = 0;
                ParseDouble(UV->values[2 * c], u);
                ParseDouble(UV->values[2 * c + 1], v);
                corner.u = static_cast<float>(u);
                corner.v = static_cast<float>(-v);
            }
        }
    }
    return true;
}

int MqoReader::GroupFor(int material, int copy) {
    for (std::size_t i = model_.groups.size(); i-- > 0;) {
        const _GROUP& g = model_.groups[i];
        if (g.material == material && g.mirrorCopy == copy && g.name == objectName_)
            return static_cast<int>(i);
    }
    model_.groups.push_back(_GROUP{objectName_, material, copy});
    return static_cast<int>(model_.groups.size()) - 1;
}

// A material starts with every number zero.
void MqoReader::MaterialLine() {
    _MTL m;
    m.index = static_cast<int>(model_.materials.size());
    m.name = Name(line_[0].text);
    m.color = m.Kd = m.Ka = m.Ks = Vec3{};
    m.Ns = 0, m.d = 0, m.Ni = 0, m.illum = 0;
    auto value = [](const Item& item, std::size_t i) {
        double v = 0;
        if (i < item.values.size()) ParseDouble(item.values[i], v);
        return v;
    };
    for (std::size_t i = 1; i < line_.size(); ++i) {
        const Item& item = line_[i];
        if (!item.attribute) continue;
        if (item.text == "col") {
            m.color = Vec3{value(item, 0), value(item, 1), value(item, 2)};
            m.d = value(item, 3);
        } else if (item.text == "dif") {
            m.Kd = Vec3{1, 1, 1} * value(item, 0);
        } else if (item.text == "amb") {
            m.Ka = Vec3{1, 1, 1} * value(item, 0);
        } else if (item.text == "spc") {
            m.Ks = Vec3{1, 1, 1} * value(item, 0);
        } else if (item.text == "power") {
            m.Ns = value(item, 0);
        } else if (item.text == "tex" && !item.values.empty()) {
            std::string joined = InModelFolder(model_.folder, Name(item.values[0]));
            std::string found = ResolveReference(joined);
            m.colorTexture = found.empty() ? joined : found;
        }
    }
    model_.materials.push_back(std::move(m));
}

bool ReadMqoFile(CMQOfile& model, const std::string& path) {
    MqoReader reader(model, path);
    return reader.Read();
}

// "model.mqo" -> "model" + suffix.
std::string SideFile(const std::string& path, const char* suffix) {
    return path.substr(0, path.size() - 4) + suffix;
}

// Lines of exactly three tokens are points; the rest is ignored.
std::vector<Vec3> ReadHidePoints(const std::string& path) {
    std::string text, reason;
    std::vector<Vec3> points;
    if (!ReadWholeFile(path, text, reason)) return points;
    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t stop = rest.find('\n');
        std::string_view line = rest.substr(0, stop);
        rest.remove_prefix(stop == std::string_view::npos ? rest.size() : stop + 1);
        std::vector<std::string_view> tokens;
        std::size_t i = 0;
        while (i < line.size() && tokens.size() < 4) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
            if (i == line.size()) break;
            std::size_t start = i;
            if (line[i] == '"') {
                std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) close = line.size();
                tokens.push_back(line.substr(i + 1, close - i - 1));
                i = close + 1;
                continue;
            }
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
            tokens.push_back(line.substr(start, i - start));
        }
        if (tokens.size() != 3) continue;
        Vec3 p;
        for (int k = 0; k < 3; ++k) ParseDouble(tokens[static_cast<std::size_t>(k)], p[k]);
        points.push_back(p);
    }
    return points;
}

bool Exists(const std::string& path) {
    return !ResolveReference(path).empty();
}

}  // namespace

bool ReadMqo(CMQOfile& model, const std::string& path) {
    std::vector<Vec3> hide;
    std::string hideFile = SideFile(path, "_hide.mqo");
    if (Exists(hideFile)) hide = ReadHidePoints(hideFile);
    std::string modFile = SideFile(path, "_mod.mqo");
    if (Exists(modFile)) {
        if (!ReadMqoFile(model, modFile)) return false;
        std::vector<_MTL> replacements = std::move(model.materials);
        const std::string keepPath = model.path, keepFolder = model.folder;
        const bool heightMaps = model.heightMapsEnabled;
        model.Clear();
        model.path = keepPath, model.folder = keepFolder, model.heightMapsEnabled = heightMaps;
        model.format = ModelFormat::Mqo;
        if (!ReadMqoFile(model, path)) return false;
        for (std::size_t i = 0; i < model.materials.size() && i < replacements.size(); ++i) {
            replacements[i].index = static_cast<int>(i);
            model.materials[i] = std::move(replacements[i]);
        }
    } else if (!ReadMqoFile(model, path)) {
        return false;
    }
    model.hidePoints = std::move(hide);
    GiveMaterialToBareGroups(model);
    return true;
}

}  // namespace korvan
