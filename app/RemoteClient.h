#pragma once
// The sending side of remote automation:
//
//     KORVAN3 --send [--pid N] [--timeout S] FILE|-|TEXT
//
// sends a script to the running window (the only one, or the one with process id N) and prints
// what it answers: every MsgBox text on standard output, messages and the error report on
// standard error. FILE is read, "-" reads standard input, and an argument that names no file but
// contains a blank or a line end is the script itself (`--send "MsgBox Application.CurTime"`).
//
// Exit status: 0 the script ran, 1 it stopped on an error or was refused, 2 no window to send to
// (none, several without --pid, no answer in time) or bad arguments.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/RemoteProtocol.h"

namespace korvan {

// Sends one script to the socket at `socketPath` and waits up to `timeoutSeconds` for the whole
// reply. While it is still sending it keeps listening, so a refusal that arrives early (a script
// too large) is read instead of being lost. Nothing with `error` set when there is no reply.
std::optional<RemoteReply> SendRemoteScript(const std::string& socketPath, std::string_view script,
                                            double timeoutSeconds, std::string& error);

// `KORVAN3 --send ...` with the arguments after "--send"; returns the exit status.
int RunSend(const std::vector<std::string>& args);

const char* SendUsage();

}  // namespace korvan
