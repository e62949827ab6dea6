#pragma once
// The main view: the OpenGL surface the scene is drawn in (a compatibility-profile context, so
// the fixed-function pipeline is there). The main loop asks it to draw once per due pass; it
// does not draw on its own. Keys reach the virtual-key table through the keyboard feeder, not
// through this widget.
#include <QOpenGLWidget>

namespace korvan {

class Session;

class ChildView : public QOpenGLWidget {
    Q_OBJECT
  public:
    ChildView(Session& session, QWidget* parent = nullptr);

    // The context the view asks for: OpenGL 2.1 compatibility profile, depth and stencil, no
    // waiting for the vertical retrace (the main loop paces the frames itself).
    static QSurfaceFormat ContextFormat();

    // Draws the current frame now (the main loop's drawing step).
    void DrawFrame();
    int framesDrawn() const { return framesDrawn_; }

  protected:
    void initializeGL() override;
    void paintGL() override;

  private:
    Session& session_;
    int framesDrawn_ = 0;

    void DrawPlaceholder();
};

}  // namespace korvan
