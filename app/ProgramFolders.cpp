#include "app/ProgramFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace korvan {

namespace {

constexpr std::string_view kSettingsFileName = "KORVAN3.ini";

std::string WithSlash(std::string_view folder) {
    std::string f(folder);
    if (f.empty() || f.back() != '/') f += '/';
    return f;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $HOME, or the home folder of the user's account when the variable is missing.
std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) return account->pw_dir;
    return {};
}

}  // namespace

std::string ExecutableFolder() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !exe.has_parent_path()) return "./";
    return WithSlash(exe.parent_path().string());
}

bool IsWritableFolder(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string ConfigurationFolder(std::string_view xdgConfigHome, std::string_view home) {
    // Relative values of XDG_CONFIG_HOME are invalid and ignored.
    if (xdgConfigHome.starts_with('/')) return WithSlash(xdgConfigHome) + "KORVAN3/";
    if (!home.empty()) return WithSlash(home) + ".config/KORVAN3/";
    return {};
}

ProgramFolders MakeProgramFolders(std::string_view programFolder, bool programFolderWritable,
                                  std::string_view xdgConfigHome, std::string_view home) {
    ProgramFolders f;
    f.program = WithSlash(programFolder);
    f.resource = f.program + "Resource/";
    f.help = f.program + "HTML/";
    f.samples = f.program + "Samples/";
    std::string settingsFolder = programFolderWritable ? "" : ConfigurationFolder(xdgConfigHome, home);
    f.settingsFile = (settingsFolder.empty() ? f.program : settingsFolder) + std::string(kSettingsFileName);
    return f;
}

ProgramFolders FindProgramFolders() {
    std::string program = ExecutableFolder();
    return MakeProgramFolders(program, IsWritableFolder(program), Environment("XDG_CONFIG_HOME"),
                              HomeFolder());
}

std::string TemporaryFolder(std::string_view tmpdir) {
    if (tmpdir.empty()) return "/tmp";
    std::string folder(tmpdir);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder == "/" ? "" : folder;  // the root joins as "/name"
}

std::string FindTemporaryFolder() {
    return TemporaryFolder(Environment("TMPDIR"));
}

std::string BackupFileName(std::string_view temporaryFolder, int index, int processId) {
    char name[64];
    std::snprintf(name, sizeof name, "~$KORVAN3_BKUP%d_%d.txt", index, processId);
    return std::string(temporaryFolder) + "/" + name;
}

std::array<std::string, kBackupFileCount> BackupFileNames(std::string_view temporaryFolder, int processId) {
    std::array<std::string, kBackupFileCount> names;
    for (int i = 0; i < kBackupFileCount; ++i) names[i] = BackupFileName(temporaryFolder, i, processId);
    return names;
}

}  // namespace korvan
