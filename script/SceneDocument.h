#pragma once
// The scene as the scripting layer sees it: the bodies (CScene), the views, meters and music
// players, and what the loader remembers about the file the scene came from.
#include <memory>
#include <string>
#include <vector>

#include "script/Frames.h"
#include "sim/Scene.h"
#include "skin/SkinRecord.h"

namespace korvan {

// One line of a scene file that creates an object: Set <varName> = Application.AddObj(<type>, <name>).
struct AddObjEntry {
    std::string varName;
    std::string type;
    std::string displayName;
};

class SceneDocument {
  public:
    CScene scene;
    std::vector<std::unique_ptr<CWndView>> views;  // index 0 is the main view
    std::vector<std::unique_ptr<CWndMeter>> meters;
    std::vector<std::unique_ptr<CWndMusic>> musics;

    std::string sceneFolder;               // folder of the scene file last run, with a trailing "/"
    std::string sceneFileName;             // without folder
    std::string lastFolder;                // where file dialogs open
    std::string resourceFolder;            // the program's Resource folder, with a trailing "/"
    std::vector<std::string> scriptLines;  // lines of the scene file last read, for error reports
    std::vector<AddObjEntry> addObjTable;
    ModelList models;   // the skins' models, shared by every skin of the same file
    bool busy = false;  // set while the scene is rebuilt: the main loop runs no pass
    double loadTime = 0;
    int assemblyState = 0;

    // Program-wide counters of the frames' default names.
    int viewCounter = 0, meterCounter = 0, musicCounter = 0;

    CWndView* AddView(const std::string& name);
    CWndMeter* AddMeter(const std::string& name);
    CWndMusic* AddMusic(const std::string& name);
    int IndexOf(const CWndView* view) const;
    int IndexOf(const CWndMeter* meter) const;

    // Mounts view `index` on body with the camera given in body coordinates; a view rides on
    // one body only, so every other mount of it is removed.
    void MountView(CObj* body, int index, const _VIEWPOINT& camera);
    // The body carrying view `index`, or null.
    CObj* MountOf(int index) const;

    // Removes view `index` and its mounts; mounts of later views are renumbered.
    void RemoveView(int index);
    // Removes every frame (and the mounts and meter links that refer to them).
    void ClearFrames();
    // Removes frames from position `keep` on in each list (a merged scene's own frames).
    void TruncateFrames(std::size_t keepViews, std::size_t keepMeters, std::size_t keepMusics);
};

}  // namespace korvan
