#include "app/QtHost.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStatusBar>
#include <QUrl>
#include <cstdio>

#include "app/MessageWindow.h"

namespace korvan {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Tr(const char* text) {
    return QCoreApplication::translate("Host", text);
}

QString SceneFilter() {
    return Tr("TXT ファイル (*.txt);;すべてのファイル (*)");
}

}  // namespace

void QtHost::SetWindow(QWidget* window, QStatusBar* statusBar, MessageWindow* messages) {
    window_ = window;
    statusBar_ = statusBar;
    messages_ = messages;
}

bool QtHost::TakeScripted(const std::string& shown, std::string& answer) {
    log.push_back(shown);
    if (scriptedAnswers.empty()) {
        answer.clear();
        // Nobody sees the dialog: like the console runner, say on standard error what it said.
        if (unattended) std::fprintf(stderr, "KORVAN3: %s\n", shown.c_str());
        return unattended;
    }
    answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return true;
}

template <class Dialog>
auto QtHost::RunModal(Dialog&& dialog) {
    ModalScope modal(modalHook);
    return dialog();
}

void QtHost::ShowMessage(const std::string& text) {
    std::string answer;
    if (TakeScripted(text, answer)) return;
    RunModal([&] { return QMessageBox::information(window_, QStringLiteral("KORVAN3"), Q(text)); });
}

void QtHost::ShowScriptMessage(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
    ShowMessage(text);
}

Answer QtHost::Ask(const std::string& text, Answer preferred) {
    std::string answer;
    if (TakeScripted(text, answer))
        return answer == "yes" || (answer.empty() && preferred == Answer::Yes) ? Answer::Yes : Answer::No;
    const auto def = preferred == Answer::Yes ? QMessageBox::Yes : QMessageBox::No;
    const auto pressed = RunModal([&] {
        return QMessageBox::question(window_, QStringLiteral("KORVAN3"), Q(text),
                                     QMessageBox::Yes | QMessageBox::No, def);
    });
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Choice QtHost::AskYesNoCancel(const std::string& text) {
    std::string answer;
    if (TakeScripted(text, answer))
        return answer == "yes" ? Choice::Yes : answer == "cancel" ? Choice::Cancel : Choice::No;
    const auto pressed = RunModal([&] {
        return QMessageBox::question(window_, QStringLiteral("KORVAN3"), Q(text),
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                     QMessageBox::Yes);
    });
    return pressed == QMessageBox::Yes  ? Choice::Yes
           : pressed == QMessageBox::No ? Choice::No
                                        : Choice::Cancel;
}

void QtHost::SetStatus(const std::string& text) {
    if (statusBar_) statusBar_->showMessage(Q(text));
}

void QtHost::OpenForEditing(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtHost::ShowProgress(const std::string& title, const std::string& text, int percent) {
    if (messages_) messages_->ShowProgress(title, text, percent);
}

void QtHost::HideProgress() {
    if (messages_) messages_->HideProgress();
}

bool QtHost::KeepWaitingForScript(double seconds) {
    const std::string text = Tr("スクリプトが %1 秒以上実行されたまま終わりません。\n\n"
                                "このまま実行を続けますか?\n(「いいえ」でスクリプトを中止します)")
                                 .arg(static_cast<int>(seconds))
                                 .toStdString();
    return Ask(text, Answer::No) == Answer::Yes;
}

std::string QtHost::OpenSceneFile(const std::string& folder) {
    std::string answer;
    if (TakeScripted("open: " + folder, answer)) return answer;
    return RunModal([&] {
        return QFileDialog::getOpenFileName(window_, QString(), Q(folder), SceneFilter()).toStdString();
    });
}

std::string QtHost::SaveSceneFile(const std::string& initialPath) {
    std::string answer;
    if (TakeScripted("save: " + initialPath, answer)) return answer;
    return RunModal([&] {
        QFileDialog dialog(window_, QString(), Q(initialPath), SceneFilter());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        dialog.selectFile(Q(initialPath));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().front().toStdString()
                   : std::string();
    });
}

}  // namespace korvan
