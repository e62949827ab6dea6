#include "sim/ObjGround.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>

#include "base/Host.h"
#include "base/Paths.h"

namespace korvan {

namespace {

// Levels closer than this enter each other's smoothing mean: 10 of 255 image levels.
constexpr int kSmoothingLevels = 10;

__attribute__((format(printf, 1, 2))) void ShowMessageFormat(const char* format, ...) {
    std::va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    std::vector<char> text(static_cast<std::size_t>(std::vsnprintf(nullptr, 0, format, copy)) + 1);
    va_end(copy);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    CurrentHost().ShowMessage(text.data());
}

bool CanOpen(const std::string& path) {
    return static_cast<bool>(std::ifstream(NativePath(path), std::ios::binary));
}

}  // namespace

CObjGround::CObjGround(CScene& scene, std::string name) : CObjBox(scene, "GROUND", std::move(name)) {
    widthX = 20, widthY = 20, widthZ = 1;
    RHO = -1;
    ShadeReceive = 1;
    ShadeThrow = -1;
    opacity = 1;
}

// ---- Image paths ---------------------------------------------------------------------------

// A name that cannot be made full is refused with a message; the ground is then built flat
// (or uncoloured), as for a missing file, and the session goes on.
bool CObjGround::ResolveImagePath(std::string_view name, std::string_view sceneFolder,
                                  std::string& out) const {
    if (IsAbsolutePath(name) || !sceneFolder.empty()) {
        out = ResolvePath(sceneFolder, name);
        return true;
    }
    out.clear();
    ShowMessageFormat("%s は\n\nフルパスである必要があります", std::string(name).c_str());
    return false;
}

void CObjGround::SetHeightBmp(std::string_view name, std::string_view sceneFolder) {
    ResolveImagePath(name, sceneFolder, heightImagePath);
}

void CObjGround::SetColorBmp(std::string_view name, std::string_view sceneFolder) {
    ResolveImagePath(name, sceneFolder, colorImagePath);
    ReleaseColorImage();
    DecodeColorImage();
}

void CObjGround::ReleaseColorImage() {
    colorImage = ImageBuffer{};
    ++colorImageRevision;
}

// A missing file is reported when the model is built; an unusable one at once.
void CObjGround::DecodeColorImage() {
    if (colorImagePath.empty() || !CanOpen(colorImagePath)) return;
    ImageResult result = LoadImage(NativePath(colorImagePath), ImageAlpha::Drop);
    if (result.Ok()) {
        colorImage = std::move(result.image);
        ++colorImageRevision;
    } else if (result.status != ImageStatus::UnsupportedFormat) {
        ShowMessageFormat("%s が認識できません", colorImagePath.c_str());
    }
}

void CObjGround::DropMissingImages() {
    if (!heightImagePath.empty() && !CanOpen(heightImagePath)) {
        ShowMessageFormat("%s が見つかりません", heightImagePath.c_str());
        heightImagePath.clear();
    }
    if (!colorImagePath.empty() && !CanOpen(colorImagePath)) {
        ShowMessageFormat("%s が見つかりません", colorImagePath.c_str());
        colorImagePath.clear();
        ReleaseColorImage();
    }
}

// ---- Height field --------------------------------------------------------------------------

void CObjGround::MakeModel() {
    ClearShape();
    DropMissingImages();
    gridColumns = gridRows = 0;
    if (heightImagePath.empty())
        BuildFlatField();
    else
        ReadHeightField();
    cellX = widthX / gridColumns, cellY = widthY / gridRows;
    gridOffsetX = widthX / 2, gridOffsetY = widthY / 2;
    BuildVertices();
    BuildFaces();

    if (RHO >= 0) {
        mass = widthX * widthY * widthZ * RHO;
        inertiaX = (widthY * widthY + widthZ * widthZ) * mass / 12;
        inertiaY = (widthX * widthX + widthZ * widthZ) * mass / 12;
        inertiaZ = (widthX * widthX + widthY * widthY) * mass / 12;
    }
    sizeRef = std::min({widthX, widthY, widthZ});
    sizeMax = std::max({widthX, widthY, widthZ});
    // A crash point may sink at most one cell into the ground before its contact is rejected.
    sizeMin = std::min(cellX, cellY);
    FinishShape();
    BuildDrawingData();
}

void CObjGround::BuildFlatField() {
    gridColumns = gridRows = 1;
    cellHeights.assign(1, 0.0);
}

// An image that cannot be decoded is reported and the ground is built flat.
void CObjGround::ReadHeightField() {
    ImageResult result = ReadImageFile(NativePath(heightImagePath), ImageAlpha::Drop);
    if (!result.Ok()) {
        ShowMessageFormat("%s が認識できません", heightImagePath.c_str());
        heightImagePath.clear();
        BuildFlatField();
        return;
    }
    const ImageBuffer& image = result.image;
    gridColumns = image.width, gridRows = image.height;
    std::vector<int> levels(static_cast<std::size_t>(gridColumns) * gridRows);
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) {
            // level = (b0 + 4 b1 + 2 b2) / 7, 0..255
            const std::uint8_t* b = image.Pixel(i, j);
            levels[static_cast<std::size_t>(i + j * gridColumns)] = (b[0] + 4 * b[1] + 2 * b[2]) / 7;
        }
    SmoothHeights(levels);
}

