// The MQO reader on small files written by hand: every chunk it reads, the side files, mirror
// copies and the failures.
#include <gtest/gtest.h>

#include <string>

#include "skin/ModelReaders.h"
#include "skin/PostProcess.h"
#include "tests/skin/ModelFixture.h"

namespace korvan {
namespace {

using MqoFiles = testing::ModelFiles;

const std::string kHeader =
    "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nScene {\r\n\tpos 0 0 1500\r\n}\r\n";

// A cube of side 2 about the origin; bottom, front and right use material 0, the rest `other`.
std::string CubeObject(const std::string& name, int other, const std::string& extra = "") {
    std::string m0 = " M(0)", m1 = other < 0 ? "" : " M(" + std::to_string(other) + ")";
    return "Object \"" + name + "\" {\r\n\tdepth 0\r\n\tvisible 15\r\n" + extra +
           "\tvertex 8 {\r\n"
           "\t\t-1 -1 -1\r\n\t\t1 -1 -1\r\n\t\t1 1 -1\r\n\t\t-1 1 -1\r\n"
           "\t\t-1 -1 1\r\n\t\t1 -1 1\r\n\t\t1 1 1\r\n\t\t-1 1 1\r\n\t}\r\n"
           "\tface 6 {\r\n"
           "\t\t4 V(0 3 2 1)" +
           m0 +
           " UV(0 0 0 0.25 1 1 1 0)\r\n"
           "\t\t4 V(0 1 5 4)" +
           m0 +
           "\r\n"
           "\t\t4 V(1 2 6 5)" +
           m0 +
           "\r\n"
           "\t\t4 V(4 5 6 7)" +
           m1 +
           "\r\n"
           "\t\t4 V(2 3 7 6)" +
           m1 +
           "\r\n"
           "\t\t4 V(0 4 7 3)" +
           m1 +
           " COL(4294967295 4294967295 4294967295 4294967295)\r\n"
           "\t}\r\n}\r\n";
}

const std::string kMaterials =
    "Material 2 {\r\n"
    "\t\"red\" shader(3) col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.100) "
    "power(5.00) tex(\"wood.png\") aplane(\"mask.png\")\r\n"
    "\t\"blue glass\" col(0 0 1 0.5) dif(0.5)\r\n"
    "}\r\n";

TEST_F(MqoFiles, CubeCountsMaterialsAndDerivedData) {
    CMQOfile model;
    std::string path = Write("cube.mqo", kHeader + kMaterials + CubeObject("box", 0) + "Eof\r\n");
    ASSERT_TRUE(LoadAndPrepareModel(model, path)) << host_.All();
    EXPECT_EQ(model.format, ModelFormat::Mqo);
    ASSERT_EQ(model.materials.size(), 2u);
    const _MTL& red = model.materials[0];
    EXPECT_EQ(red.name, "red");
    EXPECT_EQ(red.color, (Vec3{1, 0, 0}));
    EXPECT_EQ(red.d, 1);
    EXPECT_EQ(red.Kd, (Vec3{0.8, 0.8, 0.8}));
    EXPECT_EQ(red.Ka, (Vec3{0.6, 0.6, 0.6}));
    EXPECT_EQ(red.Ks, (Vec3{0.1, 0.1, 0.1}));
    EXPECT_EQ(red.Ns, 5);
    EXPECT_EQ(red.colorTexture, (folder_ / "wood.png").string());
    EXPECT_EQ(red.alphaTexture, "");  // aplane is not read
    const _MTL& glass = model.materials[1];
    EXPECT_EQ(glass.name, "blue glass");
    EXPECT_EQ(glass.d, 0.5);
    EXPECT_EQ(glass.Ka, (Vec3{0, 0, 0}));  // an MQO material starts from zero
    EXPECT_EQ(glass.Ns, 0);

    EXPECT_EQ(model.vertices.size(), 8u);
    EXPECT_EQ(model.faces.size(), 6u);
    EXPECT_EQ(model.corners[1].v, -0.25f);  // UV v is stored negated
    EXPECT_EQ(model.Nodes(), 8u);
    // 12 edges, each shared by exactly two faces: every corner's edge has one face across.
    for (std::size_t c = 0; c < model.corners.size(); ++c) EXPECT_EQ(model.edgeFaces.Of(c).size(), 1u) << c;
    EXPECT_EQ(model.edgeFaces.items.size(), 24u);
    EXPECT_EQ(model.regions.size(), 1u);
    EXPECT_EQ(model.regions[0].faceCount, 6);
    EXPECT_EQ(model.regions[0].centroid, (Vec3{0, 0, 0}));
    // Faces meet at 90 degrees: sharper than the smoothing limit, so each corner keeps its face's normal.
    for (std::size_t f = 0; f < model.faces.size(); ++f)
        for (int k = 0; k < 4; ++k) {
            const Float3& n = model.nodeNormals[static_cast<std::size_t>(model.faces[f].firstCorner + k)];
            EXPECT_EQ(Vec3(n.x, n.y, n.z), model.faceNormals[f]);
        }
    EXPECT_EQ(model.faceNormals[0], (Vec3{0, 0, -1}));
    EXPECT_EQ(model.boxMin, (Vec3{-1, -1, -1}));
    EXPECT_EQ(model.boxMax, (Vec3{1, 1, 1}));
}

TEST_F(MqoFiles, CubeInTwoGroupsMakesTwoRegions) {
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("two.mqo", kHeader + kMaterials + CubeObject("box", 1))))
        << host_.All();
    ASSERT_EQ(model.groups.size(), 2u);
    EXPECT_EQ(model.regions.size(), 2u);
    EXPECT_EQ(model.regions[0].faceCount, 3);
    EXPECT_EQ(model.regions[1].faceCount, 3);
    EXPECT_EQ(model.materialGroups.Of(1).size(), 1u);
    EXPECT_EQ(model.groupRegions.Of(1)[0], 1);
    // Materials order: one entry each.
    EXPECT_EQ(model.materialOrder.size(), 2u);
}

