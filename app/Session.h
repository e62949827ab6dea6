#pragma once
// Everything the running window works on, without any window: the settings, the scene with its
// loader and its ring of backups, the scheduler, the working mode with the display flags, and the
// small switches of the menus. The main view owns one; tests and benchmarks make their own.
//
// Construction wires the scene the way the program runs it: every body created is backed up,
// undo and redo walk the ring, a fresh load switches to play mode with its preset, and the
// calculation threads follow the thread settings.
#include <functional>
#include <memory>
#include <string>

#include "app/ProgramFolders.h"
#include "app/Settings.h"
#include "render/ViewFlags.h"
#include "script/DispatchApp.h"
#include "script/SceneBackups.h"
#include "script/SceneCommands.h"
#include "script/SceneDocument.h"
#include "sim/Scheduler.h"

namespace korvan {

// The three effect-sound switches of the menu; every cleared scene starts with these values.
struct SoundSwitches {
    bool speed = false;
    bool crash = true;
    bool slip = true;
};

class Session {
  public:
    Session(ProgramFolders folders, Settings settings, int logicalProcessorCount, int processId);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ProgramFolders folders;
    Settings settings;

    SceneDocument document;
    SceneBackups backups;
    std::shared_ptr<CDispatchAPP> application;
    SceneCommands commands;
    CScheduler scheduler;

    int workingMode = kPlayMode;
    ViewFlags viewFlags;
    SoundSwitches sounds;
    int backgroundKind = 0;
    int stereoMode = 0;

    // Called whenever the bodies' cached display lists must be rebuilt (drawing sets it).
    std::function<void()> releaseDisplayLists;
    // Called when the property dialogs are to be reset and hidden (play mode, a cleared scene).
    std::function<void()> resetDialogs;

    CScene& scene() { return document.scene; }

    // The mode commands: keep the stored set of the mode, or overwrite it with the preset first.
    void SwitchMode(int mode);
    void ApplyModePreset(int mode);
    // A display-menu toggle: the flag flips and the working mode's stored set follows.
    void ToggleViewFlag(ViewFlag flag);
    // The background submenu: chooses the kind and turns the background on.
    void ChooseBackground(int kind);

    // Loading, initialising and merging as the commands do them (the user is asked nothing here).
    bool Load(const std::string& path);
    void Initialise();
    bool Merge(const std::string& path);
    bool SaveAs(const std::string& path);
    bool Undo();
    bool Redo();

    // True when the scene holds more than a lone ground: loading over it asks to save first.
    bool HasWorkToLose() const;
    // The stored sets and the thread settings go back into `settings` before they are written.
    void StoreSettings();

  private:
    void AfterSceneCleared();
};

// "KORVAN3 Version 3.02 ( address )" and, with a scene file, " -  name".
std::string WindowTitle(const std::string& sceneFileName);

}  // namespace korvan
