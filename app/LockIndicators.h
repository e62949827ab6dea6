#pragma once
// The keyboard's lock lights for the status bar: Kana, Caps Lock, Num Lock and Scroll Lock, as
// the X server keeps them (named XKB indicators). Keys pressed in other programs change them too,
// so the window reads them again now and then instead of following its own key events.
#include <array>

namespace korvan {

enum class LockLight { Kana, Caps, Num, Scroll };
inline constexpr int kLockLightCount = 4;

// Each light: 1 on, 0 off, -1 unknown (not an X11 display, or the keyboard has no such light).
using LockStates = std::array<int, kLockLightCount>;

class LockIndicators {
  public:
    LockIndicators();
    LockStates Read() const;

  private:
    void* display_ = nullptr;                   // the X display Qt has open
    std::array<int, kLockLightCount> index_{};  // indicator bit of each light, -1 when missing
};

}  // namespace korvan
