#include "app/KeyboardFeeder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/VirtualKeys.h"
#include "base/KeyState.h"

namespace korvan {

namespace {

void Feed(const QKeyEvent& e, bool down) {
    KeyEventCodes codes{e.key(), (e.modifiers() & Qt::KeypadModifier) != 0, e.nativeScanCode()};
    for (int vk : VirtualKeysOf(codes)) ProcessKeyState().SetDown(vk, down);
}

}  // namespace

KeyboardFeeder::KeyboardFeeder(QWidget* window) : QObject(window), window_(window) {
    qApp->installEventFilter(this);
}

KeyboardFeeder::~KeyboardFeeder() {
    qApp->removeEventFilter(this);
    ProcessKeyState().ReleaseAll();
}

bool KeyboardFeeder::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride: {
            auto* key = static_cast<QKeyEvent*>(event);
            auto* target = qobject_cast<QWidget*>(watched);
            if (!key->isAutoRepeat() && target && target->window() == window_) Feed(*key, true);
            break;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) Feed(*key, false);
            break;
        }
        case QEvent::WindowDeactivate:
            if (watched == window_) ProcessKeyState().ReleaseAll();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace korvan
