#pragma once
// The main frame: the menu bar, the main view, the five-pane status bar, the message window, and
// the driver of the main loop on Qt's event loop.
//
// The driver is a single-shot precise timer: after each pass it is set for just before the next
// frame is due and then fires at zero interval until the frame starts, so frames start within a
// fraction of a millisecond of their time without one processor spinning all the time. Between
// two passes, with no frame running, it first lets the backup ring recover from anomaly reports
// and then runs the between-pass hooks (remote scripts run there).
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/Commands.h"
#include "app/CoreBenchmark.h"
#include "app/LockIndicators.h"
#include "app/MainLoop.h"
#include "app/Monitor.h"
#include "app/WindowOptions.h"

class QLabel;
class QMenu;

namespace korvan {

class Session;
class QtHost;
class ChildView;
class MessageWindow;
class KeyboardFeeder;
class AccuracyDialog;
class CameraDialog;

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    MainFrame(Session& session, QtHost& host, WindowOptions options);
    ~MainFrame() override;

    Session& session() { return session_; }
    Commands& commands() { return commands_; }
    MainLoop& loop() { return loop_; }
    CoreBenchmark& benchmark() { return benchmark_; }
    ChildView* view() { return view_; }
    MessageWindow* messages() { return messages_; }
    QtHost& host() { return host_; }
    AccuracyDialog* accuracyDialog() { return accuracy_; }
    CameraDialog* cameraDialog() { return camera_; }
    QMenu* sceneContextMenu() { return sceneMenu_; }

    // Runs on the main thread between passes, never inside a frame or a modal dialog.
    void AddBetweenPassHook(std::function<void()> hook) { betweenPasses_.push_back(std::move(hook)); }
    // Starts the passes (the first pass loads the scene of the command line or asks for one).
    void StartLoop();
    // Frames simulated since the start of the run.
    long framesRun() const { return framesRun_; }
    // A picture of the whole window as it is shown.
    QImage GrabWindow();
    // The text of the status bar's message pane.
    QString statusText() const;
    // Reads the keyboard's lock lights into the status bar (also done four times a second).
    void RefreshLockLights();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    Session& session_;
    QtHost& host_;
    WindowOptions options_;
    Commands commands_;
    MainLoop loop_;
    CoreBenchmark benchmark_;
    ChildView* view_;
    MessageWindow* messages_;
    KeyboardFeeder* keyboard_;
    AccuracyDialog* accuracy_ = nullptr;
    CameraDialog* camera_ = nullptr;  // modeless, lives as long as the window
    QMenu* sceneMenu_ = nullptr;
    QTimer idle_;
    QTimer lockTimer_;
    LockIndicators lockLights_;
    std::array<QLabel*, kLockLightCount> lockLabels_{};
    bool inPass_ = false;
    bool closing_ = false;
    bool placed_ = false;
    ScreenRect monitor_;
    int modalDepth_ = 0;
    long framesRun_ = 0;
    double latenessSum_ = 0, latenessMax_ = 0;
    std::vector<std::function<void()>> betweenPasses_;

    CommandDialogs MakeDialogs();
    LoopHooks MakeLoopHooks();
    BenchmarkHooks MakeBenchmarkHooks();
    void BuildStatusBar();
    void ChooseMonitor();
    void PlaceWindow();
    void SetModal(bool modal);

    void OnIdle();
    void ScheduleNextPass();
    void StartUp();
    void HoldScriptedKeys();
    void OnDelayWarning(double averagePercent);
    void UpdateTitle();
    void QuitAfterFrames();
    bool AskToSaveBeforeExit();
};

}  // namespace korvan
