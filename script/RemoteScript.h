#pragma once
// Scripts that another process sends to the running program (`KORVAN3 --send`). They run through
// the same interpreter, named item "MyObject" and sandbox as scene files, against the scene's
// Application, so every member a scene file may call is there, and a script can reach the bodies
// of the scene with Application.FindObj.
//
// Nothing such a script does may wait for the user at the window, who may not be there: MsgBox
// texts and messages are collected for the sender (one line each), a question takes its default
// answer, and a script error goes back to the sender with the lines around it instead of being
// offered for editing. The collected text is cut at a fixed size, so a script that calls MsgBox
// in a loop cannot fill the memory.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "script/ScriptHost.h"

namespace korvan {

class CDispatchAPP;

struct RemoteScriptResult {
    bool failed = false;
    std::string output;  // every MsgBox text, each followed by "\n"
    std::string errors;  // messages, answered questions and the error report
};

// Most text collected from one run, output and errors together.
inline constexpr std::size_t kMaxRemoteOutputBytes = 1u << 20;

// Runs `text` (UTF-8, or Shift-JIS as in scene files) against `application` on the calling thread.
// At `limits.timeLimitSeconds` the script is stopped and reported; no one is asked for more time.
RemoteScriptResult RunRemoteScript(std::string_view text, const std::shared_ptr<CDispatchAPP>& application,
                                   ScriptRunLimits limits = {});

}  // namespace korvan
