#include <gtest/gtest.h>

#include <filesystem>

#include "base/KeyNames.h"
#include "base/Paths.h"
#include "base/RoundedSize.h"
#include "base/TextEncoding.h"
#include "base/Tokens.h"

namespace korvan {
namespace {

using Tokens = std::vector<std::string>;

TEST(Tokens, BlanksAndTabsSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitTokens("a  b\tc"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(SplitTokens("VIEW_CAM \"front camera\" 2"), (Tokens{"VIEW_CAM", "front camera", "2"}));
    EXPECT_EQ(SplitTokens("x\"y z\"w"), (Tokens{"xy zw"}));
    EXPECT_EQ(SplitTokens("a \"\" b"), (Tokens{"a", "", "b"}));
    EXPECT_EQ(SplitTokens("   "), Tokens{});
    EXPECT_EQ(SplitTokens("\"unterminated quote"), (Tokens{"unterminated quote"}));
}

struct ResolveCase {
    const char* folder;
    const char* name;
    const char* resolved;
};

TEST(Paths, RelativeNamesJoinTheSceneFolderAndAbsoluteOnesStay) {
    const ResolveCase cases[] = {
        {"/home/u/scenes", "ground.bmp", "/home/u/scenes/ground.bmp"},
        {"/home/u/scenes/", "img\\ground.bmp", "/home/u/scenes/img\\ground.bmp"},
        {"/home/u/scenes", "/data/g.png", "/data/g.png"},
        {"/home/u/scenes", "C:\\data\\g.png", "C:\\data\\g.png"},
        {"/home/u/scenes", "\\\\server\\share\\g.png", "\\\\server\\share\\g.png"},
        {"C:\\scenes\\", "g.png", "C:\\scenes/g.png"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolvePath(c.folder, c.name), c.resolved) << c.name;
    EXPECT_EQ(NativePath("/home/u/scenes/img\\ground.bmp"), "/home/u/scenes/img/ground.bmp");
    EXPECT_FALSE(IsAbsolutePath("a:b"));
    EXPECT_EQ(FolderOf("/home/u/s.txt"), "/home/u");
    EXPECT_EQ(FolderOf("s.txt"), "");
}

// A scene's folder and name, as loading splits its path: the folder is made absolute against the
// current folder so that names saved later can be made relative to it, and a file in the root
// folder keeps its whole name.
TEST(Paths, AScenePathSplitsIntoAnAbsoluteFolderAndItsName) {
    const std::string here = std::filesystem::current_path().string();
    const struct {
        const char* path;
        std::string folder;
        const char* name;
    } cases[] = {
        {"/scene.txt", "/", "scene.txt"},        {"/home/u/s.txt", "/home/u/", "s.txt"},
        {"s.txt", here + "/", "s.txt"},          {"sub/g.txt", here + "/sub/", "g.txt"},
        {"sub\\g.txt", here + "/sub/", "g.txt"}, {"C:\\x\\y.txt", "C:\\x/", "y.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AbsoluteFolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
    }
}

struct RelativeCase {
    const char* file;
    const char* folder;
    const char* path;
    bool relative;
};

TEST(Paths, MakeRelativeClimbsOutOfTheSaveFolder) {
    const RelativeCase cases[] = {
        {"C:\\a\\b\\x.bmp", "C:\\a\\b", "x.bmp", true},
        {"C:\\a\\b\\x.bmp", "C:\\a\\b\\", "x.bmp", true},
        {"C:\\a\\b\\x.bmp", "C:\\a\\c", "..\\b\\x.bmp", true},
        {"C:\\a\\b\\x.bmp", "C:\\a\\c\\d", "..\\..\\b\\x.bmp", true},
        {"/home/u/s/img/a.bmp", "/home/u/s", "img\\a.bmp", true},
        {"/home/u/t/a.bmp", "/home/u/s", "..\\t\\a.bmp", true},
        {"D:\\x.bmp", "C:\\a", "D:\\x.bmp", false},
    };
    for (const auto& c : cases) {
        RelativePath r = MakeRelative(c.file, c.folder);
        EXPECT_EQ(r.path, c.path) << c.file;
        EXPECT_EQ(r.relative, c.relative) << c.file;
    }
}

TEST(RoundedSize, OneTwoFiveSteps) {
    const double cases[][2] = {{4.0, 5}, {3.0, 2},  {1.5, 1},     {1.6, 2},
                               {7.0, 5}, {7.5, 10}, {0.03, 0.02}, {1, 1}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(RoundedSize(c[0]), c[1]) << c[0];
}

TEST(KeyNames, TableRunsFromLeftButtonToOemClearWithTheAliases) {
    auto table = KeyNameTable();
    ASSERT_EQ(table.size(), 138u);
    EXPECT_EQ(table.front().name, "VK_LBUTTON");
    EXPECT_EQ(table.back().code, 254);
    for (std::size_t i = 1; i < table.size(); ++i) EXPECT_LE(table[i - 1].code, table[i].code);
    EXPECT_EQ(KeyCodeOf("VK_UP"), 0x26);
    EXPECT_EQ(KeyCodeOf("vk_hangul"), 21);
    EXPECT_EQ(KeyCodeOf("VK_KANJI"), 25);
    EXPECT_EQ(KeyCodeOf("VK_OEM_1"), std::nullopt);  // punctuation keys are not in the table
    EXPECT_EQ(KeyNameOf(21), "VK_KANA");
    EXPECT_EQ(KeyNameOf('A'), "VK_A");
}

TEST(TextEncoding, ShiftJisRoundTripsJapaneseText) {
    const std::string utf8 = "完全固定 の計算で、位置が異常";
    std::string sjis = Utf8ToShiftJis(utf8);
    EXPECT_EQ(sjis.substr(0, 2), "\x8A\xAE");  // 完
    EXPECT_FALSE(IsValidUtf8(sjis));
    EXPECT_EQ(ShiftJisToUtf8(sjis), utf8);
    EXPECT_EQ(DecodeFileText(sjis), utf8);
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF" + utf8), utf8);
}

TEST(TextEncoding, UnconvertibleAndDamagedInputDegradesWithoutLosingTheRest) {
    EXPECT_EQ(Utf8ToShiftJis("a😀b"), "a?b");          // no emoji in Shift-JIS
    EXPECT_EQ(Utf8ToShiftJis("x\x80y\xE5"), "x?y?");  // stray and cut-off sequences
    EXPECT_EQ(Utf8ToShiftJis("完😀全 ok"), "\x8A\xAE?\x91\x53 ok");
    // Long ASCII stretches are skipped eight bytes at a time; repeated runs are converted once.
    for (std::size_t prefix = 0; prefix < 20; ++prefix) {
        const std::string ascii(prefix, 'a');
        EXPECT_EQ(Utf8ToShiftJis(ascii + "完" + ascii + "😀" + ascii + "完" + ascii + "😀"),
                  ascii + "\x8A\xAE" + ascii + "?" + ascii + "\x8A\xAE" + ascii + "?");
    }
    EXPECT_EQ(ShiftJisToUtf8("a\x81"), "a\xEF\xBF\xBD");  // cut-off double-byte character
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));                // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));            // surrogate
    EXPECT_TRUE(IsValidUtf8("plain ASCII"));
}

}  // namespace
}  // namespace korvan
