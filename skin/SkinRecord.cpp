#include "skin/SkinRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/Format.h"
#include "base/Tokens.h"
#include "skin/PostProcess.h"

namespace korvan {

namespace {

// The name a group is listed under: mirror copies carry "Copy<n>" when copies are named apart.
std::string ListedName(const _GROUP& g, bool copyNames) {
    return copyNames && g.mirrorCopy > 0 ? g.name + "Copy" + std::to_string(g.mirrorCopy) : g.name;
}

}  // namespace

Mat4 SkinPlacementMatrix(const SkinPlacement& p) {
    // Rotation about the unit axis (none for a zero axis), scaled; then the pivot moved onto the
    // destination: p -> s R (p - P) + D.
    Mat3 r = Mat3::Identity();
    double length = Length(p.axis);
    if (length > 0) {
        Vec3 u = p.axis * (1 / length);
        double a = p.angle * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a), t = 1 - c;
        r = Mat3{{{t * u.x * u.x + c, t * u.x * u.y - s * u.z, t * u.x * u.z + s * u.y},
                  {t * u.x * u.y + s * u.z, t * u.y * u.y + c, t * u.y * u.z - s * u.x},
                  {t * u.x * u.z - s * u.y, t * u.y * u.z + s * u.x, t * u.z * u.z + c}}};
    }
    Mat4 m = Mat4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = p.scale * r.m[i][j];
    Vec3 t = p.destination - TransformVector(m, p.pivot);
    m.m[0][3] = t.x, m.m[1][3] = t.y, m.m[2][3] = t.z;
    return m;
}

MQOINFO MakeSkin(std::shared_ptr<CMQOfile> model, const std::string& file, long hideListed,
                 const std::string& groupNames, long copyNames, const SkinPlacement& placement) {
    MQOINFO skin;
    skin.file = file;
    skin.flags = (hideListed != 0 ? 1 : 0) + (copyNames != 0 ? 2 : 0);
    skin.pivot = placement.pivot, skin.destination = placement.destination, skin.scale = placement.scale;
    skin.axis = placement.axis, skin.angle = placement.angle;
    skin.placement = SkinPlacementMatrix(placement);
    const std::size_t groups = model->groups.size();
    const bool hide = skin.flags & 1;
    skin.groupVisible.assign(groups, hide ? 1 : 0);
    const std::vector<std::string> names = SplitTokens(groupNames);
    for (std::size_t g = 0; g < groups; ++g) {
        std::string name = ListedName(model->groups[g], skin.flags & 2);
        if (std::find(names.begin(), names.end(), name) != names.end()) skin.groupVisible[g] = hide ? 0 : 1;
    }
    skin.materialVisible.assign(model->materials.size(), 1);
    skin.regionVisible.assign(model->regions.size(), 1);
    skin.materialSelected.assign(model->materials.size(), 0);
    skin.groupSelected.assign(groups, 0);
    skin.regionSelected.assign(model->regions.size(), 0);
    skin.model = std::move(model);
    return skin;
}

std::string AddSkinStatement(const MQOINFO& skin, const std::string& var, const std::string& file) {
    const std::vector<_GROUP>& groups = skin.model->groups;
    const std::size_t n = groups.size();
    const std::size_t k =
        static_cast<std::size_t>(std::count(skin.groupVisible.begin(), skin.groupVisible.end(), 1));
    const int hideListed = k > n / 2 ? 1 : 0;
    std::string list;
    std::vector<std::string> listed;
    for (std::size_t g = 0; g < n; ++g) {
        bool visible = g < skin.groupVisible.size() && skin.groupVisible[g];
        if (visible == (hideListed == 1)) continue;
        // Written with copy names always (the statement passes 1 for them).
        std::string name = ListedName(groups[g], true);
        if (std::find(listed.begin(), listed.end(), name) != listed.end()) continue;
        listed.push_back(name);
        // A name with a blank is quoted inside the script's string.
        list += name.find(' ') != std::string::npos ? "\"+Chr(34)+\"" + name + "\"+Chr(34)+\"" : name;
        if (g + 1 != n) list += ' ';
    }
    std::string numbers;
    AppendFormat(numbers,
                 "\t\t\t%12.6f , %12.6f , %12.6f , _\n\t\t\t%12.6f , %12.6f , %12.6f , _\n\t\t\t%12.6f , _\n"
                 "\t\t\t%12.6f , %12.6f , %12.6f , _\n\t\t\t%12.6f \n",
                 skin.pivot.x, skin.pivot.y, skin.pivot.z, skin.destination.x, skin.destination.y, skin.destination.z,
                 skin.scale, skin.axis.x, skin.axis.y, skin.axis.z, skin.angle);
    return var + ".AddSkin \"" + file + "\" ,_\n\t\t\t" + std::to_string(hideListed) + " , \" " + list +
           " \" , " + "1 , _\n" + numbers;
}

std::shared_ptr<CMQOfile> ModelList::FindOrLoad(const std::string& path) {
    std::erase_if(models_, [](const std::weak_ptr<CMQOfile>& m) { return m.expired(); });
    for (const auto& weak : models_)
        if (auto model = weak.lock(); model && model->path == path) return model;
    auto model = std::make_shared<CMQOfile>();
    if (!LoadAndPrepareModel(*model, path)) return nullptr;
    models_.push_back(model);
    return model;
}

}  // namespace korvan