TEST_F(MqoFiles, MirrorCopiesAreInterleavedNegatedAndGroupedByCopy) {
    std::string mirrored = CubeObject("half", -1, "\tmirror 1\r\n\tmirror_axis 1\r\n");
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("m.mqo", kHeader + kMaterials + mirrored))) << host_.All();
    EXPECT_EQ(model.vertices.size(), 16u);
    EXPECT_EQ(model.faces.size(), 12u);
    EXPECT_EQ(model.vertices[2], (Vec3{1, -1, -1}));   // vertex 1, copy 0
    EXPECT_EQ(model.vertices[3], (Vec3{-1, -1, -1}));  // vertex 1, copy 1: x negated
    // Face 0 and its copy: the copy's corners are the copy's vertices, in the same order.
    EXPECT_EQ(model.corners[4].vertex, 0 * 2 + 1);
    EXPECT_EQ(model.corners[5].vertex, 3 * 2 + 1);
    // Groups: (half, 0, copy 0), (half, 0, copy 1), then the faces without M, per copy.
    ASSERT_EQ(model.groups.size(), 4u);
    EXPECT_EQ(model.groups[1].mirrorCopy, 1);
    EXPECT_EQ(model.groups[1].name, "half");
    EXPECT_EQ(model.materials[static_cast<std::size_t>(model.groups[2].material)].name, "(MTLが無い)");

    CMQOfile eight;
    std::string all = CubeObject("all", 0, "\tmirror 2\r\n\tmirror_axis 7\r\n");
    ASSERT_TRUE(LoadAndPrepareModel(eight, Write("eight.mqo", kHeader + kMaterials + all))) << host_.All();
    EXPECT_EQ(eight.vertices.size(), 64u);
    EXPECT_EQ(eight.faces.size(), 48u);
    EXPECT_EQ(eight.vertices[8 * 6 + 7], (Vec3{-1, -1, -1}));  // vertex 6 (1, 1, 1), copy 7: all negated
    EXPECT_EQ(eight.vertices[8 * 6 + 2], (Vec3{1, -1, 1}));    // copy 2: y only
}

