#include "tests/support/RecordingHost.h"

#include <map>
#include <stdexcept>
#include <string_view>

#include "script/vbs/Convert.h"
#include "script/vbs/ScriptError.h"

namespace korvan::vbs::testing {

namespace {

// Built by appending: prepending to a temporary ("<" + text) makes GCC 12 at -O3 warn falsely
// about overlapping copies inside std::string.
std::string Enclosed(char open, std::string_view text, char close) {
    std::string s(1, open);
    s += text;
    s += close;
    return s;
}

}  // namespace

std::string Show(const Value& v) {
    switch (v.type()) {
        case VarType::Empty:
            return "Empty";
        case VarType::Null:
            return "Null";
        case VarType::String:
            return Enclosed('"', v.AsString(), '"');
        case VarType::Object:
            return v.AsObject() ? Enclosed('<', v.AsObject()->ClassName(), '>') : "Nothing";
        case VarType::Array:
            return "<Array>";
        default:
            return ToString(v);
    }
}

namespace {

using P = ParamType;

std::string JoinArgs(const CallArgs& args) {
    std::string text;
    for (size_t k = 0; k < args.size(); ++k) text += (k ? ", " : " ") + Show(args[k]);
    return text;
}

// A body or window object: stored properties and recorded methods.
class MockObject : public HostObject {
  public:
    MockObject(std::string type, std::string name, std::shared_ptr<Recording> recording)
        : type_(std::move(type)), name_(std::move(name)), recording_(std::move(recording)) {}
    std::string_view ClassName() const override { return "IDispatchObj"; }

    const MemberTable& Members() const override {
        static const MemberTable table = Build();
        return table;
    }

    const std::string& name() const { return name_; }
    Value Get(const std::string& property) const {
        auto it = values_.find(property);
        return it == values_.end() ? Value(0.0) : it->second;
    }

  private:
    std::string type_, name_;
    std::shared_ptr<Recording> recording_;
    std::map<std::string, Value> values_;

    static MockObject& Self(HostObject& o) { return static_cast<MockObject&>(o); }

    static void AddProperty(MemberTable& t, const char* name, ParamType type) {
        std::string key = name;
        t.Property(
            name, type, [key](HostObject& o) { return Self(o).Get(key); },
            [key](HostObject& o, const Value& v) {
                Self(o).values_[key] = v;
                Self(o).recording_->Add(Self(o).name_ + "." + key + " = " + Show(v));
            });
    }

    static void AddRecorded(MemberTable& t, const char* name, std::vector<Param> params) {
        std::string key = name;
        t.AddMethod(name, std::move(params), [key](HostObject& o, CallArgs& a) {
            Self(o).recording_->Add(Self(o).name_ + "." + key + JoinArgs(a));
            return Value(int32_t{0});
        });
    }

    // Writes the body's stored position (or zeros) into three by-reference doubles.
    static void AddGetter(MemberTable& t, const char* name, const char* x, const char* y, const char* z) {
        std::string kx = x, ky = y, kz = z;
        t.AddMethod(name, {Out(P::Double), Out(P::Double), Out(P::Double)}, [=](HostObject& o, CallArgs& a) {
            a.Set(0, Self(o).Get(kx));
            a.Set(1, Self(o).Get(ky));
            a.Set(2, Self(o).Get(kz));
            return Value(int32_t{0});
        });
    }

