#pragma once
// Game controllers as the simulation sees them: a list of named devices, each read as six axes
// (Px, Py, Pz, Ax, Ay, Az, full scale +-10000) and 128 buttons, plus a constant-force output.
//
// The control pass reads controllers from several calculation threads at once and sets the
// force feedback of controller-driven actuations from them, so every implementation must allow
// Read and SetForce to be called concurrently. Names and the count are fixed once the devices
// are enumerated at start-up; a controller plugged in later is not seen.
#include <string>

namespace korvan {

inline constexpr int kControllerAxes = 6;
inline constexpr int kControllerButtons = 128;
inline constexpr int kControllerFullScale = 10000;

struct ControllerState {
    int axes[kControllerAxes] = {};                  // Px, Py, Pz, Ax, Ay, Az
    unsigned char buttons[kControllerButtons] = {};  // pressed when the high bit is set

    bool ButtonDown(int button) const {
        return button >= 0 && button < kControllerButtons && (buttons[button] & 0x80) != 0;
    }
};

class GameControllers {
  public:
    virtual ~GameControllers() = default;

    virtual int Count() const = 0;
    // Instance name of controller `index` (the name scenes refer to); empty when out of range.
    virtual std::string Name(int index) const = 0;
    // Polls controller `index`. An unknown index or a failed read leaves `state` all zero and
    // returns false. Any thread.
    virtual bool Read(int index, ControllerState& state) = 0;
    // Constant force on the three force channels, each -10000..10000. Any thread.
    virtual void SetForce(int index, double x, double y, double z) = 0;

    // Index of the controller with this name, or -1.
    int IndexOf(const std::string& name) const;
};

// Maps a raw axis reading by the mapping of an actuation or force:
// 0 -> v (-1..+1), 1 -> (v + 1) / 2 (0..+1), 2 -> (1 - v) / 2 (+1..0), other -> raw, v = raw * 0.0001.
double MapAxisValue(int raw, int mapping);

// Raw reading of `axis` (0..5) from a state; any other axis reads 0.
int AxisReading(const ControllerState& state, int axis);

// A machine without game controllers: nothing to read, force output goes nowhere.
class NoGameControllers final : public GameControllers {
  public:
    int Count() const override { return 0; }
    std::string Name(int) const override { return {}; }
    bool Read(int, ControllerState& state) override {
        state = ControllerState{};
        return false;
    }
    void SetForce(int, double, double, double) override {}
};

// The process-wide "no controllers" instance, used until a device layer is installed.
GameControllers& NoControllers();

}  // namespace korvan
