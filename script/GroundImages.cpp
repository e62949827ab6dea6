#include "script/GroundImages.h"

#include <string>

#include "base/Host.h"
#include "base/Paths.h"
#include "skin/Image.h"

namespace korvan {

namespace {

// The full path of an image name, or empty after the message when it cannot be made full.
std::string FullImagePath(std::string_view name, std::string_view sceneFolder) {
    if (IsAbsolutePath(name) || !sceneFolder.empty()) return ResolvePath(sceneFolder, name);
    CurrentHost().ShowMessage(std::string(name) + " は\n\nフルパスである必要があります");
    return {};
}

}  // namespace

void SetHeightBmp(CObjGround& ground, std::string_view name, std::string_view sceneFolder) {
    std::string path = FullImagePath(name, sceneFolder);
    if (path.empty()) return ground.SetHeightImage({}, {});
    ImageResult result = ReadImageFile(NativePath(path), ImageAlpha::Drop);
    if (!result.Ok()) {
        CurrentHost().ShowMessage(
            path + (result.status == ImageStatus::CannotOpen ? " が見つかりません" : " が認識できません"));
        return ground.SetHeightImage({}, {});
    }
    HeightGrid grid = CObjGround::HeightGridOf(result.image);
    result = ImageResult{};  // the picture goes before the ground builds its heights
    ground.SetHeightImage(std::move(path), std::move(grid));
}

// A colour image whose format no reader handles keeps its name (LoadImage has said so), as one
// that cannot be decoded does: the scene still names it when saved.
void SetColorBmp(CObjGround& ground, std::string_view name, std::string_view sceneFolder) {
    std::string path = FullImagePath(name, sceneFolder);
    if (path.empty()) return ground.SetColorImage({}, {});
    ImageResult result = LoadImage(NativePath(path), ImageAlpha::Drop);
    if (result.status == ImageStatus::CannotOpen) {
        CurrentHost().ShowMessage(path + " が見つかりません");
        return ground.SetColorImage({}, {});
    }
    if (!result.Ok() && result.status != ImageStatus::UnsupportedFormat)
        CurrentHost().ShowMessage(path + " が認識できません");
    ground.SetColorImage(std::move(path), result.Ok() ? std::move(result.image) : ImageBuffer{});
}

}  // namespace korvan
