#include "app/RemoteClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "app/RemoteFolder.h"

namespace korvan {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// A connected socket, or -1 with `error`. A full backlog (the window is busy with a long pass)
// is waited out until the deadline.
int Connect(const std::string& path, Clock::time_point deadline, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = "the socket path " + path + " is too long";
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = std::string("cannot make a socket: ") + std::strerror(errno);
            return -1;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            ucred cred{};
            socklen_t length = sizeof cred;
            if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::geteuid())
                return fd;
            error = path + " is served by another user; nothing was sent";
            ::close(fd);
            return -1;
        }
        const int why = errno;
        ::close(fd);
        if (why != EAGAIN || MillisecondsLeft(deadline) == 0) {
            error = why == EAGAIN ? "the window did not accept the connection in time"
                                  : "cannot connect to " + path + ": " + std::strerror(why);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Reads what is there; false at the end of the reply (the peer closed) or on an error.
bool ReceiveSome(int fd, std::string& received, std::string& error) {
    char buffer[64 * 1024];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
        if (received.size() <= kMaxRemoteReplyBytes) return true;
        error = "the answer is larger than " + std::to_string(kMaxRemoteReplyBytes) + " bytes";
        return false;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    // ECONNRESET: the window closed while our request was partly unread (a refusal); what it
    // wrote before is already in `received`.
    if (n < 0 && errno != ECONNRESET)
        error = std::string("reading the answer failed: ") + std::strerror(errno);
    return false;
}

struct SendArgs {
    int pid = 0;
    double timeout = 30;
    std::string operand;
    bool help = false;
};

std::optional<SendArgs> ParseSendArgs(const std::vector<std::string>& args, std::string& error) {
    SendArgs parsed;
    bool haveOperand = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help") {
            parsed.help = true;
        } else if (a == "--pid" && hasValue) {
            char* end = nullptr;
            long pid = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || pid <= 0 || pid > 1 << 30) return error = "--pid needs a process id", std::nullopt;
            parsed.pid = static_cast<int>(pid);
        } else if (a == "--timeout" && hasValue) {
            char* end = nullptr;
            parsed.timeout = std::strtod(args[++i].c_str(), &end);
            if (*end || !(parsed.timeout > 0)) return error = "--timeout needs seconds", std::nullopt;
        } else if (!haveOperand &&
                   (a == "-" || a.empty() || a[0] != '-' || a.find_first_of(" \t\n") != a.npos)) {
            parsed.operand = a;
            haveOperand = true;
        } else {
            return error = "unexpected argument: " + a, std::nullopt;
        }
    }
    if (!haveOperand && !parsed.help)
        return error = "--send needs a script file, - or the script text", std::nullopt;
    return parsed;
}

// The script an operand stands for: standard input, a file, or the text itself.
std::optional<std::string> ScriptOf(const std::string& operand, std::string& error) {
    if (operand == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
    struct stat st {};
    if (::stat(operand.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        std::ifstream in(operand, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (in) return text.str();
    }
    if (operand.find_first_of(" \t\n") != std::string::npos) return operand;
    error = "cannot read the script file " + operand;
    return std::nullopt;
}

std::string PidList(const std::vector<RemoteInstance>& instances) {
    std::string list;
    for (const auto& i : instances) list += (list.empty() ? "" : ", ") + std::to_string(i.pid);
    return list;
}

// The instance to send to, or nothing with the message that says why there is none.
std::optional<RemoteInstance> ChooseInstance(int pid, std::string& error) {
    const std::string folder = FindRemoteFolder();
    const auto instances =
        IsPrivateFolder(folder) ? FindRemoteInstances(folder) : std::vector<RemoteInstance>{};
    if (pid) {
        for (const auto& i : instances)
            if (i.pid == pid) return i;
        error = "no KORVAN3 window with process id " + std::to_string(pid) + " is running";
        if (!instances.empty()) error += " (running: " + PidList(instances) + ")";
        return std::nullopt;
    }
    if (instances.empty()) {
        error = "no KORVAN3 window is running (nothing listens in " + folder +
                "); open one first, for example: KORVAN3 Samples/car.txt";
        return std::nullopt;
    }
    if (instances.size() > 1) {
        error = std::to_string(instances.size()) + " KORVAN3 windows are running (process ids " +
                PidList(instances) + "); choose one with --send --pid ID";
        return std::nullopt;
    }
    return instances.front();
}

}  // namespace

std::optional<RemoteReply> SendRemoteScript(const std::string& socketPath, std::string_view script,
                                            double timeoutSeconds, std::string& error) {
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(timeoutSeconds));
    const int fd = Connect(socketPath, deadline, error);
    if (fd < 0) return std::nullopt;
    // The header, then the script where it lies: a large script is not copied first, so the
    // window's deadline for the request runs only while bytes are actually moving.
    const std::string header = RemoteRequestHeader(script.size());
    const std::size_t total = header.size() + script.size();
    std::size_t sent = 0;
    std::string received;
    for (;;) {
        pollfd p{fd, static_cast<short>(POLLIN | (sent < total ? POLLOUT : 0)), 0};
        const int ms = MillisecondsLeft(deadline);
        if (ms == 0 || ::poll(&p, 1, ms) == 0) {
            char text[96];
            std::snprintf(text, sizeof text, "no answer from the window within %g s", timeoutSeconds);
            error = text;
            break;
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!ReceiveSome(fd, received, error)) break;
        } else if (p.revents & POLLOUT) {
            std::string_view part = sent < header.size() ? std::string_view(header).substr(sent)
                                                         : script.substr(sent - header.size());
            ssize_t n = ::send(fd, part.data(), part.size(), MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<std::size_t>(n);
            // The window stopped reading (a refusal is on its way): stop sending and read it.
            if (n < 0 && errno != EINTR && errno != EAGAIN) sent = total;
        }
    }
    ::close(fd);
    if (!error.empty()) return std::nullopt;
    auto reply = ParseRemoteReply(received);
    if (!reply) error = "the window closed the connection without a complete answer";
    return reply;
}

const char* SendUsage() {
    return "usage: KORVAN3 --send [--pid N] [--timeout SECONDS] FILE|-|TEXT\n"
           "  Runs a script in the running KORVAN3 window (the only one, or the one with process id N)\n"
           "  and prints every MsgBox text on standard output, errors on standard error.\n"
           "  FILE is read, - reads standard input, and text with a blank in it is the script itself:\n"
           "    KORVAN3 --send \"MsgBox Application.CurTime\"\n"
           "  Exit status: 0 ran, 1 script error or refused, 2 no window to send to or bad arguments.\n";
}

int RunSend(const std::vector<std::string>& args) {
    std::string error;
    auto parsed = ParseSendArgs(args, error);
    if (!parsed) {
        std::fprintf(stderr, "KORVAN3: %s\n%s", error.c_str(), SendUsage());
        return 2;
    }
    if (parsed->help) {
        std::fputs(SendUsage(), stdout);
        return 0;
    }
    auto script = ScriptOf(parsed->operand, error);
    auto instance = script ? ChooseInstance(parsed->pid, error) : std::nullopt;
    auto reply =
        instance ? SendRemoteScript(instance->socketPath, *script, parsed->timeout, error) : std::nullopt;
    if (!reply) {
        std::fprintf(stderr, "KORVAN3: %s\n", error.c_str());
        return 2;
    }
    std::fwrite(reply->out.data(), 1, reply->out.size(), stdout);
    std::fwrite(reply->err.data(), 1, reply->err.size(), stderr);
    std::fflush(stdout);
    return reply->status == RemoteStatus::Ok ? 0 : 1;
}

}  // namespace korvan
