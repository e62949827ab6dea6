#include "app/RemoteAutomation.h"

#include "script/RemoteScript.h"

namespace korvan {

RemoteReply AnswerRemoteScript(const std::shared_ptr<CDispatchAPP>& application, const std::string& script) {
    ScriptRunLimits limits;
    limits.timeLimitSeconds = kRemoteScriptSeconds;
    RemoteScriptResult result = RunRemoteScript(script, application, limits);
    return {result.failed ? RemoteStatus::ScriptError : RemoteStatus::Ok, std::move(result.output),
            std::move(result.errors)};
}

void RemoteAutomation::Poll() {
    server_.Poll([this](const std::string& script) { return AnswerRemoteScript(application_, script); });
}

}  // namespace korvan
