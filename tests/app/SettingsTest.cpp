#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/Settings.h"
#include "app/ThreadSettingsLink.h"
#include "base/TextEncoding.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;

// The file a fresh installation writes, line by line as the formats lay it out.
constexpr std::string_view kDefaultFile = R"(VIEW_PLAY_SOLID             0
VIEW_PLAY_SKIN              1
VIEW_PLAY_BLENDALL              0
VIEW_PLAY_WIREFRAME              0
VIEW_PLAY_CRASH             0
VIEW_PLAY_JOIN              0
VIEW_PLAY_SEL               1
VIEW_PLAY_DRAG              1
VIEW_PLAY_PANEL             1
VIEW_PLAY_SEAL              1
VIEW_PLAY_SHADE             1
VIEW_PLAY_RANK              1
VIEW_PLAY_FORCE             0
VIEW_PLAY_SPEED             1
VIEW_PLAY_BGM               1
VIEW_PLAY_BACKGROUND        1
VIEW_FACTORY_SOLID          1
VIEW_FACTORY_SKIN           1
VIEW_FACTORY_BLENDALL           1
VIEW_FACTORY_WIREFRAME           1
VIEW_FACTORY_CRASH          1
VIEW_FACTORY_JOIN           1
VIEW_FACTORY_SEL            1
VIEW_FACTORY_DRAG           1
VIEW_FACTORY_PANEL          1
VIEW_FACTORY_SEAL           0
VIEW_FACTORY_SHADE          0
VIEW_FACTORY_RANK           1
VIEW_FACTORY_FORCE          1
VIEW_FACTORY_SPEED          1
VIEW_FACTORY_BGM            0
VIEW_FACTORY_BACKGROUND     0
MOUSE_ROTATE 2
MOUSE_MOVE   6
MOUSE_ZOOM   4
ENV_GL_LIMIT2POWER  0
ENV_CUR_CPUS_MODE   3
ENV_CUR_CPUS_NUM    1
ENV_OPTIMIZED_CORES -1
ENV_STEREO_MODE     0
ENV_STEREO_ANGLE    2.000000
ENV_STEREO_SWAP     0
ENV_STEREO_SETPRJ   1
ENV_STEREO_USECAM   0
ENV_STEREO_CAMNAME  ""
ENV_STEREO_CAMX     1.000000
ENV_STEREO_CAMY     1.000000
ENV_ANTI_START      0
ENV_OCULUS_SHOW      1
ENV_OCULUS_USE       0
)";

