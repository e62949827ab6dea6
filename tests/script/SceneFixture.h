#pragma once
// Loads scene files written inline by the tests through the real loader, with a host that records
// every message and answers questions as told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"

namespace korvan::testing {

class RecordingHost : public Host {
  public:
    std::vector<std::string> messages;        // message boxes
    std::vector<std::string> scriptMessages;  // MsgBox
    std::vector<std::string> questions;
    std::vector<std::string> diagnostics;
    Answer answer = Answer::No;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowScriptMessage(const std::string& text) override { scriptMessages.push_back(text); }
    Answer Ask(const std::string& text, Answer) override {
        questions.push_back(text);
        return answer;
    }
    void SetStatus(const std::string&) override {}
    void OpenForEditing(const std::string&) override {}
    void Diagnose(const std::string& line) override { diagnostics.push_back(line); }
};

// A folder of its own for each test and process.
inline std::filesystem::path TestFolder() {
    return std::filesystem::temp_directory_path() /
           ("korvan-scene-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The backup ring of a test, in its own folder.
inline std::vector<std::string> TestBackupNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back((folder / ("~bkup" + std::to_string(i) + ".txt")).string());
    return names;
}

// A 2 x 2 24-bit BMP, rows bottom-up and padded to 8 bytes.
inline std::string SmallBmp() {
    std::string b(54 + 16, '\0');
    auto put32 = [&](std::size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, 70), put32(10, 54), put32(14, 40), put32(18, 2), put32(22, 2);
    b[26] = 1, b[28] = 24;
    for (std::size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(i * 7);
    return b;
}

class SceneFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "ring");
        SetHost(&host);
    }
    void TearDown() override {
        SetHost(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::string Write(const std::string& name, const std::string& text) {
        std::filesystem::path p = dir / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    // Writes and loads a scene as the load command does; false when the load failed.
    bool Load(const std::string& text, const std::string& name = "scene.txt") {
        return commands.LoadScene(Write(name, text), 0, 0);
    }

    CObj* Body(const std::string& displayName) const {
        for (int i = 0; i < document.scene.Count(); ++i)
            if (document.scene.Body(i)->displayName == displayName) return document.scene.Body(i);
        return nullptr;
    }

    std::filesystem::path dir = TestFolder();
    RecordingHost host;
    // Wired as in the program, but taking backups only once a test attaches the loader.
    SceneBackups backups{TestBackupNames(dir / "ring")};
    SceneDocument document;
    std::shared_ptr<CDispatchAPP> application =
        std::make_shared<CDispatchAPP>(document, backups.ScriptHooks());
    SceneCommands commands{document, application, backups.SceneHooks()};
};

}  // namespace korvan::testing
