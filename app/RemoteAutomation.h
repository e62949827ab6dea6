#pragma once
// Remote automation of a running window: the socket (RemoteServer) joined to the scene's
// Application. The window calls Poll() between passes; each script that has arrived runs there,
// on the main thread with no frame running, and its sender gets the MsgBox texts and any error.
// A script that runs longer than kRemoteScriptSeconds is stopped and reported as an error, so a
// careless or endless script costs the window a few seconds, never the session.
#include <memory>
#include <string>

#include "app/RemoteServer.h"

namespace korvan {

class CDispatchAPP;

inline constexpr double kRemoteScriptSeconds = 5;

// Runs one remote script against `application` and puts its result into a reply.
RemoteReply AnswerRemoteScript(const std::shared_ptr<CDispatchAPP>& application, const std::string& script);

class RemoteAutomation {
  public:
    explicit RemoteAutomation(std::shared_ptr<CDispatchAPP> application)
        : application_(std::move(application)) {}

    // Listens in the user's folder under this process's id; false with the reason otherwise (the
    // window then runs without remote automation).
    bool Listen(std::string& error) { return server_.Listen(error); }
    void Poll();
    const RemoteServer& server() const { return server_; }

  private:
    std::shared_ptr<CDispatchAPP> application_;
    RemoteServer server_;
};

}  // namespace korvan
