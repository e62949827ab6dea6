#include "app/GuiMain.h"

#include <unistd.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSurfaceFormat>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "app/ChildView.h"
#include "app/CommandLine.h"
#include "app/HeadMountedDialog.h"
#include "app/MainFrame.h"
#include "app/ProgramFolders.h"
#include "app/QtHost.h"
#include "app/RemoteAutomation.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/WindowOptions.h"

namespace korvan {

namespace {

const char* Environment(const char* name) {
    return std::getenv(name);
}

// An English (or other) translation of the user interface, when Resource/ holds one for the
// user's language: KORVAN3_<language>.qm.
void InstallTranslation(QApplication& app, const ProgramFolders& folders, QTranslator& translator) {
    if (translator.load(QLocale(), QStringLiteral("KORVAN3"), QStringLiteral("_"),
                        QString::fromStdString(folders.resource)))
        app.installTranslator(&translator);
}

}  // namespace

int RunWindow(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseWindowOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "KORVAN3: %s\n", error.c_str());
        return 2;
    }
    if (!HasDisplay(Environment)) {
        std::fprintf(stderr,
                     "KORVAN3: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                     "run the scene with --headless, or start the window under xvfb-run -a\n");
        return 2;
    }
    QSurfaceFormat::setDefaultFormat(ChildView::ContextFormat());
    QApplication app(argc, argv);
    ProgramFolders folders = FindProgramFolders();
    if (!options->settingsFile.empty()) folders.settingsFile = options->settingsFile;
    QTranslator translator;
    InstallTranslation(app, folders, translator);

    Settings settings;
    ReadSettings(folders.settingsFile, settings);
    const auto tokens = CommandLineTokens(argc, argv);
    const HeadMountedRequest request = HeadMountedRequestOf(tokens);
    // A scripted run cannot answer the start-up question: it takes the stored answer.
    const bool unattended = options->unattended || options->quitAfter > 0;
    if (AsksHeadMountedQuestion(request, settings) && !unattended &&
        !AskHeadMountedDisplay(settings, nullptr))
        return 0;
    const bool headMounted = UsesHeadMountedDisplay(request, settings);
    options->headMounted = headMounted;
    options->headMountedSize = HeadMountedWindowSize(tokens);

    QtHost host;
    // A run that closes itself after N frames is driven by a script, and --unattended says so for
    // any run: nothing may wait for a click.
    host.unattended = unattended;
    SetHost(&host);
    int status = 0;
    {
        Session session(folders, settings, DetectLogicalProcessorCount(), static_cast<int>(::getpid()));
        MainFrame frame(session, host, *options);
        session.scheduler.ApplyThreadSetting();
        RemoteAutomation remote(session.application);
        std::string remoteError;
        if (!remote.Listen(remoteError))
            std::fprintf(stderr, "KORVAN3: remote scripts are off: %s\n", remoteError.c_str());
        frame.AddBetweenPassHook([&remote] { remote.Poll(); });
        frame.show();
        if (headMounted)
            host.SetStatus(QCoreApplication::translate(
                               "MainFrame", "ヘッドマウントディスプレイはまだ使えません (準備中です)")
                               .toStdString());
        frame.StartLoop();
        status = app.exec();
        session.StoreSettings();
        WriteSettings(folders.settingsFile, session.settings);
    }
    SetHost(nullptr);
    return status;
}

}  // namespace korvan
