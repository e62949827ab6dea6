#include "script/DispatchObj.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "base/Host.h"
#include "base/Paths.h"
#include "script/DispatchApp.h"
#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"
#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjDef.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"
#include "sim/Scene.h"
#include "skin/SkinRecord.h"

namespace korvan {

using vbs::CallArgs;
using vbs::HostObject;
using vbs::In;
using vbs::MemberTable;
using vbs::Optional;
using vbs::Out;
using vbs::Param;
using vbs::ParamType;
using vbs::Value;

namespace {

constexpr ParamType D = ParamType::Double;
constexpr ParamType L = ParamType::Long;
constexpr ParamType S = ParamType::String;
constexpr ParamType O = ParamType::Object;

CDispatchObj& Self(HostObject& self) {
    return static_cast<CDispatchObj&>(self);
}
CObj& BodyOf(HostObject& self) {
    return Self(self).Body();
}

std::vector<Param> Params(std::initializer_list<ParamType> types) {
    std::vector<Param> params;
    for (ParamType t : types) params.push_back(In(t));
    return params;
}

std::vector<Param> Outs(int count) {
    return std::vector<Param>(static_cast<std::size_t>(count), Out(D));
}

Vec3 Vector(const CallArgs& args, std::size_t first) {
    return {args.Double(first), args.Double(first + 1), args.Double(first + 2)};
}

void SetOut(CallArgs& args, std::size_t first, const Vec3& v) {
    for (int k = 0; k < 3; ++k) args.Set(first + static_cast<std::size_t>(k), Value(v[k]));
}

// The partner of an actuation or interaction must be a body of this scene.
CObj* PartnerBody(HostObject& self, const CallArgs& args, std::size_t i) {
    CObj* other = Self(self).app().BodyOf(args.Object(i));
    if (!other) vbs::Raise(vbs::kErrInvalidCall, "not a body of this scene");
    return other;
}

// Controller index of a name among the connected controllers; -1 when none matches.
int ControllerIndex(HostObject& self, const std::string& name) {
    const GameControllers* controllers = BodyOf(self).scene().controllers;
    return controllers ? controllers->IndexOf(name) : -1;
}

// ---- Properties ----------------------------------------------------------------------------

using Apply = std::function<void(CDispatchObj&, const Value&)>;

void BodyProperty(MemberTable& t, const char* name, ParamType type, Apply apply) {
    StoredProperty<CDispatchObj>(t, name, type, std::move(apply));
}

template <class Kind>
Apply SetDouble(double Kind::*field) {
    return [field](CDispatchObj& o, const Value& v) {
        if (auto* k = dynamic_cast<Kind*>(&o.Body())) k->*field = vbs::ToDouble(v);
    };
}

template <class Kind>
Apply SetInt(int Kind::*field) {
    return [field](CDispatchObj& o, const Value& v) {
        if (auto* k = dynamic_cast<Kind*>(&o.Body())) k->*field = vbs::ToLong(v);
    };
}

// ---- Records -------------------------------------------------------------------------------

Value AddForceByKey(HostObject& self, CallArgs& args, int kind) {
    BodyOf(self).AddForceByKey(kind, args.Long(0), Vector(args, 1));
    return Long(0);
}

Value AddForceByController(HostObject& self, CallArgs& args, int kind) {
    int ctrl = ControllerIndex(self, args.String(0));
    if (ctrl < 0) return Long(-1);
    int plus = args.size() > 6 ? args.Long(6) : -1, minus = args.size() > 7 ? args.Long(7) : -1;
    BodyOf(self).AddForceByGameCtrl(kind, ctrl, Vector(args, 1), args.Long(4), args.Long(5), plus, minus);
    return Long(0);
}

// Keyboard actuation: partner, [kind word,] keyPlus, keyMinus, speed, lower, upper, centre (3),
// direction (3), load dependence, displacement.
Value AddKeyActuation(HostObject& self, CallArgs& args, const std::string& kindWord, std::size_t keysAt) {
    CObj* partner = PartnerBody(self, args, 0);
    const std::size_t m = keysAt + 2;
    BodyOf(self).SetMoveObj(partner, kindWord, args.Long(keysAt), args.Long(keysAt + 1), args.Double(m),
                            args.Double(m + 1), args.Double(m + 2), Vector(args, m + 3), Vector(args, m + 6),
                            args.Double(m + 9), args.Double(m + 10));
    return Long(0);
}

// Controller actuation: partner, controller, axis, mapping, useAs, ffbSmoothing, then the motion.
Value AddControllerActuation(HostObject& self, CallArgs& args, const std::string& kindWord) {
    CObj* partner = PartnerBody(self, args, 0);
    int ctrl = ControllerIndex(self, args.String(1));
    if (ctrl < 0) return Long(-1);
    BodyOf(self).SetMoveObjByGameCtrl(partner, kindWord, ctrl, args.Long(2), args.Long(3), args.Long(4),
                                      args.Double(5), args.Double(6), args.Double(7), args.Double(8),
                                      Vector(args, 9), Vector(args, 12), args.Double(15), args.Double(16));
    return Long(0);
}

Value AddCrash(HostObject& self, CallArgs& args) {
    BodyOf(self).AddCrash(PartnerBody(self, args, 0), args.Long(1), args.Double(2), args.Double(3),
                          args.Double(4), args.Double(5), args.Double(6));
    return Long(0);
}

Value AddGear(HostObject& self, CallArgs& args) {
    BodyOf(self).AddGear(PartnerBody(self, args, 0), args.Long(1));
    return Long(0);
}

Value AddView(HostObject& self, CallArgs& args) {
    CDispatchAPP& app = Self(self).app();
    CWndView* view = app.ViewOf(args.Object(0));
    if (!view) return Long(-1);
    int index = app.document().IndexOf(view);
    if (index < 0) return Long(-1);
    _VIEWPOINT camera;
    for (std::size_t i = 0; i < 9; ++i) camera.values[i] = args.Double(1 + i);
    app.document().MountView(&BodyOf(self), index, camera);
    return Long(index);
}

Value AddMeter(HostObject& self, CallArgs& args) {
    CDispatchAPP& app = Self(self).app();
    CWndMeter* meter = app.MeterOf(args.Object(0));
    if (!meter) return Long(-1);
    int index = app.document().IndexOf(meter);
    BodyOf(self).meterLinks.push_back(MeterLink{index, args.Long(1), args.Double(2)});
    return Long(index);
}

// AddSkin: the model is read (or shared with another skin of the same file) and the skin kept
// with the body, so that saving, backups and undo write it back.
Value AddSkin(HostObject& self, CallArgs& args) {
    SceneDocument& doc = Self(self).app().document();
    std::string path = ResolvePath(doc.sceneFolder, args.String(0));
    if (!std::ifstream(NativePath(path))) {
        CurrentHost().ShowMessage(path + "\n\n が見つかりません");
        return Long(0);
    }
    std::shared_ptr<CMQOfile> model = doc.models.FindOrLoad(path);
    if (!model) return Long(0);  // the reader has said why
    SkinPlacement placement{{args.Double(4), args.Double(5), args.Double(6)},
                            {args.Double(7), args.Double(8), args.Double(9)},
                            args.Double(10),
                            {args.Double(11), args.Double(12), args.Double(13)},
                            args.Double(14)};
    BodyOf(self).skins.push_back(std::make_shared<MQOINFO>(
        MakeSkin(std::move(model), path, args.Long(1), args.String(2), args.Long(3), placement)));
    return Long(0);
}

Value SetState(HostObject& self, CallArgs& args, void (CObj::*setter)(double, double, double)) {
    (BodyOf(self).*setter)(args.Double(0), args.Double(1), args.Double(2));
    return Long(0);
}

Value GetState(HostObject& self, CallArgs& args, Vec3 (CObj::*getter)() const) {
    SetOut(args, 0, (BodyOf(self).*getter)());
    return Long(0);
}

void AddStateMembers(MemberTable& t) {
    t.AddMethod("GetPosition", Outs(3),
                [](HostObject& s, CallArgs& a) { return GetState(s, a, &CObj::GetPosition); });
    t.AddMethod("SetPosition", Params({D, D, D}),
                [](HostObject& s, CallArgs& a) { return SetState(s, a, &CObj::SetPosition); });
    t.AddMethod("GetVelocity", Outs(3),
                [](HostObject& s, CallArgs& a) { return GetState(s, a, &CObj::GetVelocity); });
    t.AddMethod("SetVelocity", Params({D, D, D}),
                [](HostObject& s, CallArgs& a) { return SetState(s, a, &CObj::SetVelocity); });
    t.AddMethod("GetAngularVelocity", Outs(3),
                [](HostObject& s, CallArgs& a) { return GetState(s, a, &CObj::GetAngularVelocity); });
    t.AddMethod("SetAngularVelocity", Params({D, D, D}),
                [](HostObject& s, CallArgs& a) { return SetState(s, a, &CObj::SetAngularVelocity); });
    t.AddMethod("GetMatrix", Outs(9), [](HostObject& s, CallArgs& a) {
        double m[9];
        BodyOf(s).GetMatrix(m);
        for (std::size_t i = 0; i < 9; ++i) a.Set(i, Value(m[i]));
        return Long(0);
    });
    t.AddMethod("GetAngle", Outs(3),
                [](HostObject& s, CallArgs& a) { return GetState(s, a, &CObj::GetAngle); });
    t.AddMethod("SetAngle", Params({D, D, D}),
                [](HostObject& s, CallArgs& a) { return SetState(s, a, &CObj::SetAngle); });
}

void AddSoundMembers(MemberTable& t) {
    t.AddMethod("SetSpeedSoundMode", Params({L}), [](HostObject& s, CallArgs& a) {
        BodyOf(s).speedSoundMode = a.Long(0);
        return Long(0);
    });
    t.AddMethod("SetSpeedSoundMode1param", Params({D, D}), [](HostObject& s, CallArgs& a) {
        BodyOf(s).speedSoundParam1 = a.Double(0);
        BodyOf(s).speedSoundParam2 = a.Double(1);
        return Long(0);
    });
    t.AddMethod("SetCrashSoundMode", Params({L}), [](HostObject& s, CallArgs& a) {
        BodyOf(s).crashSoundMode = a.Long(0);
        return Long(0);
    });
    t.AddMethod("SetSlipSoundMode", Params({L}), [](HostObject& s, CallArgs& a) {
        BodyOf(s).slipSoundMode = a.Long(0);
        return Long(0);
    });
}

void AddActuationMembers(MemberTable& t) {
    const std::vector<Param> keyMotion = Params({O, L, L, D, D, D, D, D, D, D, D, D, D, D});
    std::vector<Param> setMoveObj = keyMotion;
    setMoveObj.insert(setMoveObj.begin() + 1, In(S));
    t.AddMethod("SetMoveObj", setMoveObj,
                [](HostObject& s, CallArgs& a) { return AddKeyActuation(s, a, a.String(1), 2); });
    t.AddMethod("MoveJointByKey", keyMotion,
                [](HostObject& s, CallArgs& a) { return AddKeyActuation(s, a, "MOVE", 1); });
    t.AddMethod("RotateJointByKey", keyMotion,
                [](HostObject& s, CallArgs& a) { return AddKeyActuation(s, a, "ROTATE", 1); });
    t.AddMethod("SlideJointByKey", keyMotion,
                [](HostObject& s, CallArgs& a) { return AddKeyActuation(s, a, "SLIDE", 1); });
    const std::vector<Param> ctrlMotion = Params({O, S, L, L, L, D, D, D, D, D, D, D, D, D, D, D, D});
    t.AddMethod("MoveJointByGameCtrl", ctrlMotion,
                [](HostObject& s, CallArgs& a) { return AddControllerActuation(s, a, "MOVE"); });
    t.AddMethod("RotateJointByGameCtrl", ctrlMotion,
                [](HostObject& s, CallArgs& a) { return AddControllerActuation(s, a, "ROTATE"); });
    t.AddMethod("SlideJointByGameCtrl", ctrlMotion,
                [](HostObject& s, CallArgs& a) { return AddControllerActuation(s, a, "SLIDE"); });
}

void AddForceMembers(MemberTable& t) {
    const auto byKey = Params({L, D, D, D});
    t.AddMethod("AddBrakeByKey", byKey,
                [](HostObject& s, CallArgs& a) { return AddForceByKey(s, a, kForceBrake); });
    t.AddMethod("AddRotateByKey", byKey,
                [](HostObject& s, CallArgs& a) { return AddForceByKey(s, a, kForceRotate); });
    t.AddMethod("AddMoveByKey", byKey,
                [](HostObject& s, CallArgs& a) { return AddForceByKey(s, a, kForceTranslate); });
    const auto byCtrl = Params({S, D, D, D, L, L});
    auto byCtrlButtons = byCtrl;
    byCtrlButtons.push_back(Optional(L, Long(-1)));
    byCtrlButtons.push_back(Optional(L, Long(-1)));
    t.AddMethod("AddBrakeByGameCtrl", byCtrl,
                [](HostObject& s, CallArgs& a) { return AddForceByController(s, a, kForceBrake); });
    t.AddMethod("AddRotateByGameCtrl", byCtrlButtons,
                [](HostObject& s, CallArgs& a) { return AddForceByController(s, a, kForceRotate); });
    t.AddMethod("AddMoveByGameCtrl", byCtrl,
                [](HostObject& s, CallArgs& a) { return AddForceByController(s, a, kForceTranslate); });
    // The script gives offset, amplitude, phase, angular frequency.
    auto sinTerm = [](std::vector<_SINFORCE> CObj::*list) {
        return [list](HostObject& s, CallArgs& a) {
            (BodyOf(s).*list).push_back(_SINFORCE{a.Double(0), a.Double(2), a.Double(1), a.Double(3)});
            return Long(0);
        };
    };
    t.AddMethod("AddMoveForceX", Params({D, D, D, D}), sinTerm(&CObj::moveForcesX));
    t.AddMethod("AddMoveForceY", Params({D, D, D, D}), sinTerm(&CObj::moveForcesY));
    t.AddMethod("AddMoveForceZ", Params({D, D, D, D}), sinTerm(&CObj::moveForcesZ));
}

void AddAppearanceProperties(MemberTable& t) {
    BodyProperty(t, "name", S, {});
    BodyProperty(t, "switchGravity", ParamType::Bool, {});
    BodyProperty(t, "id", L, {});
    BodyProperty(t, "ColorR", D, SetDouble(&CObj::colorR));
    BodyProperty(t, "ColorG", D, SetDouble(&CObj::colorG));
    BodyProperty(t, "ColorB", D, SetDouble(&CObj::colorB));
    BodyProperty(t, "RHO", D, SetDouble(&CObj::RHO));
    BodyProperty(t, "Transparent", D,
                 [](CDispatchObj& o, const Value& v) { o.Body().opacity = 1 - vbs::ToDouble(v); });
    BodyProperty(t, "ShadeReceive", D, SetDouble(&CObj::ShadeReceive));
    BodyProperty(t, "ShadeThrow", D, SetDouble(&CObj::ShadeThrow));
}

}  // namespace

CObj& CDispatchObj::Body() const {
    if (!body_) vbs::Raise(vbs::kErrObjectNotSet, "the body was removed");
    return *body_;
}

void CDispatchObj::AddMembers(MemberTable& t) {
    t.AddMethod("MakeModel", {}, [](HostObject& s, CallArgs&) {
        BodyOf(s).MakeModel();
        return Long(0);
    });
    t.AddMethod("KeepOriginalDirectionWhileCreating", Params({D}), [](HostObject& s, CallArgs& a) {
        BodyOf(s).keepDirectionGain = a.Double(0);
        return Long(0);
    });
    t.AddMethod("AddCrash",
                {In(O), Optional(L, Long(-1)), Optional(D, Value(0.5)), Optional(D, Value(0.4)),
                 Optional(D, Value(0.01)), Optional(D, Value(-1.0)), Optional(D, Value(-1.0))},
                AddCrash);
    t.AddMethod("AddGear", Params({O, L}), AddGear);
    t.AddMethod("AddView", Params({O, D, D, D, D, D, D, D, D, D}), AddView);
    t.AddMethod("AddMeter", Params({O, L, D}), AddMeter);
    t.AddMethod("AddSkin", Params({S, L, S, L, D, D, D, D, D, D, D, D, D, D, D}), AddSkin);
    t.AddMethod("HidePolygon", Params({L}), [](HostObject&, CallArgs&) { return Long(0); });
    AddForceMembers(t);
    AddAppearanceProperties(t);
    AddStateMembers(t);
    AddSoundMembers(t);
    AddActuationMembers(t);
}

const MemberTable& CDispatchObj::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        AddMembers(t);
        return t;
    }();
    return table;
}