    static MemberTable Build() {
        MemberTable t;
        for (const char* name :
             {"widthX", "widthY", "widthZ",     "widthR",       "widthW",     "RHO",      "Transparent",
              "ColorR", "ColorG", "ColorB",     "ShadeReceive", "ShadeThrow", "left",     "top",
              "right",  "bottom", "projection", "GearDEPTH",    "GearSLOPE",  "GearWIDTH"})
            AddProperty(t, name, P::Double);
        for (const char* name : {"crashPointX", "crashPointY", "crashPointZ", "crashPointW", "crashPointR",
                                 "id", "mirror", "fixZ", "fixH", "GearNUM"})
            AddProperty(t, name, P::Long);
        AddProperty(t, "name", P::String);
        AddProperty(t, "switchGravity", P::Bool);
        std::vector<Param> d3 = {In(P::Double), In(P::Double), In(P::Double)};
        for (const char* name : {"SetPosition", "SetVelocity", "SetAngularVelocity", "SetAngle"}) {
            std::string key = name;
            std::string target = key == "SetPosition"   ? "pos"
                                 : key == "SetVelocity" ? "vel"
                                 : key == "SetAngle"    ? "ang"
                                                        : "avel";
            t.AddMethod(name, d3, [key, target](HostObject& o, CallArgs& a) {
                Self(o).values_[target + "X"] = a[0];
                Self(o).values_[target + "Y"] = a[1];
                Self(o).values_[target + "Z"] = a[2];
                Self(o).recording_->Add(Self(o).name_ + "." + key + JoinArgs(a));
                return Value(int32_t{0});
            });
        }
        AddGetter(t, "GetPosition", "posX", "posY", "posZ");
        AddGetter(t, "GetVelocity", "velX", "velY", "velZ");
        AddGetter(t, "GetAngularVelocity", "avelX", "avelY", "avelZ");
        AddGetter(t, "GetAngle", "angX", "angY", "angZ");
        AddRecorded(t, "MakeModel", {});
        AddRecorded(t, "KeepOriginalDirectionWhileCreating", {In(P::Double)});
        AddRecorded(t, "AddCrash",
                    {In(P::Object), Optional(P::Long, Value(int32_t{-1})), Optional(P::Double, Value(0.5)),
                     Optional(P::Double, Value(0.4)), Optional(P::Double, Value(0.01)),
                     Optional(P::Double, Value(-1.0)), Optional(P::Double, Value(-1.0))});
        AddRecorded(t, "AddGear", {In(P::Object), In(P::Long)});
        AddRecorded(t, "AddView",
                    {In(P::Object), In(P::Double), In(P::Double), In(P::Double), In(P::Double), In(P::Double),
                     In(P::Double), In(P::Double), In(P::Double), In(P::Double)});
        AddRecorded(t, "AddMeter", {In(P::Object), In(P::Long), In(P::Double)});
        std::vector<Param> skin = {In(P::String), In(P::Long), In(P::String), In(P::Long)};
        for (int k = 0; k < 11; ++k) skin.push_back(In(P::Double));
        AddRecorded(t, "AddSkin", skin);
        for (const char* name : {"AddBrakeByKey", "AddRotateByKey", "AddMoveByKey"})
            AddRecorded(t, name, {In(P::Long), In(P::Double), In(P::Double), In(P::Double)});
        for (const char* name : {"AddBrakeByGameCtrl", "AddMoveByGameCtrl"})
            AddRecorded(
                t, name,
                {In(P::String), In(P::Double), In(P::Double), In(P::Double), In(P::Long), In(P::Long)});
        AddRecorded(t, "AddRotateByGameCtrl",
                    {In(P::String), In(P::Double), In(P::Double), In(P::Double), In(P::Long), In(P::Long),
                     Optional(P::Long, Value(int32_t{-1})), Optional(P::Long, Value(int32_t{-1}))});
        for (const char* name : {"SetSpeedSoundMode", "SetCrashSoundMode", "SetSlipSoundMode", "HidePolygon"})
            AddRecorded(t, name, {In(P::Long)});
        AddRecorded(t, "SetSpeedSoundMode1param", {In(P::Double), In(P::Double)});
        std::vector<Param> joint = {In(P::Object), In(P::Long), In(P::Long)};
        for (int k = 0; k < 11; ++k) joint.push_back(In(P::Double));
        for (const char* name : {"MoveJointByKey", "RotateJointByKey", "SlideJointByKey"})
            AddRecorded(t, name, joint);
        std::vector<Param> ctrl = {In(P::Object), In(P::String), In(P::Long), In(P::Long), In(P::Long)};
        for (int k = 0; k < 12; ++k) ctrl.push_back(In(P::Double));
        for (const char* name : {"MoveJointByGameCtrl", "RotateJointByGameCtrl", "SlideJointByGameCtrl"})
            AddRecorded(t, name, ctrl);
        for (const char* name : {"AddMoveForceX", "AddMoveForceY", "AddMoveForceZ"})
            AddRecorded(t, name, {In(P::Double), In(P::Double), In(P::Double), In(P::Double)});
        for (const char* name : {"SetDefObjByName", "SetSpringObjByName"})
            AddRecorded(t, name,
                        {In(P::String), In(P::String), In(P::Double), In(P::Double),
                         Optional(P::Double, Value(0.0)), Optional(P::Double, Value(0.0))});
        for (const char* name : {"SetHeightBmp", "SetColorBmp", "AddFile"})
            AddRecorded(t, name, {In(P::String)});
        AddRecorded(t, "SetPicture",
                    {In(P::String), In(P::String), In(P::Long), In(P::Double), In(P::Double), In(P::Double),
                     In(P::Double)});
        AddRecorded(t, "SetViewpoint",
                    {In(P::Double), In(P::Double), In(P::Double), In(P::Double), In(P::Double), In(P::Double),
                     Optional(P::Double, Value(0.0)), Optional(P::Double, Value(0.0)),
                     Optional(P::Double, Value(1.0))});
        return t;
    }
};

class MockApplication : public HostObject {
  public:
    explicit MockApplication(std::shared_ptr<Recording> recording) : recording_(std::move(recording)) {}
    std::string_view ClassName() const override { return "IDispatchAPP"; }

