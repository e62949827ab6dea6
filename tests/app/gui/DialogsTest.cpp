// The window's questions and dialogs as a user meets them: the host is not unattended, so the
// real message boxes and dialogs open with their own event loops, and a timer answers them by
// clicking their buttons with QTest, the way a hand on the mouse would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/AccuracyDialog.h"
#include "app/CommandIds.h"
#include "app/MultithreadDialog.h"
#include "sim/Accuracy.h"
#include "tests/app/gui/WindowHarness.h"

namespace korvan::test {
namespace {

using Act = std::function<void(QWidget*)>;

// Runs `act` on the next modal widget of type W that opens and has not been answered yet. Each
// call has a timer of its own, so an answer can open another modal widget and have that one
// answered too. A widget left open after a minute is closed, so a test that goes wrong fails
// instead of hanging.
template <class W = QWidget>
void OnNextModal(std::function<void(W*)> act) {
    auto* timer = new QTimer(qApp);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, deadline] {
        QWidget* top = QApplication::activeModalWidget();
        W* w = qobject_cast<W*>(top);
        const bool fresh = w && w->isVisible() && !w->property("answered").toBool();
        if (!fresh && std::chrono::steady_clock::now() < deadline) return;
        timer->stop();
        timer->deleteLater();
        if (!fresh) {
            if (top) top->close();
            ADD_FAILURE() << "no " << W::staticMetaObject.className() << " to answer";
            return;
        }
        w->setProperty("answered", true);
        act(w);
    });
    timer->start(20);
}

// Answers the next message boxes in turn with `buttons`, keeping their texts in `texts`.
void PressInTurn(std::vector<QMessageBox::StandardButton> buttons,
                 std::shared_ptr<std::vector<QString>> texts) {
    if (buttons.empty()) return;
    OnNextModal<QMessageBox>([buttons, texts](QMessageBox* box) {
        texts->push_back(box->text());
        PressInTurn({buttons.begin() + 1, buttons.end()}, texts);
        QAbstractButton* button = box->button(buttons.front());
        ASSERT_NE(button, nullptr) << box->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

std::shared_ptr<std::vector<QString>> Texts() {
    return std::make_shared<std::vector<QString>>();
}

QAbstractButton* DialogButton(QWidget* dialog, QDialogButtonBox::ButtonRole role) {
    for (auto* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == role) return b;
    return nullptr;
}

// Replaces the edit's text by typing; Return (in a dialog without buttons) finishes the edit.
void TypeInto(QLineEdit* edit, const QString& text, bool pressReturn = true) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (pressReturn) QTest::keyClick(edit, Qt::Key_Return);
}

// The window after its first pass (which clears the scene) with a copy of the car loaded.
std::string LoadCarCopy(Window& w) {
    const std::string scene = w.folder + "car.txt";
    std::filesystem::copy_file(Sample("car.txt"), scene);
    EXPECT_TRUE(w.RunFrames(2));
    EXPECT_TRUE(w.frame->commands().LoadScene(scene));
    EXPECT_TRUE(w.RunFrames(2));
    return scene;
}

TEST(ExitQuestion, TheRealBoxCancelsTheExitAndYesSavesThroughTheFileDialog) {
    Window w;
    LoadCarCopy(w);
    w.host.unattended = false;

    auto texts = Texts();
    PressInTurn({QMessageBox::Cancel}, texts);
    EXPECT_FALSE(w.frame->close());
    ASSERT_EQ(texts->size(), 1u);
    EXPECT_EQ(texts->front(), QString::fromUtf8("終了する前に、現在のシーンを保存しますか？"));
    ASSERT_TRUE(w.RunFrames(2)) << "cancel keeps the window running";

    const std::string saved = w.folder + "saved.txt";
    PressInTurn({QMessageBox::Yes}, texts);
    OnNextModal<QFileDialog>([saved](QFileDialog* dialog) {
        // The folder is listed in the background and may select the proposed name once listed;
        // the name is typed after that, as a user would.
        QTest::qWait(300);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name)
            name->setText(QString::fromStdString(saved));
        else
            dialog->selectFile(QString::fromStdString(saved));
        QMetaObject::invokeMethod(dialog, "accept");  // the save button
    });
    EXPECT_TRUE(w.frame->close());
    EXPECT_TRUE(std::filesystem::exists(saved)) << "yes saves the scene before closing";
}

TEST(ExitQuestion, NoClosesWithoutSaving) {
    Window w;
    LoadCarCopy(w);
    w.host.unattended = false;
    auto texts = Texts();
    PressInTurn({QMessageBox::No}, texts);
    EXPECT_TRUE(w.frame->close());
    EXPECT_EQ(texts->size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(w.folder + "NewFile.txt"));
}

// A count above the processors is refused by a box and the dialog stays open for another try;
// OK then stores the mode and the count and the calculation threads follow.
TEST(MultithreadDialog, RefusesTooManyThreadsThenStoresTheGivenCount) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    w.host.unattended = false;
    auto refusals = Texts();
    bool stayedOpen = false;
    OnNextModal<MultithreadDialog>([&](MultithreadDialog* dialog) {
        QTest::mouseClick(dialog->modeButton(2), Qt::LeftButton);
        ASSERT_TRUE(dialog->countEdit()->isEnabled()) << "the count is typed only for a given number";
        TypeInto(dialog->countEdit(), QStringLiteral("5"), false);
        PressInTurn({QMessageBox::Ok}, refusals);
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::AcceptRole), Qt::LeftButton);
        stayedOpen = dialog->isVisible();
        TypeInto(dialog->countEdit(), QStringLiteral("1"), false);
        if (dialog->isVisible())
            QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::AcceptRole), Qt::LeftButton);
    });
    w.frame->commands().Run(ID_MULTITHREAD);

    ASSERT_EQ(refusals->size(), 1u);
    EXPECT_EQ(refusals->front(), QString::fromUtf8("スレッド数は搭載コア数より大きく設定できません。"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(w.session->settings.ENV_CUR_CPUS_MODE, 2);
    EXPECT_EQ(w.session->settings.ENV_CUR_CPUS_NUM, 1);
    EXPECT_EQ(w.session->scheduler.threadSettings.ENV_CUR_CPUS_MODE, 2);
    ASSERT_TRUE(w.RunFrames(2)) << "the window runs on with the new threads";
}

TEST(MultithreadDialog, CancelKeepsTheSettings) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    w.host.unattended = false;
    const int mode = w.session->scheduler.threadSettings.ENV_CUR_CPUS_MODE;
    OnNextModal<MultithreadDialog>([](MultithreadDialog* dialog) {
        QTest::mouseClick(dialog->modeButton(3), Qt::LeftButton);
        QTest::mouseClick(DialogButton(dialog, QDialogButtonBox::RejectRole), Qt::LeftButton);
    });
    w.frame->commands().Run(ID_MULTITHREAD);
    EXPECT_EQ(w.session->scheduler.threadSettings.ENV_CUR_CPUS_MODE, mode);
}