// Each cell is the mean height of the pixels of its 3 x 3 neighbourhood whose level is within
// the smoothing threshold of its own, so steps of the relief stay sharp. Levels are compared
// rather than heights: the threshold then holds exactly whatever widthZ is.
void CObjGround::SmoothHeights(const std::vector<int>& levels) {
    // height = level * widthZ / 255 - widthZ / 2
    auto height = [this](int level) { return level * widthZ / 255 - widthZ / 2; };
    cellHeights.assign(levels.size(), 0.0);
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) {
            const int own = levels[static_cast<std::size_t>(i + j * gridColumns)];
            double sum = 0;
            int count = 0;
            for (int nj = std::max(j - 1, 0); nj <= std::min(j + 1, gridRows - 1); ++nj)
                for (int ni = std::max(i - 1, 0); ni <= std::min(i + 1, gridColumns - 1); ++ni) {
                    const int level = levels[static_cast<std::size_t>(ni + nj * gridColumns)];
                    if (std::abs(level - own) >= kSmoothingLevels) continue;
                    sum += height(level);
                    ++count;
                }
            cellHeights[static_cast<std::size_t>(i + j * gridColumns)] = sum / count;
        }
}

// Corners first, each at the mean height of the (up to four) cells touching it; then the cell
// centres, each at the mean of its four corners.
void CObjGround::BuildVertices() {
    for (int j = 0; j <= gridRows; ++j)
        for (int i = 0; i <= gridColumns; ++i) {
            double sum = 0;
            int count = 0;
            for (int cj = std::max(j - 1, 0); cj <= std::min(j, gridRows - 1); ++cj)
                for (int ci = std::max(i - 1, 0); ci <= std::min(i, gridColumns - 1); ++ci) {
                    sum += cellHeights[static_cast<std::size_t>(ci + cj * gridColumns)];
                    ++count;
                }
            AddVertex({i * cellX - gridOffsetX, j * cellY - gridOffsetY, sum / count});
        }
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) {
            const double z = (vertexZ[CornerIndex(i, j)] + vertexZ[CornerIndex(i + 1, j)] +
                              vertexZ[CornerIndex(i + 1, j + 1)] + vertexZ[CornerIndex(i, j + 1)]) /
                             4;
            AddVertex({(i + 0.5) * cellX - gridOffsetX, (j + 0.5) * cellY - gridOffsetY, z});
        }
}

// Four triangles per cell, counter-clockwise seen from above, so every normal points up.
void CObjGround::BuildFaces() {
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) {
            const int m = CentreIndex(i, j);
            AddFace(CornerIndex(i, j), CornerIndex(i + 1, j), m);
            AddFace(CornerIndex(i + 1, j), CornerIndex(i + 1, j + 1), m);
            AddFace(CornerIndex(i + 1, j + 1), CornerIndex(i, j + 1), m);
            AddFace(CornerIndex(i, j + 1), CornerIndex(i, j), m);
        }
}

// Vertex normals as the mean of the touching faces' normals; texture coordinates spread the
// colour image over the bounds in x and y.
void CObjGround::BuildDrawingData() {
    const std::size_t n = vertexX.size();
    vertexNormals.assign(n, Vec3{});
    for (std::size_t f = 0; f < faces.size(); ++f)
        for (int k = 0; k < faces[f].Count(); ++k)
            vertexNormals[static_cast<std::size_t>(faces[f].v[k])] += FaceNormal(static_cast<int>(f));
    for (Vec3& normal : vertexNormals) normal = Normalized(normal);
    const double spanX = bounds[1] - bounds[0], spanY = bounds[3] - bounds[2];
    textureU.resize(n), textureV.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        textureU[i] = spanX > 0 ? (vertexX[i] - bounds[0]) / spanX : 0;
        textureV[i] = spanY > 0 ? (vertexY[i] - bounds[2]) / spanY : 0;
    }
}

// ---- Faces ---------------------------------------------------------------------------------

// The cell under the point, and in it the triangle whose wedge holds the point; no test on
// height (the contact search judges depth). Points beyond the grid touch nothing.
int CObjGround::FindFace(int, const Vec3& worldPoint, double) const {
    const Vec3 p = TransformPoint(state[0].worldToLocal, worldPoint);
    const double u = p.x + gridOffsetX, v = p.y + gridOffsetY;
    if (!(u >= 0) || !(v >= 0) || u / cellX >= gridColumns || v / cellY >= gridRows) return -1;
    const int c = static_cast<int>(u / cellX), r = static_cast<int>(v / cellY);
    const double a = (u - c * cellX) / cellX, b = (v - r * cellY) / cellY;  // both in [0, 1)
    int t;
    if (a + b >= 1)
        t = a < b ? 2 : 1;
    else
        t = a < b ? 3 : 0;
    return 4 * (c + r * gridColumns) + t;
}

}  // namespace korvan
