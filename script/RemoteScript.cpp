#include "script/RemoteScript.h"

#include <vector>

#include "base/Host.h"
#include "base/TextEncoding.h"
#include "script/DispatchApp.h"

namespace korvan {

namespace {

// Stands in for the window's host while a remote script runs; only the status line, which
// waits for no one, still reaches the window.
class CollectingHost : public Host {
  public:
    explicit CollectingHost(Host& window) : window_(window) {}

    void ShowMessage(const std::string& text) override { Append(result.errors, text); }
    void ShowScriptMessage(const std::string& text) override { Append(result.output, text); }
    Answer Ask(const std::string& text, Answer preferred) override {
        Append(result.errors, text + (preferred == Answer::Yes ? " -> yes" : " -> no"));
        return preferred;
    }
    void SetStatus(const std::string& text) override { window_.SetStatus(text); }
    void OpenForEditing(const std::string&) override {}
    // Nobody at the window is asked to grant more time: the limit is the sender's answer.
    bool KeepWaitingForScript(double) override { return false; }

    RemoteScriptResult result;

  private:
    Host& window_;
    std::size_t collected_ = 0;
    bool cut_ = false;

    void Append(std::string& to, const std::string& text) {
        if (cut_) return;
        if (collected_ + text.size() + 1 > kMaxRemoteOutputBytes) {
            cut_ = true;
            result.errors +=
                "KORVAN3: the script's output was cut after " + std::to_string(collected_) + " bytes\n";
            return;
        }
        collected_ += text.size() + 1;
        to += text;
        to += '\n';
    }
};

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string line(text.substr(start, end == text.npos ? text.npos : end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == text.npos) return lines;
        start = end + 1;
    }
}

// Puts the window's host back however the run ends.
struct HostSwap {
    Host& previous = CurrentHost();
    explicit HostSwap(Host& replacement) { SetHost(&replacement); }
    ~HostSwap() { SetHost(&previous); }
};

}  // namespace

RemoteScriptResult RunRemoteScript(std::string_view text, const std::shared_ptr<CDispatchAPP>& application,
                                   ScriptRunLimits limits) {
    const std::string script = DecodeFileText(text);
    CollectingHost host(CurrentHost());
    std::optional<vbs::ScriptError> error;
    {
        HostSwap swap(host);
        error = InterpretScript(script, std::make_shared<CmdTargetVBS>(application), limits);
    }
    if (error) {
        host.result.failed = true;
        host.result.errors += FormatScriptErrorReport(*error, SplitLines(script));
        host.result.errors +=
            error->stopped != vbs::StopReason::None
                ? "KORVAN3: the script was stopped: " + error->description + "\n"
                : "KORVAN3: script error " + std::to_string(error->number) + ": " + error->description + "\n";
    }
    return std::move(host.result);
}

}  // namespace korvan
