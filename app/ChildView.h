#pragma once
// The main view: the OpenGL surface the scene is drawn in (a compatibility-profile context, so
// the fixed-function pipeline is there). The main loop asks it to draw once per due pass; it
// does not draw on its own. Keys reach the virtual-key table through the keyboard feeder, not
// through this widget.
#include <QOpenGLWidget>
#include <functional>

#include "render/GlProbe.h"
#include "render/SceneDrawer.h"

namespace korvan {

class Session;

class ChildView : public QOpenGLWidget {
    Q_OBJECT
  public:
    ChildView(Session& session, QWidget* parent = nullptr);
    ~ChildView() override;

    // The context every window asks for by default: OpenGL 2.1 compatibility profile, depth, no
    // waiting for the vertical retrace (the main loop paces the frames itself). The main view
    // adds the anti-aliasing samples of the settings.
    static QSurfaceFormat ContextFormat();

    // Draws the current frame now (the main loop's drawing step).
    void DrawFrame();
    int framesDrawn() const { return framesDrawn_; }

    // What the driver gave: samples obtained, multisample capability, power-of-two textures.
    const ContextChoice& contextChoice() const { return contextChoice_; }
    // The drawing, with the layout of each view in the last frame and its drawing time.
    const SceneDrawer& drawer() const { return drawer_; }
    // What the user interface tells the drawing (pointed body, grab, active view ...); the flags,
    // working mode and background come from the session at every frame.
    DrawInputs inputs;
    // Asked to open the context menu at a global position (the active view is chosen already).
    std::function<void(const QPoint& global)> openContextMenu;

  protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    Session& session_;
    int framesDrawn_ = 0;
    ContextChoice contextChoice_;
    SceneDrawer drawer_;
    bool listsStale_ = false;  // display lists to be released at the next frame (context current)

    void ReleaseGl();
    // The view seen at the point becomes active; outside every view the old one stays.
    void ChooseActiveView(const QPoint& point);
};

}  // namespace korvan
