#pragma once
// From a key event of the window system to the Windows virtual-key codes that scene files bind
// actuations and forces to. Keys are found by Qt's key code first; where that code depends on the
// shift state or the layout (a shifted digit, a punctuation key, a letter of another script) the
// key's position on the keyboard decides, through the X11 key code.
#include <cstdint>
#include <vector>

namespace korvan {

struct KeyEventCodes {
    int qtKey = 0;
    bool keypad = false;               // Qt::KeypadModifier
    std::uint32_t nativeScanCode = 0;  // X11 key code (evdev + 8); 0 when unknown
};

// Every virtual key the event stands for: the key itself and, for Shift, Ctrl and Alt, also the
// left or right variant when the key code tells. Empty when the key has no virtual-key code.
std::vector<int> VirtualKeysOf(const KeyEventCodes& event);

}  // namespace korvan
