#pragma once
// One loaded polygon model: what the OBJ and MQO readers fill, and what the post-processing
// derives from it for drawing, picking and the skin dialogs.
//
// Lists of lists are kept in the counting-sort layout (FlatLists): one flat array of items and a
// start offset per owner, so a model of a million faces costs a handful of allocations.
// Coordinates are the file's own, double precision.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Vec3.h"

namespace korvan {

struct Float3 {
    float x = 0, y = 0, z = 0;
};

// A material, in file order. OBJ materials start from the "newmtl" defaults, MQO ones from zero.
struct _MTL {
    int valid = 1;
    int index = 0;
    std::string name;
    Vec3 color{0.8, 0.8, 0.8};  // base colour (MQO "col")
    Vec3 Kd{0.8, 0.8, 0.8};
    Vec3 Ka{0.2, 0.2, 0.2};
    Vec3 Ks{0, 0, 0};
    double Ns = 64;  // a shininess below 1e-10 in an MTL library reads as 64
    double d = 1;    // opacity
    double Ni = 1;
    int illum = 2;
    // Texture files as resolved against the model's folder ("" when none or not found).
    std::string colorTexture, alphaTexture, heightMap;
    int textureWidth = 0, textureHeight = 0;
    unsigned textureName = 0;  // set by whoever uploads the texture
};

// A group is a (name, material) pair; MQO groups also carry their mirror copy number.
struct _GROUP {
    std::string name;
    int material = -1;
    int mirrorCopy = 0;
};

struct ModelFace {
    int group = -1;
    int cornerCount = 0;
    int firstCorner = 0;
};

struct ModelCorner {
    int vertex = 0;
    Float3 normal;       // the file's normal (not used for drawing)
    float u = 0, v = 0;  // texture coordinate
};

// An independent region: faces of one group connected through shared edges.
struct _REGID {
    int group = -1;
    int firstFace = 0;  // into CMQOfile::regionFaces
    int faceCount = 0;
    Vec3 centroid;
    Vec3 boxMin, boxMax;
    unsigned displayList = 0;
};

// Owner i owns items[start[i] .. start[i + 1]).
struct FlatLists {
    std::vector<int> start{0};
    std::vector<int> items;

    std::size_t Owners() const { return start.size() - 1; }
    std::span<const int> Of(std::size_t owner) const {
        return {items.data() + start[owner], static_cast<std::size_t>(start[owner + 1] - start[owner])};
    }
    void Clear() { start.assign(1, 0), items.clear(); }
};

// The voxel grid of the ray cast: the faces touching each cell, cells numbered
// ix + nx * (iy + ny * iz).
struct VoxelGrid {
    Vec3 low, high;  // trimmed bounds; corners beyond them fall into the border cells
    int n[3] = {0, 0, 0};
    FlatLists cells;

    int CellAlong(int axis, double value) const;
};

enum class ModelFormat { Other = -1, Obj = 0, Mqo = 1 };

class CMQOfile {
  public:
    // --- filled by the readers ---
    std::string path;
    std::string folder;  // resolves the model's relative references
    ModelFormat format = ModelFormat::Other;
    std::vector<_MTL> materials;
    std::vector<_GROUP> groups;
    std::vector<Vec3> vertices;
    std::vector<Float3> normals;
    std::vector<float> texcoords;  // u, v pairs
    std::vector<ModelFace> faces;
    std::vector<ModelCorner> corners;
    std::vector<Vec3> hidePoints;  // from the "_hide.mqo" side file
    bool heightMapsEnabled = false;

    // --- derived by PostProcessModel ---
    double smoothingLimit = 0.5;    // faces closer than this (cosine) share a smoothed normal
    std::vector<Vec3> faceNormals;  // unit, or zero for a degenerate face
    std::vector<int> startCorners;  // where a quadrilateral's fan starts
    std::vector<double> cornerAngles;
    std::vector<Float3> nodeNormals;  // per corner: the normal drawing uses
    int vertexLow = 0, vertexHigh = -1;
    Vec3 boxMin, boxMax;
    std::vector<int> nodeOfVertex;  // index vertex - vertexLow
    FlatLists nodeVertices;         // per node
    FlatLists vertexFaces;          // per vertex of the range (vertex - vertexLow)
    FlatLists edgeFaces;            // per corner g: the faces across edge g -> g + 1
    std::vector<_REGID> regions;
    std::vector<int> regionFaces;
    std::vector<int> faceRegion;
    FlatLists materialGroups;  // ascending group index
    FlatLists groupRegions;    // ascending region index
    std::vector<Vec3> groupBoxMin, groupBoxMax, materialBoxMin, materialBoxMax;
    std::vector<int> materialOrder;  // a permutation of the materials
    FlatLists materialRegionOrder;   // per material: region indexes, descending centroid x
    VoxelGrid grid;

    void Clear();
    std::size_t Nodes() const { return nodeVertices.Owners(); }
    std::span<const ModelCorner> CornersOf(int face) const {
        const ModelFace& f = faces[static_cast<std::size_t>(face)];
        return {corners.data() + f.firstCorner, static_cast<std::size_t>(f.cornerCount)};
    }
    const Vec3& CornerPosition(int corner) const {
        return vertices[static_cast<std::size_t>(corners[static_cast<std::size_t>(corner)].vertex)];
    }
    int MaterialOfFace(int face) const;

    // Triangles of a face of 5 or more corners (corner numbers within the face, three per
    // triangle), computed on first use and kept.
    const std::vector<int>& Triangulation(int face);

  private:
    std::vector<std::vector<int>> triangulations_;
    std::vector<char> triangulated_;
};

}  // namespace korvan
