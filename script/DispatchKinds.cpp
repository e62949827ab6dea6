// Members that only one body kind has: the ground's images, the spring's and the
// differential's constants. The two bodies or names given to SetSpringObj and SetDefObj are
// accepted and not used.
#include "script/DispatchApp.h"
#include "script/DispatchObj.h"
#include "script/GroundImages.h"
#include "sim/ObjDef.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"

namespace korvan {

using vbs::CallArgs;
using vbs::HostObject;
using vbs::In;
using vbs::MemberTable;
using vbs::Optional;
using vbs::ParamType;
using vbs::Value;

namespace {

template <class Kind>
Kind& BodyAs(HostObject& self) {
    return static_cast<Kind&>(static_cast<CDispatchObj&>(self).Body());
}

// (A, B, constant, damping, [p5 = 0], [p6 = 0]) with A and B objects or names.
std::vector<vbs::Param> ConstantParams(ParamType partner) {
    return {In(partner),
            In(partner),
            In(ParamType::Double),
            In(ParamType::Double),
            Optional(ParamType::Double, Value(0.0)),
            Optional(ParamType::Double, Value(0.0))};
}

Value SetSpring(HostObject& self, CallArgs& a) {
    BodyAs<CObjSpring>(self).SetSpringObj(a.Double(2), a.Double(3), a.Double(4), a.Double(5));
    return Long(0);
}

Value SetDef(HostObject& self, CallArgs& a) {
    BodyAs<CObjDef>(self).SetDefObj(a.Double(2), a.Double(3), a.Double(4), a.Double(5));
    return Long(0);
}

}  // namespace

void AddGroundMembers(MemberTable& t) {
    t.AddMethod("SetHeightBmp", {In(ParamType::String)}, [](HostObject& self, CallArgs& a) {
        auto& object = static_cast<CDispatchObj&>(self);
        SetHeightBmp(BodyAs<CObjGround>(self), a.String(0), object.app().document().sceneFolder);
        return Long(0);
    });
    t.AddMethod("SetColorBmp", {In(ParamType::String)}, [](HostObject& self, CallArgs& a) {
        auto& object = static_cast<CDispatchObj&>(self);
        SetColorBmp(BodyAs<CObjGround>(self), a.String(0), object.app().document().sceneFolder);
        return Long(0);
    });
}

void AddSpringMembers(MemberTable& t) {
    t.AddMethod("SetSpringObj", ConstantParams(ParamType::Variant), SetSpring);
    t.AddMethod("SetSpringObjByName", ConstantParams(ParamType::String), SetSpring);
}

void AddDefMembers(MemberTable& t) {
    t.AddMethod("SetDefObj", ConstantParams(ParamType::Variant), SetDef);
    t.AddMethod("SetDefObjByName", ConstantParams(ParamType::String), SetDef);
}

}  // namespace korvan
