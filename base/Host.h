#pragma once
// The host: how the core talks to the user without knowing whether a window system is there.
// The Qt application implements it with real dialogs; the headless runner on the console
// (messages to stderr, MsgBox text to stdout, questions answered by a flag or their default).
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

  private:
    Answer fixed_ = Answer::Yes;
    bool hasFixed_ = false;
};

}  // namespace korvan
