#pragma once
// Turning scene files into scenes: clearing, loading, merging and initialising, with the
// processing every script run ends with (shapes, the reference body, variable names, views).
//
// A load never ends the program: a missing file or a script error leaves the initial scene
// (a main view and a ground) and a message; a merge that fails leaves the scene as it was.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/DispatchApp.h"
#include "script/SceneDocument.h"
#include "script/ScriptHost.h"

namespace korvan {

// What loading needs from the rest of the program; every member may be empty.
struct SceneServices {
    std::function<void()> saveBackup;     // a backup of the current scene (undo)
    std::function<bool()> reloadBackup;   // back to the backup just taken; false when there is none
    std::function<void()> enterPlayMode;  // a fresh load starts in play mode
    std::function<void()> refreshDialogs;
    std::function<double()> clock;  // seconds, for the load time
};

// One line of the pre-scan: the variable, type and display name of an AddObj line, or nothing.
bool ScanAddObjLine(std::string_view line, AddObjEntry& entry);

class SceneCommands {
  public:
    SceneCommands(SceneDocument& document, std::shared_ptr<CDispatchAPP> application,
                  SceneServices services = {});

    SceneDocument& document() const { return *document_; }
    CDispatchAPP& application() const { return *application_; }
    ScriptRunLimits limits;

    // Empties the scene and puts the environment back to its defaults.
    void ClearScene();
    // The one loading routine. keepMode 1 (undo, redo, recovery) keeps the working mode, the
    // name counter and the accuracy settings; restoreFolders 1 keeps the scene folder
    // and file name as they were.
    bool LoadScene(const std::string& path, int keepMode, int restoreFolders);
    // Reads and runs one scene file into the (already cleared) scene.
    bool RunSceneFile(const std::string& path);
    // Shapes, reference body and view mounts, derived constants.
    void FinishScript();
    void AssignVariableNames();
    // True while a scene file's script runs (load or merge): its objects do not yet carry the
    // file's variable names.
    bool ScriptRunning() const { return scriptRunning_; }
    // The initial scene: the main view and a ground.
    void Initialise();
    // Adds the bodies of another scene file, replacing its base body by the last ground.
    bool MergeScene(const std::string& path);
    // The editing commands' create and delete. A view never stands without a body to ride on
    // between edits, as after a load: the first body created into an empty scene carries the
    // views, and the views of a deleted body go on to the reference body.
    std::shared_ptr<CDispatchObj> CreateBody(const std::string& type, const std::string& name);
    // Removes one body from the scene and from the script objects; the other bodies' records
    // that pointed at it are detached.
    void DeleteBody(CObj* body);

  private:
    SceneDocument* document_;
    std::shared_ptr<CDispatchAPP> application_;
    std::shared_ptr<CmdTargetVBS> item_;
    SceneServices services_;
    bool scriptRunning_ = false;

    bool ReadSceneText(const std::string& path, std::string& text);
    void SplitScriptLines(const std::string& text, std::vector<AddObjEntry>* table);
    bool RunText(const std::string& text, const std::string& path);
    CObj* ReferenceBody() const;
    void MountFreeViews();
    void ForgetBodiesFrom(int firstAdded);
};

}  // namespace korvan
