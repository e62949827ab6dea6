#pragma once
// CScene: the ordered list of bodies in creation order (a body's index is its identity for the
// scheduler) together with the process-wide simulation values and the remembered sizes.
// The list owns the bodies.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/GameControllers.h"
#include "base/KeyState.h"
#include "sim/Obj.h"
#include "sim/SimSettings.h"
#include "sim/SizeMemory.h"
#include "sim/SoundLevels.h"

namespace korvan {

class CScene {
  public:
    CScene() = default;
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;
    ~CScene();

    SimSettings settings;
    SizeMemory rememberedSizes;
    // Process-wide body counter of the naming rule; reset to 0 when a scene is loaded.
    int nameCounter = 0;
    // Contact sounds, added to by the calculation threads and taken by the sound thread.
    SoundLevels sounds;
    // Where the control pass reads keys and game controllers. The application points them at its
    // devices; tests point them at their own tables.
    const KeyStateTable* keys = &ProcessKeyState();
    GameControllers* controllers = &NoControllers();

    // Constructs a body of kind T with the user's name and appends it to the list.
    template <class T, class... Args>
    T* Create(std::string displayName, Args&&... args) {
        auto body = std::unique_ptr<T>(new T(*this, std::move(displayName), std::forward<Args>(args)...));
        T* raw = body.get();
        bodies_.push_back(std::move(body));
        return raw;
    }

    int Count() const { return static_cast<int>(bodies_.size()); }
    CObj* Body(int i) const { return bodies_[static_cast<std::size_t>(i)].get(); }
    int IndexOf(const CObj* body) const;
    // The same, found through the body's id where that holds.
    int PositionOf(const CObj* body) const;
    bool Contains(const CObj* body) const { return IndexOf(body) >= 0; }
    CObj* FindByVarName(const std::string& varName) const;

    // Removes and destroys one body, detaching every record of other bodies that pointed at it;
    // the bodies after it take their new positions as ids.
    void Remove(CObj* body);
    // Destroys every body.
    void Clear();

    // Tells every body which bodies have collision definitions toward it (contactSources, in
    // scene order). Main thread, while no phase runs; the scheduler does it before every frame.
    // Writes only to the bodies whose list changed.
    void LinkContactSources();

    // Naming rule: "Obj%s%d" with the next counter value, "_2" appended while the name is taken.
    std::string NextVarName(const std::string& kind);

    // The motion lane of the body about to be appended (constructed): lane Count() % 4 of block
    // Count() / 4. Growing the blocks moves them; the bodies already in the list follow.
    MotionLane ReserveMotionLane();

  private:
    std::vector<std::unique_ptr<CObj>> bodies_;
    std::vector<MotionBlock> motion_;

    // LinkContactSources: for each body, how many of its held sources the definitions have
    // matched so far, -1 once they differ.
    std::vector<int> sourcesMatched_;

    // Points every body from `first` on at its lane.
    void AttachMotionLanes(std::size_t first);
    template <class Visit>
    void ForEachContactSource(Visit&& visit) const;
};

}  // namespace korvan
