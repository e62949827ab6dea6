#include "app/VirtualKeys.h"

#include <Qt>

namespace korvan {

namespace {

enum : int {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_PAUSE = 19,
    VK_CAPITAL = 20,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_SNAPSHOT = 44,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_LWIN = 91,
    VK_RWIN = 92,
    VK_APPS = 93,
    VK_NUMPAD0 = 96,
    VK_MULTIPLY = 106,
    VK_ADD = 107,
    VK_SUBTRACT = 109,
    VK_DECIMAL = 110,
    VK_DIVIDE = 111,
    VK_F1 = 112,
    VK_NUMLOCK = 144,
    VK_SCROLL = 145,
    VK_LSHIFT = 160,
    VK_RSHIFT = 161,
    VK_LCONTROL = 162,
    VK_RCONTROL = 163,
    VK_LMENU = 164,
    VK_RMENU = 165,
    VK_OEM_1 = 186,
    VK_OEM_PLUS = 187,
    VK_OEM_COMMA = 188,
    VK_OEM_MINUS = 189,
    VK_OEM_PERIOD = 190,
    VK_OEM_2 = 191,
    VK_OEM_3 = 192,
    VK_OEM_4 = 219,
    VK_OEM_5 = 220,
    VK_OEM_6 = 221,
    VK_OEM_7 = 222,
};

int KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VK_NUMPAD0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            return 0;
    }
}

int NamedKey(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return VK_LWIN;
        case Qt::Key_Super_R:
            return VK_RWIN;
        case Qt::Key_Menu:
            return VK_APPS;
        case Qt::Key_NumLock:
            return VK_NUMLOCK;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        default:
            return 0;
    }
}

// Keys whose character depends on shift and layout, by their position (X11 key codes of a
// standard PC keyboard).
int PositionKey(std::uint32_t x11) {
    static constexpr char kRowDigits[] = "1234567890";  // 10..19
    static constexpr char kRowTop[] = "QWERTYUIOP";     // 24..33
    static constexpr char kRowHome[] = "ASDFGHJKL";     // 38..46
    static constexpr char kRowBottom[] = "ZXCVBNM";     // 52..58
    if (x11 >= 10 && x11 <= 19) return kRowDigits[x11 - 10];
    if (x11 >= 24 && x11 <= 33) return kRowTop[x11 - 24];
    if (x11 >= 38 && x11 <= 46) return kRowHome[x11 - 38];
    if (x11 >= 52 && x11 <= 58) return kRowBottom[x11 - 52];
    switch (x11) {
        case 20:
            return VK_OEM_MINUS;
        case 21:
            return VK_OEM_PLUS;
        case 34:
            return VK_OEM_4;
        case 35:
            return VK_OEM_6;
        case 47:
            return VK_OEM_1;
        case 48:
            return VK_OEM_7;
        case 49:
            return VK_OEM_3;
        case 51:
            return VK_OEM_5;
        case 59:
            return VK_OEM_COMMA;
        case 60:
            return VK_OEM_PERIOD;
        case 61:
            return VK_OEM_2;
        default:
            return 0;
    }
}

int SideKey(std::uint32_t x11) {
    switch (x11) {
        case 50:
            return VK_LSHIFT;
        case 62:
            return VK_RSHIFT;
        case 37:
            return VK_LCONTROL;
        case 105:
            return VK_RCONTROL;
        case 64:
            return VK_LMENU;
        case 108:
            return VK_RMENU;
        default:
            return 0;
    }
}

}  // namespace

std::vector<int> VirtualKeysOf(const KeyEventCodes& e) {
    std::vector<int> keys;
    int key = e.keypad ? KeypadKey(e.qtKey) : 0;
    if (!key) key = NamedKey(e.qtKey);
    if (!key) key = PositionKey(e.nativeScanCode);
    if (key) keys.push_back(key);
    if (int side = SideKey(e.nativeScanCode)) keys.push_back(side);
    return keys;
}

}  // namespace korvan
