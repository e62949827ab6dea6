#include "sim/ObjGround.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <limits>

#include <unistd.h>

#include "base/Diagnostics.h"
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

// ---- Images ----------------------------------------------------------------------------------

void CObjGround::SetHeightImage(std::string path, HeightGrid grid) {
    heightImagePath = std::move(path);
    heightGrid = heightImagePath.empty() ? HeightGrid{} : std::move(grid);
}

void CObjGround::SetColorImage(std::string path, ImageBuffer image) {
    colorImagePath = std::move(path);
    colorImage = colorImagePath.empty() ? ImageBuffer{} : std::move(image);
    ++colorImageRevision;
}

HeightGrid CObjGround::HeightGridOf(const ImageBuffer& image) {
    HeightGrid grid{image.width, image.height, {}};
    grid.levels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    std::size_t at = 0;
    for (int j = 0; j < image.height; ++j)
        for (int i = 0; i < image.width; ++i) {
            // level = (b0 + 4 b1 + 2 b2) / 7, 0..255
            const std::uint8_t* b = image.Pixel(i, j);
            grid.levels[at++] = static_cast<std::uint8_t>((b[0] + 4 * b[1] + 2 * b[2]) / 7);
        }
    return grid;
}

// An image file that has gone since it was read is reported when the model is built, and the
// ground is built flat (or uncoloured).
void CObjGround::DropMissingImages() {
    if (!heightImagePath.empty() && !CanOpen(heightImagePath)) {
        ShowMessageFormat("%s が見つかりません", heightImagePath.c_str());
        SetHeightImage({}, {});
    }
    if (!colorImagePath.empty() && !CanOpen(colorImagePath)) {
        ShowMessageFormat("%s が見つかりません", colorImagePath.c_str());
        SetColorImage({}, {});
    }
}

// ---- Height field --------------------------------------------------------------------------

std::size_t CObjGround::HeightFieldBytes(std::size_t columns, std::size_t rows) {
    // levels (1 byte per pixel, kept for the next build), cell heights, corner heights
    return columns * rows * (1 + sizeof(double)) + (columns + 1) * (rows + 1) * sizeof(double);
}

bool CObjGround::HeightFieldFits(std::size_t columns, std::size_t rows, std::size_t memoryBytes) {
    const std::size_t maxCells = static_cast<std::size_t>(std::numeric_limits<int>::max()) / 4;
    if (columns == 0 || rows == 0 || columns > maxCells || rows > maxCells / columns) return false;
    return HeightFieldBytes(columns, rows) <= memoryBytes;
}

void CObjGround::MakeModel() {
    ClearShape();
    DropMissingImages();
    gridColumns = gridRows = 0;
    if (heightGrid.Empty())
        BuildFlatField();
    else
        UseHeightGrid();
    cellX = widthX / gridColumns, cellY = widthY / gridRows;
    gridOffsetX = widthX / 2, gridOffsetY = widthY / 2;
    BuildCornerHeights();
    FindBounds();
    FindSteepestSlope();

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
}

void CObjGround::BuildFlatField() {
    gridColumns = gridRows = 1;
    cellHeights.assign(1, 0.0);
}

namespace {

// Half the machine's memory: a height field larger than that would take the machine down
// before it could be used.
std::size_t MemoryForHeightField() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(pages) / 2 * static_cast<std::size_t>(pageSize);
}

}  // namespace

// A grid whose field cannot be held is reported and the ground is built flat.
void CObjGround::UseHeightGrid() {
    const auto columns = static_cast<std::size_t>(heightGrid.columns),
               rows = static_cast<std::size_t>(heightGrid.rows);
    if (!HeightFieldFits(columns, rows, MemoryForHeightField())) {
        ShowMessageFormat("%s は %d × %d 画素で、地面の高さ画像には大きすぎます", heightImagePath.c_str(),
                          heightGrid.columns, heightGrid.rows);
        SetHeightImage({}, {});
        BuildFlatField();
        return;
    }
    gridColumns = heightGrid.columns, gridRows = heightGrid.rows;
    SmoothHeights(heightGrid.levels);
}

