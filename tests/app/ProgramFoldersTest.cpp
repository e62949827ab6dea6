#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "app/ProgramFolders.h"
#include "app/Settings.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolders, DataFoldersSitBesideTheExecutable) {
    ProgramFolders f = MakeProgramFolders("/opt/korvan", true, "/home/u/.cfg", "/home/u");
    EXPECT_EQ(f.program, "/opt/korvan/");
    EXPECT_EQ(f.resource, "/opt/korvan/Resource/");
    EXPECT_EQ(f.help, "/opt/korvan/HTML/");
    EXPECT_EQ(f.samples, "/opt/korvan/Samples/");
    EXPECT_EQ(f.settingsFile, "/opt/korvan/KORVAN3.ini");
}

TEST(ProgramFolders, SettingsMoveToTheConfigurationFolderWhenTheProgramFolderIsReadOnly) {
    const struct {
        const char* xdg;
        const char* home;
        const char* settingsFile;
    } cases[] = {
        {"/home/u/.cfg", "/home/u", "/home/u/.cfg/KORVAN3/KORVAN3.ini"},
        {"/home/u/.cfg/", "/home/u", "/home/u/.cfg/KORVAN3/KORVAN3.ini"},
        {"", "/home/u", "/home/u/.config/KORVAN3/KORVAN3.ini"},
        {"relative/cfg", "/home/u/", "/home/u/.config/KORVAN3/KORVAN3.ini"},
        {"", "", "/usr/lib/korvan/KORVAN3.ini"},  // nowhere else to go: writing will fail
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeProgramFolders("/usr/lib/korvan/", false, c.xdg, c.home).settingsFile, c.settingsFile)
            << "XDG_CONFIG_HOME=" << c.xdg << " HOME=" << c.home;
}

TEST(ProgramFolders, WritabilityIsTheFileSystemsAnswer) {
    fs::path folder = fs::temp_directory_path() / ("korvan-folders-" + std::to_string(getpid()));
    fs::create_directories(folder);
    EXPECT_TRUE(IsWritableFolder(folder.string()));
    EXPECT_FALSE(IsWritableFolder((folder / "missing").string()));
    if (geteuid() != 0) {  // the superuser writes into read-only folders
        chmod(folder.c_str(), 0555);
        EXPECT_FALSE(IsWritableFolder(folder.string()));
        chmod(folder.c_str(), 0755);
    }
    fs::remove_all(folder);
}

TEST(ProgramFolders, TheRunningExecutableIsFound) {
    std::string folder = ExecutableFolder();
    ASSERT_TRUE(folder.ends_with('/'));
    EXPECT_TRUE(fs::is_regular_file(folder + "app_tests")) << folder;
    EXPECT_EQ(FindProgramFolders().program, folder);
}

TEST(ProgramFolders, SettingsReachTheConfigurationFolderCreatedOnWrite) {
    fs::path home = fs::temp_directory_path() / ("korvan-home-" + std::to_string(getpid()));
    fs::remove_all(home);
    ProgramFolders f = MakeProgramFolders("/nonexistent/bin", false, "", home.string());
    Settings written;
    written.MOUSE_ZOOM = 5;
    ASSERT_TRUE(WriteSettings(f.settingsFile, written));
    Settings read;
    ASSERT_TRUE(ReadSettings((home / ".config/KORVAN3/KORVAN3.ini").string(), read));
    EXPECT_EQ(read.MOUSE_ZOOM, 5);
    fs::remove_all(home);
}

TEST(BackupNames, TenNamesInTheTemporaryFolderCarryTheProcessId) {
    EXPECT_EQ(TemporaryFolder(""), "/tmp");
    EXPECT_EQ(TemporaryFolder("/var/tmp/"), "/var/tmp");
    EXPECT_EQ(TemporaryFolder("/scratch"), "/scratch");
    EXPECT_EQ(BackupFileName("/tmp", 3, 4242), "/tmp/~$KORVAN3_BKUP3_4242.txt");
    EXPECT_EQ(BackupFileName(TemporaryFolder("/"), 0, 7), "/~$KORVAN3_BKUP0_7.txt");

    auto names = BackupFileNames("/var/tmp", 4242);
    EXPECT_EQ(names[0], "/var/tmp/~$KORVAN3_BKUP0_4242.txt");
    EXPECT_EQ(names[9], "/var/tmp/~$KORVAN3_BKUP9_4242.txt");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 10u);
    EXPECT_NE(BackupFileNames("/tmp", 4242)[5], BackupFileNames("/tmp", 4243)[5]);
}

}  // namespace
}  // namespace korvan
