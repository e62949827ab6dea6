// Any scene that loads must run: arbitrary scripts through the loader, then a few frames on one
// calculation thread, with calculation anomalies recovered through the backup ring as the window
// does. Odd sizes, masses, joins and forces may make a body run away, but never crash the program
// or step outside what the sanitizers allow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/Anomaly.h"
#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"
#include "sim/Scheduler.h"

namespace {

using namespace korvan;

class SilentHost : public Host {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowScriptMessage(const std::string&) override {}
    Answer Ask(const std::string&, Answer) override { return Answer::No; }
    void SetStatus(const std::string&) override {}
    void OpenForEditing(const std::string&) override {}
};

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("korvan-run-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentHost host;
    SetHost(&host);
    DiscardAnomalies();
    const std::filesystem::path input = Folder() / "in.txt";
    std::ofstream(input, std::ios::binary) << std::string(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> ring;
    for (int i = 0; i < 10; ++i) ring.push_back((Folder() / ("~bkup" + std::to_string(i) + ".txt")).string());
    SceneBackups backups(ring);
    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneCommands commands(document, application, backups.SceneHooks());
    backups.Attach(commands);
    commands.limits.stepBudget = 20'000;
    if (!commands.LoadScene(input.string(), 0, 0)) return 0;
    if (document.scene.Count() > 16) return 0;  // large scenes only slow the search down

    CScheduler scheduler(document.scene);
    scheduler.threadSettings.ENV_CUR_CPUS_MODE = 1;
    scheduler.ApplyThreadSetting();
    for (int frame = 0; frame < 3; ++frame) {
        scheduler.RunSimulationFrame();
        backups.HandlePendingAnomaly(scheduler);
    }
    scheduler.StopCalcThreads();
    DiscardAnomalies();
    return 0;
}
