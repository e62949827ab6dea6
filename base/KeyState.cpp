#include "base/KeyState.h"

namespace korvan {

KeyStateTable& ProcessKeyState() {
    static KeyStateTable table;
    return table;
}

}  // namespace korvan
