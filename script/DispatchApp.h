#pragma once
// Application (CDispatchAPP) and the named item MyObject (CmdTargetVBS) through which a scene
// script reaches it.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/DispatchBase.h"
#include "script/SceneDocument.h"

namespace korvan {

class CDispatchObj;
class CDispatchWndView;
class CDispatchWndMeter;
class CDispatchWndMusic;

// What the object model needs from the rest of the program.
struct ScriptServices {
    // Called before and after a body is created (the backups of undo); empty: nothing.
    std::function<void()> beforeBodyCreated;
    std::function<void()> afterBodyCreated;
    // 1 when the head-mounted display is the output.
    int oculusMode = 0;
};

// The four controls ShowControl switches: CPU meter, BGM windows, speed meters, view pictures.
enum ShownControl { kControlCpu = 0, kControlBgm, kControlMeter, kControlPanel, kControlCount };

class CDispatchAPP : public CDispatchBase {
  public:
    CDispatchAPP(SceneDocument& document, ScriptServices services = {});

    std::string_view ClassName() const override { return "Application"; }
    const vbs::MemberTable& Members() const override;

    SceneDocument& document() const { return *document_; }
    const ScriptServices& services() const { return services_; }

    std::vector<std::shared_ptr<CDispatchObj>> bodies;
    std::vector<std::shared_ptr<CDispatchWndView>> views;
    std::vector<std::shared_ptr<CDispatchWndMeter>> meters;
    std::vector<std::shared_ptr<CDispatchWndMusic>> musics;

    // Display flags set by ShowControl (-1: never set by a script).
    std::array<int, kControlCount> shownControls{-1, -1, -1, -1};
    // Gains of the 3-D mouse navigation; kept across scene clears.
    std::array<double, 6> mouse3dGains{1, 1, 1, 1, 1, 1};

    // The body behind a script object of this scene, or null.
    CObj* BodyOf(const vbs::ObjectRef& object) const;
    // The script object of a body, or null.
    std::shared_ptr<CDispatchObj> ObjectOf(const CObj* body) const;
    // FindObj: the object of the body with this display name (compared exactly), or null.
    std::shared_ptr<CDispatchObj> FindObj(const std::string& displayName) const;
    CWndView* ViewOf(const vbs::ObjectRef& object) const;
    CWndMeter* MeterOf(const vbs::ObjectRef& object) const;

    // Creates a body of a kind keyword with a display name made unique among the scene's bodies,
    // and its script object. Null for an unknown kind.
    std::shared_ptr<CDispatchObj> CreateBody(const std::string& type, const std::string& name);
    // The mass a body of a kind keyword has when CreateBody has made it (0 for an unknown kind):
    // what a fixed body of a scene file keeps unless the file makes its model again.
    static double MassOfNewBody(const std::string& type);
    // AddObj: a body or a frame, or Nothing with a message for an unknown type.
    vbs::Value AddObj(const std::string& type, const std::string& name);

    // Drops every script object (the scene is being cleared).
    void ClearObjects();
    // Drops the script objects of frames from these counts on (a merge removes its own frames).
    void TruncateFrameObjects(std::size_t keepViews, std::size_t keepMeters, std::size_t keepMusics);
    // Removes view `index` from the scene with its mounts; its object is detached, so a script
    // that still holds it gets an error instead of reaching a freed window.
    void RemoveView(int index);
    // Drops the script object of a body that is being removed.
    void ForgetBody(const CObj* body);

  private:
    SceneDocument* document_;
    ScriptServices services_;
};

// The named item "MyObject": its members are reachable without qualification.
class CmdTargetVBS : public CDispatchBase {
  public:
    explicit CmdTargetVBS(std::shared_ptr<CDispatchAPP> application) : application_(std::move(application)) {}
    std::string_view ClassName() const override { return "MyObject"; }
    const vbs::MemberTable& Members() const override;
    const std::shared_ptr<CDispatchAPP>& application() const { return application_; }

  private:
    std::shared_ptr<CDispatchAPP> application_;
};

}  // namespace korvan
