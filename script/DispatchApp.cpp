#include "script/DispatchApp.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "base/Host.h"
#include "script/DispatchObj.h"
#include "script/DispatchWnd.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"
#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjDef.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"

namespace korvan {

using vbs::CallArgs;
using vbs::HostObject;
using vbs::Optional;
using vbs::ParamType;
using vbs::Value;

void AddJoinMembers(vbs::MemberTable& table);  // DispatchJoins.cpp

namespace {

CDispatchAPP& App(HostObject& self) {
    return static_cast<CDispatchAPP&>(self);
}

// The six environment properties copy every assigned value into the simulation settings. They
// read back what a script assigned since the scene was last cleared; until then the setting
// itself, so that a script sent to the running program sees the time advance.
void AddEnvironmentProperty(vbs::MemberTable& table, const std::string& name, double SimSettings::*setting) {
    table.Property(
        name, ParamType::Double,
        [name, setting](HostObject& self) {
            CDispatchAPP& app = App(self);
            return app.HasStored(name) ? app.Stored(name, ParamType::Double)
                                       : Value(app.document().scene.settings.*setting);
        },
        [name, setting](HostObject& self, const Value& v) {
            App(self).Store(name, v);
            App(self).document().scene.settings.*setting = vbs::ToDouble(v);
        });
}

// n = floor(version * 100 + 0.5); scene files of this program say 3.02.
Value CheckVersion(HostObject&, CallArgs& args) {
    int n = static_cast<int>(std::floor(args.Double(0) * 100 + 0.5));
    if (n != 302) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "本アプリのバージョンは3.02ですが\nこのスクリプトのバージョンは%.2fです。\n",
                      n / 100.0);
        CurrentHost().ShowMessage(text);
    }
    return Long(0);
}

Value ShowControl(HostObject& self, CallArgs& args) {
    static const char* const words[kControlCount] = {"CPU", "BGM", "METER", "PANEL"};
    for (int i = 0; i < kControlCount; ++i)
        if (args.String(0) == words[i]) App(self).shownControls[static_cast<std::size_t>(i)] = args.Long(1);
    return Long(0);
}

const vbs::MemberTable& ApplicationMembers() {
    static const vbs::MemberTable table = [] {
        vbs::MemberTable t;
        AddEnvironmentProperty(t, "CurTime", &SimSettings::CurTime);
        AddEnvironmentProperty(t, "GrabForce", &SimSettings::GrabForce);
        AddEnvironmentProperty(t, "PreCalcTime", &SimSettings::PreCalcTime);
        AddEnvironmentProperty(t, "GravityX", &SimSettings::GravityX);
        AddEnvironmentProperty(t, "GravityY", &SimSettings::GravityY);
        AddEnvironmentProperty(t, "GravityZ", &SimSettings::GravityZ);
        t.AddMethod("CheckVersion", {vbs::In(ParamType::Double)}, CheckVersion);
        t.AddMethod("AddObj", {vbs::In(ParamType::String), vbs::In(ParamType::String)},
                    [](HostObject& self, CallArgs& args) {
                        return App(self).AddObj(args.String(0), args.String(1));
                    });
        AddJoinMembers(t);
        t.AddMethod("ShowControl", {vbs::In(ParamType::String), vbs::In(ParamType::Long)}, ShowControl);
        std::vector<vbs::Param> six(6, vbs::In(ParamType::Double));
        t.AddMethod("Set3DmouseParam", six, [](HostObject& self, CallArgs& args) {
            for (std::size_t i = 0; i < 6; ++i) App(self).mouse3dGains[i] = args.Double(i);
            return Long(0);
        });
        t.AddMethod("GetOculusRiftMode", {},
                    [](HostObject& self, CallArgs&) { return Long(App(self).services().oculusMode); });
        // How a script that did not create the scene (one sent from another process) reaches
        // its bodies.
        t.AddMethod("FindObj", {vbs::In(ParamType::String)}, [](HostObject& self, CallArgs& args) {
            auto object = App(self).FindObj(args.String(0));
            return object ? Value(vbs::ObjectRef(object)) : Value::Nothing();
        });
        return t;
    }();
    return table;
}

// Display name made unique among the scene's bodies: name, name(2), name(3), ...
std::string UniqueDisplayName(const CScene& scene, const std::string& name) {
    auto taken = [&](const std::string& candidate) {
        for (int i = 0; i < scene.Count(); ++i)
            if (scene.Body(i)->displayName == candidate) return true;
        return false;
    };
    std::string candidate = name;
    for (int n = 2; taken(candidate); ++n) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "(%d)", n);
        candidate = name + suffix;
    }
    return candidate;
}

CObj* ConstructBody(CScene& scene, const std::string& type, const std::string& name) {
    if (type == "BOX") return scene.Create<CObjBox>(name);
    if (type == "CYLINDER") return scene.Create<CObjCylinder>(name);
    if (type == "DEF") return scene.Create<CObjDef>(name);
    if (type == "SPRING") return scene.Create<CObjSpring>(name);
    if (type == "GROUND") return scene.Create<CObjGround>(name);
    return nullptr;
}

// Drops the objects from position `keep` on; scripts that still hold one get an error on use.
template <class Wrapper>
void DropFrom(std::vector<std::shared_ptr<Wrapper>>& list, std::size_t keep) {
    for (std::size_t i = keep; i < list.size(); ++i) list[i]->Detach();
    if (list.size() > keep) list.resize(keep);
}

template <class Wrapper, class Frame>
Value Wrap(CDispatchAPP& app, std::vector<std::shared_ptr<Wrapper>>& list, Frame* frame) {
    auto object = std::make_shared<Wrapper>(app, frame);
    list.push_back(object);
    return Value(vbs::ObjectRef(object));
}

}  // namespace

