#include "script/ScriptHost.h"

#include <cstdio>

#include "base/Host.h"
#include "script/DispatchApp.h"
#include "script/SceneDocument.h"
#include "script/vbs/Interpreter.h"

namespace korvan {

std::string FormatScriptErrorReport(const vbs::ScriptError& error, const std::vector<std::string>& lines) {
    std::string report = "スクリプト解釈時のエラー\n\n";
    char buf[128];
    if (error.stopped == vbs::StopReason::TimeLimit) {
        // The listing alone would not say why a correct-looking line failed.
        report += error.description + "\n\n";
    }
    if (error.line < 0) return report;
    std::snprintf(buf, sizeof buf, "LineNumber=%d\nCharacterPosition=%d\n\n", error.line, error.column);
    report += buf;
    const int count = static_cast<int>(lines.size());
    for (int n = error.line - 2; n <= error.line + 2; ++n) {
        if (n < 0 || n >= count) continue;
        std::snprintf(buf, sizeof buf, "%08d : ", n);
        report += buf;
        report += lines[static_cast<std::size_t>(n)];
        report += n == error.line ? "  <--------- Error\n" : "\n";
    }
    return report;
}

std::optional<vbs::ScriptError> InterpretScript(std::string_view text,
                                                const std::shared_ptr<CmdTargetVBS>& item,
                                                ScriptRunLimits limits) {
    Host& host = CurrentHost();
    vbs::Options options;
    options.stepBudget = limits.stepBudget;
    options.timeLimitSeconds = limits.timeLimitSeconds;
    options.keepWaiting = [&host](double seconds) { return host.KeepWaitingForScript(seconds); };
    options.interrupt = limits.interrupt;
    vbs::Interpreter interpreter(options);
    interpreter.AddNamedItem("MyObject", item);
    return interpreter.Run(text);
}

std::optional<vbs::ScriptError> RunScript(const std::string& text, const std::string& path,
                                          const std::shared_ptr<CmdTargetVBS>& item,
                                          const SceneDocument& document, ScriptRunLimits limits) {
    std::optional<vbs::ScriptError> error = InterpretScript(text, item, limits);
    if (!error) return std::nullopt;
    if (error->stopped == vbs::StopReason::Interrupted) return error;  // the program is ending

    Host& host = CurrentHost();
    host.ShowMessage(FormatScriptErrorReport(*error, document.scriptLines));
    // The description is not part of the report box; the log keeps it for whoever reads it.
    host.Diagnose("KORVAN3: script error " + std::to_string(error->number) + ": " + error->description);
    if (host.Ask(path + " を\n編集のために開きますか?\n", Answer::No) == Answer::Yes)
        host.OpenForEditing(path);
    return error;
}

}  // namespace korvan