TEST_F(MqoFiles, SideFilesReplaceMaterialsAndListHiddenPoints) {
    std::string model = kHeader + kMaterials + CubeObject("body", 1) + "Eof\r\n";
    std::string replacement =
        "Material 1 {\r\n\t\"paint\" col(0 1 0 1) dif(1) tex(\"car.bmp\")\r\n}\r\n" + CubeObject("other", -1);
    Write("car_mod.mqo", replacement);
    Write("car_hide.mqo", "1 1 1\r\n\"-1\" -1 -1\r\n1 2\r\nnot a point at all\r\n");
    CMQOfile car;
    ASSERT_TRUE(LoadAndPrepareModel(car, Write("car.mqo", model))) << host_.All();
    ASSERT_EQ(car.materials.size(), 2u);
    EXPECT_EQ(car.materials[0].name, "paint");  // from car_mod.mqo
    EXPECT_EQ(car.materials[0].color, (Vec3{0, 1, 0}));
    EXPECT_EQ(car.materials[1].name, "blue glass");  // beyond car_mod.mqo's materials
    EXPECT_EQ(car.groups[0].name, "body");           // geometry from car.mqo
    ASSERT_EQ(car.hidePoints.size(), 2u);
    EXPECT_EQ(car.hidePoints[1], (Vec3{-1, -1, -1}));
}

TEST_F(MqoFiles, ShiftJisNamesBecomeUtf8) {
    // "ボディ" in Shift-JIS.
    std::string name = "\x83\x7b\x83\x66\x83\x42";
    std::string text =
        kHeader + "Material 1 {\r\n\t\"" + name + "\" col(1 1 1 1)\r\n}\r\n" + CubeObject(name, 0);
    CMQOfile model;
    ASSERT_TRUE(LoadModel(model, Write("sjis.mqo", text))) << host_.All();
    EXPECT_EQ(model.groups[0].name, "ボディ");
    EXPECT_EQ(model.materials[0].name, "ボディ");
}

TEST_F(MqoFiles, BadFilesFailWithAMessageAndLeaveNoModel) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    std::string cube = CubeObject("box", 0);
    const Case cases[] = {
        {"bvertex", kHeader + kMaterials + "Object \"b\" {\r\n\tBVertex 3 {\r\n\t}\r\n}\r\n",
         "BVertexは解釈できません"},
        {"truncated", kHeader + kMaterials + cube.substr(0, cube.size() / 2), "途中で終わって"},
        {"index",
         kHeader + kMaterials +
             "Object \"x\" {\r\n\tvertex 1 {\r\n\t\t0 0 0\r\n\t}\r\n\tface 1 {\r\n"
             "\t\t3 V(0 1 2)\r\n\t}\r\n}\r\n",
         "16 行目"},
        {"count",
         kHeader + kMaterials +
             "Object \"x\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
             "\tface 1 {\r\n\t\t99999999 V(0 1 2)\r\n\t}\r\n}\r\n",
         "頂点数"},
        {"material", kHeader + kMaterials + CubeObject("box", 7), "材質番号"},
        {"braces", kHeader + "}\r\n", "}"},
        {"quote", kHeader + "Material 1 {\r\n\t\"open col(1 1 1 1)\r\n}\r\n", "文字列"},
        {"empty", kHeader + kMaterials, "面データがありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.messages.clear();
        CMQOfile model;
        EXPECT_FALSE(LoadAndPrepareModel(model, Write(std::string(c.name) + ".mqo", c.text)));
        ASSERT_FALSE(host_.messages.empty());
        EXPECT_NE(host_.messages.back().find(c.message), std::string::npos) << host_.messages.back();
        EXPECT_TRUE(model.vertices.empty() && model.faces.empty() && model.materials.empty());
    }
    CMQOfile model;
    EXPECT_FALSE(LoadModel(model, (folder_ / "absent.mqo").string()));
    EXPECT_NE(host_.messages.back().find("Not Found"), std::string::npos);
}

TEST_F(MqoFiles, AbsurdDeclaredCountsAreNotTrusted) {
    std::string text =
        kHeader +
        "Object \"x\" {\r\n\tvertex 2000000000 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
        "\tface 99999999 {\r\n\t\t3 V(0 1 2)\r\n\t}\r\n}\r\n";
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("absurd.mqo", text))) << host_.All();
    EXPECT_EQ(model.vertices.size(), 3u);
    EXPECT_EQ(model.faces.size(), 1u);
}

}  // namespace
}  // namespace korvan
