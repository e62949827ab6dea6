#pragma once
// The host of the window: the core's messages, questions and status texts become message boxes,
// file dialogs and the status bar's message pane. While one of its modal dialogs is open the
// main loop pauses (the modal hook), as it does for every modal dialog of the window.
//
// Tests (and scripts that drive the window) can queue answers: while the queue is not empty a
// dialog takes the next answer instead of opening ("yes", "no", "cancel", "ok", or a file path;
// "" cancels a file dialog). Every text a dialog would show is logged either way.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Host.h"

class QWidget;
class QStatusBar;

namespace korvan {

class MessageWindow;

enum class Choice { Yes, No, Cancel };

class QtHost : public Host {
  public:
    void SetWindow(QWidget* window, QStatusBar* statusBar, MessageWindow* messages);
    // Called with true when a modal dialog opens and false when it closes.
    std::function<void(bool)> modalHook;

    void ShowMessage(const std::string& text) override;
    void ShowScriptMessage(const std::string& text) override;
    Answer Ask(const std::string& text, Answer preferred) override;
    void SetStatus(const std::string& text) override;
    void OpenForEditing(const std::string& path) override;
    void ShowProgress(const std::string& title, const std::string& text, int percent) override;
    void HideProgress() override;
    // Asks whether a scene script that has run for `seconds` may go on; unattended, it may not
    // (as on the console), so a script stuck in a loop cannot hold a scripted run.
    bool KeepWaitingForScript(double seconds) override;

    Choice AskYesNoCancel(const std::string& text);
    // The open-file and save-file dialogs for scene files; "" when cancelled.
    std::string OpenSceneFile(const std::string& folder);
    std::string SaveSceneFile(const std::string& initialPath);

    std::deque<std::string> scriptedAnswers;
    // With no scripted answer left: dialogs do not open and take their default answer (a message
    // is acknowledged, a question gets its preferred answer or "no", a file dialog is cancelled),
    // and what they would have shown goes to standard error, as on the console.
    bool unattended = false;
    std::vector<std::string> log;

  private:
    QWidget* window_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    MessageWindow* messages_ = nullptr;

    bool TakeScripted(const std::string& shown, std::string& answer);
    template <class Dialog>
    auto RunModal(Dialog&& dialog);
};

// Makes the window's modal dialogs pause the main loop for their lifetime.
class ModalScope {
  public:
    explicit ModalScope(const std::function<void(bool)>& hook) : hook_(hook) {
        if (hook_) hook_(true);
    }
    ~ModalScope() {
        if (hook_) hook_(false);
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

  private:
    const std::function<void(bool)>& hook_;
};

}  // namespace korvan
