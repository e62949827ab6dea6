#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/AccuracyDialog.h"
#include "app/ChildView.h"
#include "app/CommandIds.h"
#include "app/HeadMountedDialog.h"
#include "app/KeyboardFeeder.h"
#include "app/MenuBuilder.h"
#include "app/MessageWindow.h"
#include "app/Monitor.h"
#include "app/MultithreadDialog.h"
#include "app/OpenManual.h"
#include "app/QtHost.h"
#include "app/Session.h"
#include "app/VersionBox.h"
#include "base/KeyState.h"
#include "ui/CameraDialog.h"

namespace korvan {

namespace {

constexpr double kWakeEarly = 0.0015;    // the timer wakes this much before the frame is due
constexpr int kLockLightPeriodMs = 250;  // other programs may change the lights at any time

QString Tr(const char* text) {
    return QCoreApplication::translate("MainFrame", text);
}

}  // namespace

MainFrame::MainFrame(Session& session, QtHost& host, WindowOptions options)
    : session_(session),
      host_(host),
      options_(std::move(options)),
      commands_(session, host, MakeDialogs()),
      loop_(session, MakeLoopHooks()),
      benchmark_(session, MakeBenchmarkHooks()),
      view_(new ChildView(session, this)),
      messages_(new MessageWindow(this)),
      keyboard_(new KeyboardFeeder(this)) {
    setCentralWidget(view_);
    BuildMenuBar(menuBar(), commands_);
    BindKeyTable(this, commands_);
    BuildStatusBar();
    setAcceptDrops(true);
    host_.SetWindow(this, statusBar(), messages_);
    host_.modalHook = [this](bool modal) { SetModal(modal); };
    loop_.SetBenchmark(&benchmark_);
    accuracy_ = new AccuracyDialog(session_, this);
    camera_ = new CameraDialog(session_.document, *session_.application, this);
    camera_->windowState = [this](int& width, int& height, int& active) {
        width = view_->width(), height = view_->height(), active = view_->inputs.activeView;
    };
    sceneMenu_ = BuildSceneContextMenu(this, commands_);
    view_->openContextMenu = [this](const QPoint& global) {
        ModalScope modal(host_.modalHook);
        sceneMenu_->exec(global);
    };
    UpdateTitle();
    ChooseMonitor();
    PlaceWindow();

    idle_.setSingleShot(true);
    idle_.setTimerType(Qt::PreciseTimer);
    connect(&idle_, &QTimer::timeout, this, &MainFrame::OnIdle);
}

MainFrame::~MainFrame() {
    idle_.stop();
    session_.scheduler.StopCalcThreads();
    host_.modalHook = nullptr;
    host_.SetWindow(nullptr, nullptr, nullptr);
}

CommandDialogs MainFrame::MakeDialogs() {
    CommandDialogs d;
    d.multithread = [this] {
        ModalScope modal(host_.modalHook);
        RunMultithreadDialog(session_, host_, this);
    };
    d.accuracy = [this] { accuracy_->ShowAtPointer(); };
    d.headMountedQuestion = [this] {
        ModalScope modal(host_.modalHook);
        AskHeadMountedDisplay(session_.settings, this);
    };
    d.versionBox = [this] {
        ModalScope modal(host_.modalHook);
        ShowVersionBox(this);
    };
    // A manual that cannot be opened is not worth a message box; the status bar says why.
    d.openManual = [this] {
        std::string error;
        if (!OpenManual(session_.folders.help, error)) host_.SetStatus(error);
    };
    d.exitProgram = [this] { close(); };
    d.sceneReplaced = [this] {
        loop_.SceneCleared();
        UpdateTitle();
        if (accuracy_) accuracy_->Refresh();
        if (camera_) camera_->Reload();
    };
    d.activeView = [this] { return view_->inputs.activeView; };
    d.cameraDialog = [this](int page) { camera_->ShowView(std::max(view_->inputs.activeView, 0), page); };
    d.addView = [this] {
        AddPlacedView(session_.document, *session_.application, view_->inputs.activeView, view_->width(),
                      view_->height());
    };
    d.viewEdited = [this] {
        if (camera_->isVisible()) camera_->Reload();
    };
    return d;
}

LoopHooks MainFrame::MakeLoopHooks() {
    LoopHooks h;
    h.startUp = [this] { StartUp(); };
    h.beforeFrame = [this] { HoldScriptedKeys(); };
    h.draw = [this] { view_->DrawFrame(); };
    h.showProgress = [this](const std::string& title, const std::string& text, int percent) {
        messages_->ShowProgress(title, text, percent);
    };
    h.setProgress = [this](int percent) { messages_->SetPercent(percent); };
    h.hideProgress = [this] { messages_->HideProgress(); };
    h.delayWarning = [this](double average) { OnDelayWarning(average); };
    h.pointer = [this] {
        const QPoint p = view_->mapFromGlobal(QCursor::pos());
        return std::pair<int, int>(p.x(), p.y());
    };
    return h;
}

BenchmarkHooks MainFrame::MakeBenchmarkHooks() {
    BenchmarkHooks h;
    h.showProgress = [this](const std::string& title, const std::string& text, int percent) {
        messages_->ShowProgress(title, text, percent);
    };
    h.hideProgress = [this] { messages_->HideProgress(); };
    h.finished = [this] { StartUp(); };
    return h;
}

// The message pane and the four lock lights: a light's text is shown dark while it is on and
// greyed while it is off or cannot be known.
void MainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    int i = 0;
    for (const char* indicator : {"KANA", "CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setObjectName(QString::fromLatin1(indicator));
        label->setEnabled(false);
        bar->addPermanentWidget(label);
        lockLabels_[i++] = label;
    }
    RefreshLockLights();
    connect(&lockTimer_, &QTimer::timeout, this, &MainFrame::RefreshLockLights);
    lockTimer_.start(kLockLightPeriodMs);
}

void MainFrame::RefreshLockLights() {
    const LockStates states = lockLights_.Read();
    for (std::size_t i = 0; i < states.size(); ++i) lockLabels_[i]->setEnabled(states[i] == 1);
}

QString MainFrame::statusText() const {
    return statusBar()->currentMessage();
}

// The monitor under the pointer gives the rectangle and the frame rate.
void MainFrame::ChooseMonitor() {
    std::vector<DisplayDevice> devices;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        devices.push_back({screen->name().toStdString(),
                           {g.x(), g.y(), g.width(), g.height()},
                           static_cast<int>(std::lround(screen->refreshRate()))});
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect p = primary ? primary->geometry() : QRect(0, 0, 1024, 768);
    const QPoint pointer = QCursor::pos();
    const MonitorChoice choice =
        CheckMonitor(devices, pointer.x(), pointer.y(), {0, 0, p.width(), p.height()});
    monitor_ = choice.rect;
    session_.scene().settings.framesPerSecond = choice.framesPerSecond;
    session_.scene().settings.frameTime = 1.0 / choice.framesPerSecond;
}

// The window takes the middle of the monitor; with the head-mounted display the main view takes
// the head-mounted window size and the whole window is centred. The window system's frame is
// measured as it stands: before the window is shown, and without a window manager, it is none.
void MainFrame::PlaceWindow() {
    const QSize decoration = frameGeometry().size() - geometry().size();
    if (options_.headMounted) {
        // The menu bar may wrap on a narrow window, so the difference is taken at 800 x 600.
        resize(800, 600);
        if (layout()) {
            layout()->invalidate();
            layout()->activate();
        }
        const QSize extra = size() - view_->size() + decoration;
        const ScreenRect r =
            HeadMountedWindowRect(monitor_, options_.headMountedSize, {extra.width(), extra.height()});
        move(r.left, r.top);
        resize(r.width - decoration.width(), r.height - decoration.height());
        return;
    }
    const int border = decoration.width() / 2;
    const int caption = geometry().top() - frameGeometry().top() - border;
    const ScreenRect r = MainWindowRect(monitor_, border, std::max(caption, 0));
    move(r.left, r.top);
    resize(std::max(r.width - decoration.width(), 320), std::max(r.height - decoration.height(), 240));
}

void MainFrame::SetModal(bool modal) {
    modalDepth_ += modal ? 1 : -1;
    loop_.modalUi = modalDepth_ > 0;
}

void MainFrame::StartLoop() {
    idle_.start(0);
}

void MainFrame::OnIdle() {
    if (inPass_ || closing_) return;
    inPass_ = true;
    if (!loop_.modalUi) {
        if (session_.backups.HandlePendingAnomaly(session_.scheduler)) {
            loop_.SceneCleared();
            UpdateTitle();
        }
        for (auto& hook : betweenPasses_) hook();
    }
    const bool ran = loop_.Pass();
    if (ran) {
        ++framesRun_;
        latenessSum_ += loop_.lateness;
        latenessMax_ = std::max(latenessMax_, loop_.lateness);
    }
    inPass_ = false;
    if (ran && options_.quitAfter > 0 && framesRun_ >= options_.quitAfter) return QuitAfterFrames();
    ScheduleNextPass();
}

void MainFrame::ScheduleNextPass() {
    if (closing_) return;
    if (loop_.modalUi) return idle_.start(50);  // a dialog is open: look again now and then
    const double wait = loop_.SecondsUntilDue() - kWakeEarly;
    idle_.start(wait > 0 ? static_cast<int>(wait * 1000) : 0);
}

// The first pass: the initial scene (a view and a ground), then the scene of the command line or
// the open-file dialog.
void MainFrame::StartUp() {
    session_.Initialise();
    if (!options_.scene.empty()) {
        commands_.LoadScene(options_.scene);
        options_.scene.clear();
    } else {
        QTimer::singleShot(0, this, [this] { commands_.Run(ID_FILE_OPEN); });
    }
    loop_.SceneCleared();
    UpdateTitle();
}

void MainFrame::HoldScriptedKeys() {
    if (!options_.keys.empty()) HoldKeysOfFrame(options_.keys, framesRun_);
}

// The mouse lets go of everything, the user is told, and the accuracy dialog opens after this
// pass so that the balance of accuracy and speed can be changed.
void MainFrame::OnDelayWarning(double averagePercent) {
    QApplication::restoreOverrideCursor();
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "平均ディレイが、%.1f%% "
        "に達しています。\n\nデータの複雑さが現在のハードウェアの能力を超えているため、\n"
        "リアルタイム計算が実現されていません。右上のCPUメーターの\n\"Total\" "
        "が青い領域にあるとリアルタイムです。\n\nOK を押した後に表示されるダイアログで、計算の精度と速度の\n"
        "バランスを調節してみてください。",
        averagePercent);
    host_.ShowMessage(text);
    QTimer::singleShot(0, this, [this] { commands_.Run(ID_ACCURACY); });
}

void MainFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(WindowTitle(session_.document.sceneFileName)));
}

// The frame with the main view's own picture over it (a plain grab misses what the view painted
// over its OpenGL drawing). The view is opaque on screen whatever alpha its drawing left behind,
// so its picture is taken without alpha too.
QImage MainFrame::GrabWindow() {
    QImage shot = grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(view_->mapTo(this, QPoint(0, 0)),
                      view_->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
    return shot;
}

void MainFrame::QuitAfterFrames() {
    if (options_.timing)
        std::printf("frames=%ld frame=%.6g s lateness mean=%.6g s max=%.6g s\n", framesRun_,
                    session_.scene().settings.frameTime, latenessSum_ / std::max(framesRun_ - 1, 1L),
                    latenessMax_);
    if (!options_.screenshot.empty()) GrabWindow().save(QString::fromStdString(options_.screenshot));
    closing_ = true;
    close();
}

bool MainFrame::AskToSaveBeforeExit() {
    if (closing_ || !session_.HasWorkToLose()) return true;
    switch (host_.AskYesNoCancel(Tr("終了する前に、現在のシーンを保存しますか？").toStdString())) {
        case Choice::Cancel:
            return false;
        case Choice::Yes:
            commands_.SaveScene();
            return true;
        case Choice::No:
            return true;
    }
    return true;
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!AskToSaveBeforeExit()) return event->ignore();
    closing_ = true;
    idle_.stop();
    messages_->hide();
    accuracy_->hide();
    session_.scheduler.StopCalcThreads();
    loop_.modalUi = true;
    event->accept();
}

// Placed again once shown: the layout has now given the main view its size.
void MainFrame::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        PlaceWindow();
    }
    QMainWindow::showEvent(event);
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

// The first dropped file is loaded, without any question.
void MainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::string path = urls.front().toLocalFile().toStdString();
    QTimer::singleShot(0, this, [this, path] { commands_.LoadScene(path); });
}

}  // namespace korvan
