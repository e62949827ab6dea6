#include "script/SceneBackups.h"

#include <cstdio>

#include "base/Anomaly.h"
#include "base/Host.h"
#include "base/Paths.h"
#include "script/SceneWriter.h"
#include "sim/Scheduler.h"

namespace korvan {

SceneBackups::SceneBackups(std::vector<std::string> names) : names_(std::move(names)) {
    if (names_.empty()) names_.push_back("~$KORVAN3_BKUP0.txt");
    positions_.size = static_cast<int>(names_.size());
}

SceneBackups::~SceneBackups() {
    DeleteFiles();
}

void SceneBackups::DeleteFiles() const {
    for (const std::string& name : names_) std::remove(NativePath(name).c_str());
}

ScriptServices SceneBackups::ScriptHooks(ScriptServices services) {
    services.beforeBodyCreated = [this] { SaveBackup(); };
    services.afterBodyCreated = [this] { SaveBackup(); };
    return services;
}

SceneServices SceneBackups::SceneHooks(SceneServices services) {
    services.saveBackup = [this] { commandStart_ = SaveBackup() ? positions_.cur : -1; };
    // A merge that fails goes back to the backup it took before it began; the backups its own
    // bodies took on the way are given up.
    services.reloadBackup = [this] {
        const int start = commandStart_;
        if (!commands_ || start < positions_.low || start > positions_.top) return false;
        positions_.cur = positions_.top = start;
        return LoadPosition(start);
    };
    return services;
}

bool SceneBackups::SaveBackup() {
    if (loading_ || !commands_) return false;
    const std::string& file = FileOf(positions_.Advance());
    CurrentHost().SetStatus(file + " にバックアップを保存しています");
    // A file that cannot be written keeps what it held; the position is still taken, so an undo
    // to it later loads that older content or fails as a missing file.
    if (!WriteBackup(file)) return false;
    CurrentHost().SetStatus(file + " にバックアップを保存しました");
    return true;
}

bool SceneBackups::WriteBackup(const std::string& file) const {
    std::FILE* out = std::fopen(NativePath(file).c_str(), "wb");
    if (!out) return false;
    SceneWriteOptions options;
    options.saveFolder = FolderOf(file) + "/";
    options.quiet = true;
    options.shownControls = commands_->application().shownControls;
    WriteScene(out, commands_->document(), options);
    return std::fclose(out) == 0;
}

bool SceneBackups::LoadPosition(int position) {
    loading_ = true;
    const bool loaded = commands_->LoadScene(FileOf(position), 1, 1);
    loading_ = false;
    return loaded;
}

bool SceneBackups::Undo() {
    if (!commands_ || !positions_.CanUndo()) return false;
    LoadPosition(--positions_.cur);
    return true;
}

bool SceneBackups::Redo() {
    if (!commands_ || !positions_.CanRedo()) return false;
    LoadPosition(++positions_.cur);
    return true;
}

void SceneBackups::HandleAnomaly(std::string report, CScheduler& scheduler) {
    scheduler.StopCalcThreads();
    if (!commands_) return scheduler.StartCalcThreads();
    const int previous = positions_.cur - 1;
    if (previous < positions_.low) {
        report += "\n\n\nバックアップファイルが無いため続行不可能です...";
        CurrentHost().ShowMessage(report);
        if (resetDialogs) resetDialogs();
        scheduler.StartCalcThreads();
        commands_->Initialise();  // clears the scene first; the new ground is backed up as usual
        return;
    }
    positions_.cur = previous;
    report += "\n\n\n直前に保存したバックアップファイルを読み込みます...";
    CurrentHost().ShowMessage(report);
    scheduler.StartCalcThreads();
    LoadPosition(previous);  // the loader refreshes the property dialogs
}

bool SceneBackups::HandlePendingAnomaly(CScheduler& scheduler) {
    std::string report;
    if (!TakeAnomaly(&report)) return false;
    // A body that runs away reports on every stage it reaches, and several bodies may go at
    // once: the reports of one pass are one fault and step back one position.
    DiscardAnomalies();
    HandleAnomaly(std::move(report), scheduler);
    return true;
}

}  // namespace korvan
