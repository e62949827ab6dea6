// Loading the 300-body benchmark scene (Resource/bench.txt) through the loader, once as the load
// command does it with the backups of undo (two whole-scene files per body created), once with
// none; and writing that scene once. The load with backups should stay under one second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"
#include "script/SceneWriter.h"

namespace korvan {
namespace {

const std::string kScene = std::string(KORVAN_SOURCE_DIR) + "/Resource/bench.txt";

class QuietHost : public ConsoleHost {
  public:
    void ShowMessage(const std::string&) override {}
};

const std::filesystem::path kRingFolder =
    std::filesystem::temp_directory_path() / ("korvan-bench-" + std::to_string(::getpid()));

std::vector<std::string> RingNames(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back((folder / ("~bkup" + std::to_string(i) + ".txt")).string());
    return names;
}

void BM_LoadSceneOf300Bodies(benchmark::State& state) {
    const bool withBackups = state.range(0) != 0;
    QuietHost host;
    SetHost(&host);
    struct RemoveRing {
        ~RemoveRing() { std::filesystem::remove_all(kRingFolder); }
    } removeRing;
    SceneBackups backups(RingNames(kRingFolder));
    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneCommands commands(document, application, backups.SceneHooks());
    if (withBackups) backups.Attach(commands);
    for (auto _ : state) {
        if (!commands.LoadScene(kScene, 0, 0)) state.SkipWithError("bench.txt did not load");
    }
    state.counters["bodies"] = document.scene.Count();
    state.counters["backupsPerLoad"] =
        static_cast<double>(backups.positions().top + 1) / static_cast<double>(state.iterations());
    SetHost(nullptr);
}
BENCHMARK(BM_LoadSceneOf300Bodies)->ArgName("backups")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteSceneOf300Bodies(benchmark::State& state) {
    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document);
    SceneCommands commands(document, application);
    if (!commands.LoadScene(kScene, 0, 0)) state.SkipWithError("bench.txt did not load");
    SceneWriteOptions options;
    options.saveFolder = "/tmp/";
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = SceneFileBytes(document, options).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_WriteSceneOf300Bodies)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan

BENCHMARK_MAIN();
