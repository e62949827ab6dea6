#pragma once
// Where the program finds its files. Resource/, HTML/ and Samples/ sit beside the executable, in
// the build tree and the install tree alike. The settings file KORVAN3.ini sits there too when
// that folder is writable; an installed copy in a system folder keeps it in the user's
// configuration folder instead. Backups of the running scene go to the temporary folder, named
// with the process id so that two running copies keep apart.
//
// Folder names end with "/". The Make* functions are pure; the Find* functions ask the system.
#include <array>
#include <string>
#include <string_view>

namespace korvan {

struct ProgramFolders {
    std::string program;       // folder of the executable
    std::string resource;      // program + "Resource/"
    std::string help;          // program + "HTML/"
    std::string samples;       // program + "Samples/"; the file dialogs start here
    std::string settingsFile;  // KORVAN3.ini beside the executable or in the configuration folder
};

// Folder of the running executable (through /proc/self/exe), with a trailing "/"; the current
// folder "./" when the link cannot be read.
std::string ExecutableFolder();

// True when files can be created in `folder`.
bool IsWritableFolder(const std::string& folder);

// The configuration folder for the settings file when the program folder is not writable:
// $XDG_CONFIG_HOME/KORVAN3/ when that is an absolute path, else $HOME/.config/KORVAN3/; "" when
// neither is known. `xdgConfigHome` and `home` are the variables' values ("" when unset).
std::string ConfigurationFolder(std::string_view xdgConfigHome, std::string_view home);

// The folders for an executable in `programFolder` (with or without its trailing "/").
ProgramFolders MakeProgramFolders(std::string_view programFolder, bool programFolderWritable,
                                  std::string_view xdgConfigHome, std::string_view home);

// The folders of this process, from its executable, the file system and the environment.
ProgramFolders FindProgramFolders();

// Number of backup files in the ring.
inline constexpr int kBackupFileCount = 10;

// The temporary folder without a trailing "/": $TMPDIR when set and not empty, else "/tmp".
std::string TemporaryFolder(std::string_view tmpdir);
std::string FindTemporaryFolder();

// temporaryFolder + "/" + "~$KORVAN3_BKUP<index>_<processId>.txt".
std::string BackupFileName(std::string_view temporaryFolder, int index, int processId);
std::array<std::string, kBackupFileCount> BackupFileNames(std::string_view temporaryFolder, int processId);

}  // namespace korvan
