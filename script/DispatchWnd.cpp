#include "script/DispatchWnd.h"

#include <filesystem>

#include "base/Paths.h"
#include "script/DispatchApp.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"

namespace korvan {

using vbs::CallArgs;
using vbs::HostObject;
using vbs::In;
using vbs::MemberTable;
using vbs::Optional;
using vbs::Out;
using vbs::ParamType;
using vbs::Value;

namespace {

constexpr ParamType D = ParamType::Double;
constexpr ParamType L = ParamType::Long;
constexpr ParamType S = ParamType::String;

template <class Self>
const MemberTable& TableOf(void (*addOwn)(MemberTable&)) {
    static const MemberTable table = [addOwn] {
        MemberTable t;
        CDispatchWndBase::AddMembers(t);
        if (addOwn) addOwn(t);
        return t;
    }();
    return table;
}

CDispatchWndView& ViewObject(HostObject& self) {
    return static_cast<CDispatchWndView&>(self);
}

void ViewProperty(MemberTable& t, const char* name, ParamType type,
                  std::function<void(CWndView&, const Value&)> apply) {
    StoredProperty<CDispatchWndView>(t, name, type,
                                     [apply](CDispatchWndView& o, const Value& v) { apply(o.view(), v); });
}

// Sets the user camera and carries it into the mounts that ride with it, in body coordinates.
void PlaceCamera(CDispatchWndView& object, const Viewpoint& camera) {
    CWndView& view = object.view();
    view.SetViewpoint(camera);
    if (view.mouseLock) return;
    SceneDocument& doc = object.app().document();
    int index = doc.IndexOf(&view);
    Viewpoint now = view.GetViewpoint();
    for (int i = 0; i < doc.scene.Count(); ++i) {
        CObj* body = doc.scene.Body(i);
        for (std::size_t k = 0; k < body->mountedViews.size(); ++k) {
            if (body->mountedViews[k] != index) continue;
            Vec3 eye = body->ToBodyPoint(0, now.eye);
            Vec3 target = body->ToBodyPoint(0, now.target);
            Vec3 up = body->ToBodyVector(0, now.up);
            double* v = body->viewpoints[k].values;
            const Vec3 parts[3] = {eye, target, up};
            for (int p = 0; p < 3; ++p)
                for (int c = 0; c < 3; ++c) v[3 * p + c] = parts[p][c];
        }
    }
}

void AddViewMembers(MemberTable& t) {
    ViewProperty(t, "mirror", L, [](CWndView& v, const Value& x) { v.mirror = vbs::ToLong(x); });
    ViewProperty(t, "projection", D, [](CWndView& v, const Value& x) { v.projection = vbs::ToDouble(x); });
    ViewProperty(t, "fixZ", L, [](CWndView& v, const Value& x) { v.fixZ = vbs::ToLong(x); });
    ViewProperty(t, "fixH", L, [](CWndView& v, const Value& x) { v.fixH = vbs::ToLong(x); });
    t.AddMethod("SetPicture", {In(S), In(S), In(L), In(D), In(D), In(D), In(D)},
                [](HostObject& s, CallArgs& a) {
                    auto& object = ViewObject(s);
                    const std::string& folder = object.app().document().sceneFolder;
                    ViewPicture& p = object.view().picture;
                    p.file = ResolvePath(folder, a.String(0));
                    p.maskFile = a.String(1).empty() ? std::string() : ResolvePath(folder, a.String(1));
                    p.mode = a.Long(2);
                    for (std::size_t i = 0; i < 4; ++i) p.values[i] = a.Double(3 + i);
                    object.view().hasPicture = true;
                    return Long(0);
                });
    t.AddMethod("SetViewpoint",
                {In(D), In(D), In(D), In(D), In(D), In(D), Optional(D, Value(0.0)), Optional(D, Value(0.0)),
                 Optional(D, Value(1.0))},
                [](HostObject& s, CallArgs& a) {
                    Viewpoint camera{{a.Double(0), a.Double(1), a.Double(2)},
                                     {a.Double(3), a.Double(4), a.Double(5)},
                                     {a.Double(6), a.Double(7), a.Double(8)}};
                    PlaceCamera(ViewObject(s), camera);
                    return Long(0);
                });
    t.AddMethod("GetViewpoint", std::vector<vbs::Param>(9, Out(D)), [](HostObject& s, CallArgs& a) {
        Viewpoint c = ViewObject(s).view().GetViewpoint();
        const Vec3 parts[3] = {c.eye, c.target, c.up};
        for (std::size_t p = 0; p < 3; ++p)
            for (int k = 0; k < 3; ++k) a.Set(3 * p + static_cast<std::size_t>(k), Value(parts[p][k]));
        return Long(0);
    });
}

// The first of: the scene folder, the resource folder, the name as given, that holds the file.
void AddMusicMembers(MemberTable& t) {
    t.AddMethod("AddFile", {In(S)}, [](HostObject& s, CallArgs& a) {
        auto& object = static_cast<CDispatchWndMusic&>(s);
        const SceneDocument& doc = object.app().document();
        const std::string& name = a.String(0);
        for (const std::string& candidate :
             {ResolvePath(doc.sceneFolder, name), ResolvePath(doc.resourceFolder, name), name}) {
            std::error_code error;
            if (!std::filesystem::exists(NativePath(candidate), error)) continue;
            CWndMusic& music = object.music();
            music.files.push_back(candidate);
            if (music.displayName.empty())
                music.displayName = std::filesystem::path(NativePath(candidate)).stem().string();
            break;
        }
        return Long(0);
    });
}

}  // namespace

CWndBase& CDispatchWndBase::Frame() const {
    if (!frame_) vbs::Raise(vbs::kErrObjectNotSet, "the window was removed");
    return *frame_;
}

void CDispatchWndBase::AddMembers(MemberTable& t) {
    auto edge = [&t](const char* name, double CWndBase::*field) {
        StoredProperty<CDispatchWndBase>(t, name, D, [field](CDispatchWndBase& o, const Value& v) {
            o.Frame().*field = vbs::ToDouble(v);
        });
    };
    edge("left", &CWndBase::left);
    edge("top", &CWndBase::top);
    edge("right", &CWndBase::right);
    edge("bottom", &CWndBase::bottom);
}

const MemberTable& CDispatchWndView::Members() const {
    return TableOf<CDispatchWndView>(AddViewMembers);
}
const MemberTable& CDispatchWndMeter::Members() const {
    return TableOf<CDispatchWndMeter>(nullptr);
}
const MemberTable& CDispatchWndMusic::Members() const {
    return TableOf<CDispatchWndMusic>(AddMusicMembers);
}

}  // namespace korvan
