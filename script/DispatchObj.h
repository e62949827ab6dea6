#pragma once
// Body objects: one per body, created with it by AddObj and living until the scene is cleared.
#include <memory>

#include "script/DispatchBase.h"

namespace korvan {

class CDispatchAPP;
class CObj;

class CDispatchObj : public CDispatchBase {
  public:
    CDispatchObj(CDispatchAPP& app, CObj* body) : app_(&app), body_(body) {}
    std::string_view ClassName() const override { return "Obj"; }
    const vbs::MemberTable& Members() const override;

    CObj* body() const { return body_; }
    CDispatchAPP& app() const { return *app_; }
    // Called when the body is destroyed while a script still holds this object.
    void Detach() { body_ = nullptr; }
    // The body, or the run-time error a script gets for an object whose body is gone.
    CObj& Body() const;

    // Members shared by every body kind.
    static void AddMembers(vbs::MemberTable& table);

  private:
    CDispatchAPP* app_;
    CObj* body_;
};

class CDispatchObjBox : public CDispatchObj {
  public:
    using CDispatchObj::CDispatchObj;
    std::string_view ClassName() const override { return "ObjBox"; }
    const vbs::MemberTable& Members() const override;
    static void AddMembers(vbs::MemberTable& table);
};

class CDispatchObjGround : public CDispatchObjBox {
  public:
    using CDispatchObjBox::CDispatchObjBox;
    std::string_view ClassName() const override { return "ObjGround"; }
    const vbs::MemberTable& Members() const override;
};

class CDispatchObjCylinder : public CDispatchObj {
  public:
    using CDispatchObj::CDispatchObj;
    std::string_view ClassName() const override { return "ObjCylinder"; }
    const vbs::MemberTable& Members() const override;
    static void AddMembers(vbs::MemberTable& table);
};

class CDispatchObjDef : public CDispatchObjCylinder {
  public:
    using CDispatchObjCylinder::CDispatchObjCylinder;
    std::string_view ClassName() const override { return "ObjDef"; }
    const vbs::MemberTable& Members() const override;
};

class CDispatchObjSpring : public CDispatchObjCylinder {
  public:
    using CDispatchObjCylinder::CDispatchObjCylinder;
    std::string_view ClassName() const override { return "ObjSpring"; }
    const vbs::MemberTable& Members() const override;
};

// The script object class for a body kind keyword.
std::shared_ptr<CDispatchObj> MakeBodyObject(CDispatchAPP& app, CObj* body);

}  // namespace korvan
