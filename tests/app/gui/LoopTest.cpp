// The main loop's supervision and the start-up benchmark, on a session of their own driven by a
// clock the test moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CoreBenchmark.h"
#include "app/MainLoop.h"
#include "tests/app/gui/WindowHarness.h"

namespace korvan::test {
namespace {

double fakeNow = 1000;
double FakeClock() {
    return fakeNow;
}

struct LoopRig {
    std::string folder = TestFolder();
    std::unique_ptr<Session> session;
    std::vector<double> warnings;
    std::vector<std::string> progress;
    bool finished = false;

    LoopRig() {
        ::setenv("TMPDIR", folder.c_str(), 1);
        session = std::make_unique<Session>(SourceFolders(folder + "KORVAN3.ini"), QuietSettings(), 2,
                                            static_cast<int>(::getpid()));
        session->Initialise();
    }
    LoopHooks Hooks() {
        LoopHooks h;
        h.delayWarning = [this](double average) { warnings.push_back(average); };
        return h;
    }
};

// Runs one due pass that begins `latePercent` of a frame period after it was due.
void LatePass(MainLoop& loop, Session& s, double latePercent) {
    fakeNow = loop.lastFrameTime + s.scene().settings.frameTime * (1 + latePercent / 100);
    ASSERT_TRUE(loop.Pass());
}

TEST(MainLoop, AHundredLateFramesInARowGiveTheDelayWarningOnce) {
    LoopRig rig;
    MainLoop loop(*rig.session, rig.Hooks(), FakeClock);
    fakeNow = 1000;
    ASSERT_TRUE(loop.Pass());  // the first pass: no lateness yet
    for (int i = 0; i < 99; ++i) LatePass(loop, *rig.session, 54);
    EXPECT_TRUE(rig.warnings.empty());
    LatePass(loop, *rig.session, 10);  // one frame in time starts the run again
    for (int i = 0; i < 99; ++i) LatePass(loop, *rig.session, 54);
    EXPECT_TRUE(rig.warnings.empty());
    LatePass(loop, *rig.session, 54);
    ASSERT_EQ(rig.warnings.size(), 1u);
    // The average runs over every frame counted since the scene was cleared.
    EXPECT_NEAR(rig.warnings[0], (199 * 54.0 + 10) / 201, 0.01);
    for (int i = 0; i < 200; ++i) LatePass(loop, *rig.session, 80);
    EXPECT_EQ(rig.warnings.size(), 1u) << "once per scene";
}

TEST(MainLoop, PassesAreDueOneFrameTimeAfterThePreviousAndBusyPassesCountNothing) {
    LoopRig rig;
    MainLoop loop(*rig.session, rig.Hooks(), FakeClock);
    fakeNow = 2000;
    ASSERT_TRUE(loop.Pass());
    const double frame = rig.session->scene().settings.frameTime;
    fakeNow += frame * 0.5;
    EXPECT_FALSE(loop.Pass()) << "not due yet";
    EXPECT_NEAR(loop.SecondsUntilDue(), frame * 0.5, 1e-9);
    const int passes = loop.idlePassCount;
    loop.modalUi = true;
    fakeNow += frame * 10;
    EXPECT_FALSE(loop.Pass());
    EXPECT_EQ(loop.idlePassCount, passes);
    loop.modalUi = false;
    ASSERT_TRUE(loop.Pass());
    EXPECT_NEAR(loop.lateness, frame * 9.5, 1e-9) << "late frames are not made up";
    loop.SceneCleared();
    EXPECT_EQ(loop.SecondsUntilDue(), 0) << "after a cleared scene the next pass is due at once";
}

TEST(MainLoop, ThePointerCountsAsAtRestOnThe201stUnchangedPassNotWhileBusy) {
    LoopRig rig;
    std::pair<int, int> pointer{10, 20};
    LoopHooks hooks = rig.Hooks();
    hooks.pointer = [&pointer] { return pointer; };
    MainLoop loop(*rig.session, hooks, FakeClock);
    fakeNow = 3000;
    loop.Pass();
    EXPECT_EQ(loop.pointerActive, 1) << "a first position counts as a move";
    for (int i = 0; i < 199; ++i) loop.Pass();  // passes, due or not
    loop.modalUi = true;
    for (int i = 0; i < 50; ++i) loop.Pass();
    loop.modalUi = false;
    loop.Pass();
    EXPECT_EQ(loop.pointerActive, 1) << "200 unchanged passes; busy ones do not count";
    loop.Pass();
    EXPECT_EQ(loop.pointerActive, 0) << "the 201st unchanged pass";
    pointer.first += 1;
    loop.Pass();
    EXPECT_EQ(loop.pointerActive, 1);
}

TEST(CoreBenchmark, MeasuresEveryThreadCountWithProgressAndStoresTheBest) {
    LoopRig rig;
    CoreBenchmark benchmark(*rig.session,
                            {[&](const std::string& title, const std::string& text, int percent) {
                                 rig.progress.push_back(title + "|" + text + "|" + std::to_string(percent));
                             },
                             nullptr, [&] { rig.finished = true; }},
                            FakeClock);
    fakeNow = 3000;
    benchmark.Start();
    EXPECT_GT(rig.session->scene().Count(), 100) << "the benchmark scene is loaded";
    // Two passes per half-second window; the two-thread window has the shorter longest interval.
    const double intervals[2][2] = {{0.030, 0.040}, {0.020, 0.025}};
    for (int threads = 0; threads < 2; ++threads)
        for (int pass = 0; pass < 2; ++pass) {
            fakeNow += 0.3;
            benchmark.AfterPass(fakeNow, fakeNow - 0.01, intervals[threads][pass]);
        }
    EXPECT_FALSE(benchmark.running());
    EXPECT_TRUE(rig.finished);
    EXPECT_EQ(benchmark.result, 2);
    EXPECT_EQ(rig.session->document.sceneFileName, "") << "the scene path before the benchmark is back";
    EXPECT_EQ(benchmark.maxIntervals, (std::vector<double>{0.040, 0.025}));
    EXPECT_EQ(rig.session->settings.ENV_OPTIMIZED_CORES, 2);
    EXPECT_EQ(rig.session->settings.ENV_CUR_CPUS_MODE, 0);
    const std::string text = "マルチスレッドの設定が「起動時に測定」の時、この測定を行います。 ";
    EXPECT_EQ(rig.progress, (std::vector<std::string>{"最適コア数測定中...|" + text + "1 / 2|50",
                                                      "最適コア数測定中...|" + text + "2 / 2|100"}));
}

}  // namespace
}  // namespace korvan::test
