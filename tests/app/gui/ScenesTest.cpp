// Scenes through the window's commands: open, drive, undo, redo, save as, file drop, anomaly
// recovery and the question at exit.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <fstream>
#include <sstream>

#include "app/CommandIds.h"
#include "tests/app/gui/WindowHarness.h"

namespace korvan::test {
namespace {

double CarX(Session& s) {
    CObj* car = s.scene().FindByVarName("Car");
    return car ? car->GetPosition().x : NAN;
}

// The variable names of the bodies the headless runner loads from `path`.
std::vector<std::string> HeadlessBodies(const std::string& path) {
    QProcess p;
    p.start(QStringLiteral(KORVAN3_EXE),
            {"--headless", QString::fromStdString(path), "--frames", "1", "--print-state", "--no"});
    p.waitForFinished(120000);
    std::vector<std::string> names;
    std::istringstream out(p.readAllStandardOutput().toStdString());
    std::string tag, var, rest;
    while (out >> tag >> var && std::getline(out, rest))
        if (tag == "STATE") names.push_back(var);
    return names;
}

std::vector<std::string> WindowBodies(Session& s) {
    std::vector<std::string> names;
    for (int i = 0; i < s.scene().Count(); ++i) names.push_back(s.scene().Body(i)->varName);
    return names;
}

bool Logged(const QtHost& host, const std::string& piece) {
    for (const std::string& text : host.log)
        if (text.find(piece) != std::string::npos) return true;
    return false;
}

TEST(Scenes, OpenDriveUndoRedoSaveAsAndTheFileReloadsHeadless) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    w.host.scriptedAnswers = {Sample("car.txt")};  // the open-file dialog's choice
    ASSERT_TRUE(w.frame->commands().Run(ID_FILE_OPEN));
    ASSERT_EQ(w.session->scene().Count(), 6) << "only the ground was there: no save question";
    EXPECT_TRUE(Logged(w.host, "open: "));
    EXPECT_FALSE(Logged(w.host, "読み込みを行う前に"));

    ASSERT_TRUE(w.RunFrames(20));
    ProcessKeyState().SetDown(38, true);
    ASSERT_TRUE(w.RunFrames(90));
    ProcessKeyState().SetDown(38, false);
    EXPECT_GT(CarX(*w.session), 0.2) << "VK_UP drove the car";

    // Undo walks back through the load's backups until the last body is gone; redo brings it back.
    int undos = 0;
    while (w.session->scene().Count() == 6 && undos < 4) {
        ASSERT_TRUE(w.frame->commands().Run(ID_UNDO));
        ++undos;
    }
    EXPECT_EQ(w.session->scene().Count(), 5);
    for (int i = 0; i < undos; ++i) ASSERT_TRUE(w.frame->commands().Run(ID_REDO));
    EXPECT_EQ(w.session->scene().Count(), 6);
    EXPECT_FALSE(w.frame->commands().IsEnabled(ID_REDO));
    EXPECT_EQ(w.session->workingMode, kPlayMode);

    const std::string saved = w.folder + "saved.txt";
    w.host.scriptedAnswers = {saved};
    ASSERT_TRUE(w.frame->commands().Run(ID_FILE_SAVE));
    EXPECT_EQ(HeadlessBodies(saved), WindowBodies(*w.session));
}

TEST(Scenes, LoadingOverAModelAsksAndCancelKeepsIt) {
    Window w(On(Sample("car.txt")));
    ASSERT_TRUE(w.RunFrames(2));
    w.host.scriptedAnswers = {"cancel"};
    w.frame->commands().Run(ID_FILE_OPEN);
    EXPECT_TRUE(Logged(w.host, "読み込みを行う前に、現在のシーンを保存しますか？"));
    EXPECT_FALSE(Logged(w.host, "open: ")) << "cancel stops before the dialog";
    EXPECT_EQ(w.session->scene().Count(), 6);
}

TEST(Scenes, AFileDroppedOnTheWindowLoadsWithoutAQuestion) {
    Window w(On(Sample("car.txt")));
    ASSERT_TRUE(w.RunFrames(2));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(Sample("chain.txt")))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.frame.get(), &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.session->document.sceneFileName == "chain.txt"; }, 30000))
        << w.session->document.sceneFileName << " accepted=" << drop.isAccepted();
    EXPECT_TRUE(w.host.log.empty() || !Logged(w.host, "保存しますか"));
    EXPECT_EQ(w.frame->windowTitle().toStdString(), WindowTitle("chain.txt"));
}

TEST(Scenes, ARunAwayBodyIsRecoveredFromTheBackupBeforeIt) {
    const std::string folder = TestFolder();
    const std::string scene = folder + "runaway.txt";
    std::ofstream(scene) << "Set G = Application.AddObj( \"GROUND\" , \"G\" )\r\n"
                            "G.RHO = -1\r\n"
                            "Set B = Application.AddObj( \"BOX\" , \"B\" )\r\n"
                            "B.SetPosition 0, 0, 5\r\n"
                            "B.SetVelocity 1e30, 0, 0\r\n";
    Window w(On(scene));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Logged(w.host, "直前に保存したバックアップファイルを読み込みます"); }, 30000));
    ASSERT_TRUE(w.RunFrames(3)) << "the window runs on after the recovery";
    // Back to a backup taken before the box ran away: no body moves at an absurd speed.
    for (int i = 0; i < w.session->scene().Count(); ++i)
        EXPECT_LT(Length(w.session->scene().Body(i)->GetVelocity()), 1e3) << i;
}

TEST(Exit, TheQuestionCanCancelTheExitAndNoClosesWithoutSaving) {
    Window w(On(Sample("car.txt")));
    ASSERT_TRUE(w.RunFrames(2));
    w.host.scriptedAnswers = {"cancel"};
    EXPECT_FALSE(w.frame->close());
    EXPECT_TRUE(Logged(w.host, "終了する前に、現在のシーンを保存しますか？"));
    ASSERT_TRUE(w.RunFrames(2)) << "cancel keeps the window running";
    w.host.scriptedAnswers = {"no"};
    EXPECT_TRUE(w.frame->close());
}

TEST(Exit, AWindowWithOnlyTheGroundClosesWithoutAQuestion) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    EXPECT_TRUE(w.frame->close());
    EXPECT_FALSE(Logged(w.host, "終了する前に"));
}

}  // namespace
}  // namespace korvan::test
