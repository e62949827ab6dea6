// Remote automation over a real socket: a server in this process, polled as the main loop polls
// it, and the real client on another thread or raw sockets that misbehave on purpose.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "app/RemoteClient.h"
#include "app/RemoteFolder.h"
#include "app/RemoteProtocol.h"
#include "app/RemoteServer.h"

namespace korvan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(RemoteProtocol, RequestHeaderIsJudgedFromItsFirstBytes) {
    using S = RequestHeader::State;
    struct Case {
        std::string received;
        S state;
        std::size_t headerBytes, scriptBytes;
    } cases[] = {
        {"KORVAN3-SEND 5\nhello", S::Ok, 15, 5},
        {"KORVAN3-SEND 0\n", S::Ok, 15, 0},
        {"KORVAN3-SE", S::Incomplete, 0, 0},
        {"KORVAN3-SEND 12", S::Incomplete, 0, 0},
        {"G", S::Bad, 0, 0},
        {"GET / HTTP/1.1\r\n", S::Bad, 0, 0},
        {std::string("\0\xff\x01", 3), S::Bad, 0, 0},
        {"KORVAN3-SEND x\n", S::Bad, 0, 0},
        {"KORVAN3-SEND 5 \n", S::Bad, 0, 0},
        {"KORVAN3-SEND \n", S::Bad, 0, 0},
        {"KORVAN3-SEND " + std::string(60, '1'), S::Bad, 0, 0},
        {"KORVAN3-SEND 4194305\n", S::TooLarge, 0, 4194305},
        {"KORVAN3-SEND 104857600\n", S::TooLarge, 0, 104857600},
        {"KORVAN3-SEND 4194304\n", S::Ok, 21, 4194304},
    };
    for (const Case& c : cases) {
        RequestHeader h = ParseRequestHeader(c.received);
        EXPECT_EQ(h.state, c.state) << c.received;
        if (c.state == S::Ok) {
            EXPECT_EQ(h.headerBytes, c.headerBytes) << c.received;
        }
        if (c.state == S::Ok || c.state == S::TooLarge) {
            EXPECT_EQ(h.scriptBytes, c.scriptBytes) << c.received;
        }
    }
}

TEST(RemoteProtocol, ReplyRoundTripsAndAPartOrGarbledReplyIsNone) {
    const std::string out("a\nb\0c", 5), err = "スクリプト\n";
    const std::string wire = EncodeRemoteReply(RemoteStatus::ScriptError, out, err);
    auto reply = ParseRemoteReply(wire);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, RemoteStatus::ScriptError);
    EXPECT_EQ(reply->out, out);
    EXPECT_EQ(reply->err, err);
    EXPECT_FALSE(ParseRemoteReply(wire.substr(0, wire.size() - 1)));
    EXPECT_FALSE(ParseRemoteReply(wire + "x"));
    EXPECT_FALSE(ParseRemoteReply("KORVAN3-REPLY 0 1\n"));
    EXPECT_FALSE(ParseRemoteReply(""));
}

TEST(RemoteFolder, RuntimeFolderWhenAbsoluteElseAPerUserFolderInTmp) {
    EXPECT_EQ(RemoteFolderName("/run/user/1000", 1000), "/run/user/1000/KORVAN3");
    EXPECT_EQ(RemoteFolderName("/run/user/1000/", 1000), "/run/user/1000/KORVAN3");
    EXPECT_EQ(RemoteFolderName("", 1000), "/tmp/KORVAN3-1000");
    EXPECT_EQ(RemoteFolderName("relative", 7), "/tmp/KORVAN3-7");
    EXPECT_EQ(RemoteSocketPath("/f", 42), "/f/42.sock");
}

// A private folder of this test, removed afterwards.
class Remote : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(base);
        fs::create_directories(base);
    }
    void TearDown() override { fs::remove_all(base); }

    static RemoteReply Echo(const std::string& script) {
        return {script.starts_with("fail") ? RemoteStatus::ScriptError : RemoteStatus::Ok,
                "ran: " + script + "\n", ""};
    }

    // Sends through the real client on another thread while this thread polls the server.
    std::optional<RemoteReply> Send(RemoteServer& s, const std::string& script, double timeout = 20,
                                    const RemoteServer::Handler& handler = Echo) {
        auto reply = std::async(std::launch::async, [&] {
            return SendRemoteScript(s.socketPath(), script, timeout, clientError);
        });
        while (reply.wait_for(1ms) != std::future_status::ready) s.Poll(handler);
        return reply.get();
    }

    // A raw connection for misbehaving clients.
    int Connect(const std::string& path) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        return fd;
    }

    // Everything the server sends until it closes, polling it meanwhile.
    std::string ReadAll(RemoteServer& s, int fd, std::chrono::milliseconds limit = 5000ms) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            s.Poll(Echo);
            char b[4096];
            ssize_t n = ::recv(fd, b, sizeof b, MSG_DONTWAIT);
            if (n > 0) got.append(b, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EAGAIN)) break;
            std::this_thread::sleep_for(1ms);
        }
        return got;
    }

    void ExpectStillServes(RemoteServer& s) {
        auto reply = Send(s, "again");
        ASSERT_TRUE(reply) << clientError;
        EXPECT_EQ(reply->out, "ran: again\n");
    }

    // Short: a socket's path must fit in 108 bytes. CTest runs each case in its own process.
    fs::path base = fs::temp_directory_path() / ("korvan-remote-" + std::to_string(::getpid()));
    std::string folder = (base / "KORVAN3").string();
    std::string clientError;
};

