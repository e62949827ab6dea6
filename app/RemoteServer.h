#pragma once
// The listening side of remote automation: a Unix-domain socket that other processes of the same
// user connect to with `KORVAN3 --send`, each bringing one script.
//
// The server never waits. The main loop calls Poll() between passes; Poll accepts what is
// waiting, reads what has arrived, runs the handler for every request that is complete, and sends
// what the peer will take, then returns. A client that sends slowly, stops half-way or never
// reads its reply costs a few bytes of memory until its deadline, not a frame:
//
//     accept --(peer uid checked)--> reading --(header + script complete)--> handler --> writing
//        |                              |  garbage, too large, deadline: refusal ----------^   |
//        +-- too many clients: refusal  +-- peer gone: dropped        reply sent or deadline: closed
//
// The handler runs on the thread that calls Poll (the main thread, between passes), so the
// script sees the scene as it stands between two frames.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/RemoteProtocol.h"

namespace korvan {

class RemoteServer {
  public:
    using Handler = std::function<RemoteReply(const std::string& script)>;
    using Clock = std::chrono::steady_clock;

    struct Limits {
        // From connection to the last byte of the request; then the client is refused.
        Clock::duration requestTime = std::chrono::seconds(10);
        // For the client to take its reply; then the connection is dropped.
        Clock::duration replyTime = std::chrono::seconds(10);
        std::size_t maxClients = 16;
        // Bytes read from one client in one Poll, so one fast sender cannot hold up a pass.
        std::size_t readPerPoll = 1u << 20;
    };

    RemoteServer() = default;
    explicit RemoteServer(Limits limits) : limits_(limits) {}
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Listens on RemoteSocketPath(folder, pid), replacing a leftover socket of that name; the
    // folder is created private when missing and must be private (RemoteFolder.h). The socket
    // file has mode 0600 and is removed again by the destructor. False with `error` on failure.
    bool Listen(const std::string& folder, int pid, std::string& error);
    // The user's folder and this process's id.
    bool Listen(std::string& error);

    bool listening() const { return listenFd_ >= 0; }
    const std::string& socketPath() const { return socketPath_; }
    std::size_t clientCount() const { return clients_.size(); }

    // One round of non-blocking work; runs `handler` for each complete request. A call made from
    // inside the handler (a nested event loop) returns at once.
    void Poll(const Handler& handler);

  private:
    struct Client {
        int fd = -1;
        std::string in;
        RequestHeader header;
        std::string reply;  // set once answered; then only writing remains
        std::size_t sent = 0;
        Clock::time_point deadline;
        bool replying = false;
        bool done = false;  // to be closed and removed
    };

    Limits limits_;
    int listenFd_ = -1;
    std::string socketPath_;
    std::vector<Client> clients_;
    bool polling_ = false;

    void AcceptWaiting();
    void Read(Client& client, const Handler& handler);
    void Answer(Client& client, std::string reply);
    void Refuse(Client& client, const std::string& why);
    void Write(Client& client);
    void CheckDeadline(Client& client, Clock::time_point now);
    void Close();
};

}  // namespace korvan