// Each cell is the mean height of the pixels of its 3 x 3 neighbourhood whose level is within
// the smoothing threshold of its own, so steps of the relief stay sharp. Levels are compared
// rather than heights: the threshold then holds exactly whatever widthZ is.
void CObjGround::SmoothHeights(const std::vector<std::uint8_t>& levels) {
    // height = level * widthZ / 255 - widthZ / 2
    auto height = [this](int level) { return level * widthZ / 255 - widthZ / 2; };
    const auto columns = static_cast<std::size_t>(gridColumns);
    auto levelAt = [&](int i, int j) {
        return static_cast<int>(levels[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * columns]);
    };
    cellHeights.assign(levels.size(), 0.0);
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) {
            const int own = levelAt(i, j);
            double sum = 0;
            int count = 0;
            for (int nj = std::max(j - 1, 0); nj <= std::min(j + 1, gridRows - 1); ++nj)
                for (int ni = std::max(i - 1, 0); ni <= std::min(i + 1, gridColumns - 1); ++ni) {
                    const int level = levelAt(ni, nj);
                    if (std::abs(level - own) >= kSmoothingLevels) continue;
                    sum += height(level);
                    ++count;
                }
            cellHeights[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * columns] = sum / count;
        }
}

// Each corner at the mean height of the (up to four) cells touching it.
void CObjGround::BuildCornerHeights() {
    const auto columns = static_cast<std::size_t>(gridColumns);
    cornerHeights.assign((columns + 1) * static_cast<std::size_t>(gridRows + 1), 0.0);
    for (int j = 0; j <= gridRows; ++j)
        for (int i = 0; i <= gridColumns; ++i) {
            double sum = 0;
            int count = 0;
            for (int cj = std::max(j - 1, 0); cj <= std::min(j, gridRows - 1); ++cj)
                for (int ci = std::max(i - 1, 0); ci <= std::min(i, gridColumns - 1); ++ci) {
                    sum += cellHeights[static_cast<std::size_t>(ci) + static_cast<std::size_t>(cj) * columns];
                    ++count;
                }
            cornerHeights[static_cast<std::size_t>(CornerIndex(i, j))] = sum / count;
        }
}

// Over every corner and centre, as over the vertices of a stored mesh.
void CObjGround::FindBounds() {
    auto include = [this](const Vec3& p) {
        const double v[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
            bounds[2 * a] = std::min(bounds[2 * a], v[a]);
            bounds[2 * a + 1] = std::max(bounds[2 * a + 1], v[a]);
        }
    };
    for (int j = 0; j <= gridRows; ++j)
        for (int i = 0; i <= gridColumns; ++i) include(Corner(i, j));
    for (int j = 0; j < gridRows; ++j)
        for (int i = 0; i < gridColumns; ++i) include(Centre(i, j));
}

// A face (corner, next corner, centre) has the normal N = (v1 - v0) x (v2 - v1) with
// N_z = cellX cellY / 2, and with height differences of at most H = the height range, |N_x| and
// |N_y| of at most 1.5 max(cellX, cellY) H; so n_z = N_z / |N| >= 1 / steepestSlope.
void CObjGround::FindSteepestSlope() {
    const double up = cellX * cellY / 2;
    const double side = 1.5 * std::max(cellX, cellY) * (bounds[5] - bounds[4]);
    steepestSlope = std::sqrt(1 + 2 * (side / up) * (side / up));
}

// ---- Faces ---------------------------------------------------------------------------------

Vec3 CObjGround::Corner(int i, int j) const {
    return {i * cellX - gridOffsetX, j * cellY - gridOffsetY,
            cornerHeights[static_cast<std::size_t>(CornerIndex(i, j))]};
}

// The centre stands at the mean of its cell's four corners.
Vec3 CObjGround::Centre(int i, int j) const {
    const double z = (Corner(i, j).z + Corner(i + 1, j).z + Corner(i + 1, j + 1).z + Corner(i, j + 1).z) / 4;
    return {(i + 0.5) * cellX - gridOffsetX, (j + 0.5) * cellY - gridOffsetY, z};
}

