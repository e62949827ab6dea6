#pragma once
// The real window in the test process: a session, the Qt host and the main frame, started as the
// program starts them, with the program folders of the source tree, backups and settings in a
// folder of this test, and the host's questions answered from a queue.
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/ChildView.h"
#include "app/MainFrame.h"
#include "app/QtHost.h"
#include "app/Session.h"
#include "base/Anomaly.h"
#include "base/KeyState.h"

namespace korvan::test {

inline std::string SourceDir() {
    const char* dir = std::getenv("KORVAN_SOURCE_DIR");
    return dir ? dir : ".";
}

// A fresh folder for this test; TMPDIR points at it so the backup ring lands there too.
inline std::string TestFolder() {
    static int counter = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("korvan-window-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string() + "/";
}

inline ProgramFolders SourceFolders(const std::string& settingsFile) {
    const std::string src = SourceDir() + "/";
    return {src, src + "Resource/", src + "HTML/", src + "Samples/", settingsFile};
}

inline Settings QuietSettings() {
    Settings s;
    s.ENV_OCULUS_SHOW = 0;
    s.ENV_CUR_CPUS_MODE = 1;  // no benchmark at the first pass; one thread keeps runs repeatable
    s.ENV_OPTIMIZED_CORES = 1;
    return s;
}

class Window {
  public:
    explicit Window(WindowOptions options = {}, Settings settings = QuietSettings()) : folder(TestFolder()) {
        ::setenv("TMPDIR", folder.c_str(), 1);
        DiscardAnomalies();
        ProcessKeyState().ReleaseAll();
        host.unattended = true;
        SetHost(&host);
        session = std::make_unique<Session>(SourceFolders(folder + "KORVAN3.ini"), settings, 2,
                                            static_cast<int>(::getpid()));
        frame = std::make_unique<MainFrame>(*session, host, std::move(options));
        session->scheduler.ApplyThreadSetting();
        frame->show();
        frame->activateWindow();
        active = QTest::qWaitForWindowActive(frame.get());
        frame->StartLoop();
    }
    ~Window() {
        frame.reset();
        session.reset();
        SetHost(nullptr);
        ProcessKeyState().ReleaseAll();
        std::filesystem::remove_all(folder);
    }

    // Lets the event loop run until `n` more frames have been simulated (false on time-out).
    bool RunFrames(long n, int timeoutMs = 60000) {
        const long target = frame->framesRun() + n;
        return QTest::qWaitFor([&] { return frame->framesRun() >= target; }, timeoutMs);
    }

    std::string folder;
    bool active = false;  // the window has the keyboard (shortcuts need it)
    QtHost host;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainFrame> frame;
};

inline std::string Sample(const char* name) {
    return SourceDir() + "/Samples/" + name;
}

inline WindowOptions On(const std::string& scene, std::vector<KeyHold> keys = {}) {
    WindowOptions o;
    o.scene = scene;
    o.keys = std::move(keys);
    return o;
}

}  // namespace korvan::test