void CDispatchObjBox::AddMembers(MemberTable& t) {
    CDispatchObj::AddMembers(t);
    BodyProperty(t, "widthX", D, SetDouble(&CObjBox::widthX));
    BodyProperty(t, "widthY", D, SetDouble(&CObjBox::widthY));
    BodyProperty(t, "widthZ", D, SetDouble(&CObjBox::widthZ));
    BodyProperty(t, "crashPointX", L, SetInt(&CObjBox::crashPointX));
    BodyProperty(t, "crashPointY", L, SetInt(&CObjBox::crashPointY));
    BodyProperty(t, "crashPointZ", L, SetInt(&CObjBox::crashPointZ));
}

const MemberTable& CDispatchObjBox::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        AddMembers(t);
        return t;
    }();
    return table;
}

void CDispatchObjCylinder::AddMembers(MemberTable& t) {
    CDispatchObj::AddMembers(t);
    BodyProperty(t, "widthW", D, SetDouble(&CObjCylinder::widthW));
    BodyProperty(t, "widthR", D, SetDouble(&CObjCylinder::widthR));
    BodyProperty(t, "crashPointW", L, SetInt(&CObjCylinder::crashPointW));
    BodyProperty(t, "crashPointR", L, SetInt(&CObjCylinder::crashPointR));
}

