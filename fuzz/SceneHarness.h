#pragma once
// What the scene fuzzers share: a host that stays silent, a folder of the process's own, and a
// scene wired as the window wires it (loader, writer and backup ring).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"

namespace korvan::fuzzing {

class SilentHost : public Host {
  public:
    int failedLoads = 0;  // "… の読み込みに失敗しました" messages
    void ShowMessage(const std::string& text) override {
        if (text.ends_with("の読み込みに失敗しました")) ++failedLoads;
    }
    void ShowScriptMessage(const std::string&) override {}
    Answer Ask(const std::string&, Answer) override { return Answer::No; }
    void SetStatus(const std::string&) override {}
    void OpenForEditing(const std::string&) override {}
};

inline const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("korvan-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

inline std::vector<std::string> RingNames() {
    std::vector<std::string> ring;
    for (int i = 0; i < 10; ++i) ring.push_back((Folder() / ("~bkup" + std::to_string(i) + ".txt")).string());
    return ring;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The fuzzer's input written as a scene file, and the scene that loads it.
struct Harness {
    SceneBackups backups{RingNames()};
    SceneDocument document;
    std::shared_ptr<CDispatchAPP> application =
        std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneCommands commands{document, application, backups.SceneHooks()};
    std::filesystem::path input = Folder() / "in.txt";

    Harness(const uint8_t* data, size_t size) {
        backups.Attach(commands);
        commands.limits.stepBudget = 20'000;
        WriteFile(input, std::string_view(reinterpret_cast<const char*>(data), size));
    }
    bool Load() { return commands.LoadScene(input.string(), 0, 0); }
};

}  // namespace korvan::fuzzing
