// Merging a second scene file into the current scene. The merged file usually brings its own
// ground (its base body); that body is replaced by the last ground of the current scene, so the
// merged model stands on it with all its connections and collisions.
#include <map>

#include "base/Host.h"
#include "base/Paths.h"
#include "script/DispatchObj.h"
#include "script/SceneCommands.h"

namespace korvan {

namespace {

// Among the added bodies, the one the added bodies' collision and gear definitions name most
// often (the first on ties).
CObj* FindBaseBody(const CScene& scene, int firstAdded) {
    std::map<const CObj*, int> named;
    for (int i = firstAdded; i < scene.Count(); ++i)
        for (const _INTRACT& r : scene.Body(i)->interactions) ++named[r.other];
    CObj* best = nullptr;
    int bestCount = -1;
    for (int i = firstAdded; i < scene.Count(); ++i) {
        int count = named[scene.Body(i)];
        if (count > bestCount) best = scene.Body(i), bestCount = count;
    }
    return best;
}

CObj* LastGroundBefore(const CScene& scene, int count) {
    for (int i = count - 1; i >= 0; --i)
        if (scene.Body(i)->typeName == "GROUND") return scene.Body(i);
    return nullptr;
}

void ResetContacts(CObj& body) {
    for (_CRASHINFO& c : body.crashPoints) {
        _CRASHINFO fresh;
        fresh.localPoint = c.localPoint;
        c = fresh;
    }
}

// The base body's connection records move to the end of the target's; their partners point at
// the target. A base joined to itself becomes a target joined to itself.
void MoveConnections(CObj& base, CObj& target) {
    const int offset = static_cast<int>(target.joins.size());
    for (std::size_t i = 0; i < base.joins.size(); ++i) {
        _JOININFO moved = base.joins[i];
        if (_JOININFO* mirror = MirrorOf(base.joins[i])) {
            if (moved.partner == &base) {
                moved.partner = &target;
                moved.partnerIndex += offset;
            } else {
                mirror->partner = &target;
                mirror->partnerIndex = offset + static_cast<int>(i);
            }
        } else {
            moved.partner = nullptr;
            moved.partnerIndex = -1;
        }
        target.joins.push_back(moved);
    }
    base.joins.clear();
}

}  // namespace

void SceneCommands::ForgetBodiesFrom(int firstAdded) {
    CScene& scene = document_->scene;
    while (scene.Count() > firstAdded) {
        CObj* body = scene.Body(scene.Count() - 1);
        for (int i = 0; i < firstAdded; ++i) scene.Body(i)->EraseJoinsTo(body);
        DeleteBody(body);
    }
}

bool SceneCommands::MergeScene(const std::string& path) {
    SceneDocument& doc = *document_;
    std::string text;
    if (!ReadSceneText(path, text)) return false;
    if (services_.saveBackup) services_.saveBackup();
    const int bodiesBefore = doc.scene.Count();
    const std::size_t views = doc.views.size(), meters = doc.meters.size(), musics = doc.musics.size();

    SplitScriptLines(text, nullptr);
    std::string folder = doc.sceneFolder;
    doc.sceneFolder = AbsoluteFolderOf(path);
    bool ran = RunText(text, path);
    doc.sceneFolder = folder;

    // A failed script, a file without bodies or a scene without a ground leaves the scene as it was.
    auto abandon = [&](const std::string& message) {
        if (!message.empty()) CurrentHost().ShowMessage(message);
        if (!services_.reloadBackup || !services_.reloadBackup()) {
            ForgetBodiesFrom(bodiesBefore);
            doc.TruncateFrames(views, meters, musics);
            application_->TruncateFrameObjects(views, meters, musics);
        }
        return false;
    };
    if (!ran) return abandon("");
    CObj* target = LastGroundBefore(doc.scene, bodiesBefore);
    if (doc.scene.Count() == bodiesBefore) return abandon(path + " には合成できる物がありません");
    if (!target) return abandon("合成先の地面がないので、シーンを合成できません");

    FinishScript();
    AssignVariableNames();
    doc.TruncateFrames(views, meters, musics);
    application_->TruncateFrameObjects(views, meters, musics);

    CObj* base = FindBaseBody(doc.scene, bodiesBefore);
    for (int i = bodiesBefore; i < doc.scene.Count(); ++i) {
        CObj* b = doc.scene.Body(i);
        if (b == base) continue;
        std::erase_if(b->moves, [base](const _MOVEINFO& m) { return m.other == base; });
        for (_INTRACT& r : b->interactions)
            if (r.other == base) r.other = target;
        ResetContacts(*b);
    }
    MoveConnections(*base, *target);
    DeleteBody(base);
    // The moved connections now hang on the target: both sides take its mass.
    for (int i = 0; i < doc.scene.Count(); ++i) doc.scene.Body(i)->UpdateJoinConstants();

    if (services_.refreshDialogs) services_.refreshDialogs();
    if (services_.saveBackup) services_.saveBackup();
    return true;
}

}  // namespace korvan
