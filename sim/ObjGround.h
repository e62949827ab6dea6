#pragma once
// CObjGround: a box whose computational shape is only its top, a height field read from a grey
// height image. Each pixel is a cell of cellX x cellY made of four triangles around its centre:
//
//     corner(i, j+1) ---- corner(i+1, j+1)        t = 0: bottom, 1: right, 2: top, 3: left,
//          |   \   2   /   |                       each (corner, next corner, centre M);
//          | 3     M     1 |                       cell (i, j) has faces 4 (i + j gridColumns) + t.
//          |   /   0   \   |
//     corner(i, j) ------ corner(i+1, j)
//
// Image row 0 is the bottom of the picture and lies at y = -widthY / 2, so the relief looks like
// the picture when seen from above. The loader reads the images and hands the ground their
// contents: the height grid, kept until the next MakeModel builds from it, and the colour
// picture, kept for drawing.
//
// The field is kept compact, a few bytes per pixel: the smoothed cell heights and the corner
// heights. Vertices, faces and normals are derived from them when asked (the contact search asks
// for one face at a time), by the same arithmetic a stored mesh was built with, so every value is
// the one a stored mesh would hold. The generic shape arrays of CObj stay empty.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/ImageBuffer.h"
#include "sim/ObjBox.h"

namespace korvan {

// A height image as the ground takes it: one level 0..255 per pixel, row-major, row 0 at the
// bottom of the picture.
struct HeightGrid {
    int columns = 0, rows = 0;
    std::vector<std::uint8_t> levels;

    bool Empty() const { return columns == 0 || rows == 0; }
};

class CObjGround : public CObjBox {
  public:
    std::string heightImagePath;  // full paths, empty when unset
    std::string colorImagePath;
    HeightGrid heightGrid;  // what was read from heightImagePath

    // Height field, set by MakeModel.
    int gridColumns = 1, gridRows = 1;
    double cellX = 20, cellY = 20;
    double gridOffsetX = 10, gridOffsetY = 10;
    std::vector<double> cellHeights;    // row-major, gridColumns per row
    std::vector<double> cornerHeights;  // (gridColumns + 1) per row, gridRows + 1 rows
    // 1 / the smallest upward component any face normal can have, from the cell sizes and the
    // height range: how much a point's height above the relief may shrink to a depth.
    double steepestSlope = 1;

    // The decoded colour image; colorImageRevision changes whenever it does, so the drawing
    // knows to upload it again.
    ImageBuffer colorImage;
    int colorImageRevision = 0;

    void MakeModel() override;
    int FindFace(int type, const Vec3& worldPoint, double margin) const override;
    bool GetFace(int face, FaceFrame& out) const override;
    int FaceCount() const override { return 4 * gridColumns * gridRows; }
    void FacePlane(int face, Vec3& firstVertex, Vec3& normal) const override;
    bool LiesClearAbove(const Vec3& centre, double radius) const override;
    void WriteAttributeLines(SceneLines& out) const override;

    // The images as the loader read them; an empty path leaves the ground flat (uncoloured).
    void SetHeightImage(std::string path, HeightGrid grid);
    void SetColorImage(std::string path, ImageBuffer image);
    // level = (b0 + 4 b1 + 2 b2) / 7 of every pixel.
    static HeightGrid HeightGridOf(const ImageBuffer& image);

    // The mesh, derived from the heights (body coordinates).
    int CornerIndex(int i, int j) const { return i + j * (gridColumns + 1); }
    Vec3 Corner(int i, int j) const;
    Vec3 Centre(int i, int j) const;
    // Triangle t of a cell: (corner, next corner, centre), counter-clockwise seen from above.
    void FaceVertices(int face, Vec3 (&v)[3]) const;
    Vec3 FaceNormalOf(int face) const;
    // Drawing: smooth normals as the normalised sum of the touching faces' normals, and the
    // colour image's coordinates spread over the bounds in x and y.
    Vec3 CornerNormal(int i, int j) const;
    Vec3 CentreNormal(int i, int j) const;
    double TextureU(double x) const;
    double TextureV(double y) const;

    // Bytes the height field of a columns x rows image takes while it is built, and whether it
    // can be built in a machine of memoryBytes (face indices must also fit an int).
    static std::size_t HeightFieldBytes(std::size_t columns, std::size_t rows);
    static bool HeightFieldFits(std::size_t columns, std::size_t rows, std::size_t memoryBytes);

  protected:
    friend class CScene;
    CObjGround(CScene& scene, std::string name);

  private:
    void DropMissingImages();
    void UseHeightGrid();
    void BuildFlatField();
    void SmoothHeights(const std::vector<std::uint8_t>& levels);
    void BuildCornerHeights();
    void FindBounds();
    void FindSteepestSlope();
};

}  // namespace korvan
