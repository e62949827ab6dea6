#include "script/SceneBackups.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
    // Bodies created by a running scene file still carry default names; a backup carries the
    // file's names, so that a scene brought back by undo saves with the names it was loaded with.
    if (commands_->ScriptRunning()) commands_->AssignVariableNames();
    const std::string& file = FileOf(positions_.Advance());
    CurrentHost().SetStatus(file + " にバックアップを保存しています");
    // A file that cannot be written keeps what it held; the position is still taken, so an undo
    // to it later loads that older content or fails as a missing file.
    if (!WriteBackup(file)) return false;
    CurrentHost().SetStatus(file + " にバックアップを保存しました");
    return true;
}

bool SceneBackups::WriteBackup(const std::string& file) const {
    SceneWriteOptions options;
    options.saveFolder = FolderOf(file) + "/";
    options.quiet = true;
    options.shownControls = commands_->application().shownControls;
    const std::string bytes = SceneFileBytes(commands_->document(), options);
    // Rewritten in place and then cut to length, not emptied first: a file system that sees a
    // file emptied and written again flushes it to the disk on close, and the ring rewrites its
    // files twice per body created.
    const int fd = ::open(NativePath(file).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    written = written && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    return ::close(fd) == 0 && written;
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
