#include "app/ChildView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QThread>

#include "app/Session.h"

namespace korvan {

ChildView::ChildView(Session& session, QWidget* parent) : QOpenGLWidget(parent), session_(session) {
    // The settings' anti-aliasing request, fallen back to what the driver offers; a change of it
    // takes effect at the next start.
    contextChoice_ = ChooseContextFormat(session.settings.ENV_ANTI_START);
    setFormat(contextChoice_.format);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
    session_.releaseDisplayLists = [this] { listsStale_ = true; };
}

ChildView::~ChildView() {
    session_.releaseDisplayLists = nullptr;
    ReleaseGl();
    // The base class destroys the context after this object's members are gone: its last signal
    // must not reach them.
    if (context()) disconnect(context(), nullptr, this, nullptr);
}

QSurfaceFormat ChildView::ContextFormat() {
    return BaseSurfaceFormat();
}

void ChildView::initializeGL() {
    drawer_.Initialise(QThread::idealThreadCount());
    // The lists and textures belong to this context: free them while it still exists.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { ReleaseGl(); });
}

void ChildView::ReleaseGl() {
    if (!context()) return;
    makeCurrent();
    drawer_.Release();
    doneCurrent();
}

void ChildView::DrawFrame() {
    ++framesDrawn_;
    repaint();
}

void ChildView::paintGL() {
    if (listsStale_) drawer_.ReleaseDisplayLists();
    listsStale_ = false;
    inputs.flags = &session_.viewFlags;
    inputs.mode = session_.workingMode;
    inputs.background = session_.backgroundKind;
    const qreal ratio = devicePixelRatioF();
    drawer_.DrawFrame(session_.document, inputs, static_cast<int>(width() * ratio),
                      static_cast<int>(height() * ratio));
}

void ChildView::mousePressEvent(QMouseEvent* event) {
    ChooseActiveView(event->position().toPoint());
    QOpenGLWidget::mousePressEvent(event);
}

void ChildView::contextMenuEvent(QContextMenuEvent* event) {
    ChooseActiveView(event->pos());
    if (openContextMenu) openContextMenu(event->globalPos());
}

void ChildView::ChooseActiveView(const QPoint& point) {
    const qreal ratio = devicePixelRatioF();
    const int x = static_cast<int>(point.x() * ratio), y = static_cast<int>(point.y() * ratio);
    // Views are drawn in list order, so the last one holding the point is the one seen there: an
    // extra view lies over the main view that fills the window.
    const auto& layouts = drawer_.Layouts();
    for (std::size_t i = layouts.size(); i-- > 0;) {
        const ViewLayout& v = layouts[i];
        if (x >= v.left && x < v.right && y >= v.top && y < v.bottom) {
            inputs.activeView = static_cast<int>(i);
            return;
        }
    }
    if (inputs.activeView < 0 && !session_.document.views.empty()) inputs.activeView = 0;
}

}  // namespace korvan
