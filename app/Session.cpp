#include "app/Session.h"

#include "app/ThreadSettingsLink.h"
#include "base/Clock.h"
#include "script/SceneWriter.h"

namespace korvan {

namespace {

std::vector<std::string> RingNames(int processId) {
    auto names = BackupFileNames(FindTemporaryFolder(), processId);
    return {names.begin(), names.end()};
}

}  // namespace

Session::Session(ProgramFolders programFolders, Settings startSettings, int logicalProcessorCount,
                 int processId)
    : folders(std::move(programFolders)),
      settings(std::move(startSettings)),
      backups(RingNames(processId)),
      application(std::make_shared<CDispatchAPP>(document, backups.ScriptHooks())),
      commands(document, application, backups.SceneHooks([this] {
          SceneServices services;
          services.clock = NowSeconds;
          services.enterPlayMode = [this] { ApplyModePreset(kPlayMode); };
          return services;
      }())),
      scheduler(document.scene),
      viewFlags(ViewFlags::AtStartUp(settings)) {
    backups.Attach(commands);
    backups.resetDialogs = [this] {
        if (resetDialogs) resetDialogs();
    };
    document.resourceFolder = folders.resource;
    document.lastFolder = folders.samples;
    FixOptimizedCores(settings, logicalProcessorCount);
    scheduler.threadSettings = ThreadSettingsOf(settings, logicalProcessorCount);
}

Session::~Session() {
    scheduler.StopCalcThreads();
}

void Session::SwitchMode(int mode) {
    viewFlags.SwitchTo(mode);
    workingMode = mode;
    if (releaseDisplayLists) releaseDisplayLists();
    if (mode == kPlayMode && resetDialogs) resetDialogs();
}

void Session::ApplyModePreset(int mode) {
    viewFlags.StoredSet(mode) = mode == kFactoryMode ? FactoryPreset() : PlayPreset();
    SwitchMode(mode);
}

void Session::ToggleViewFlag(ViewFlag flag) {
    if (viewFlags.Toggle(flag, workingMode) && releaseDisplayLists) releaseDisplayLists();
}

void Session::ChooseBackground(int kind) {
    backgroundKind = kind;
    if (!viewFlags[ViewFlag::BACKGROUND]) ToggleViewFlag(ViewFlag::BACKGROUND);
}

void Session::AfterSceneCleared() {
    sounds = SoundSwitches{};
}

bool Session::Load(const std::string& path) {
    const bool loaded = commands.LoadScene(path, 0, 0);
    AfterSceneCleared();
    return loaded;
}

void Session::Initialise() {
    commands.Initialise();
    AfterSceneCleared();
}

bool Session::Merge(const std::string& path) {
    return commands.MergeScene(path);
}

bool Session::SaveAs(const std::string& path) {
    return SaveSceneAs(document, *application, path);
}

bool Session::Undo() {
    return backups.Undo();
}
bool Session::Redo() {
    return backups.Redo();
}

bool Session::HasWorkToLose() const {
    const CScene& s = document.scene;
    if (s.Count() == 0) return false;
    return !(s.Count() == 1 && s.Body(0)->typeName == "GROUND");
}

void Session::StoreSettings() {
    viewFlags.StoreInto(settings);
    StoreThreadSettings(scheduler.threadSettings, settings);
    settings.ENV_STEREO_MODE = stereoMode;
}

std::string WindowTitle(const std::string& sceneFileName) {
    std::string title = "KORVAN3 Version 3.02 ( https://korvan3.example.net )";
    return sceneFileName.empty() ? title + " " : title + " -  " + sceneFileName;
}

}  // namespace korvan