std::string WithCrLf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void PutFile(const fs::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A private folder under the temporary folder, removed afterwards.
class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("korvan-settings-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    fs::path folder_;
};

// Every value away from its default, with text that needs quoting and Shift-JIS.
Settings Unusual() {
    Settings s;
    for (int i = 0; i < kViewFlagCount; ++i) s.VIEW_PLAY[i] = 1 - s.VIEW_PLAY[i];
    for (int i = 0; i < kViewFlagCount; ++i) s.VIEW_FACTORY[i] = 1 - s.VIEW_FACTORY[i];
    s.MOUSE_ROTATE = 1, s.MOUSE_MOVE = 3, s.MOUSE_ZOOM = 5;
    s.ENV_GL_LIMIT2POWER = 1;
    s.ENV_CUR_CPUS_MODE = 2, s.ENV_CUR_CPUS_NUM = 7, s.ENV_OPTIMIZED_CORES = 5;
    s.ENV_STEREO_ANGLE = -3.25;
    s.ENV_STEREO_SWAP = 1, s.ENV_STEREO_SETPRJ = 0, s.ENV_STEREO_USECAM = 1;
    s.ENV_STEREO_CAMNAME = "USB カメラ (front)";
    s.ENV_STEREO_CAMX = 0.5, s.ENV_STEREO_CAMY = 12.125;
    s.ENV_ANTI_START = 8, s.ENV_OCULUS_SHOW = 0, s.ENV_OCULUS_USE = 1;
    s.ENV_AUTOSEARCH = {{"wheel.mqo", "/home/u/モデル/car parts"}, {"ground.bmp", "/data"}};
    return s;
}

TEST_F(SettingsFile, DefaultsAreWrittenInTheFixedLayoutWithCrLf) {
    EXPECT_EQ(SettingsFileBytes(Settings{}), WithCrLf(kDefaultFile));
}

TEST_F(SettingsFile, TextIsWrittenInShiftJisAndAutoSearchLinesFollowTheKeys) {
    Settings s;
    s.ENV_STEREO_CAMNAME = "カメラ 1";
    s.ENV_AUTOSEARCH = {{"a b.mqo", "/x"}, {"c.obj", ""}};
    std::string bytes = SettingsFileBytes(s);
    EXPECT_NE(bytes.find("ENV_STEREO_CAMNAME  \"\x83\x4A\x83\x81\x83\x89 1\"\r\n"), std::string::npos);
    std::string tail =
        "ENV_OCULUS_USE       0\r\n"
        "ENV_AUTOSEARCH   \"a b.mqo\"   \"/x\" \r\n"
        "ENV_AUTOSEARCH   \"c.obj\"   \"\" \r\n";
    EXPECT_TRUE(bytes.ends_with(tail));
}

TEST_F(SettingsFile, WriteThenReadGivesTheSameRecordAndTheSameBytes) {
    Settings written = Unusual();
    ASSERT_TRUE(WriteSettings(Path("KORVAN3.ini"), written));
    Settings read;
    ASSERT_TRUE(ReadSettings(Path("KORVAN3.ini"), read));
    EXPECT_EQ(read, written);
    ASSERT_TRUE(WriteSettings(Path("again.ini"), read));
    EXPECT_EQ(FileBytes(Path("again.ini")), FileBytes(Path("KORVAN3.ini")));
    EXPECT_FALSE(IsValidUtf8(FileBytes(Path("KORVAN3.ini"))));  // Shift-JIS on disk
}

TEST_F(SettingsFile, QuotesAndLineBreaksInNamesCannotBreakTheFile) {
    Settings written;
    written.ENV_STEREO_CAMNAME = "Cam \"HD\"\r\nMOUSE_ZOOM 9";
    written.ENV_AUTOSEARCH = {{"a\" b.obj", "/x\ny"}};
    std::string bytes = SettingsFileBytes(written);
    EXPECT_NE(bytes.find("ENV_STEREO_CAMNAME  \"Cam HDMOUSE_ZOOM 9\"\r\n"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("ENV_AUTOSEARCH   \"a b.obj\"   \"/xy\" \r\n"));
    Settings read;
    ApplySettingsText(bytes, read);
    EXPECT_EQ(read.MOUSE_ZOOM, 4);
    EXPECT_EQ(read.ENV_AUTOSEARCH, (std::vector<AutoSearchPair>{{"a b.obj", "/xy"}}));
}

TEST_F(SettingsFile, StereoModeIsWrittenButNeverRead) {
    Settings written;
    written.ENV_STEREO_MODE = 3;
    EXPECT_NE(SettingsFileBytes(written).find("ENV_STEREO_MODE     3\r\n"), std::string::npos);
    Settings read;
    ApplySettingsText(ShiftJisToUtf8(SettingsFileBytes(written)), read);
    EXPECT_EQ(read.ENV_STEREO_MODE, 0);
}

struct ReadCase {
    const char* what;
    const char* text;
    void (*expect)(Settings&);  // turns the defaults into what the text should give
};

TEST_F(SettingsFile, LinesAreReadByTheirKeysInAnyCase) {
    const ReadCase cases[] = {
        {"lower-case key", "mouse_zoom 5\n", [](Settings& s) { s.MOUSE_ZOOM = 5; }},
        {"mixed case and tabs", "\tEnv_Cur_Cpus_Num\t\t6\r\n", [](Settings& s) { s.ENV_CUR_CPUS_NUM = 6; }},
        {"quoted camera name keeps its blanks", "ENV_STEREO_CAMNAME  \"Logi  Cam\tHD\"\r\n",
         [](Settings& s) { s.ENV_STEREO_CAMNAME = "Logi  Cam\tHD"; }},
        {"camera name without quotes is its first token", "ENV_STEREO_CAMNAME Logi Cam\n",
         [](Settings& s) { s.ENV_STEREO_CAMNAME = "Logi"; }},
        {"trailing garbage after numbers",
         "MOUSE_ROTATE 3x\nENV_STEREO_ANGLE 2.5deg\nENV_STEREO_CAMX -1.5e1;\nENV_ANTI_START 4.9\n",
         [](Settings& s) {
             s.MOUSE_ROTATE = 3, s.ENV_STEREO_ANGLE = 2.5, s.ENV_STEREO_CAMX = -15, s.ENV_ANTI_START = 4;
         }},
        {"no number reads as 0", "MOUSE_MOVE abc\nENV_OCULUS_SHOW\nENV_STEREO_CAMY .\n",
         [](Settings& s) { s.MOUSE_MOVE = 0, s.ENV_OCULUS_SHOW = 0, s.ENV_STEREO_CAMY = 0; }},
        {"a key given twice takes its last value", "MOUSE_ZOOM 5\nMOUSE_ZOOM 7\n",
         [](Settings& s) { s.MOUSE_ZOOM = 7; }},
        {"unknown keys and blank lines are skipped", "MOUSE_ZOOMX 5\n\n   \nVIEW_PLAY 1\n# MOUSE_MOVE 1\n",
         [](Settings&) {}},
        {"view flags by name", "VIEW_PLAY_SOLID 1\nview_factory_background 1\nVIEW_FACTORY_SOLID 0\n",
         [](Settings& s) { s.VIEW_PLAY[0] = 1, s.VIEW_FACTORY[15] = 1, s.VIEW_FACTORY[0] = 0; }},
        {"thread keys", "ENV_CUR_CPUS_MODE 0\nENV_OPTIMIZED_CORES 3\n",
         [](Settings& s) { s.ENV_CUR_CPUS_MODE = 0, s.ENV_OPTIMIZED_CORES = 3; }},
        {"stereo mode is ignored", "ENV_STEREO_MODE 3\n", [](Settings&) {}},
        {"numbers past the int range are clamped", "MOUSE_ZOOM 99999999999\nMOUSE_MOVE -99999999999\n",
         [](Settings& s) { s.MOUSE_ZOOM = 2147483647, s.MOUSE_MOVE = -2147483647 - 1; }},
        {"auto-search pairs are appended in order",
         "ENV_AUTOSEARCH \"wheel.mqo\" \"/home/u/car parts\"\nenv_autosearch body.obj /m extra\n"
         "ENV_AUTOSEARCH lonely.obj\n",
         [](Settings& s) {
             s.ENV_AUTOSEARCH = {{"wheel.mqo", "/home/u/car parts"}, {"body.obj", "/m"}, {"lonely.obj", ""}};
         }},
    };
    for (const ReadCase& c : cases) {
        Settings read, expected;
        ApplySettingsText(c.text, read);
        c.expect(expected);
        EXPECT_EQ(read, expected) << c.what;
    }
}

TEST_F(SettingsFile, AnOverlongLineIsCutAndItsRestIsNotReadAsALine) {
    // 999 characters are kept: the key, a blank and 980 name characters; the rest is dropped,
    // including what looks like a key line of its own.
    std::string line =
        "ENV_STEREO_CAMNAME " + std::string(980, 'c') + std::string(100, 'd') + " MOUSE_ZOOM 9";
    Settings read;
    ApplySettingsText(line + "\nMOUSE_MOVE 1\n", read);
    EXPECT_EQ(read.ENV_STEREO_CAMNAME, std::string(980, 'c'));
    EXPECT_EQ(read.MOUSE_ZOOM, 4);
    EXPECT_EQ(read.MOUSE_MOVE, 1);

    // Characters, not bytes: 999 three-byte characters fit.
    std::string kana;
    for (int i = 0; i < 1000; ++i) kana += "カ";
    ApplySettingsText("ENV_STEREO_CAMNAME \"" + kana + "\"", read);
    EXPECT_EQ(read.ENV_STEREO_CAMNAME.size(), (999 - 20) * 3u);
}

TEST_F(SettingsFile, ShiftJisAndUtf8FilesAreBothRead) {
    PutFile(Path("sjis.ini"), "ENV_STEREO_CAMNAME \"\x83\x4A\x83\x81\x83\x89 1\"\r\nMOUSE_ZOOM 3\r\n");
    PutFile(Path("utf8.ini"), "\xEF\xBB\xBFMOUSE_ZOOM 3\nENV_STEREO_CAMNAME \"カメラ 1\"\n");
    for (const char* name : {"sjis.ini", "utf8.ini"}) {
        Settings s;
        ASSERT_TRUE(ReadSettings(Path(name), s));
        EXPECT_EQ(s.ENV_STEREO_CAMNAME, "カメラ 1") << name;
        EXPECT_EQ(s.MOUSE_ZOOM, 3) << name;
    }
}

TEST_F(SettingsFile, AMissingOrUnreadableFileLeavesTheDefaults) {
    fs::create_directories(folder_ / "folder.ini");
    PutFile(Path("empty.ini"), "");
    PutFile(Path("binary.ini"), std::string("\0\xFF\xFE\x01\n\x80\x80", 7));
    Settings s;
    EXPECT_FALSE(ReadSettings(Path("missing.ini"), s));
    EXPECT_FALSE(ReadSettings(Path("folder.ini"), s));
    EXPECT_TRUE(ReadSettings(Path("empty.ini"), s));
    EXPECT_TRUE(ReadSettings(Path("binary.ini"), s));
    EXPECT_EQ(s, Settings{});
}

TEST_F(SettingsFile, WritingCreatesTheFolderOrFailsWithoutLeavingAnything) {
    std::string nested = Path("config/KORVAN3/KORVAN3.ini");
    ASSERT_TRUE(WriteSettings(nested, Settings{}));
    EXPECT_EQ(FileBytes(nested), WithCrLf(kDefaultFile));

    PutFile(Path("plain-file"), "x");
    EXPECT_FALSE(WriteSettings(Path("plain-file/KORVAN3.ini"), Settings{}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);

    // Replacing an existing file leaves no temporary file beside it.
    ASSERT_TRUE(WriteSettings(nested, Unusual()));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(nested).parent_path()), fs::directory_iterator()),
              1);
}

