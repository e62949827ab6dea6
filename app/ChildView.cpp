#include "app/ChildView.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

#include "app/Session.h"

namespace korvan {

ChildView::ChildView(Session& session, QWidget* parent) : QOpenGLWidget(parent), session_(session) {
    setFormat(ContextFormat());
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
}

QSurfaceFormat ChildView::ContextFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapInterval(0);
    return format;
}

void ChildView::initializeGL() {}

void ChildView::DrawFrame() {
    ++framesDrawn_;
    repaint();
}

void ChildView::paintGL() {
    DrawPlaceholder();
}

// Until the scene drawing is there: the sky's colour and the frame counter.
void ChildView::DrawPlaceholder() {
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(0.55f, 0.70f, 0.90f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    QPainter painter(this);
    painter.fillRect(QRect(4, 4, 360, 24), QColor(255, 255, 255, 160));
    painter.setPen(Qt::black);
    const SimSettings& s = session_.scene().settings;
    painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("frame %1   t = %2 s   bodies %3")
                         .arg(framesDrawn_)
                         .arg(s.CurTime, 0, 'f', 2)
                         .arg(session_.scene().Count()));
}

}  // namespace korvan
