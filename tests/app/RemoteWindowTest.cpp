// The running window reached from other processes, as a user reaches it: the real window runs
// the car sample on the virtual display this test runs under, and scripts reach it through the
// real `KORVAN3 --send`, or through raw sockets for the clients that misbehave on purpose. After
// every bad input the window must still be there and still answer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/RemoteFolder.h"
#include "app/RemoteProtocol.h"

extern char** environ;

namespace korvan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The folder of this test run; every file the window and the clients make goes under it.
const fs::path& Dir() {
    static const fs::path dir = fs::temp_directory_path() / ("korvan-window-" + std::to_string(::getpid()));
    return dir;
}

pid_t Spawn(const std::vector<std::string>& args, const fs::path& in, const fs::path& out,
            const fs::path& err) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// Runs a program to its end with `input` on its standard input.
Outcome RunProgram(const std::vector<std::string>& args, const std::string& input = "") {
    static int count = 0;
    const fs::path base = Dir() / ("run" + std::to_string(++count));
    std::ofstream(base.string() + ".in", std::ios::binary) << input;
    Outcome r;
    pid_t pid = Spawn(args, base.string() + ".in", base.string() + ".out", base.string() + ".err");
    int wstatus = 0;
    if (pid > 0 && ::waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = ReadFile(base.string() + ".out");
    r.err = ReadFile(base.string() + ".err");
    return r;
}

class RemoteWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const char* exe = std::getenv("KORVAN3_EXE");
        const char* source = std::getenv("KORVAN_SOURCE_DIR");
        ASSERT_TRUE(exe && source) << "KORVAN3_EXE and KORVAN_SOURCE_DIR name the program and the sources";
        program_ = exe;
        fs::remove_all(Dir());
        fs::create_directories(Dir() / "tmp");
        fs::create_directories(Dir() / "run");
        fs::permissions(Dir() / "run", fs::perms::owner_all, fs::perm_options::replace);
        // A runtime folder of this test's own: windows of other tests are not seen, and the
        // window's backups stay in the test's folder.
        ::setenv("XDG_RUNTIME_DIR", (Dir() / "run").c_str(), 1);
        ::setenv("TMPDIR", (Dir() / "tmp").c_str(), 1);
        // The up arrow is held for the first 20 simulated seconds; no question about a
        // head-mounted display at the start, and no message box (the delay warning of a busy
        // machine) waits for a click that never comes.
        window_ = Spawn({program_, std::string(source) + "/Samples/car.txt", "/nooculus", "--unattended",
                         "--key", "VK_UP@0-1200", "--settings", (Dir() / "KORVAN3.ini").string()},
                        "/dev/null", Dir() / "window.out", Dir() / "window.err");
        ASSERT_GT(window_, 0);
        const auto end = Clock::now() + 90s;
        while (Clock::now() < end && Send("MsgBox \"up\"").out != "up\n") {
            ASSERT_TRUE(WindowRuns()) << "the window ended: " << ReadFile(Dir() / "window.err");
            std::this_thread::sleep_for(200ms);
        }
    }
    static void TearDownTestSuite() {
        if (window_ > 0) {
            ::kill(window_, SIGTERM);
            int wstatus = 0;
            for (int i = 0; i < 100 && ::waitpid(window_, &wstatus, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(50ms);
            if (::waitpid(window_, &wstatus, WNOHANG) == 0) {
                ::kill(window_, SIGKILL);
                ::waitpid(window_, &wstatus, 0);
            }
        }
        fs::remove_all(Dir());
    }

    static bool WindowRuns() { return window_ > 0 && ::waitpid(window_, nullptr, WNOHANG) == 0; }

    // `KORVAN3 --send --pid <window> <operand>`.
    static Outcome Send(const std::string& operand, const std::string& input = "") {
        return RunProgram({program_, "--send", "--pid", std::to_string(window_), operand}, input);
    }

    static double Number(const Outcome& r) { return std::strtod(r.out.c_str(), nullptr); }

    void ExpectStillAnswers() {
        ASSERT_TRUE(WindowRuns());
        Outcome r = Send("MsgBox \"still here\"");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "still here\n");
    }

    // A raw connection to the window's socket.
    static int Connect() {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s",
                      RemoteSocketPath((Dir() / "run" / "KORVAN3").string(), window_).c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << a.sun_path;
        return fd;
    }

    // Everything the window sends on `fd` until it closes the connection.
    static std::string ReadReply(int fd, std::chrono::seconds limit) {
        timeval tv{static_cast<time_t>(limit.count()), 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        std::string got;
        char b[4096];
        for (ssize_t n; (n = ::recv(fd, b, sizeof b, 0)) > 0;) got.append(b, static_cast<std::size_t>(n));
        return got;
    }

    static inline std::string program_;
    static inline pid_t window_ = -1;
};

TEST_F(RemoteWindow, TimeAdvancesBetweenTwoSendsASecondApart) {
    Outcome first = Send("MsgBox Application.CurTime");
    std::this_thread::sleep_for(1s);
    Outcome second = Send("MsgBox Application.CurTime");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_GT(Number(second), Number(first) + 0.1) << first.out << " then " << second.out;
}

TEST_F(RemoteWindow, FindObjAndGetPositionShowTheCarMovingWhileUpIsHeld) {
    const std::string where = "Set car = Application.FindObj(\"車体\")\ncar.GetPosition x, y, z\nMsgBox x\n";
    Outcome start = Send("-", where);
    ASSERT_EQ(start.status, 0) << start.err;
    double x = Number(start);
    const auto end = Clock::now() + 60s;
    while (Clock::now() < end && x < Number(start) + 0.5) {
        std::this_thread::sleep_for(200ms);
        Outcome now = Send("-", where);
        ASSERT_EQ(now.status, 0) << now.err;
        EXPECT_GE(Number(now), x - 0.05) << "the car rolls backwards";
        x = Number(now);
    }
    EXPECT_GT(x, Number(start) + 0.5) << "the car stays at " << start.out;
}

TEST_F(RemoteWindow, AScriptErrorComesBackOnStandardErrorWithStatusOne) {
    Outcome r = Send("-", "MsgBox \"before\"\nApplication.FindObj(\"車体\").nonsense = 1\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_NE(r.err.find("00000001 : Application.FindObj(\"車体\").nonsense = 1  <--------- Error"),
              std::string::npos)
        << r.err;
    ExpectStillAnswers();
}

TEST_F(RemoteWindow, BadInputIsRefusedClearlyAndTheWindowGoesOn) {
    {  // garbage bytes
        int fd = Connect();
        const char garbage[] = "\x7f\x45\x4c\x46\x02\x01\x01 not a request\n\n";
        ::send(fd, garbage, sizeof garbage, MSG_NOSIGNAL);
        auto reply = ParseRemoteReply(ReadReply(fd, 10s));
        ::close(fd);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, RemoteStatus::Refused);
        EXPECT_NE(reply->err.find("not a script request"), std::string::npos) << reply->err;
    }
    ExpectStillAnswers();

    {  // 100 MB through the real client
        const fs::path big = Dir() / "big.vbs";
        std::ofstream(big, std::ios::binary) << std::string(100u << 20, '\'');
        Outcome r = Send(big.string());
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("a remote script may have at most 4194304 bytes"), std::string::npos) << r.err;
        fs::remove(big);
    }
    ExpectStillAnswers();

    {  // half a message: others are served meanwhile, and the half is refused at its deadline
        int fd = Connect();
        const std::string half = EncodeRemoteRequest("MsgBox \"half\"").substr(0, 20);
        ::send(fd, half.data(), half.size(), MSG_NOSIGNAL);
        ExpectStillAnswers();
        auto reply = ParseRemoteReply(ReadReply(fd, 30s));
        ::close(fd);
        ASSERT_TRUE(reply);
        EXPECT_NE(reply->err.find("did not arrive in full"), std::string::npos) << reply->err;
    }

    {  // a client that leaves in the middle of its message, and one that leaves before the answer
        int fd = Connect();
        const std::string request = EncodeRemoteRequest("MsgBox \"gone\"");
        ::send(fd, request.data(), 18, MSG_NOSIGNAL);
        ::close(fd);
        fd = Connect();
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        ::close(fd);
    }
    ExpectStillAnswers();

    {  // a script that never ends
        const auto start = Clock::now();
        Outcome r = Send("-", "MsgBox \"looping\"\nDo\nLoop\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "looping\n");
        EXPECT_NE(r.err.find("time limit"), std::string::npos) << r.err;
        EXPECT_LT(Clock::now() - start, 30s);
    }
    ExpectStillAnswers();
}

TEST_F(RemoteWindow, WithoutAWindowTheClientSaysSoWithStatusTwo) {
    const fs::path empty = Dir() / "empty-run";
    fs::create_directories(empty);
    Outcome r =
        RunProgram({"/usr/bin/env", "XDG_RUNTIME_DIR=" + empty.string(), program_, "--send", "MsgBox 1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no KORVAN3 window is running"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace korvan
