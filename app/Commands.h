#pragma once
// The command handlers of the main view: for every command id, whether it is enabled, whether it
// is checked, the text it shows, and what it does. The menu asks the first three before it
// opens; a key asks IsEnabled again before Run, so a disabled command given by key does nothing.
#include <functional>
#include <optional>
#include <string>

namespace korvan {

class Session;
class QtHost;
class CWndView;

// What the commands open: the dialogs and windows of the main frame.
struct CommandDialogs {
    std::function<void()> multithread;
    std::function<void()> accuracy;
    std::function<void()> headMountedQuestion;
    std::function<void()> versionBox;
    std::function<void()> openManual;
    std::function<void()> exitProgram;           // closes the main window
    std::function<bool()> videoDialogVisible;    // while visible the V commands are disabled
    std::function<void()> sceneReplaced;         // a load, undo, redo or initialise happened
    std::function<int()> activeView;             // the index of the active view, -1 when none
    std::function<void(int page)> cameraDialog;  // on the active view's camera: 0 position, 1 projection
    std::function<void()> addView;               // a new view placed on the window
    std::function<void()> viewEdited;            // a command changed the active view's options
};

class Commands {
  public:
    Commands(Session& session, QtHost& host, CommandDialogs dialogs);

    bool IsEnabled(int id) const;
    // Unset: the item is not checkable.
    std::optional<bool> IsChecked(int id) const;
    // The item text when it differs from the menu table's (the video item in factory mode).
    std::optional<std::string> TextOf(int id) const;
    // False for an item the menu leaves out now (the view's fix items without an active view).
    bool IsShown(int id) const;
    // Carries out an enabled command; false when it is disabled or unknown.
    bool Run(int id);

    // The commands' own steps, also used by file drop and the first pass.
    void OpenScene();
    bool LoadScene(const std::string& path);
    void SaveScene();
    void MergeScene();
    void InitialiseScene();

  private:
    Session& session_;
    QtHost& host_;
    CommandDialogs dialogs_;

    bool VideoDialogVisible() const;
    CWndView* ActiveView() const;
    // The save question before a load or an initialise; false when the user cancelled.
    bool OfferToSave(bool ask, const char* question);
    void NotAvailableYet();
    void SceneReplaced();
};

}  // namespace korvan
