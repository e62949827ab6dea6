#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/Host.h"
#include "base/Paths.h"
#include "base/TextEncoding.h"
#include "skin/ModelReaders.h"
#include "skin/ModelText.h"

namespace korvan {

namespace {

std::string LowerExtension(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail;
}

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(NativePath(path), error);
}

}  // namespace

std::string ResolveReference(const std::string& path) {
    if (path.empty()) return {};
    if (IsFile(path)) return path;
    std::string ansi = Utf8ToShiftJis(path);
    if (ansi != path && IsFile(ansi)) return ansi;
    return {};
}

void GiveMaterialToBareGroups(CMQOfile& model) {
    bool any =
        std::any_of(model.groups.begin(), model.groups.end(), [](const _GROUP& g) { return g.material < 0; });
    if (!any) return;
    _MTL none;
    none.name = kNoMaterialName;
    none.index = static_cast<int>(model.materials.size());
    model.materials.push_back(none);
    for (_GROUP& g : model.groups)
        if (g.material < 0) g.material = none.index;
}

bool LoadModel(CMQOfile& model, const std::string& path) {
    const bool heightMaps = model.heightMapsEnabled;
    model.Clear();
    model.heightMapsEnabled = heightMaps;
    model.path = path;
    model.folder = ModelFolder(path);
    std::string extension = LowerExtension(path);
    bool ok = false;
    if (extension == ".obj") {
        model.format = ModelFormat::Obj;
        ok = ReadObj(model, path);
    } else if (extension == ".mqo") {
        model.format = ModelFormat::Mqo;
        ok = ReadMqo(model, path);
    } else {
        CurrentHost().ShowMessage(path + " は、対応していないモデル形式です");
    }
    if (!ok) {
        model.Clear();
        model.heightMapsEnabled = heightMaps;
    }
    return ok;
}

}  // namespace korvan
