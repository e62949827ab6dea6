#pragma once
// Running one scene script: the named item "MyObject" (Application, GetApplication, MsgBox) is
// registered with a fresh interpreter, the text runs to its end on the calling thread, and an
// error is reported with the lines around it:
//
//     スクリプト解釈時のエラー
//
//     LineNumber=12
//     CharacterPosition=4
//
//     00000010 : ...
//     00000012 : Objx.widht = 1  <--------- Error
//
// after which the user is offered the file for editing. A script stopped by its time limit says
// so above the listing. The caller treats a failed run like a
// file that could not be read; the program goes on.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/vbs/ScriptError.h"

namespace korvan {

class CmdTargetVBS;
class SceneDocument;

// The report text for an error at (line, column) of a script with these lines.
std::string FormatScriptErrorReport(const vbs::ScriptError& error, const std::vector<std::string>& lines);

// How long a script may run. At the time limit the host is asked whether to keep waiting
// (Host::KeepWaitingForScript); a stop, like any script error, fails the load.
struct ScriptRunLimits {
    unsigned long long stepBudget = 0;  // statements and loop turns; 0: unlimited
    double timeLimitSeconds = 10;       // 0: unlimited
    // Set (from a signal handler or another thread) to stop the script; no report is shown.
    const std::atomic<bool>* interrupt = nullptr;
};

// Runs text with `item` as the named item in a fresh interpreter and returns the error that
// stopped it; shows nothing. Every script of the program runs through here.
std::optional<vbs::ScriptError> InterpretScript(std::string_view text,
                                                const std::shared_ptr<CmdTargetVBS>& item,
                                                ScriptRunLimits limits);

// Runs text, read from the file `path`, with `item` as the named item. On an error: shows the
// report, offers that file for editing, and returns the error.
std::optional<vbs::ScriptError> RunScript(const std::string& text, const std::string& path,
                                          const std::shared_ptr<CmdTargetVBS>& item,
                                          const SceneDocument& document, ScriptRunLimits limits = {});

}  // namespace korvan
