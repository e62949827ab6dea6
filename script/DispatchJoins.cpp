// The connection members of Application: Join1, Join2, Join2_Vert, Join2_Horz, Join4. Both bodies
// must be bodies of this scene; anything else is a run-time error of the script.
#include "script/DispatchApp.h"
#include "script/vbs/ScriptError.h"

namespace korvan {

using vbs::CallArgs;
using vbs::HostObject;
using vbs::Param;
using vbs::ParamType;
using vbs::Value;

namespace {

// Body, n points of three doubles, body, n points, then strength, friction, rotation resistance.
std::vector<Param> JoinParams(int vectors) {
    std::vector<Param> params{vbs::In(ParamType::Object)};
    for (int i = 0; i < 3 * vectors; ++i) params.push_back(vbs::In(ParamType::Double));
    params.push_back(vbs::In(ParamType::Object));
    for (int i = 0; i < 3 * vectors; ++i) params.push_back(vbs::In(ParamType::Double));
    params.push_back(vbs::Optional(ParamType::Double, Value(-1.0)));
    params.push_back(vbs::Optional(ParamType::Double, Value(-1.0)));
    params.push_back(vbs::Optional(ParamType::Double, Value(0.0)));
    return params;
}

struct JoinCall {
    CObj* a;
    CObj* b;
    Vec3 onA[3];
    Vec3 onB[3];
    double strength, friction, rotResistance;
};

JoinCall ReadJoin(HostObject& self, const CallArgs& args, int vectors) {
    auto& app = static_cast<CDispatchAPP&>(self);
    const std::size_t n = static_cast<std::size_t>(3 * vectors);
    JoinCall call{};
    call.a = app.BodyOf(args.Object(0));
    call.b = app.BodyOf(args.Object(n + 1));
    if (!call.a || !call.b || call.a == call.b)
        vbs::Raise(vbs::kErrInvalidCall, "Join needs two different bodies of this scene");
    for (int v = 0; v < vectors; ++v) {
        std::size_t i = 1 + 3 * static_cast<std::size_t>(v), j = n + 2 + 3 * static_cast<std::size_t>(v);
        call.onA[v] = {args.Double(i), args.Double(i + 1), args.Double(i + 2)};
        call.onB[v] = {args.Double(j), args.Double(j + 1), args.Double(j + 2)};
    }
    call.strength = args.Double(2 * n + 2);
    call.friction = args.Double(2 * n + 3);
    call.rotResistance = args.Double(2 * n + 4);
    return call;
}

using TwoPointBuilder = int (CObj::*)(CObj*, const Vec3&, const Vec3&, const Vec3&, const Vec3&, double,
                                      double, double);

vbs::MethodFn TwoPoint(TwoPointBuilder build) {
    return [build](HostObject& self, CallArgs& args) {
        JoinCall j = ReadJoin(self, args, 2);
        (j.a->*build)(j.b, j.onA[0], j.onA[1], j.onB[0], j.onB[1], j.strength, j.friction, j.rotResistance);
        return Long(0);
    };
}

}  // namespace

void AddJoinMembers(vbs::MemberTable& t) {
    t.AddMethod("Join1", JoinParams(1), [](HostObject& self, CallArgs& args) {
        JoinCall j = ReadJoin(self, args, 1);
        j.a->Join1(j.b, j.onA[0], j.onB[0], j.strength, j.friction, j.rotResistance);
        return Long(0);
    });
    t.AddMethod("Join2", JoinParams(2), TwoPoint(&CObj::Join2));
    t.AddMethod("Join2_Vert", JoinParams(2), TwoPoint(&CObj::Join2_Vert));
    t.AddMethod("Join2_Horz", JoinParams(2), TwoPoint(&CObj::Join2_Horz));
    t.AddMethod("Join4", JoinParams(3), [](HostObject& self, CallArgs& args) {
        JoinCall j = ReadJoin(self, args, 3);
        j.a->Join4(j.b, j.onA[0], j.onA[1], j.onA[2], j.onB[0], j.onB[1], j.onB[2], j.strength, j.friction,
                   j.rotResistance);
        return Long(0);
    });
}

}  // namespace korvan