TEST(Settings, UnmeasuredCoreCountBecomesOneLessThanTheProcessors) {
    const struct {
        int stored, processors, expected;
    } cases[] = {{-1, 8, 7}, {-1, 2, 1}, {-1, 1, 1}, {-5, 16, 15}, {0, 8, 0}, {3, 8, 3}};
    for (const auto& c : cases) {
        Settings s;
        s.ENV_OPTIMIZED_CORES = c.stored;
        FixOptimizedCores(s, c.processors);
        EXPECT_EQ(s.ENV_OPTIMIZED_CORES, c.expected) << c.stored << " with " << c.processors;
    }
}

TEST(Settings, ThreadKeysTravelToTheSchedulerAndBack) {
    Settings s;
    s.ENV_CUR_CPUS_MODE = 2, s.ENV_CUR_CPUS_NUM = 3;
    FixOptimizedCores(s, 8);
    ThreadSettings threads = ThreadSettingsOf(s, 8);
    EXPECT_EQ(ChooseThreadCount(threads, 1), 3);
    threads.ENV_CUR_CPUS_MODE = 0, threads.ENV_OPTIMIZED_CORES = 5;  // what the benchmark finds
    StoreThreadSettings(threads, s);
    EXPECT_EQ(s.ENV_CUR_CPUS_MODE, 0);
    EXPECT_EQ(s.ENV_OPTIMIZED_CORES, 5);
    EXPECT_EQ(s.ENV_CUR_CPUS_NUM, 3);
}

}  // namespace
}  // namespace korvan