CDispatchAPP::CDispatchAPP(SceneDocument& document, ScriptServices services)
    : document_(&document), services_(std::move(services)) {}

const vbs::MemberTable& CDispatchAPP::Members() const {
    return ApplicationMembers();
}

CObj* CDispatchAPP::BodyOf(const vbs::ObjectRef& object) const {
    for (const auto& b : bodies)
        if (b == object) return b->body() && document_->scene.Contains(b->body()) ? b->body() : nullptr;
    return nullptr;
}

std::shared_ptr<CDispatchObj> CDispatchAPP::ObjectOf(const CObj* body) const {
    for (const auto& b : bodies)
        if (b->body() == body) return b;
    return nullptr;
}

std::shared_ptr<CDispatchObj> CDispatchAPP::FindObj(const std::string& displayName) const {
    for (const auto& b : bodies)
        if (b->body() && b->body()->displayName == displayName) return b;
    return nullptr;
}

CWndView* CDispatchAPP::ViewOf(const vbs::ObjectRef& object) const {
    for (const auto& v : views)
        if (v == object) return v->Attached() ? &v->view() : nullptr;
    return nullptr;
}

CWndMeter* CDispatchAPP::MeterOf(const vbs::ObjectRef& object) const {
    for (const auto& m : meters)
        if (m == object) return m->Attached() ? &m->meter() : nullptr;
    return nullptr;
}

std::shared_ptr<CDispatchObj> CDispatchAPP::CreateBody(const std::string& type, const std::string& name) {
    if (type != "BOX" && type != "CYLINDER" && type != "DEF" && type != "SPRING" && type != "GROUND")
        return nullptr;
    if (services_.beforeBodyCreated) services_.beforeBodyCreated();
    CScene& scene = document_->scene;
    CObj* body = ConstructBody(scene, type, UniqueDisplayName(scene, name));
    body->colorR = body->colorG = body->colorB = 128.0 / 255.0;
    body->UpdateStageMatrices(0);
    body->MakeModel();
    body->UpdateDerivedConstants();
    auto object = MakeBodyObject(*this, body);
    bodies.push_back(object);
    if (services_.afterBodyCreated) services_.afterBodyCreated();
    return object;
}

double CDispatchAPP::MassOfNewBody(const std::string& type) {
    static const std::map<std::string, double> masses = [] {
        std::map<std::string, double> m;
        for (const char* kind : {"BOX", "CYLINDER", "DEF", "SPRING", "GROUND"}) {
            CScene scratch;
            CObj* body = ConstructBody(scratch, kind, kind);
            body->MakeModel();
            m[kind] = body->mass;
        }
        return m;
    }();
    auto found = masses.find(type);
    return found == masses.end() ? 0 : found->second;
}

Value CDispatchAPP::AddObj(const std::string& type, const std::string& name) {
    if (type == "VIEW") return Wrap(*this, views, document_->AddView(name));
    if (type == "MUSIC") return Wrap(*this, musics, document_->AddMusic(name));
    if (type == "METER") return Wrap(*this, meters, document_->AddMeter(name));
    if (auto body = CreateBody(type, name)) return Value(vbs::ObjectRef(body));
    char text[512];
    std::snprintf(text, sizeof text, "\"%s\" は、このバージョンでは対応していないオブジェクトタイプです。",
                  type.c_str());
    CurrentHost().ShowMessage(text);
    return Value::Nothing();
}

void CDispatchAPP::ClearObjects() {
    ForgetStored();  // the environment goes back to its defaults with the scene
    for (auto& b : bodies) b->Detach();
    bodies.clear();
    TruncateFrameObjects(0, 0, 0);
}

void CDispatchAPP::TruncateFrameObjects(std::size_t keepViews, std::size_t keepMeters,
                                        std::size_t keepMusics) {
    DropFrom(views, keepViews);
    DropFrom(meters, keepMeters);
    DropFrom(musics, keepMusics);
}

void CDispatchAPP::RemoveView(int index) {
    if (index < 0 || index >= static_cast<int>(document_->views.size())) return;
    const CWndView* view = document_->views[static_cast<std::size_t>(index)].get();
    std::erase_if(views, [view](const std::shared_ptr<CDispatchWndView>& object) {
        if (!object->Attached() || &object->view() != view) return false;
        object->Detach();
        return true;
    });
    document_->RemoveView(index);
}

void CDispatchAPP::ForgetBody(const CObj* body) {
    std::erase_if(bodies, [body](const std::shared_ptr<CDispatchObj>& b) {
        if (b->body() != body) return false;
        b->Detach();
        return true;
    });
}

const vbs::MemberTable& CmdTargetVBS::Members() const {
    static const vbs::MemberTable table = [] {
        vbs::MemberTable t;
        auto application = [](HostObject& self, CallArgs&) {
            return Value(vbs::ObjectRef(static_cast<CmdTargetVBS&>(self).application()));
        };
        t.Property("Application", ParamType::Object, [](HostObject& self) {
            return Value(vbs::ObjectRef(static_cast<CmdTargetVBS&>(self).application()));
        });
        t.AddMethod("GetApplication", {}, application);
        // Buttons and title, which scripts written for other hosts pass, are accepted and ignored.
        t.AddMethod("MsgBox",
                    {vbs::In(ParamType::String), Optional(ParamType::Variant, Value()),
                     Optional(ParamType::Variant, Value())},
                    [](HostObject&, CallArgs& args) {
                        CurrentHost().ShowScriptMessage(args.String(0));
                        return Long(1);
                    });
        return t;
    }();
    return table;
}

}  // namespace korvan
