#include "app/RemoteServer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/RemoteFolder.h"

namespace korvan {

namespace {

// Sends without waiting and without SIGPIPE; the number of bytes taken, 0 when none fit, -1 when
// the peer is gone.
ssize_t SendSome(int fd, const char* data, std::size_t size) {
    for (;;) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

bool PeerIsThisUser(int fd) {
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::geteuid();
}

std::string Seconds(RemoteServer::Clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", std::chrono::duration<double>(d).count());
    return text;
}

}  // namespace

RemoteServer::~RemoteServer() {
    Close();
}

bool RemoteServer::Listen(std::string& error) {
    return Listen(FindRemoteFolder(), static_cast<int>(::getpid()), error);
}

bool RemoteServer::Listen(const std::string& folder, int pid, std::string& error) {
    Close();
    if (!PreparePrivateFolder(folder, error)) return false;
    const std::string path = RemoteSocketPath(folder, pid);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = "the socket path " + path + " is too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot make a socket: ") + std::strerror(errno);
        return false;
    }
    // A file of this name is left over from an earlier process that had our id.
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 16) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    listenFd_ = fd;
    socketPath_ = path;
    FindRemoteInstances(folder);  // clears the sockets of processes that are gone
    return true;
}

void RemoteServer::Close() {
    for (Client& c : clients_) ::close(c.fd);
    clients_.clear();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
    listenFd_ = -1;
    socketPath_.clear();
}

void RemoteServer::Poll(const Handler& handler) {
    if (polling_ || listenFd_ < 0) return;
    polling_ = true;
    AcceptWaiting();
    for (std::size_t i = 0; i < clients_.size(); ++i) {
        Client& c = clients_[i];
        if (!c.replying && !c.done) Read(c, handler);
        if (c.replying && !c.done) Write(c);
        if (!c.done) CheckDeadline(c, Clock::now());
    }
    std::erase_if(clients_, [](const Client& c) {
        if (c.done) ::close(c.fd);
        return c.done;
    });
    polling_ = false;
}

void RemoteServer::AcceptWaiting() {
    // A bounded number per call, so that a flood of connections cannot hold up a pass.
    for (std::size_t accepted = 0; accepted < 4 * limits_.maxClients; ++accepted) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // nothing waiting (or a transient error; the next pass tries again)
        }
        if (!PeerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        if (clients_.size() >= limits_.maxClients) {
            const std::string busy = EncodeRemoteReply(
                RemoteStatus::Refused, "", "KORVAN3: too many remote scripts at once; try again later\n");
            SendSome(fd, busy.data(), busy.size());
            ::close(fd);
            continue;
        }
        Client c;
        c.fd = fd;
        c.deadline = Clock::now() + limits_.requestTime;
        clients_.push_back(std::move(c));
    }
}

void RemoteServer::Read(Client& c, const Handler& handler) {
    std::size_t budget = limits_.readPerPoll;
    char buffer[64 * 1024];
    while (budget > 0) {
        std::size_t want = std::min(sizeof buffer, budget);
        if (c.header.state == RequestHeader::State::Ok)
            want = std::min(want, c.header.headerBytes + c.header.scriptBytes - c.in.size());
        ssize_t n = want == 0 ? 0 : ::recv(c.fd, buffer, want, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n > 0) {
            c.in.append(buffer, static_cast<std::size_t>(n));
            budget -= static_cast<std::size_t>(n);
        }
        if (c.header.state == RequestHeader::State::Incomplete) {
            c.header = ParseRequestHeader(c.in);
            if (c.header.state == RequestHeader::State::Bad)
                return Refuse(c,
                              "not a script request: a client sends \"KORVAN3-SEND <bytes>\\n\" and then the "
                              "script (use KORVAN3 --send)");
            if (c.header.state == RequestHeader::State::TooLarge)
                return Refuse(c, "the script has " + std::to_string(c.header.scriptBytes) +
                                     " bytes; a remote script may have at most " +
                                     std::to_string(kMaxRemoteScriptBytes) + " bytes. Nothing was run");
        }
        if (c.header.state == RequestHeader::State::Ok &&
            c.in.size() >= c.header.headerBytes + c.header.scriptBytes) {
            std::string script = c.in.substr(c.header.headerBytes, c.header.scriptBytes);
            c.in = std::string();
            RemoteReply reply;
            try {
                reply = handler(script);
            } catch (const std::exception& e) {
                reply = {RemoteStatus::ScriptError, "",
                         std::string("KORVAN3: the script failed: ") + e.what() + "\n"};
            }
            return Answer(c, EncodeRemoteReply(reply.status, reply.out, reply.err));
        }
        if (n <= 0) {  // the peer closed (or failed) before its request was complete
            c.done = true;
            return;
        }
    }
}

void RemoteServer::Answer(Client& c, std::string reply) {
    c.reply = std::move(reply);
    c.sent = 0;
    c.replying = true;
    c.deadline = Clock::now() + limits_.replyTime;
}

void RemoteServer::Refuse(Client& c, const std::string& why) {
    c.in = std::string();
    Answer(c, EncodeRemoteReply(RemoteStatus::Refused, "", "KORVAN3: " + why + "\n"));
}

void RemoteServer::Write(Client& c) {
    while (c.sent < c.reply.size()) {
        ssize_t n = SendSome(c.fd, c.reply.data() + c.sent, c.reply.size() - c.sent);
        if (n < 0) break;  // the peer is gone: nothing more to do for it
        if (n == 0) return;
        c.sent += static_cast<std::size_t>(n);
    }
    c.done = true;
}

void RemoteServer::CheckDeadline(Client& c, Clock::time_point now) {
    if (now < c.deadline) return;
    if (c.replying) {
        c.done = true;  // it does not read its reply
        return;
    }
    std::string why = "the request did not arrive in full within " + Seconds(limits_.requestTime) + " (";
    if (c.header.state == RequestHeader::State::Ok)
        why += std::to_string(c.in.size() - c.header.headerBytes) + " of " +
               std::to_string(c.header.scriptBytes) + " bytes of the script";
    else
        why += "its header was not complete";
    Refuse(c, why + "). Nothing was run");
    Write(c);
}

}  // namespace korvan
