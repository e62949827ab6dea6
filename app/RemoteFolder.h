#pragma once
// Where running windows listen for remote scripts: one socket per process, named by its process
// id, in a folder only this user can enter:
//
//     $XDG_RUNTIME_DIR/KORVAN3/<pid>.sock       (the session's private runtime folder)
//     /tmp/KORVAN3-<uid>/<pid>.sock             (when XDG_RUNTIME_DIR is not set)
//
// The folder must be a real directory owned by the user with no access for anyone else; in the
// shared /tmp another user could have made it first, so it is checked, never trusted. A socket
// whose process is gone (the program was killed) is a leftover: finding it removes it.
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// The folder for a user: `xdgRuntimeDir` + "/KORVAN3" when it is an absolute path, else
// "/tmp/KORVAN3-<uid>". No trailing "/".
std::string RemoteFolderName(std::string_view xdgRuntimeDir, unsigned uid);
// The folder of this process's user, from the environment (a runtime folder that does not exist
// counts as unset).
std::string FindRemoteFolder();

// Creates `folder` with mode 0700 when missing (its parent must exist) and checks that it is a
// directory, not a link, owned by this user and closed to group and others. On failure returns
// false with the reason in `error`.
bool PreparePrivateFolder(const std::string& folder, std::string& error);
// True when `folder` exists and passes the same checks.
bool IsPrivateFolder(const std::string& folder);

std::string RemoteSocketPath(const std::string& folder, int pid);

struct RemoteInstance {
    int pid = 0;
    std::string socketPath;
};

// The sockets in `folder` whose processes are alive, in increasing process id; the sockets of
// processes that are gone are removed on the way.
std::vector<RemoteInstance> FindRemoteInstances(const std::string& folder);

}  // namespace korvan
