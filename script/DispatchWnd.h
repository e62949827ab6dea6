#pragma once
// Frame objects: views, meters and music players created by AddObj.
#include "script/DispatchBase.h"
#include "script/Frames.h"

namespace korvan {

class CDispatchAPP;

class CDispatchWndBase : public CDispatchBase {
  public:
    CDispatchWndBase(CDispatchAPP& app, CWndBase* frame) : app_(&app), frame_(frame) {}
    // The window, or the run-time error a script gets for an object whose window is gone.
    CWndBase& Frame() const;
    bool Attached() const { return frame_ != nullptr; }
    // Called when the window is removed: a script may still hold this object.
    void Detach() { frame_ = nullptr; }
    CDispatchAPP& app() const { return *app_; }
    static void AddMembers(vbs::MemberTable& table);

  private:
    CDispatchAPP* app_;
    CWndBase* frame_;
};

class CDispatchWndView : public CDispatchWndBase {
  public:
    CDispatchWndView(CDispatchAPP& app, CWndView* view) : CDispatchWndBase(app, view) {}
    std::string_view ClassName() const override { return "WndView"; }
    const vbs::MemberTable& Members() const override;
    CWndView& view() const { return static_cast<CWndView&>(Frame()); }
};

class CDispatchWndMeter : public CDispatchWndBase {
  public:
    CDispatchWndMeter(CDispatchAPP& app, CWndMeter* meter) : CDispatchWndBase(app, meter) {}
    std::string_view ClassName() const override { return "WndMeter"; }
    const vbs::MemberTable& Members() const override;
    CWndMeter& meter() const { return static_cast<CWndMeter&>(Frame()); }
};

class CDispatchWndMusic : public CDispatchWndBase {
  public:
    CDispatchWndMusic(CDispatchAPP& app, CWndMusic* music) : CDispatchWndBase(app, music) {}
    std::string_view ClassName() const override { return "WndMusic"; }
    const vbs::MemberTable& Members() const override;
    CWndMusic& music() const { return static_cast<CWndMusic&>(Frame()); }
};

}  // namespace korvan
