// The derived data of a model against values worked out by hand, and the grid's ray cast against
// a test of every face.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "skin/ModelReaders.h"
#include "skin/PostProcess.h"
#include "tests/skin/ModelFixture.h"

namespace korvan {
namespace {

using PostProcess = testing::ModelFiles;

TEST_F(PostProcess, NodesJoinWithinABillionthAndNotBeyond) {
    std::string obj =
        "v 0 0 3\nv 1 0 3\nv 0 1 3\n"
        "v 0 0 3.0000000001\nv 1 0 3.001\nv 0.5 7 3.00000000005\n"
        "f 1 2 3\nf 4 5 6\n";
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("n.obj", obj))) << host_.All();
    EXPECT_EQ(model.nodeOfVertex[0], model.nodeOfVertex[3]);  // 3 and 3 + 1e-10, another vertex between
    EXPECT_NE(model.nodeOfVertex[1], model.nodeOfVertex[4]);  // 3 and 3.001
    EXPECT_EQ(model.Nodes(), 5u);
    // Both faces list the shared vertex's node; its faces-around list has the two faces.
    EXPECT_EQ(model.vertexFaces.Of(0).size(), 1u);
    EXPECT_EQ(model.vertexFaces.Of(3).size(), 1u);
}

TEST_F(PostProcess, SeparateBoxesInOneGroupAreTwoRegions) {
    std::string obj;
    for (int box = 0; box < 2; ++box) {
        int b = box * 8;
        for (int i = 0; i < 8; ++i)
            obj += "v " + std::to_string((i & 1) + 3 * box) + " " + std::to_string((i >> 1) & 1) + " " +
                   std::to_string(i >> 2) + "\n";
        const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        for (const auto& q : quads)
            obj += "f " + std::to_string(b + q[0] + 1) + " " + std::to_string(b + q[1] + 1) + " " +
                   std::to_string(b + q[2] + 1) + " " + std::to_string(b + q[3] + 1) + "\n";
    }
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("boxes.obj", obj))) << host_.All();
    ASSERT_EQ(model.regions.size(), 2u);
    EXPECT_EQ(model.regions[0].centroid, (Vec3{0.5, 0.5, 0.5}));
    EXPECT_EQ(model.regions[1].centroid, (Vec3{3.5, 0.5, 0.5}));
    // Region order of the one material: descending centroid x.
    ASSERT_EQ(model.materialRegionOrder.Of(0).size(), 2u);
    EXPECT_EQ(model.materialRegionOrder.Of(0)[0], 1);
    for (const Vec3& n : model.faceNormals) EXPECT_EQ(Length(n), 1);
}

TEST_F(PostProcess, SmoothSphereSmoothsWithinAMaterialAndKeepsTheSeamBetweenTwo) {
    // A UV sphere whose upper half may use a second material.
    auto sphere = [](bool twoMaterials) {
        std::string obj = "mtllib s.mtl\nusemtl a\n";
        const int rings = 16, segments = 32;
        for (int r = 1; r < rings; ++r)
            for (int s = 0; s < segments; ++s) {
                double theta = std::numbers::pi * r / rings, phi = 2 * std::numbers::pi * s / segments;
                obj += "v " + std::to_string(std::sin(theta) * std::cos(phi)) + " " +
                       std::to_string(std::sin(theta) * std::sin(phi)) + " " +
                       std::to_string(std::cos(theta)) + "\n";
            }
        for (int r = 0; r + 2 < rings; ++r) {
            if (twoMaterials && r == rings / 2) obj += "usemtl b\n";
            for (int s = 0; s < segments; ++s) {
                int a = r * segments + s + 1, b = r * segments + (s + 1) % segments + 1;
                obj += "f " + std::to_string(a) + " " + std::to_string(a + segments) + " " +
                       std::to_string(b + segments) + " " + std::to_string(b) + "\n";
            }
        }
        return obj;
    };
    Write("s.mtl", "newmtl a\nnewmtl b\n");
    for (bool two : {false, true}) {
        CMQOfile model;
        ASSERT_TRUE(LoadAndPrepareModel(model, Write("s.obj", sphere(two)))) << host_.All();
        // A corner on the ring where the materials meet (ring 8, first corner of the first face there).
        const ModelFace& f = model.faces[8 * 32];
        const Float3& n = model.nodeNormals[static_cast<std::size_t>(f.firstCorner)];
        Vec3 radial = model.CornerPosition(f.firstCorner);
        double along = Dot(Normalized(Vec3{n.x, n.y, n.z}), Normalized(radial));
        if (two)
            EXPECT_LT(along, 0.999) << "the seam stays sharp";
        else
            EXPECT_GT(along, 0.999) << "smoothed to the sphere's normal";
    }
}

TEST_F(PostProcess, LShapedHexagonIsCutIntoFourTrianglesInsideIt) {
    std::string obj = "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\nf 1 2 3 4 5 6\n";
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("l.obj", obj))) << host_.All();
    const std::vector<int>& t = model.Triangulation(0);
    ASSERT_EQ(t.size(), 12u);
    double area = 0;
    for (std::size_t i = 0; i < t.size(); i += 3) {
        Vec3 a = model.CornerPosition(t[i]), b = model.CornerPosition(t[i + 1]),
             c = model.CornerPosition(t[i + 2]);
        Vec3 centre = (a + b + c) * (1.0 / 3);
        EXPECT_FALSE(centre.x > 1 && centre.y > 1) << "a triangle outside the L";
        area += Length(Cross(b - a, c - a)) / 2;
    }
    EXPECT_DOUBLE_EQ(area, 3);
    EXPECT_EQ(model.faceNormals[0], (Vec3{0, 0, 1}));
}

