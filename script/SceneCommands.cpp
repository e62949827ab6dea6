#include "script/SceneCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "base/Host.h"
#include "base/Paths.h"
#include "base/TextEncoding.h"
#include "base/Tokens.h"
#include "script/DispatchObj.h"
#include "script/DispatchWnd.h"
#include "sim/Accuracy.h"

namespace korvan {

namespace {

bool IsAnyOf(std::string_view word, std::initializer_list<std::string_view> forms) {
    return std::find(forms.begin(), forms.end(), word) != forms.end();
}

// The camera of a view in the coordinates of the body it is mounted on.
_VIEWPOINT MountCamera(const CWndView& view, const CObj& body) {
    Viewpoint c = view.GetViewpoint();
    const Vec3 parts[3] = {body.ToBodyPoint(0, c.eye), body.ToBodyPoint(0, c.target),
                           body.ToBodyVector(0, c.up)};
    _VIEWPOINT v;
    for (int p = 0; p < 3; ++p)
        for (int k = 0; k < 3; ++k) v.values[3 * p + k] = parts[p][k];
    return v;
}

}  // namespace

bool ScanAddObjLine(std::string_view line, AddObjEntry& entry) {
    bool mentions = false;
    for (std::string_view form : {"AddObj", "addobj", "ADDOBJ", "Addobj"})
        if (line.find(form) != std::string_view::npos) mentions = true;
    if (!mentions) return false;
    // The punctuation of the call becomes blanks; a quoted name keeps its own, so a name made
    // unique as "A(2)" is found again when the file loads.
    std::string cleaned(line);
    bool quoted = false;
    for (char& c : cleaned) {
        if (c == '"') quoted = !quoted;
        if (c == '\n' || c == '\r' ||
            (!quoted && std::string_view("(),.=%").find(c) != std::string_view::npos))
            c = ' ';
    }
    std::vector<std::string> tokens = SplitTokens(cleaned);
    entry = AddObjEntry{};
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (IsAnyOf(tokens[i], {"Set", "set", "SET"})) entry.varName = tokens[i + 1];
        if (IsAnyOf(tokens[i], {"AddObj", "addobj", "ADDOBJ", "Addobj"})) {
            entry.type = tokens[i + 1];
            if (i + 2 < tokens.size()) entry.displayName = tokens[i + 2];
        }
    }
    return true;
}

SceneCommands::SceneCommands(SceneDocument& document, std::shared_ptr<CDispatchAPP> application,
                             SceneServices services)
    : document_(&document),
      application_(std::move(application)),
      item_(std::make_shared<CmdTargetVBS>(application_)),
      services_(std::move(services)) {}

void SceneCommands::ClearScene() {
    application_->ClearObjects();
    SceneDocument& doc = *document_;
    doc.ClearFrames();
    doc.scene.Clear();
    SimSettings& s = doc.scene.settings;
    s.CurTime = 0;
    s.GravityX = 0, s.GravityY = 0, s.GravityZ = -9.8;
    s.PreCalcTime = 0;
    s.GrabForce = 100000;
    InitialiseClock(s);
    doc.assemblyState = 0;
    doc.sceneFolder.clear();
}

bool SceneCommands::LoadScene(const std::string& path, int keepMode, int restoreFolders) {
    SceneDocument& doc = *document_;
    const std::string folder = doc.sceneFolder, lastFolder = doc.lastFolder, fileName = doc.sceneFileName;
    doc.busy = true;
    ClearScene();
    if (keepMode == 0) {
        doc.scene.nameCounter = 0;
        if (services_.enterPlayMode) services_.enterPlayMode();
        ResetAccuracySettings(doc.scene.settings);
    }
    bool loaded = RunSceneFile(path);
    if (!loaded) {
        Initialise();
        CurrentHost().ShowMessage(path + " の読み込みに失敗しました");
    }
    if (services_.refreshDialogs) services_.refreshDialogs();
    doc.busy = false;
    // A backup brought back by undo still belongs to the user's scene file, not to the ring.
    if (restoreFolders == 1)
        doc.sceneFolder = folder, doc.lastFolder = lastFolder, doc.sceneFileName = fileName;
    // The bodies' backups end with the last body's creation; what the script did after it (joins,
    // collisions, settings) and the loader's own finishing are kept by one more. Loads of backups
    // take none.
    if (loaded && services_.saveBackup) services_.saveBackup();
    return loaded;
}

bool SceneCommands::ReadSceneText(const std::string& path, std::string& text) {
    std::ifstream file(NativePath(path), std::ios::binary);
    if (!file) {
        CurrentHost().ShowMessage(path + " は存在しません");
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    text = DecodeFileText(bytes.str());
    return true;
}

void SceneCommands::SplitScriptLines(const std::string& text, std::vector<AddObjEntry>* table) {
    SceneDocument& doc = *document_;
    doc.scriptLines.clear();
    // A line end closes its line: a file that ends with one has no empty line after it.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        AddObjEntry entry;
        if (table && ScanAddObjLine(line, entry)) table->push_back(entry);
        doc.scriptLines.push_back(std::move(line));
        if (end == text.size()) break;
        start = end + 1;
    }
}

