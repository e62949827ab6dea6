#include "app/HeadlessRunner.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/HeadlessOptions.h"
#include "app/ProgramFolders.h"
#include "app/StatePrinter.h"
#include "base/Host.h"
#include "base/KeyState.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"
#include "script/SceneWriter.h"
#include "sim/Accuracy.h"
#include "sim/Scheduler.h"

namespace korvan {

namespace {

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void ApplyOptions(const HeadlessOptions& o, CScene& scene, CScheduler& scheduler) {
    if (o.accuracy) SetAccuracy(scene, *o.accuracy);
    if (o.candidatePeriod) SetCandidatePeriod(scene, *o.candidatePeriod);
    if (o.loadReduction) SetLoadReduction(scene, *o.loadReduction);
    if (o.threads) {
        scheduler.threadSettings.ENV_CUR_CPUS_MODE = 2;
        scheduler.threadSettings.ENV_CUR_CPUS_NUM = *o.threads;
    }
    scheduler.ApplyThreadSetting();
}

// SIGINT and SIGTERM end the run the way its end does (threads stopped, backup files removed):
// the handler only raises a flag that the script's watchdog and the frame loop poll.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{0};  // lock-free, so a signal handler may store to it

extern "C" void NoteTerminatingSignal(int signal) {
    g_signal.store(signal);
    g_interrupted.store(true);
}

class TerminatingSignals {
  public:
    TerminatingSignals() {
        g_interrupted.store(false);
        g_signal.store(0);
        struct sigaction action {};
        action.sa_handler = NoteTerminatingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~TerminatingSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    TerminatingSignals(const TerminatingSignals&) = delete;
    TerminatingSignals& operator=(const TerminatingSignals&) = delete;
    bool Received() const { return g_interrupted.load(); }
    // The shell's convention for a run ended by a signal.
    int ExitCode() const { return 128 + g_signal.load(); }

  private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

std::vector<std::string> BackupNamesOfThisProcess() {
    auto names = BackupFileNames(FindTemporaryFolder(), static_cast<int>(::getpid()));
    return {names.begin(), names.end()};
}

}  // namespace

int RunHeadless(const std::vector<std::string>& args) {
    std::string error;
    auto options = ParseHeadlessOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "KORVAN3: %s\n%s", error.c_str(), HeadlessUsage());
        return 2;
    }
    if (options->help) {
        std::fputs(HeadlessUsage(), stdout);
        return 0;
    }
    ConsoleHost host;
    if (options->answer) host.SetFixedAnswer(*options->answer ? Answer::Yes : Answer::No);
    SetHost(&host);
    TerminatingSignals signals;
    struct HostReset {
        ~HostReset() { SetHost(nullptr); }
    } hostReset;

    // The same wiring as the window's: every body created is backed up, undo walks the ring and
    // an anomaly steps back through it. The ring's files go when `backups` does.
    SceneBackups backups(BackupNamesOfThisProcess());
    SceneDocument document;
    // The folders the window uses: files a scene names are also looked for among the resources.
    const ProgramFolders folders = FindProgramFolders();
    document.resourceFolder = folders.resource;
    document.lastFolder = folders.samples;
    auto application = std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneServices services;
    services.clock = Seconds;
    SceneCommands commands(document, application, backups.SceneHooks(services));
    backups.Attach(commands);
    commands.limits.timeLimitSeconds = options->scriptTimeout;
    commands.limits.interrupt = &g_interrupted;
    commands.Initialise();  // the window's first pass: the main view and a ground
    const bool loaded = commands.LoadScene(options->scene, 0, 0);
    if (signals.Received()) return signals.ExitCode();
    if (!loaded) return 1;
    for (int i = 0; i < options->undo; ++i) backups.Undo();

    CScene& scene = document.scene;
    CScheduler scheduler(scene);
    scheduler.threadSettings.logicalProcessorCount = DetectLogicalProcessorCount();
    ApplyOptions(*options, scene, scheduler);

    const double start = Seconds();
    bool anomaly = false;
    int frames = 0;
    while (frames < options->frames && !signals.Received()) {
        HoldKeysOfFrame(options->keys, frames);
        scheduler.RunSimulationFrame();
        ++frames;
        if (backups.HandlePendingAnomaly(scheduler)) anomaly = true;
    }
    const double wall = Seconds() - start;
    ProcessKeyState().ReleaseAll();
    scheduler.StopCalcThreads();

    if (signals.Received()) return signals.ExitCode();
    if (!options->save.empty() && !SaveSceneAs(document, *application, options->save)) return 1;
    if (options->printState) PrintState(scene, stdout);
    if (options->timing) {
        double simulated = frames * scene.settings.frameTime;
        std::printf("frames=%d simulated=%.6g wall=%.6g realtime=%.6g\n", frames, simulated, wall,
                    wall > 0 ? simulated / wall : 0.0);
    }
    return anomaly ? 1 : 0;
}

}  // namespace korvan
