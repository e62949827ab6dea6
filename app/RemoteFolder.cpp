#include "app/RemoteFolder.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace korvan {

namespace {

// The process id a socket's file name carries ("1234.sock"), or 0.
int PidOfSocketName(std::string_view name) {
    constexpr std::string_view suffix = ".sock";
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) return 0;
    name.remove_suffix(suffix.size());
    if (name.size() > 9) return 0;
    int pid = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// kill(pid, 0) succeeds, or fails only for want of permission, while the process exists.
bool ProcessExists(int pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string CheckPrivate(const std::string& folder, const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
    if (st.st_uid != ::geteuid()) return folder + " belongs to another user";
    if ((st.st_mode & 077) != 0) return folder + " is open to other users (mode must be 0700)";
    return {};
}

}  // namespace

std::string RemoteFolderName(std::string_view xdgRuntimeDir, unsigned uid) {
    if (!xdgRuntimeDir.empty() && xdgRuntimeDir.front() == '/') {
        std::string folder(xdgRuntimeDir);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder + "/KORVAN3";
    }
    return "/tmp/KORVAN3-" + std::to_string(uid);
}

std::string FindRemoteFolder() {
    // A variable that names no folder (a container, su without a session) counts as unset.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && (::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode))) runtime = nullptr;
    return RemoteFolderName(runtime ? runtime : "", ::geteuid());
}

bool PreparePrivateFolder(const std::string& folder, std::string& error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        error = "cannot read " + folder + ": " + std::strerror(errno);
        return false;
    }
    error = CheckPrivate(folder, st);
    return error.empty();
}

bool IsPrivateFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && CheckPrivate(folder, st).empty();
}

std::string RemoteSocketPath(const std::string& folder, int pid) {
    return folder + "/" + std::to_string(pid) + ".sock";
}

std::vector<RemoteInstance> FindRemoteInstances(const std::string& folder) {
    std::vector<RemoteInstance> found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir)) {
        const int pid = PidOfSocketName(entry->d_name);
        if (pid <= 0) continue;
        std::string path = RemoteSocketPath(folder, pid);
        if (ProcessExists(pid))
            found.push_back({pid, path});
        else
            ::unlink(path.c_str());
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return found;
}

}  // namespace korvan
