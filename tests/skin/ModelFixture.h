#pragma once
// Model files written by the tests into a folder of their own, and a host that keeps every
// message so a test can check what the user was told.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Host.h"

namespace korvan::testing {

class MessageHost : public ConsoleHost {
  public:
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgress(const std::string&, const std::string&, int) override {}
    std::string All() const {
        std::string all;
        for (const std::string& m : messages) all += m + "\n";
        return all;
    }
};

class ModelFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("korvan-model-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        SetHost(&host_);
    }
    void TearDown() override {
        SetHost(nullptr);
        std::filesystem::remove_all(folder_);
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    std::filesystem::path folder_;
    MessageHost host_;
};

inline std::filesystem::path ObjCorpus() {
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return std::filesystem::path(source ? source : ".") / ".." / "shared" / "corpora" / "obj" /
           "tinyobjloader" / "models";
}

}  // namespace korvan::testing