TEST_F(PostProcess, DartQuadrilateralFansFromItsReflexCorner) {
    std::string obj = "v 0 0 0\nv 2 1 0\nv 0 2 0\nv 1 1 0\nf 1 2 3 4\n";
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("dart.obj", obj))) << host_.All();
    EXPECT_EQ(model.startCorners[0], 3);
    EXPECT_GT(model.cornerAngles[3], std::numbers::pi);
    // The fan from the reflex corner covers the dart only: (1.5, 1) is inside, (0.5, 1) is not.
    EXPECT_EQ(CastRay(model, {1.5, 1, 1}, {1.5, 1, -1}).face, 0);
    EXPECT_EQ(CastRay(model, {0.5, 1, 1}, {0.5, 1, -1}).face, -1);
}

TEST_F(PostProcess, GridHasAboutFifthRootOfFacesCellsPerAxis) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    std::string obj = "v 0 0 0\nv 1 1 1\nv 0 1 0\nf 1 2 3\n";
    for (int f = 1; f < 10000; ++f) {
        double x = unit(random) * 0.9, y = unit(random) * 0.9, z = unit(random) * 0.9;
        obj += "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
        obj += "v " + std::to_string(x + 0.05) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
        obj +=
            "v " + std::to_string(x) + " " + std::to_string(y + 0.05) + " " + std::to_string(z + 0.05) + "\n";
        obj += "f -3 -2 -1\n";
    }
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("cloud.obj", obj))) << host_.All();
    EXPECT_EQ(model.grid.n[0], 20);
    EXPECT_EQ(model.grid.n[1], 20);
    EXPECT_EQ(model.grid.n[2], 20);

    CMQOfile flat;
    ASSERT_TRUE(LoadAndPrepareModel(flat, Write("flat.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")));
    EXPECT_EQ(flat.grid.n[0], 2);
    EXPECT_EQ(flat.grid.n[2], 2);
}

TEST_F(PostProcess, ManyLargeFacesGetACoarserGridNotBillionsOfEntries) {
    // Twenty thousand faces spanning the whole box.
    std::string obj;
    for (int f = 0; f < 20000; ++f) {
        double z = f * 0.00002;
        obj += "v 0 0 " + std::to_string(z) + "\nv 1 0 " + std::to_string(1 - z) + "\nv 0 1 " +
               std::to_string(z) + "\nv 1 1 " + std::to_string(1 - z) + "\nf -4 -3 -1 -2\n";
    }
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("sheets.obj", obj))) << host_.All();
    EXPECT_LE(model.grid.cells.items.size(), 64u * 20000 + 1000000);
    RayHit hit = CastRay(model, {0.25, 0.5, 2}, {0.25, 0.5, -1});
    RayHit all = CastRayBruteForce(model, {0.25, 0.5, 2}, {0.25, 0.5, -1});
    ASSERT_GE(hit.face, 0);
    EXPECT_EQ(hit.distance, all.distance);
}

// The grid walk must find what testing every face finds.
TEST_F(PostProcess, RayCastMatchesBruteForceOnCorpusModels) {
    if (!std::filesystem::exists(testing::ObjCorpus())) GTEST_SKIP() << "no outside corpora";
    std::mt19937 random(20261210);
    int models = 0, hits = 0;
    for (const auto& entry : std::filesystem::directory_iterator(testing::ObjCorpus())) {
        if (entry.path().extension() != ".obj") continue;
        CMQOfile model;
        if (!LoadAndPrepareModel(model, entry.path().string())) continue;
        ++models;
        SCOPED_TRACE(entry.path().filename().string());
        Vec3 size = model.boxMax - model.boxMin;
        double reach = std::max({size.x, size.y, size.z, 1e-3});
        std::uniform_real_distribution<double> coord(-0.3, 1.3);
        auto point = [&] {
            return Vec3{model.boxMin.x + coord(random) * reach, model.boxMin.y + coord(random) * reach,
                        model.boxMin.z + coord(random) * reach};
        };
        for (int ray = 0; ray < 300; ++ray) {
            Vec3 s = point(), e = point();
            if (ray % 3 == 0) {  // aimed at a corner, so that many rays do hit
                const ModelCorner& c = model.corners[random() % model.corners.size()];
                e = s + (model.vertices[static_cast<std::size_t>(c.vertex)] - s) * 1.5;
            }
            RayHit grid = CastRay(model, s, e), all = CastRayBruteForce(model, s, e);
            ASSERT_EQ(grid.face < 0, all.face < 0) << "ray " << ray;
            if (all.face < 0) continue;
            ++hits;
            EXPECT_NEAR(grid.distance, all.distance, 1e-9 * (1 + all.distance)) << "ray " << ray;
        }
    }
    EXPECT_GT(models, 20);
    EXPECT_GT(hits, 1000);
}

}  // namespace
}  // namespace korvan
