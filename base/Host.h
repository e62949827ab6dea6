#pragma once
// The host: how the core talks to the user without knowing whether a window system is there.
// The Qt application implements it with real dialogs; the headless runner on the console
// (messages and diagnostics to stderr, MsgBox text to stdout, questions answered by a flag or
// their default).
// Any code that must show a message calls CurrentHost(); the default host writes to stderr and
// answers every question with its default.
#include <string>

namespace korvan {

enum class Answer { Yes, No };

class Host {
  public:
    virtual ~Host() = default;
    // A modal message box (an error or a notice the user must see).
    virtual void ShowMessage(const std::string& text) = 0;
    // The script's MsgBox.
    virtual void ShowScriptMessage(const std::string& text) = 0;
    // A yes/no question; `preferred` is the answer a user who just presses Enter gives.
    virtual Answer Ask(const std::string& text, Answer preferred) = 0;
    // One line for the status bar.
    virtual void SetStatus(const std::string& text) = 0;
    // Opens a file in the user's editor (the offer after a script error).
    virtual void OpenForEditing(const std::string& path) = 0;
    // The progress window of long work (loading, post-processing, measuring): a title, a text
    // and a percentage from 0 to 100. Calling it again updates what is shown; the work calls it
    // only when something changed. Hosts without such a window ignore it.
    virtual void ShowProgress(const std::string& title, const std::string& text, int percent) {
        (void)title, (void)text, (void)percent;
    }
    virtual void HideProgress() {}
    // A scene script has run for `seconds`, its time limit: true lets it run as long again.
    // Only a host with a user to ask says yes; the console lets the limit stop the script.
    virtual bool KeepWaitingForScript(double seconds) {
        (void)seconds;
        return false;
    }
    // One line for whoever reads the program's log (a developer, not the user): programming
    // errors and details that no dialog shows. May be called from calculation threads. The
    // core never writes to the standard streams itself; without a log of its own a host lets
    // this line go to standard error.
    virtual void Diagnose(const std::string& line);
};

// The process-wide host; never null. SetHost(nullptr) restores the console default.
Host& CurrentHost();
void SetHost(Host* host);

// Console host used by default and by the headless runner.
class ConsoleHost : public Host {
  public:
    // The answer given to every question; unset means each question's own default.
    void SetFixedAnswer(Answer answer) { fixed_ = answer, hasFixed_ = true; }

    void ShowMessage(const std::string& text) override;
    void ShowScriptMessage(const std::string& text) override;
    Answer Ask(const std::string& text, Answer preferred) override;
    void SetStatus(const std::string& text) override;
    void OpenForEditing(const std::string& path) override;
    // One stderr line each time a new title appears; texts and percentages stay quiet.
    void ShowProgress(const std::string& title, const std::string& text, int percent) override;
    void HideProgress() override;

  private:
    Answer fixed_ = Answer::Yes;
    bool hasFixed_ = false;
    std::string progressTitle_;
};

}  // namespace korvan