    const MemberTable& Members() const override {
        static const MemberTable table = Build();
        return table;
    }

  private:
    std::shared_ptr<Recording> recording_;
    std::map<std::string, Value> values_;
    std::vector<ObjectRef> objects_;

    static MockApplication& Self(HostObject& o) { return static_cast<MockApplication&>(o); }

    static std::string NameOf(const Value& v) {
        auto* object = dynamic_cast<MockObject*>(v.AsObject().get());
        return object ? object->name() : "?";
    }

    static MemberTable Build() {
        MemberTable t;
        for (const char* name : {"CurTime", "GrabForce", "PreCalcTime", "GravityX", "GravityY", "GravityZ"}) {
            std::string key = name;
            t.Property(
                name, P::Double,
                [key](HostObject& o) {
                    auto it = Self(o).values_.find(key);
                    return it == Self(o).values_.end() ? Value(0.0) : it->second;
                },
                [key](HostObject& o, const Value& v) {
                    Self(o).values_[key] = v;
                    Self(o).recording_->Add("Application." + key + " = " + Show(v));
                });
        }
        t.AddMethod("CheckVersion", {In(P::Double)}, [](HostObject& o, CallArgs& a) {
            Self(o).recording_->Add("Application.CheckVersion" + JoinArgs(a));
            return Value(int32_t{0});
        });
        t.AddMethod("AddObj", {In(P::String), In(P::String)}, [](HostObject& o, CallArgs& a) -> Value {
            static const char* kTypes[] = {"VIEW",     "MUSIC", "METER",  "BOX",
                                           "CYLINDER", "DEF",   "SPRING", "GROUND"};
            bool known = false;
            for (const char* type : kTypes) known = known || a.String(0) == type;
            Self(o).recording_->Add("Application.AddObj" + JoinArgs(a));
            if (!known) return Value::Nothing();
            auto object = std::make_shared<MockObject>(a.String(0), a.String(1), Self(o).recording_);
            Self(o).objects_.push_back(object);
            return Value(ObjectRef(object));
        });
        auto join = [](int numbers) {
            std::vector<Param> params = {In(P::Object)};
            for (int k = 0; k < numbers; ++k) params.push_back(In(P::Double));
            params.push_back(In(P::Object));
            for (int k = 0; k < numbers; ++k) params.push_back(In(P::Double));
            params.push_back(Optional(P::Double, Value(-1.0)));
            params.push_back(Optional(P::Double, Value(-1.0)));
            params.push_back(Optional(P::Double, Value(0.0)));
            return params;
        };
        for (auto [name, numbers] :
             {std::pair{"Join1", 3}, {"Join2", 6}, {"Join2_Vert", 6}, {"Join2_Horz", 6}, {"Join4", 9}}) {
            std::string key = name;
            size_t objectB = static_cast<size_t>(numbers) + 1;
            t.AddMethod(name, join(numbers), [key, objectB](HostObject& o, CallArgs& a) {
                std::string text = "Application." + key + " " + NameOf(a[0]) + ", " + NameOf(a[objectB]);
                for (size_t k = a.size() - 3; k < a.size(); ++k) text += ", " + Show(a[k]);
                Self(o).recording_->Add(text);
                return Value(int32_t{0});
            });
        }
        t.AddMethod("ShowControl", {In(P::String), In(P::Long)}, [](HostObject& o, CallArgs& a) {
            Self(o).recording_->Add("Application.ShowControl" + JoinArgs(a));
            return Value(int32_t{0});
        });
        t.AddMethod("GetOculusRiftMode", {}, [](HostObject&, CallArgs&) { return Value(int32_t{0}); });
        return t;
    }
};

class MockMyObject : public HostObject {
  public:
    MockMyObject(ObjectRef application, std::shared_ptr<Recording> recording)
        : application_(std::move(application)), recording_(std::move(recording)) {}
    std::string_view ClassName() const override { return "CmdTargetVBS"; }
    const MemberTable& Members() const override {
        static const MemberTable table =
            MemberTable()
                .Property("Application", P::Object, [](HostObject& o) { return Value(Self(o).application_); })
                .AddMethod("GetApplication", {},
                           [](HostObject& o, CallArgs&) { return Value(Self(o).application_); })
                .AddMethod("MsgBox", {In(P::String)}, [](HostObject& o, CallArgs& a) {
                    Self(o).recording_->Add("MsgBox " + a.String(0));
                    return Value(int32_t{1});
                });
        return table;
    }

