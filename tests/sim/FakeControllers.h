#pragma once
// A game-controller table for tests: states set by the test, force outputs recorded.
#include <string>
#include <vector>

#include "base/GameControllers.h"

namespace korvan::testing {

class FakeControllers final : public GameControllers {
  public:
    struct Force {
        int index;
        double x, y, z;
    };
    std::vector<std::string> names{"pad0", "pad1"};
    std::vector<ControllerState> states = std::vector<ControllerState>(2);
    std::vector<Force> forces;

    int Count() const override { return static_cast<int>(names.size()); }
    std::string Name(int index) const override {
        return index >= 0 && index < Count() ? names[static_cast<std::size_t>(index)] : std::string();
    }
    bool Read(int index, ControllerState& state) override {
        state = ControllerState{};
        if (index < 0 || index >= Count()) return false;
        state = states[static_cast<std::size_t>(index)];
        return true;
    }
    void SetForce(int index, double x, double y, double z) override { forces.push_back({index, x, y, z}); }

    void Press(int index, int button, bool down) {
        states[static_cast<std::size_t>(index)].buttons[button] = down ? 0x80 : 0;
    }
};

}  // namespace korvan::testing