void CObjGround::FaceVertices(int face, Vec3 (&v)[3]) const {
    const int cell = face / 4, t = face % 4;
    const int i = cell % gridColumns, j = cell / gridColumns;
    // the cell's corners counter-clockwise from (i, j); triangle t runs from corner t to t + 1
    static constexpr int kCornerI[5] = {0, 1, 1, 0, 0}, kCornerJ[5] = {0, 0, 1, 1, 0};
    v[0] = Corner(i + kCornerI[t], j + kCornerJ[t]);
    v[1] = Corner(i + kCornerI[t + 1], j + kCornerJ[t + 1]);
    v[2] = Centre(i, j);
}

// n = (v1 - v0) x (v2 - v1), normalised: upward for a counter-clockwise triangle.
Vec3 CObjGround::FaceNormalOf(int face) const {
    Vec3 v[3];
    FaceVertices(face, v);
    return Normalized(Cross(v[1] - v[0], v[2] - v[1]));
}

void CObjGround::FacePlane(int face, Vec3& firstVertex, Vec3& normal) const {
    Vec3 v[3];
    FaceVertices(face, v);
    firstVertex = v[0];
    normal = Normalized(Cross(v[1] - v[0], v[2] - v[1]));
}

bool CObjGround::GetFace(int face, FaceFrame& out) const {
    if (face < 0 || face >= FaceCount()) {
        ReportBug("bug");
        return false;
    }
    Vec3 v[3];
    FaceVertices(face, v);
    Vec3 sum;
    for (const Vec3& p : v) sum += p;
    out.center = sum * (1.0 / 3);
    out.normal = Normalized(Cross(v[1] - v[0], v[2] - v[1]));
    out.axis1 = Normalized(v[1] - v[0]);
    out.axis2 = Normalized(Cross(out.normal, out.axis1));
    return true;
}

// The cell under the point, and in it the triangle whose wedge holds the point; no test on
// height (the contact search judges depth). Points beyond the grid touch nothing.
int CObjGround::FindFace(int, const Vec3& worldPoint, double) const {
    const Vec3 p = ToBodyPoint(0, worldPoint);
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

// A point h above the highest corner lies at least h / steepestSlope above the plane of the face
// under it, and the depth the search computes in world coordinates is off by rounding of a few
// units in the last place of the coordinates involved; a clearance a million times that rounding
// cannot turn into a positive depth.
bool CObjGround::LiesClearAbove(const Vec3& centre, double radius) const {
    if (!(bounds[4] <= bounds[5])) return false;  // not built yet
    const Vec3 p = ToBodyPoint(0, centre);
    const Vec3 position = Position(0);
    const double scale = std::fabs(centre.x) + std::fabs(centre.y) + std::fabs(centre.z) + radius +
                         std::fabs(position.x) + std::fabs(position.y) + std::fabs(position.z) + 2 * sizeMax;
    constexpr double kRounding = 1e-10;  // ~1e6 times the double rounding of 1.1e-16 per operation
    return (p.z - radius - bounds[5]) > kRounding * scale * steepestSlope;
}

// ---- Drawing -------------------------------------------------------------------------------

// A corner touches two triangles of each of its (up to four) cells; they are summed in the order
// of the face indices.
Vec3 CObjGround::CornerNormal(int i, int j) const {
    struct Touch {
        int di, dj, t0, t1;
    };
    static constexpr Touch kTouches[4] = {{-1, -1, 1, 2}, {0, -1, 2, 3}, {-1, 0, 0, 1}, {0, 0, 0, 3}};
    Vec3 sum;
    for (const Touch& k : kTouches) {
        const int ci = i + k.di, cj = j + k.dj;
        if (ci < 0 || cj < 0 || ci >= gridColumns || cj >= gridRows) continue;
        const int first = 4 * (ci + cj * gridColumns);
        sum += FaceNormalOf(first + k.t0);
        sum += FaceNormalOf(first + k.t1);
    }
    return Normalized(sum);
}

Vec3 CObjGround::CentreNormal(int i, int j) const {
    Vec3 sum;
    for (int t = 0; t < 4; ++t) sum += FaceNormalOf(4 * (i + j * gridColumns) + t);
    return Normalized(sum);
}

double CObjGround::TextureU(double x) const {
    const double span = bounds[1] - bounds[0];
    return span > 0 ? (x - bounds[0]) / span : 0;
}

double CObjGround::TextureV(double y) const {
    const double span = bounds[3] - bounds[2];
    return span > 0 ? (y - bounds[2]) / span : 0;
}

}  // namespace korvan
