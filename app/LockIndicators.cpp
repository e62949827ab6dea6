#include "app/LockIndicators.h"

#include <QGuiApplication>

// Xlib last: its macros (None, Bool, KeyPress...) would clash with Qt's names.
#include <X11/XKBlib.h>

namespace korvan {

namespace {

// The names the XKB keymaps give the lights.
constexpr const char* kNames[kLockLightCount] = {"Kana", "Caps Lock", "Num Lock", "Scroll Lock"};

Display* QtDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

}  // namespace

LockIndicators::LockIndicators() {
    index_.fill(-1);
    Display* display = QtDisplay();
    if (!display) return;
    display_ = display;
    for (int i = 0; i < kLockLightCount; ++i) {
        const Atom name = XInternAtom(display, kNames[i], True);
        int index = -1;
        Bool on = False;
        if (name != None && XkbGetNamedIndicator(display, name, &index, &on, nullptr, nullptr))
            index_[static_cast<std::size_t>(i)] = index;
    }
}

// One request for all four: the server's bit mask of lit indicators.
LockStates LockIndicators::Read() const {
    LockStates states;
    states.fill(-1);
    unsigned int lit = 0;
    if (!display_ || XkbGetIndicatorState(static_cast<Display*>(display_), XkbUseCoreKbd, &lit) != Success)
        return states;
    for (std::size_t i = 0; i < states.size(); ++i)
        if (index_[i] >= 0) states[i] = (lit >> index_[i]) & 1u ? 1 : 0;
    return states;
}

}  // namespace korvan