TEST_F(Remote, ScriptGoesThereAndTheAnswerComesBackFromThePollingThread) {
    RemoteServer server;
    std::string error;
    ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
    std::thread::id ranOn;
    auto reply = Send(server, "MsgBox 1", 20, [&](const std::string& script) {
        ranOn = std::this_thread::get_id();
        return Echo(script);
    });
    ASSERT_TRUE(reply) << clientError;
    EXPECT_EQ(reply->status, RemoteStatus::Ok);
    EXPECT_EQ(reply->out, "ran: MsgBox 1\n");
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(Send(server, "fail")->status, RemoteStatus::ScriptError);
    const std::string big(3u << 20, 'x');  // several socket buffers, several polls
    EXPECT_EQ(Send(server, big)->out.size(), big.size() + 6);
    EXPECT_EQ(server.clientCount(), 0u);
}

TEST_F(Remote, SocketIsPrivateAndGoesAwayWithTheServer) {
    std::string error, path;
    {
        RemoteServer server;
        ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
        path = server.socketPath();
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(fs::exists(path));

    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    RemoteServer open;
    EXPECT_FALSE(open.Listen(folder, ::getpid(), error));
    EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
    fs::remove_all(folder);
    fs::create_directory_symlink(base, folder);
    EXPECT_FALSE(open.Listen(folder, ::getpid(), error));
    EXPECT_NE(error.find("is not a folder"), std::string::npos) << error;
}

TEST_F(Remote, LeftoverSocketsOfGoneProcessesAreRemovedAndLiveOnesFound) {
    std::string error;
    ASSERT_TRUE(PreparePrivateFolder(folder, error)) << error;
    const std::string gone = RemoteSocketPath(folder, 999999999);  // beyond any process id
    const std::string mine = RemoteSocketPath(folder, ::getpid());
    std::ofstream(gone) << "";
    std::ofstream(mine) << "";  // an earlier process with our id crashed
    std::ofstream(folder + "/notes.txt") << "";
    RemoteServer parent;
    ASSERT_TRUE(parent.Listen(folder, ::getppid(), error)) << error;
    EXPECT_FALSE(fs::exists(gone));
    RemoteServer server;
    ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
    auto found = FindRemoteInstances(folder);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].pid, std::min(::getpid(), ::getppid()));
    EXPECT_EQ(found[1].pid, std::max(::getpid(), ::getppid()));
    ExpectStillServes(server);  // the leftover of our id was replaced by a live socket
    EXPECT_TRUE(fs::exists(folder + "/notes.txt"));
}

TEST_F(Remote, BadClientsGetAClearRefusalAndTheServerGoesOn) {
    RemoteServer::Limits limits;
    limits.requestTime = 300ms;
    RemoteServer server(limits);
    std::string error;
    ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
    auto refusal = [](const std::string& wire) {
        auto reply = ParseRemoteReply(wire);
        return reply && reply->status == RemoteStatus::Refused ? reply->err : "no refusal: " + wire;
    };

    int fd = Connect(server.socketPath());
    const char garbage[] = "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03 binary";
    ::send(fd, garbage, sizeof garbage, MSG_NOSIGNAL);
    EXPECT_NE(refusal(ReadAll(server, fd)).find("not a script request"), std::string::npos);
    ::close(fd);

    fd = Connect(server.socketPath());
    const std::string half = EncodeRemoteRequest("MsgBox \"never finished\"").substr(0, 25);
    ::send(fd, half.data(), half.size(), MSG_NOSIGNAL);
    const std::string late = refusal(ReadAll(server, fd));
    EXPECT_NE(late.find("did not arrive in full"), std::string::npos) << late;
    EXPECT_NE(late.find("(9 of 23 bytes of the script)"), std::string::npos) << late;
    ::close(fd);

    fd = Connect(server.socketPath());  // goes away in the middle of its request
    ::send(fd, half.data(), half.size(), MSG_NOSIGNAL);
    server.Poll(Echo);
    EXPECT_EQ(server.clientCount(), 1u);
    ::close(fd);
    server.Poll(Echo);
    EXPECT_EQ(server.clientCount(), 0u);

    fd = Connect(server.socketPath());  // sends its whole request and leaves before the answer
    const std::string whole = EncodeRemoteRequest("gone");
    ::send(fd, whole.data(), whole.size(), MSG_NOSIGNAL);
    ::close(fd);
    server.Poll(Echo);
    EXPECT_EQ(server.clientCount(), 0u);

    auto huge = Send(server, std::string(100u << 20, '\''));  // 100 MB
    ASSERT_TRUE(huge) << clientError;
    EXPECT_EQ(huge->status, RemoteStatus::Refused);
    EXPECT_NE(
        huge->err.find("the script has 104857600 bytes; a remote script may have at most 4194304 bytes"),
        std::string::npos)
        << huge->err;
    ExpectStillServes(server);
}

