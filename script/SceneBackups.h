#pragma once
// Undo and redo on whole scenes. Before and after every change the complete scene is written as
// a scene file into a ring of backup files; undo and redo load one of them back with the ordinary
// loader. The same ring carries the recovery from calculation anomalies: the scene steps back to
// the backup before the latest change, or starts afresh when there is none.
//
// Positions grow without bound; position p lives in file names[p mod N]. After every backup
// low <= cur <= top and top - low <= N - 1, so the positions low..top use distinct files.
#include <functional>
#include <string>
#include <vector>

#include "script/DispatchApp.h"
#include "script/SceneCommands.h"

namespace korvan {

class CScheduler;

// The history's positions, without files: what undo and redo may reach.
struct BackupPositions {
    int size = 10;  // N, the number of files in the ring
    int low = 0;    // the oldest position that may still be restored
    int top = -1;   // the newest position written
    int cur = -1;   // the position of the scene on screen

    // The position of a new backup; every position beyond the current one is given up.
    int Advance() {
        ++cur;
        top = cur;
        if (cur - size + 1 > low) low = cur - size + 1;
        return cur;
    }
    bool CanUndo() const { return cur - 1 >= low; }
    bool CanRedo() const { return top >= cur + 1; }
    int FileIndex(int position) const { return position % size; }
};

class SceneBackups {
  public:
    // `names` are the ring's files, one per position modulo their count.
    explicit SceneBackups(std::vector<std::string> names);
    // Deletes every file of the ring.
    ~SceneBackups();
    SceneBackups(const SceneBackups&) = delete;
    SceneBackups& operator=(const SceneBackups&) = delete;

    // The hooks through which body creation, merge and the loader take backups; they capture
    // this object, which must outlive whoever holds them.
    ScriptServices ScriptHooks(ScriptServices services = {});
    SceneServices SceneHooks(SceneServices services = {});
    // The loader that undo, redo and recovery use; its document and application are backed up.
    void Attach(SceneCommands& commands) { commands_ = &commands; }

    // Writes the current scene as the next position; false when its file could not be written.
    // Nothing (false) while a backup is being loaded.
    bool SaveBackup();
    // One step back or forward; false when there is nothing to restore.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return positions_.CanUndo(); }
    bool CanRedo() const { return positions_.CanRedo(); }

    // The recovery from a calculation anomaly whose report is `report`: the threads stop, the
    // report is shown with what happens next, and the scene goes back one position, or is
    // initialised afresh when there is no earlier backup.
    void HandleAnomaly(std::string report, CScheduler& scheduler);
    // Takes the anomaly reports posted since the last pass and recovers once; false when none.
    bool HandlePendingAnomaly(CScheduler& scheduler);

    // Called when the recovery finds no backup: the property dialogs are reset and hidden.
    std::function<void()> resetDialogs;

    const BackupPositions& positions() const { return positions_; }
    const std::string& FileOf(int position) const { return names_[positions_.FileIndex(position)]; }
    void DeleteFiles() const;

  private:
    std::vector<std::string> names_;
    BackupPositions positions_;
    SceneCommands* commands_ = nullptr;
    bool loading_ = false;   // a backup is being loaded: body creation takes no backups
    int commandStart_ = -1;  // the backup a scene command (merge) took before it began

    bool WriteBackup(const std::string& file) const;
    bool LoadPosition(int position);
};

}  // namespace korvan
