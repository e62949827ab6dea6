#include "base/GameControllers.h"

namespace korvan {

int GameControllers::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (Name(i) == name) return i;
    return -1;
}

double MapAxisValue(int raw, int mapping) {
    const double v = raw * 0.0001;
    switch (mapping) {
        case 0:
            return v;
        case 1:
            return (v + 1) / 2;
        case 2:
            return (1 - v) / 2;
        default:
            return raw;
    }
}

int AxisReading(const ControllerState& state, int axis) {
    return axis >= 0 && axis < kControllerAxes ? state.axes[axis] : 0;
}

GameControllers& NoControllers() {
    static NoGameControllers none;
    return none;
}

}  // namespace korvan
