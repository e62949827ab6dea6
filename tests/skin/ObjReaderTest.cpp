// The OBJ/MTL reader against files nobody here wrote and against small files of our own.
#include <gtest/gtest.h>

#include <string>

#include "skin/ModelReaders.h"
#include "skin/PostProcess.h"
#include "tests/skin/ModelFixture.h"

namespace korvan {
namespace {

using testing::ModelFiles;
using testing::ObjCorpus;

class ObjCorpusTest : public ModelFiles {
  protected:
    void SetUp() override {
        ModelFiles::SetUp();
        if (!std::filesystem::exists(ObjCorpus())) GTEST_SKIP() << "no outside corpora at " << ObjCorpus();
    }
    bool Load(const std::string& name) { return LoadAndPrepareModel(model, (ObjCorpus() / name).string()); }
    int MaterialNamed(const std::string& name) {
        for (const _MTL& m : model.materials)
            if (m.name == name) return m.index;
        return -1;
    }
    CMQOfile model;
};

TEST_F(ObjCorpusTest, EveryFileLoadsOrFailsWithAMessageNamingIt) {
    struct Case {
        const char* file;
        bool loads;
        std::size_t faces;
    };
    const Case cases[] = {
        {"cube.obj", true, 6},
        {"cornell_box.obj", true, 18},
        {"catmark_torus_creases0.obj", true, 32},  // names normals it does not have
        {"issue-295-trianguation-failure.obj", true, 14},
        {"cube-vertex-w-component.obj", true, 6},
        {"issue-161-inconsistent-f.obj", true, 12},
        {"test-nan.obj", false, 0},                        // "v nan -nan nan"
        {"issue-140-zero-face-idx.obj", false, 0},         // index 0
        {"invalid-relative-vertex-index.obj", false, 0},   // -4 with no vertex read yet
        {"invalid-relative-texture-index.obj", false, 0},  // -2 with one coordinate read
        {"points-prim.obj", false, 0},                     // points only: nothing to draw
        {"invalid-face-definition.obj", true, 2},          // a one- and a two-corner face
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        host_.messages.clear();
        EXPECT_EQ(Load(c.file), c.loads) << host_.All();
        EXPECT_EQ(model.faces.size(), c.faces);
        if (!c.loads) {
            ASSERT_FALSE(host_.messages.empty());
            EXPECT_NE(host_.messages.back().find(c.file), std::string::npos) << host_.messages.back();
        }
    }
}

TEST_F(ObjCorpusTest, CubeHasItsGroupsMaterialsAndSharedNodes) {
    ASSERT_TRUE(Load("cube.obj")) << host_.All();
    EXPECT_EQ(model.vertices.size(), 8u);
    EXPECT_EQ(model.Nodes(), 8u);
    // "back cube" has no usemtl of its own and keeps the last one read ("white").
    ASSERT_EQ(model.groups.size(), 6u);
    EXPECT_EQ(model.groups[1].name, "back  cube");  // the rest of the line, blanks and all
    EXPECT_EQ(model.groups[1].material, MaterialNamed("white"));
    EXPECT_EQ(model.groups[2].material, MaterialNamed("red"));
    EXPECT_EQ(model.regions.size(), 6u);  // every face is its own group
}

TEST_F(ObjCorpusTest, IndexErrorsNameTheFileAndTheLine) {
    EXPECT_FALSE(Load("issue-140-zero-face-idx.obj"));
    ASSERT_FALSE(host_.messages.empty());
    EXPECT_NE(host_.messages.back().find("0以下"), std::string::npos);
    EXPECT_NE(host_.messages.back().find("16 行目"), std::string::npos) << host_.messages.back();
    EXPECT_TRUE(model.faces.empty() && model.vertices.empty());  // no half model
}

TEST_F(ObjCorpusTest, NegativeIndexesCountBackFromTheLastVertexRead) {
    ASSERT_TRUE(Load("missing_material_file.obj")) << host_.All();
    // "o light": four vertices (13th to 16th) and "f -4 -3 -2 -1".
    const ModelFace& light = model.faces[3];
    ASSERT_EQ(light.cornerCount, 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(model.corners[static_cast<std::size_t>(light.firstCorner + k)].vertex, 12 + k);
    // No library: the OBJ's own name with ".mtl" is tried and reported.
    EXPECT_NE(host_.All().find("Not Found"), std::string::npos);
    EXPECT_NE(host_.All().find("missing_material_file.mtl"), std::string::npos);
    EXPECT_GE(MaterialNamed("(MTLが無い)"), 0);
}

TEST_F(ObjCorpusTest, SeveralLibrariesOnOneLineAreReadAndTheMissingOnesReported) {
    ASSERT_TRUE(Load("mtllib-multiple-files-issue-112.obj")) << host_.All();
    int m = MaterialNamed("default");
    ASSERT_GE(m, 0);
    EXPECT_EQ(model.groups[0].material, m);
    EXPECT_NE(host_.All().find("invalid-file-aaa.mtl"), std::string::npos);
    EXPECT_NE(host_.All().find("invalid-file-bbb.mtl"), std::string::npos);

    ASSERT_TRUE(Load("mtl filename with whitespace issue46.obj")) << host_.All();
    EXPECT_GE(MaterialNamed("green"), 0);
    EXPECT_EQ(model.groups[0].name, "front cube");
}

TEST_F(ObjCorpusTest, TextureOptionsAreSkippedAndNamesWithBlanksKept) {
    ASSERT_TRUE(Load("texture-options-issue-85.obj")) << host_.All();
    ASSERT_GE(MaterialNamed("default"), 0);
    const _MTL& m = model.materials[static_cast<std::size_t>(MaterialNamed("default"))];
    EXPECT_TRUE(m.colorTexture.ends_with("/diffuse.jpg")) << m.colorTexture;
    EXPECT_EQ(m.Kd, (Vec3{0, 0, 0}));
    EXPECT_EQ(m.Ns, 64);  // no Ns statement: the default

    ASSERT_TRUE(Load("texture-filename-with-whitespace.obj")) << host_.All();
    const _MTL& w = model.materials[static_cast<std::size_t>(MaterialNamed("white"))];
    EXPECT_TRUE(w.colorTexture.ends_with("/texture 01.png")) << w.colorTexture;
}

using ObjRules = ModelFiles;

TEST_F(ObjRules, KeywordsAnyCaseCarriageReturnLinesAndCornerForms) {
    std::string obj =
        "# made by hand\rV 0 0 0\rv 1 0 0\rv 1 1 0\rVN 0 0 1\rvt 0.5 0.25\r"
        "F 1//1 2//1 3//1\rf 1/1 2/1 3/1\rf 3/1/1 2/1/1 1/1/1\r";
    CMQOfile model;
    ASSERT_TRUE(LoadModel(model, Write("cr.obj", obj))) << host_.All();
    ASSERT_EQ(model.faces.size(), 3u);
    const ModelCorner& a = model.corners[0];
    EXPECT_EQ(a.normal.z, 1.0f);
    EXPECT_EQ(a.u, 0.0f);  // v//n: no coordinate
    EXPECT_EQ(model.corners[3].u, 0.5f);
    EXPECT_EQ(model.corners[3].v, 0.25f);
    EXPECT_EQ(model.corners[3].normal.z, 0.0f);  // v/t: no normal
    EXPECT_EQ(model.corners[6].vertex, 2);
}

TEST_F(ObjRules, UsemtlWithoutLibraryReadsTheModelsOwnMtlAndGroupsSplitByMaterial) {
    Write("box.mtl", "newmtl red\nKd 1 0 0\nNs 0\nnewmtl \"two words\"\nd 0.5\nillum 1\n");
    std::string obj =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "g part\nusemtl red\nf 1 2 3\nusemtl two words\nf 1 2 3\ng part\nf 1 3 2\nusemtl red\nf 3 2 1\n";
    CMQOfile model;
    ASSERT_TRUE(LoadModel(model, Write("box.obj", obj))) << host_.All();
    ASSERT_EQ(model.materials.size(), 3u);  // red, two words, and the one for groups without
    EXPECT_EQ(model.materials[0].Kd, (Vec3{1, 0, 0}));
    EXPECT_EQ(model.materials[0].Ns, 64);  // a shininess of 0 reads as 64
    EXPECT_EQ(model.materials[1].name, "two words");
    EXPECT_EQ(model.materials[1].d, 0.5);
    EXPECT_EQ(model.materials[1].illum, 1);
    // "usemtl two words" names the material by its first word only: no such material.
    // Groups: (part, red), (part, none), and "g part" / "usemtl red" come back to the first.
    ASSERT_EQ(model.groups.size(), 2u);
    EXPECT_EQ(model.faces[0].group, 0);
    EXPECT_EQ(model.faces[1].group, 1);
    EXPECT_EQ(model.faces[2].group, 1);
    EXPECT_EQ(model.faces[3].group, 0);
    EXPECT_EQ(model.materials[static_cast<std::size_t>(model.groups[1].material)].name, "(MTLが無い)");
}

TEST_F(ObjRules, BadInputFailsWithAMessageAndLeavesNoModel) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;  // part of the message
    };
    static const char kBinary[] = "v 0 0 0\n\0\x01\x02garbage";
    std::string binary(kBinary, sizeof kBinary - 1);
    const Case cases[] = {
        {"range", "v 0 0 0\nv 1 0 0\nf 1 2 3\n", "3 行目"},
        {"before", "v 0 0 0\nf -1 -2 -3\n", "最初の頂点より前"},
        {"truncated", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nf 2 3 4", "5 行目"},
        {"texture", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1/1 2/1 3/1\n", "テクスチャ座標"},
        {"normal", "v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\nf 1//2 2//1 3//1\n", "法線"},
        {"garbage", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 x 3\n", "4 行目"},
        {"huge", "v 1e400 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", "1 行目"},
        {"overflow", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 99999999999999999999\n", "4 行目"},
        {"binary", binary, "テキストファイルではありません"},
        {"nothing", "# only a comment\nv 1 2 3\n", "面データがありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.messages.clear();
        CMQOfile model;
        std::string path = Write(std::string(c.name) + ".obj", c.text);
        EXPECT_FALSE(LoadAndPrepareModel(model, path));
        ASSERT_FALSE(host_.messages.empty());
        EXPECT_NE(host_.messages.back().find(c.message), std::string::npos) << host_.messages.back();
        EXPECT_NE(host_.All().find(path), std::string::npos);
        EXPECT_TRUE(model.vertices.empty() && model.faces.empty() && model.groups.empty());
    }
}

TEST_F(ObjRules, HugeFacesAndOverlongLinesAreReadWhole) {
    std::string obj(1 << 20, 'x');
    obj.front() = '#', obj.back() = '\n';
    std::string face = "f";
    for (int i = 0; i < 10000; ++i) {
        double angle = i * 2 * 3.141592653589793 / 10000;
        obj.append("v ").append(std::to_string(std::cos(angle))).append(" ");
        obj.append(std::to_string(std::sin(angle))).append(" 0\n");
        face.append(" ").append(std::to_string(i + 1));
    }
    obj += "g " + std::string(5000, 'n') + "\n" + face + "\n";
    CMQOfile model;
    ASSERT_TRUE(LoadAndPrepareModel(model, Write("big.obj", obj))) << host_.All();
    ASSERT_EQ(model.faces.size(), 1u);
    EXPECT_EQ(model.faces[0].cornerCount, 10000);
    EXPECT_EQ(model.groups[0].name.size(), 999u);  // names are cut, not overflowed
    EXPECT_NEAR(model.faceNormals[0].z, 1, 1e-9);
    // A ray through the disc hits it; the triangulation covers it.
    RayHit hit = CastRay(model, {0.1, 0.2, 1}, {0.1, 0.2, -1});
    EXPECT_EQ(hit.face, 0);
    EXPECT_NEAR(hit.distance, 1, 1e-9);
    EXPECT_EQ(model.Triangulation(0).size(), 3u * 9998);
}

}  // namespace
}  // namespace korvan
