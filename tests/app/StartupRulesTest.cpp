#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Monitor.h"
#include "base/Tokens.h"

namespace korvan {
namespace {

using Tokens = std::vector<std::string>;

TEST(CommandLine, OculusSwitchesInTheirThreeSpellings) {
    const struct {
        Tokens tokens;
        HeadMountedRequest request;
    } cases[] = {
        {{"KORVAN3"}, HeadMountedRequest::None},
        {{"KORVAN3", "/oculus"}, HeadMountedRequest::Use},
        {{"KORVAN3", "/OCULUS"}, HeadMountedRequest::Use},
        {{"KORVAN3", "/Oculus"}, HeadMountedRequest::Use},
        {{"KORVAN3", "/nooculus"}, HeadMountedRequest::DontUse},
        {{"KORVAN3", "/NOOCULUS"}, HeadMountedRequest::DontUse},
        {{"KORVAN3", "/NoOculus"}, HeadMountedRequest::DontUse},
        {{"KORVAN3", "/nooculus", "scene.txt", "/oculus"}, HeadMountedRequest::Use},  // "use" wins
        {{"KORVAN3", "/oCuLuS"}, HeadMountedRequest::None},                           // other spellings
        {{"KORVAN3", "/NOOculus"}, HeadMountedRequest::None},
        {{"KORVAN3", "/home/u/oculus/scene.txt"}, HeadMountedRequest::None},  // only whole arguments
        {{"/opt/oculus", "scene.txt"}, HeadMountedRequest::None},             // not the program name
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeadMountedRequestOf(c.tokens), c.request) << ::testing::PrintToString(c.tokens);
}

TEST(CommandLine, TheQuestionIsAskedOnlyWhenNothingElseDecides) {
    const struct {
        HeadMountedRequest request;
        int show, use;
        bool asks, uses;
    } cases[] = {
        {HeadMountedRequest::DontUse, 1, 1, false, false},  // "/nooculus" suppresses the question
        {HeadMountedRequest::Use, 1, 0, false, true},      {HeadMountedRequest::None, 1, 0, true, false},
        {HeadMountedRequest::None, 0, 1, false, true},  // the stored answer decides
        {HeadMountedRequest::None, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        Settings s;
        s.ENV_OCULUS_SHOW = c.show, s.ENV_OCULUS_USE = c.use;
        EXPECT_EQ(AsksHeadMountedQuestion(c.request, s), c.asks);
        bool uses = UsesHeadMountedDisplay(c.request, s);
        EXPECT_EQ(uses, c.uses);
        EXPECT_EQ(StartupStereoMode(uses), c.uses ? 3 : 0);
    }
}

TEST(CommandLine, WidthAndHeightTakeTheTokenAfterThem) {
    const struct {
        const char* line;
        WindowSize size;
    } cases[] = {
        {"KORVAN3", {960, 540}},
        {"KORVAN3 /width 1280 /height 800", {1280, 800}},
        {"KORVAN3 /WIDTH 1280px /Height\t800", {1280, 800}},
        {"KORVAN3 /oculus /width", {960, 540}},           // last keyword has no value
        {"KORVAN3 /height 600 /height 700", {960, 700}},  // the last one counts
        {"KORVAN3 /width /height 800", {960, 540}},       // "/height" is /width's value
        {"KORVAN3 /width 0 /height -5", {960, 540}},      // no window without a size
        {"KORVAN3 \"my scene.txt\" /width 1024", {1024, 540}},
        {"KORVAN3 -width 1024 width 1024", {960, 540}},
    };
    for (const auto& c : cases) EXPECT_EQ(HeadMountedWindowSize(SplitTokens(c.line)), c.size) << c.line;

    const char* argv[] = {"KORVAN3", "/width", "1280", "/height", "800"};
    EXPECT_EQ(HeadMountedWindowSize(CommandLineTokens(5, argv)), (WindowSize{1280, 800}));
}

TEST(Monitor, TheFirstMonitorUnderThePointerGivesRectangleAndFrameRate) {
    const std::vector<DisplayDevice> devices = {
        {"left", {-1280, 0, 1280, 1024}, 75},
        {"main", {0, 0, 1920, 1080}, 59},
        {"rdpdd", {1920, 0, 1920, 1080}, 60},
        {"overlap", {0, 0, 3840, 1080}, 144},
    };
    const ScreenRect primary{0, 0, 1920, 1080};
    const struct {
        int x, y;
        ScreenRect rect;
        int fps;
        bool remote;
    } cases[] = {
        {100, 100, {0, 0, 1920, 1080}, 60, false},  // 59 Hz counts as 60
        {-1, 1023, {-1280, 0, 1280, 1024}, 75, false},
        {1920, 0, {1920, 0, 1920, 1080}, 60, true},  // right edge belongs to the next monitor
        {100, 1080, {0, 0, 1920, 1080}, 60, false},  // below every monitor: the primary screen
    };
    for (const auto& c : cases) {
        MonitorChoice m = CheckMonitor(devices, c.x, c.y, primary);
        EXPECT_EQ(m.rect, c.rect) << c.x << "," << c.y;
        EXPECT_EQ(m.framesPerSecond, c.fps) << c.x << "," << c.y;
        EXPECT_EQ(m.remote, c.remote) << c.x << "," << c.y;
    }
    for (auto [reported, fps] : {std::pair{59, 60}, {60, 60}, {0, 60}, {1, 60}, {30, 30}, {120, 120}})
        EXPECT_EQ(FramesPerSecondOf(reported), fps) << reported;
}

TEST(Monitor, TheMainWindowSpansFromTenToEightyPercent) {
    // Full HD, frame border 4 and caption 23: left 192, right edge 1536, bottom 864.
    ScreenRect r = MainWindowRect({0, 0, 1920, 1080}, 4, 23);
    EXPECT_EQ(r, (ScreenRect{192, 151, 1344, 713}));
    // A tall caption pushes the top down; 10 % of the height wins on a large monitor.
    EXPECT_EQ(MainWindowRect({0, 0, 1920, 1080}, 4, 0).top, 128);
    EXPECT_EQ(MainWindowRect({0, 0, 2560, 2880}, 4, 23).top, 288);
    // A monitor left of the primary one.
    EXPECT_EQ(MainWindowRect({-1366, 0, 1366, 768}, 4, 23), (ScreenRect{-1229, 151, 956, 463}));
}

TEST(Monitor, TheHeadMountedWindowIsCentredWithItsFrame) {
    WindowSize client = HeadMountedWindowSize(SplitTokens("KORVAN3 /width 1280 /height 800 /oculus"));
    ScreenRect r = HeadMountedWindowRect({0, 0, 1920, 1080}, client, {16, 59});
    EXPECT_EQ(r, (ScreenRect{(1920 - 1296) / 2, (1080 - 859) / 2, 1296, 859}));
    EXPECT_EQ(HeadMountedWindowRect({1920, 0, 1920, 1080}, {}, {0, 0}), (ScreenRect{2400, 270, 960, 540}));
}

}  // namespace
}  // namespace korvan
