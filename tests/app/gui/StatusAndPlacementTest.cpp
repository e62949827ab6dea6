// The status bar's lock lights against the X server's own keyboard state, and the window placed
// for the head-mounted display.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>

#include "tests/app/gui/WindowHarness.h"

// Xlib last: its macros would clash with the names above.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace korvan::test {
namespace {

Display* XDisplay() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// Sets the lights as another program (or the keyboard) would: Caps and Num Lock are locked
// modifiers that light their indicators, Scroll Lock is a light of its own.
void SetLocks(Display* d, bool caps, bool num, bool scroll) {
    const unsigned numMask = XkbKeysymToModifiers(d, XK_Num_Lock);
    XkbLockModifiers(d, XkbUseCoreKbd, LockMask | numMask, (caps ? LockMask : 0u) | (num ? numMask : 0u));
    XkbSetNamedIndicator(d, XInternAtom(d, "Scroll Lock", False), True, scroll ? True : False, False,
                         nullptr);
    XSync(d, False);
}

bool Lit(Window& w, const char* name) {
    return w.frame->statusBar()->findChild<QLabel*>(QString::fromLatin1(name))->isEnabled();
}

TEST(StatusBar, LockLightsFollowTheKeyboardOfTheDisplay) {
    Window w;
    Display* d = XDisplay();
    ASSERT_NE(d, nullptr) << "the tests run on an X server";
    struct Case {
        bool caps, num, scroll;
    } cases[] = {{true, false, true}, {false, true, false}, {false, false, false}};
    for (const Case& c : cases) {
        SetLocks(d, c.caps, c.num, c.scroll);
        // Read on the window's own timer, as when another program changes them.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return Lit(w, "CAP") == c.caps && Lit(w, "NUM") == c.num && Lit(w, "SCRL") == c.scroll;
        })) << "caps "
            << c.caps << " num " << c.num << " scroll " << c.scroll << ": shown " << Lit(w, "CAP")
            << Lit(w, "NUM") << Lit(w, "SCRL");
    }
}

// With the head-mounted display the main view gets the head-mounted window size exactly, and the
// window with its menu and status bars is centred on the monitor.
TEST(Placement, TheHeadMountedViewHasItsSizeAndTheWindowIsCentred) {
    WindowOptions options;
    options.headMounted = true;
    options.headMountedSize = {640, 400};
    Window w(options);
    EXPECT_EQ(w.frame->view()->size(), QSize(640, 400));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = w.frame->frameGeometry();
    EXPECT_EQ(outer.left(), screen.left() + (screen.width() - outer.width()) / 2);
    EXPECT_EQ(outer.top(), screen.top() + (screen.height() - outer.height()) / 2);
}

}  // namespace
}  // namespace korvan::test