  private:
    ObjectRef application_;
    std::shared_ptr<Recording> recording_;
    static MockMyObject& Self(HostObject& o) { return static_cast<MockMyObject&>(o); }
};

// Members for language tests: Print records its argument's text.
class TestObject : public HostObject {
  public:
    explicit TestObject(std::shared_ptr<Recording> recording) : recording_(std::move(recording)) {}
    std::string_view ClassName() const override { return "TestObject"; }
    const MemberTable& Members() const override {
        static const MemberTable table =
            MemberTable()
                .AddMethod("Print", {In(P::Variant)},
                           [](HostObject& o, CallArgs& a) {
                               const Value& v = a[0];
                               Self(o).recording_->Add(v.IsString() ? v.AsString() : Show(v));
                               return Value();
                           })
                // GetTriple x, y, z: writes 1.5, "two" and True into the caller's variables.
                .AddMethod("GetTriple", {Out(P::Double), Out(P::String), Out(P::Bool)},
                           [](HostObject&, CallArgs& a) {
                               a.Set(0, Value(1.5));
                               a.Set(1, Value("two"));
                               a.Set(2, Value(true));
                               return Value(int32_t{3});
                           })
                // Scale(x, [factor = 10], [offset = 0.5]) = x * factor + offset.
                .AddMethod(
                    "Scale",
                    {In(P::Double), Optional(P::Double, Value(10.0)), Optional(P::Double, Value(0.5))},
                    [](HostObject&, CallArgs& a) { return Value(a.Double(0) * a.Double(1) + a.Double(2)); })
                // Describe(n, s, flag): the arguments after conversion to long, string and bool.
                .AddMethod("Describe", {In(P::Long), In(P::String), In(P::Bool)},
                           [](HostObject&, CallArgs& a) {
                               return Value(std::to_string(a.Long(0)) + "|" + a.String(1) + "|" +
                                            (a.Bool(2) ? "yes" : "no"));
                           })
                .Property(
                    "Counter", P::Long, [](HostObject& o) { return Value(Self(o).counter_); },
                    [](HostObject& o, const Value& v) { Self(o).counter_ = v.AsLong(); })
                .Property("ReadOnly", P::Long, [](HostObject&) { return Value(int32_t{7}); })
                .AddMethod("Fail", {}, [](HostObject&, CallArgs&) -> Value { Raise(kErrInvalidCall); })
                .AddMethod("Crash", {},
                           [](HostObject&, CallArgs&) -> Value { throw std::runtime_error("disk on fire"); });
        return table;
    }

  private:
    std::shared_ptr<Recording> recording_;
    int32_t counter_ = 0;
    static TestObject& Self(HostObject& o) { return static_cast<TestObject&>(o); }
};

}  // namespace

void RegisterRecordingHost(Interpreter& interpreter, std::shared_ptr<Recording> recording) {
    auto application = std::make_shared<MockApplication>(recording);
    interpreter.AddNamedItem("MyObject", std::make_shared<MockMyObject>(application, recording));
    interpreter.AddNamedItem("Test", std::make_shared<TestObject>(recording));
}

}  // namespace korvan::vbs::testing
