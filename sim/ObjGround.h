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
// the picture when seen from above. A colour image is decoded and kept for drawing.
#include <string>
#include <string_view>
#include <vector>

#include "sim/ObjBox.h"
#include "skin/Image.h"

namespace korvan {

class CObjGround : public CObjBox {
  public:
    std::string heightImagePath;  // full paths, empty when unset
    std::string colorImagePath;

    // Height field, set by MakeModel.
    int gridColumns = 1, gridRows = 1;
    double cellX = 20, cellY = 20;
    double gridOffsetX = 10, gridOffsetY = 10;
    std::vector<double> cellHeights;  // row-major, gridColumns per row

    // For drawing: one normal and one texture coordinate per vertex (texture over the bounds).
    std::vector<Vec3> vertexNormals;
    std::vector<double> textureU, textureV;
    // The decoded colour image; colorImageRevision changes whenever it does, so the drawing
    // knows to upload it again.
    ImageBuffer colorImage;
    int colorImageRevision = 0;

    void MakeModel() override;
    int FindFace(int type, const Vec3& worldPoint, double margin) const override;
    void WriteAttributeLines(SceneLines& out) const override;

    // Script setters: the name resolves against the scene folder and must end up a full path.
    void SetHeightBmp(std::string_view name, std::string_view sceneFolder);
    void SetColorBmp(std::string_view name, std::string_view sceneFolder);

    int CornerIndex(int i, int j) const { return i + j * (gridColumns + 1); }
    int CentreIndex(int i, int j) const { return (gridColumns + 1) * (gridRows + 1) + i + j * gridColumns; }

  protected:
    friend class CScene;
    CObjGround(CScene& scene, std::string name);

  private:
    bool ResolveImagePath(std::string_view name, std::string_view sceneFolder, std::string& out) const;
    void DropMissingImages();
    void ReadHeightField();
    void BuildFlatField();
    void SmoothHeights(const std::vector<int>& levels);
    void BuildVertices();
    void BuildFaces();
    void BuildDrawingData();
    void ReleaseColorImage();
    void DecodeColorImage();
};

}  // namespace korvan