// The accuracy dialog stays open beside the running window; keys on a slider and a typed value
// take effect at once, and each side shows what the other set.
TEST(AccuracyDialog, SliderKeysAndTypedValuesTakeEffectWhileTheWindowRuns) {
    Window w(On(Sample("car.txt")));
    ASSERT_TRUE(w.RunFrames(2));
    w.frame->commands().Run(ID_ACCURACY);
    AccuracyDialog* dialog = w.frame->accuracyDialog();
    ASSERT_TRUE(dialog->isVisible());
    ASSERT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog does not stop the window";

    QSlider* accuracy = dialog->slider(0);
    accuracy->setFocus();
    QTest::keyClick(accuracy, Qt::Key_Home);
    EXPECT_EQ(accuracy->value(), 0);
    EXPECT_DOUBLE_EQ(w.session->scene().settings.accuracy, AccuracyFromSlider(0));
    EXPECT_EQ(dialog->edit(0)->text(), QString::asprintf("%g", AccuracyFromSlider(0)));
    ASSERT_TRUE(w.RunFrames(3)) << "frames run with the dialog open";

    TypeInto(dialog->edit(0), QString::asprintf("%g", AccuracyFromSlider(kAccuracySliderMax)));
    EXPECT_DOUBLE_EQ(w.session->scene().settings.accuracy, AccuracyFromSlider(kAccuracySliderMax));
    EXPECT_EQ(accuracy->value(), kAccuracySliderMax);

    TypeInto(dialog->edit(1), QStringLiteral("7"));
    EXPECT_EQ(w.session->scene().settings.candidatePeriod, 7);
}

// A scene script that runs past its time limit asks whether to go on; yes grants another
// period, no stops it with the error report, the offer to edit the file and the failed load.
TEST(ScriptTimeQuestion, YesLetsTheScriptRunOnAndNoStopsIt) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    const std::string scene = w.folder + "endless.txt";
    std::ofstream(scene, std::ios::binary)
        << "Set g = Application.AddObj( \"GROUND\" , \"G\" )\r\nDo\r\nLoop\r\n";
    w.session->commands.limits.timeLimitSeconds = 0.3;
    w.host.unattended = false;

    auto texts = Texts();
    PressInTurn({QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::No, QMessageBox::Ok},
                texts);
    EXPECT_FALSE(w.frame->commands().LoadScene(scene));
    ASSERT_EQ(texts->size(), 5u);
    EXPECT_TRUE(
        (*texts)[0].startsWith(QString::fromUtf8("スクリプトが 0 秒以上実行されたまま終わりません。")))
        << (*texts)[0].toStdString();
    EXPECT_TRUE((*texts)[1].contains(QString::fromUtf8("実行を続けますか?")));
    EXPECT_TRUE((*texts)[2].startsWith(QString::fromUtf8("スクリプト解釈時のエラー")));
    EXPECT_TRUE((*texts)[2].contains(QStringLiteral("00000002 : Loop  <--------- Error")) ||
                (*texts)[2].contains(QStringLiteral("00000001 : Do  <--------- Error")))
        << (*texts)[2].toStdString();
    EXPECT_TRUE((*texts)[3].contains(QString::fromUtf8("編集のために開きますか?")));
    EXPECT_TRUE((*texts)[4].contains(QString::fromUtf8("の読み込みに失敗しました")));
    ASSERT_TRUE(w.RunFrames(2)) << "the window runs on after the stopped script";
}

// Unattended (a scripted run) nobody is asked: the script stops at its limit, as on the console.
TEST(ScriptTimeQuestion, AnUnattendedWindowStopsTheScriptWithoutAsking) {
    Window w;
    ASSERT_TRUE(w.RunFrames(2));
    const std::string scene = w.folder + "endless.txt";
    std::ofstream(scene, std::ios::binary) << "Do\r\nLoop\r\n";
    w.session->commands.limits.timeLimitSeconds = 0.3;
    EXPECT_FALSE(w.frame->commands().LoadScene(scene));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    bool asked = false;
    for (const std::string& line : w.host.log) asked |= line.find("実行を続けますか") != std::string::npos;
    EXPECT_TRUE(asked) << "the question is logged, and answered no";
    ASSERT_TRUE(w.RunFrames(2));
}

}  // namespace
}  // namespace korvan::test
