// The help command hands the manual to xdg-open; a stand-in xdg-open earlier on PATH records
// what it was given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/OpenManual.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;

class OpenManualTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "bin");
        fs::create_directories(dir / "HTML");
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    }
    void TearDown() override {
        ::setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(dir);
    }

    fs::path dir = fs::temp_directory_path() / ("korvan-manual-" + std::to_string(::getpid()));
    std::string oldPath;
};

TEST_F(OpenManualTest, HandsTheManualToXdgOpenAndSaysWhyWhenItCannot) {
    const std::string help = (dir / "HTML").string() + "/";
    std::string error;
    EXPECT_FALSE(OpenManual(help, error));
    EXPECT_NE(error.find("index.html is missing"), std::string::npos) << error;

    std::ofstream(dir / "HTML" / "index.html") << "<p>manual</p>";
    ::setenv("PATH", (dir / "bin").c_str(), 1);  // nothing called xdg-open there yet
    EXPECT_FALSE(OpenManual(help, error));
    EXPECT_NE(error.find("cannot start xdg-open"), std::string::npos) << error;

    const fs::path opener = dir / "bin" / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened.tmp\" && mv \"$(dirname "
                             "\"$0\")/opened.tmp\" \"$(dirname \"$0\")/opened\"\n";
    fs::permissions(opener, fs::perms::owner_all);
    ::setenv("PATH", ((dir / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
    ASSERT_TRUE(OpenManual(help, error)) << error;
    const fs::path opened = dir / "bin" / "opened";
    for (int i = 0; i < 500 && !fs::exists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(opened);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, help + "index.html");
}

}  // namespace
}  // namespace korvan