TEST_F(Remote, AClientThatNeverReadsItsAnswerIsDroppedAndTooManyAreTurnedAway) {
    RemoteServer::Limits limits;
    limits.replyTime = 200ms;
    limits.maxClients = 2;
    RemoteServer server(limits);
    std::string error;
    ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
    const std::string request = EncodeRemoteRequest("x");
    int reader = Connect(server.socketPath());
    ::send(reader, request.data(), request.size(), MSG_NOSIGNAL);
    auto floods = [](const std::string&) {
        return RemoteReply{RemoteStatus::Ok, std::string(8u << 20, 'y'), ""};
    };
    server.Poll(floods);
    EXPECT_EQ(server.clientCount(), 1u);  // its answer does not fit the socket
    int idle = Connect(server.socketPath());
    int third = Connect(server.socketPath());
    server.Poll(Echo);
    auto busy = ParseRemoteReply(ReadAll(server, third));
    ASSERT_TRUE(busy);
    EXPECT_NE(busy->err.find("too many remote scripts at once"), std::string::npos);
    std::this_thread::sleep_for(250ms);
    server.Poll(Echo);
    EXPECT_EQ(server.clientCount(), 1u);  // the one that never read is gone; the idle one waits
    for (int fd : {reader, idle, third}) ::close(fd);
    ExpectStillServes(server);
}

// RunSend as `KORVAN3 --send` runs it, with the user's folder pointed at this test's.
class RemoteSend : public Remote {
  protected:
    void SetUp() override {
        Remote::SetUp();
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        oldRuntime = old ? old : "";
        hadRuntime = old != nullptr;
        ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    }
    void TearDown() override {
        if (hadRuntime)
            ::setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        Remote::TearDown();
    }
    // Runs `--send args` on another thread while this one polls the servers; stderr is kept.
    int RunSendPolling(const std::vector<std::string>& args, std::vector<RemoteServer*> servers) {
        ::testing::internal::CaptureStderr();
        auto status = std::async(std::launch::async, [&] { return RunSend(args); });
        while (status.wait_for(1ms) != std::future_status::ready)
            for (RemoteServer* s : servers) s->Poll(Echo);
        sendErrors = ::testing::internal::GetCapturedStderr();
        return status.get();
    }
    std::string oldRuntime, sendErrors;
    bool hadRuntime = false;
};

TEST_F(RemoteSend, ChoosesTheOnlyWindowOrTheOneNamedAndNamesThemWhenThereAreSeveral) {
    EXPECT_EQ(RunSendPolling({"MsgBox 1"}, {}), 2);
    EXPECT_NE(sendErrors.find("no KORVAN3 window is running (nothing listens in " + folder + ")"),
              std::string::npos)
        << sendErrors;

    RemoteServer mine, parents;
    std::string error;
    ASSERT_TRUE(mine.Listen(folder, ::getpid(), error)) << error;
    EXPECT_EQ(RunSendPolling({"fail here"}, {&mine}), 1);
    EXPECT_EQ(RunSendPolling({"--pid", std::to_string(::getpid()), "MsgBox 2"}, {&mine}), 0);

    ASSERT_TRUE(parents.Listen(folder, ::getppid(), error)) << error;
    EXPECT_EQ(RunSendPolling({"MsgBox 3"}, {&mine, &parents}), 2);
    const std::string a = std::to_string(std::min(::getpid(), ::getppid()));
    const std::string b = std::to_string(std::max(::getpid(), ::getppid()));
    EXPECT_NE(sendErrors.find("2 KORVAN3 windows are running (process ids " + a + ", " + b +
                              "); choose one with --send --pid ID"),
              std::string::npos)
        << sendErrors;
    EXPECT_EQ(RunSendPolling({"--pid", std::to_string(::getppid()), "MsgBox 4"}, {&mine, &parents}), 0);
    EXPECT_EQ(RunSendPolling({"--pid", "999999999", "MsgBox 5"}, {&mine, &parents}), 2);
    EXPECT_NE(
        sendErrors.find("no KORVAN3 window with process id 999999999 is running (running: " + a + ", " + b),
        std::string::npos)
        << sendErrors;
}

TEST_F(Remote, ClientSaysWhyWhenNobodyAnswers) {
    std::string error;
    EXPECT_FALSE(SendRemoteScript(folder + "/1.sock", "x", 1, error));
    EXPECT_NE(error.find("cannot connect to"), std::string::npos) << error;

    RemoteServer server;  // listening, but its window never polls
    ASSERT_TRUE(server.Listen(folder, ::getpid(), error)) << error;
    error.clear();
    EXPECT_FALSE(SendRemoteScript(server.socketPath(), "x", 0.2, error));
    EXPECT_NE(error.find("no answer from the window within"), std::string::npos) << error;
}

}  // namespace
}  // namespace korvan
