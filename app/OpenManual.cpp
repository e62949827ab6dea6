#include "app/OpenManual.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace korvan {

bool OpenManual(const std::string& helpFolder, std::string& error) {
    const std::string manual = helpFolder + "index.html";
    struct stat st {};
    if (::stat(manual.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the manual " + manual + " is missing";
        return false;
    }
    // posix_spawnp, unlike fork, is safe beside the calculation threads and reports a missing
    // xdg-open as its result.
    char opener[] = "xdg-open";
    std::string target = manual;
    char* argv[] = {opener, target.data(), nullptr};
    pid_t pid = 0;
    if (int e = ::posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ); e != 0) {
        error = std::string("cannot start xdg-open to show ") + manual + ": " + std::strerror(e);
        return false;
    }
    // xdg-open hands the page to the browser and ends; collect it so it leaves no zombie.
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

}  // namespace korvan
