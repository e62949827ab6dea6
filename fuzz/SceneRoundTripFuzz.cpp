// A scene that loads must be saved to a file that loads again, with the same bodies: arbitrary
// scripts through the real loader and writer. A saved file (or backup) that does not load loses
// the user's work.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneCommands.h"
#include "script/SceneWriter.h"

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

    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document);
    SceneCommands commands(document, application);
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
    return 0;
}