bool SceneCommands::RunText(const std::string& text, const std::string& path) {
    scriptRunning_ = true;
    const bool ran = !RunScript(text, path, item_, *document_, limits).has_value();
    scriptRunning_ = false;
    return ran;
}

bool SceneCommands::RunSceneFile(const std::string& path) {
    SceneDocument& doc = *document_;
    // The folder is kept absolute, so names saved later can be made relative to it.
    const std::string folder = AbsoluteFolderOf(path);
    const std::string name = FileNameOf(path);
    const std::string full = folder + name;

    std::string text;
    if (!ReadSceneText(full, text)) return false;
    doc.sceneFileName = name;
    doc.sceneFolder = folder;
    doc.lastFolder = folder;
    doc.busy = true;
    doc.addObjTable.clear();
    SplitScriptLines(text, &doc.addObjTable);
    if (!RunText(text, full)) return false;
    FinishScript();
    AssignVariableNames();
    for (auto& view : doc.views) view->SetViewpoint(view->GetViewpoint());
    if (services_.clock) doc.loadTime = services_.clock();
    return true;
}

// The last fixed body that is not a ground, else the last fixed body, else the first body.
CObj* SceneCommands::ReferenceBody() const {
    const CScene& scene = document_->scene;
    CObj* fixedGround = nullptr;
    for (int i = scene.Count() - 1; i >= 0; --i) {
        CObj* b = scene.Body(i);
        if (!b->IsFixed()) continue;
        if (b->typeName != "GROUND") return b;
        if (!fixedGround) fixedGround = b;
    }
    if (fixedGround) return fixedGround;
    return scene.Count() > 0 ? scene.Body(0) : nullptr;
}

void SceneCommands::FinishScript() {
    SceneDocument& doc = *document_;
    CScene& scene = doc.scene;
    for (int i = 0; i < scene.Count(); ++i) scene.Body(i)->MakeModel();
    MountFreeViews();
    for (int i = 0; i < scene.Count(); ++i) scene.Body(i)->UpdateDerivedConstants();
    doc.busy = false;
}

// Every view rides on a body: one that is not mounted goes on the reference body where it stands.
void SceneCommands::MountFreeViews() {
    SceneDocument& doc = *document_;
    CObj* reference = ReferenceBody();
    if (!reference) return;
    for (std::size_t v = 0; v < doc.views.size(); ++v) {
        int index = static_cast<int>(v);
        if (!doc.MountOf(index)) doc.MountView(reference, index, MountCamera(*doc.views[v], *reference));
    }
}

// A view left free (all bodies deleted) is mounted where it stands, as the load of the saved
// scene would mount it.
std::shared_ptr<CDispatchObj> SceneCommands::CreateBody(const std::string& type, const std::string& name) {
    auto object = application_->CreateBody(type, name);
    if (object) MountFreeViews();
    return object;
}

// The views the body carried stay where they are, mounted on the reference body as a load
// would mount them, so the scene saves as it then loads.
void SceneCommands::DeleteBody(CObj* body) {
    application_->ForgetBody(body);
    document_->scene.Remove(body);
    MountFreeViews();
}

void SceneCommands::AssignVariableNames() {
    SceneDocument& doc = *document_;
    // Backups run this once per body while a file loads: hashed look-ups keep it linear.
    std::unordered_map<std::string, const AddObjEntry*> firstEntry;
    for (const AddObjEntry& e : doc.addObjTable) firstEntry.try_emplace(e.type + '\n' + e.displayName, &e);
    std::unordered_set<std::string> used;
    auto assign = [&](const std::string& kind, const std::string& display, std::string& varName) {
        auto found = firstEntry.find(kind + '\n' + display);
        if (found == firstEntry.end()) return;
        const std::string& base = found->second->varName;
        std::string name = base;
        for (int n = 2; used.contains(name); ++n) name = base + std::to_string(n);
        varName = name;
        used.insert(std::move(name));
    };
    for (auto& v : doc.views) assign("VIEW", v->displayName, v->varName);
    for (auto& m : doc.meters) assign("METER", m->displayName, m->varName);
    for (auto& m : doc.musics) assign("MUSIC", m->displayName, m->varName);
    for (int i = 0; i < doc.scene.Count(); ++i) {
        CObj* b = doc.scene.Body(i);
        assign(b->typeName, b->displayName, b->varName);
    }
}

void SceneCommands::Initialise() {
    ClearScene();
    SceneDocument& doc = *document_;
    CWndView* main = doc.AddView("メイン");
    application_->views.push_back(std::make_shared<CDispatchWndView>(*application_, main));
    main->projection = 0;
    main->SetViewpoint({{-5.9864, -17.6857, 5.38391}, {0, 0, 0}, {0, 0, 1}});
    application_->CreateBody("GROUND", "地面");  // the creation routine takes its own backups
    FinishScript();
}

}  // namespace korvan