const MemberTable& CDispatchObjCylinder::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        AddMembers(t);
        return t;
    }();
    return table;
}

void AddGroundMembers(MemberTable& t);  // DispatchKinds.cpp
void AddDefMembers(MemberTable& t);     // DispatchKinds.cpp
void AddSpringMembers(MemberTable& t);  // DispatchKinds.cpp

const MemberTable& CDispatchObjGround::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        CDispatchObjBox::AddMembers(t);
        AddGroundMembers(t);
        return t;
    }();
    return table;
}

const MemberTable& CDispatchObjDef::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        CDispatchObjCylinder::AddMembers(t);
        BodyProperty(t, "GearNUM", L, SetInt(&CObjDef::GearNUM));
        BodyProperty(t, "GearDEPTH", D, SetDouble(&CObjDef::GearDEPTH));
        BodyProperty(t, "GearSLOPE", D, SetDouble(&CObjDef::GearSLOPE));
        BodyProperty(t, "GearWIDTH", D, SetDouble(&CObjDef::GearWIDTH));
        AddDefMembers(t);
        return t;
    }();
    return table;
}

const MemberTable& CDispatchObjSpring::Members() const {
    static const MemberTable table = [] {
        MemberTable t;
        CDispatchObjCylinder::AddMembers(t);
        AddSpringMembers(t);
        return t;
    }();
    return table;
}

std::shared_ptr<CDispatchObj> MakeBodyObject(CDispatchAPP& app, CObj* body) {
    const std::string& type = body->typeName;
    if (type == "GROUND") return std::make_shared<CDispatchObjGround>(app, body);
    if (type == "BOX") return std::make_shared<CDispatchObjBox>(app, body);
    if (type == "DEF") return std::make_shared<CDispatchObjDef>(app, body);
    if (type == "SPRING") return std::make_shared<CDispatchObjSpring>(app, body);
    return std::make_shared<CDispatchObjCylinder>(app, body);
}

}  // namespace korvan
