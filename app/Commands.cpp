#include "app/Commands.h"

#include <QCoreApplication>

#include "app/CommandIds.h"
#include "app/QtHost.h"
#include "app/Session.h"

namespace korvan {

namespace {

std::string Tr(const char* text) {
    return QCoreApplication::translate("Commands", text).toStdString();
}

struct FlagCommand {
    int id;
    ViewFlag flag;
};

constexpr FlagCommand kFlagCommands[] = {
    {ID_FLAG_SOLID, ViewFlag::SOLID},
    {ID_FLAG_SKIN, ViewFlag::SKIN},
    {ID_FLAG_BLENDALL, ViewFlag::BLENDALL},
    {ID_FLAG_WIREFRAME, ViewFlag::WIREFRAME},
    {ID_FLAG_CRASH, ViewFlag::CRASH},
    {ID_FLAG_JOIN, ViewFlag::JOIN},
    {ID_FLAG_BACKGROUND, ViewFlag::BACKGROUND},
    {ID_FLAG_SEL, ViewFlag::SEL},
    {ID_FLAG_DRAG, ViewFlag::DRAG},
    {ID_FLAG_PANEL, ViewFlag::PANEL},
    {ID_FLAG_SEAL, ViewFlag::SEAL},
    {ID_FLAG_SHADE, ViewFlag::SHADE},
    {ID_FLAG_FORCE, ViewFlag::FORCE},
    {ID_FLAG_RANK, ViewFlag::RANK},
    {ID_FLAG_SPEED, ViewFlag::SPEED},
    {ID_FLAG_BGM, ViewFlag::BGM},
};

std::optional<ViewFlag> FlagOf(int id) {
    for (const FlagCommand& c : kFlagCommands)
        if (c.id == id) return c.flag;
    return std::nullopt;
}

std::optional<int> BackgroundKindOf(int id) {
    switch (id) {
        case ID_BACKGROUND_CLEAR:
            return 0;
        case ID_BACKGROUND_MARS:
            return 1;
        case ID_BACKGROUND_MOON:
            return 2;
        case ID_BACKGROUND_DUSK:
            return 4;
        default:
            return std::nullopt;
    }
}

// Commands that are disabled while the video dialog is visible.
bool IsVideoGuarded(int id) {
    switch (id) {
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_INITIALISE:
        case ID_PLAY_PRESET:
        case ID_FACTORY_PRESET:
        case ID_PLAY_KEEP:
        case ID_FACTORY_KEEP:
        case ID_MULTITHREAD:
        case ID_DISPLAY_SETTINGS:
        case ID_ACCURACY:
        case ID_OCULUS_SETTINGS:
        case ID_CONTROLLERS:
        case ID_ANTIALIASING:
        case ID_STEREO:
        case ID_SHADOW_SETTINGS:
        case ID_UNDO:
        case ID_REDO:
        case ID_MERGE:
            return true;
        default:
            return false;
    }
}

// Commands whose work belongs to parts of the program that are not there yet.
bool IsNotAvailableYet(int id) {
    switch (id) {
        case ID_VIDEO:
        case ID_DISPLAY_SETTINGS:
        case ID_CONTROLLERS:
        case ID_ANTIALIASING:
        case ID_STEREO:
        case ID_SHADOW_SETTINGS:
        case ID_SHOW_HIDE_ALL:
        case ID_VIEW_RESET:
            return true;
        default:
            return false;
    }
}

}  // namespace

Commands::Commands(Session& session, QtHost& host, CommandDialogs dialogs)
    : session_(session), host_(host), dialogs_(std::move(dialogs)) {}

bool Commands::VideoDialogVisible() const {
    return dialogs_.videoDialogVisible && dialogs_.videoDialogVisible();
}

bool Commands::IsEnabled(int id) const {
    if (IsVideoGuarded(id) && VideoDialogVisible()) return false;
    switch (id) {
        case ID_VIDEO:
            return session_.workingMode == kPlayMode;
        case ID_UNDO:
            return session_.backups.CanUndo();
        case ID_REDO:
            return session_.backups.CanRedo();
        default:
            return true;
    }
}

std::optional<bool> Commands::IsChecked(int id) const {
    if (auto flag = FlagOf(id)) return session_.viewFlags[*flag];
    if (auto kind = BackgroundKindOf(id))
        return session_.backgroundKind == *kind && session_.viewFlags[ViewFlag::BACKGROUND];
    switch (id) {
        case ID_PLAY_PRESET:
            return session_.workingMode == kPlayMode;
        case ID_FACTORY_PRESET:
            return session_.workingMode == kFactoryMode;
        case ID_SOUND_SPEED:
            return session_.sounds.speed;
        case ID_SOUND_CRASH:
            return session_.sounds.crash;
        case ID_SOUND_SLIP:
            return session_.sounds.slip;
        default:
            return std::nullopt;
    }
}

std::optional<std::string> Commands::TextOf(int id) const {
    const CWndView* view = ActiveView();
    switch (id) {
        case ID_VIDEO:
            return session_.workingMode == kPlayMode ? Tr("動画の保存...")
                                                     : Tr("動画の保存...(ﾌﾟﾚｲﾓｰﾄﾞのみ)");
        case ID_VIEW_FIX_VERTICAL:
            if (!view) return std::nullopt;
            return view->fixZ ? Tr("の、鉛直を固定しない") : Tr("の、鉛直を固定する");
        case ID_VIEW_FIX_HORIZONTAL:
            if (!view) return std::nullopt;
            return view->fixH ? Tr("の、水平を固定しない") : Tr("の、水平を固定する");
        default:
            return std::nullopt;
    }
}

bool Commands::IsShown(int id) const {
    if (id == ID_VIEW_FIX_VERTICAL || id == ID_VIEW_FIX_HORIZONTAL) return ActiveView() != nullptr;
    return true;
}

CWndView* Commands::ActiveView() const {
    const int index = dialogs_.activeView ? dialogs_.activeView() : -1;
    auto& views = session_.document.views;
    if (index < 0 || index >= static_cast<int>(views.size())) return nullptr;
    return views[static_cast<std::size_t>(index)].get();
}

bool Commands::Run(int id) {
    if (!IsEnabled(id)) return false;
    if (IsNotAvailableYet(id)) {
        NotAvailableYet();
        return true;
    }
    if (auto flag = FlagOf(id)) {
        session_.ToggleViewFlag(*flag);
        return true;
    }
    if (auto kind = BackgroundKindOf(id)) {
        session_.ChooseBackground(*kind);
        return true;
    }
    auto call = [](const std::function<void()>& f) {
        if (f) f();
        return true;
    };
    switch (id) {
        case ID_FILE_OPEN:
            OpenScene();
            return true;
        case ID_FILE_SAVE:
            SaveScene();
            return true;
        case ID_MERGE:
            MergeScene();
            return true;
        case ID_INITIALISE:
            InitialiseScene();
            return true;
        case ID_UNDO:
            session_.Undo();
            SceneReplaced();
            return true;
        case ID_REDO:
            session_.Redo();
            SceneReplaced();
            return true;
        case ID_PLAY_PRESET:
            session_.ApplyModePreset(kPlayMode);
            return true;
        case ID_FACTORY_PRESET:
            session_.ApplyModePreset(kFactoryMode);
            return true;
        case ID_PLAY_KEEP:
            session_.SwitchMode(kPlayMode);
            return true;
        case ID_FACTORY_KEEP:
            session_.SwitchMode(kFactoryMode);
            return true;
        case ID_SOUND_SPEED:
            session_.sounds.speed = !session_.sounds.speed;
            return true;
        case ID_SOUND_CRASH:
            session_.sounds.crash = !session_.sounds.crash;
            return true;
        case ID_SOUND_SLIP:
            session_.sounds.slip = !session_.sounds.slip;
            return true;
        case ID_MULTITHREAD:
            return call(dialogs_.multithread);
        case ID_ACCURACY:
            return call(dialogs_.accuracy);
        case ID_OCULUS_SETTINGS:
            return call(dialogs_.headMountedQuestion);
        case ID_APP_ABOUT:
            return call(dialogs_.versionBox);
        case ID_MANUAL:
            return call(dialogs_.openManual);
        case ID_APP_EXIT:
            return call(dialogs_.exitProgram);
        case ID_VIEW_SETTINGS:
        case ID_VIEW_PROJECTION:
            if (dialogs_.cameraDialog) dialogs_.cameraDialog(id == ID_VIEW_SETTINGS ? 0 : 1);
            return true;
        case ID_VIEW_FIX_VERTICAL:
        case ID_VIEW_FIX_HORIZONTAL:
            if (CWndView* view = ActiveView()) {
                int& flag = id == ID_VIEW_FIX_VERTICAL ? view->fixZ : view->fixH;
                flag = !flag;
            }
            return call(dialogs_.viewEdited);
        case ID_ADD_VIEW:
            return call(dialogs_.addView);
        case ID_CANCEL:
            return true;
        default:
            return false;
    }
}

void Commands::NotAvailableYet() {
    host_.SetStatus(Tr("この機能はまだ使えません (準備中です)"));
}

void Commands::SceneReplaced() {
    if (dialogs_.sceneReplaced) dialogs_.sceneReplaced();
}

bool Commands::OfferToSave(bool ask, const char* question) {
    if (!ask) return true;
    switch (host_.AskYesNoCancel(Tr(question))) {
        case Choice::Cancel:
            return false;
        case Choice::Yes:
            SaveScene();
            return true;
        case Choice::No:
            return true;
    }
    return true;
}

void Commands::OpenScene() {
    if (!OfferToSave(session_.HasWorkToLose(),
                     QT_TRANSLATE_NOOP("Commands", "読み込みを行う前に、現在のシーンを保存しますか？")))
        return;
    const std::string path = host_.OpenSceneFile(session_.document.lastFolder);
    if (!path.empty()) LoadScene(path);
}

bool Commands::LoadScene(const std::string& path) {
    const bool loaded = session_.Load(path);
    SceneReplaced();
    return loaded;
}

void Commands::SaveScene() {
    const std::string path = host_.SaveSceneFile(session_.document.sceneFolder + "NewFile.txt");
    if (!path.empty()) session_.SaveAs(path);
}

void Commands::MergeScene() {
    const std::string path = host_.OpenSceneFile(session_.document.lastFolder);
    if (!path.empty()) session_.Merge(path);
    SceneReplaced();
}

void Commands::InitialiseScene() {
    if (!OfferToSave(session_.scene().Count() > 0,
                     QT_TRANSLATE_NOOP("Commands", "初期化を行う前に、現在のシーンを保存しますか？")))
        return;
    session_.Initialise();
    SceneReplaced();
}

}  // namespace korvan
