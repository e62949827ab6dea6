// A scene that loads must be saved to a file that loads again, with the same bodies, and every
// backup its loading took must load too: arbitrary scripts through the real loader, writer and
// backup ring. A saved file or backup that does not load loses the user's work.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"
#include "script/SceneWriter.h"

namespace {

using namespace korvan;

class SilentHost : public Host {
  public:
    int failedLoads = 0;
    void ShowMessage(const std::string& text) override {
        if (text.ends_with("の読み込みに失敗しました")) ++failedLoads;
    }
    void ShowScriptMessage(const std::string&) override {}
    Answer Ask(const std::string&, Answer) override { return Answer::No; }
    void SetStatus(const std::string&) override {}
    void OpenForEditing(const std::string&) override {}
};

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto f =
            std::filesystem::temp_directory_path() / ("korvan-roundtrip-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentHost host;
    SetHost(&host);
    const std::filesystem::path input = Folder() / "in.txt", saved = Folder() / "saved.txt";
    WriteFile(input, std::string(reinterpret_cast<const char*>(data), size));

    std::vector<std::string> ring;
    for (int i = 0; i < 10; ++i) ring.push_back((Folder() / ("~bkup" + std::to_string(i) + ".txt")).string());
    SceneBackups backups(ring);
    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneCommands commands(document, application, backups.SceneHooks());
    backups.Attach(commands);
    commands.limits.stepBudget = 20'000;
    if (!commands.LoadScene(input.string(), 0, 0)) return 0;
    const int bodies = document.scene.Count();
    if (bodies > 64) return 0;  // large scenes only slow the search down

    SceneWriteOptions options;
    options.saveFolder = Folder().string() + "/";
    options.quiet = true;
    const std::string first = SceneFileBytes(document, options);
    WriteFile(saved, first);
    if (!commands.LoadScene(saved.string(), 0, 0) || document.scene.Count() != bodies) {
        std::fprintf(stderr, "saved scene did not load back (%d bodies before, %d after):\n%s\n", bodies,
                     document.scene.Count(), first.c_str());
        std::abort();
    }
    host.failedLoads = 0;
    while (backups.Undo()) {
        if (host.failedLoads == 0) continue;
        std::fprintf(stderr, "backup %d did not load\n", backups.positions().cur);
        std::abort();
    }
    return 0;
}
