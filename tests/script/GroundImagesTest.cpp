// The ground's images as the loader reads them for SetHeightBmp and SetColorBmp: names resolved
// against the scene folder, files decoded into the height grid and the colour picture, and every
// image that cannot be used reported with the ground built flat (or uncoloured).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Host.h"
#include "script/GroundImages.h"
#include "sim/Scene.h"
#include "tests/support/TestBmp.h"

namespace korvan {
namespace {

using test::Grey;
using test::MakeBmp;
using test::Rgb;

struct RecordingHost : ConsoleHost {
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

class GroundImages : public ::testing::Test {
  protected:
    void SetUp() override { SetHost(&host); }
    void TearDown() override { SetHost(nullptr); }

    RecordingHost host;
    CScene scene;
    test::TempFolder folder;
};

// level = (b0 + 4 b1 + 2 b2) / 7 over red, green, blue, read from a real file.
TEST_F(GroundImages, HeightImageBecomesTheGroundsLevels) {
    CObjGround* g = scene.Create<CObjGround>("g");
    const std::string path =
        folder.Write("h.bmp", MakeBmp({{Rgb{70, 0, 0}, Rgb{0, 70, 0}}, {Rgb{0, 0, 70}, Rgb{255, 255, 255}}}));
    SetHeightBmp(*g, "h.bmp", folder.Path() + "/");
    EXPECT_EQ(g->heightImagePath, path);
    EXPECT_EQ(g->heightGrid.columns, 2);
    EXPECT_EQ(g->heightGrid.rows, 2);
    EXPECT_EQ(g->heightGrid.levels, (std::vector<std::uint8_t>{10, 40, 20, 255}));
    g->MakeModel();
    EXPECT_EQ(g->gridColumns, 2);
    EXPECT_TRUE(host.messages.empty());
}

// Images that cannot be used leave a flat ground and a message; the session goes on.
TEST_F(GroundImages, UnusableHeightImagesAreReportedAndTheGroundIsBuiltFlat) {
    struct Case {
        std::string file;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    const std::vector<std::uint8_t> garbage = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<std::uint8_t> cut = MakeBmp({{Grey(1), Grey(2)}});
    cut.resize(cut.size() - 3);
    const Case cases[] = {
        {"broken.png", garbage, " が認識できません"},   {"cut.bmp", cut, " が認識できません"},
        {"relief.tga", {1, 2, 3}, " が認識できません"}, {"noextension", {1, 2, 3}, " が認識できません"},
        {"absent.png", {}, " が見つかりません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        host.messages.clear();
        CObjGround* g = scene.Create<CObjGround>("g");
        const std::string path = folder.Path() + "/" + c.file;
        if (!c.bytes.empty()) folder.Write(c.file, c.bytes);
        SetHeightBmp(*g, c.file, folder.Path() + "/");
        g->MakeModel();
        EXPECT_EQ(g->gridColumns, 1);
        EXPECT_EQ(g->FaceCount(), 4);
        EXPECT_TRUE(g->heightImagePath.empty());
        EXPECT_EQ(host.messages, std::vector<std::string>{path + c.message});
    }
}

TEST_F(GroundImages, NameThatCannotBeMadeFullIsReportedAndTheGroundStaysFlat) {
    CObjGround* g = scene.Create<CObjGround>("g");
    SetHeightBmp(*g, folder.Write("h.bmp", MakeBmp({{Grey(0), Grey(255)}})), "");
    g->MakeModel();
    ASSERT_EQ(g->gridColumns, 2);
    SetHeightBmp(*g, "relief.bmp", "");  // no scene folder to join it to
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "relief.bmp は\n\nフルパスである必要があります");
    g->MakeModel();
    EXPECT_EQ(g->gridColumns, 1);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(GroundImages, ColourImageIsDecodedAtOnceAndAMissingOneIsReported) {
    CObjGround* g = scene.Create<CObjGround>("g");
    const std::string path = folder.Write("c.bmp", MakeBmp({{Rgb{10, 20, 30}, Rgb{40, 50, 60}}}));
    const int revision = g->colorImageRevision;
    SetColorBmp(*g, "c.bmp", folder.Path());
    EXPECT_EQ(g->colorImagePath, path);
    ASSERT_EQ(g->colorImage.width, 2);
    EXPECT_EQ(g->colorImage.Pixel(1, 0)[0], 40);
    EXPECT_NE(g->colorImageRevision, revision);
    EXPECT_TRUE(host.messages.empty());

    SetColorBmp(*g, "gone.bmp", folder.Path());
    EXPECT_EQ(host.messages, std::vector<std::string>{folder.Path() + "/gone.bmp が見つかりません"});
    EXPECT_TRUE(g->colorImagePath.empty());
    EXPECT_TRUE(g->colorImage.Empty());
}

}  // namespace
}  // namespace korvan
