#pragma once
// One frame of the scene in the current OpenGL context.
//
//   DrawFrame
//     cameras riding on bodies follow them
//     clear colour and depth
//     for each view, in view order:  viewport = its rectangle, its projection, DrawView
//       DrawView:  sky (background flag) | clear depth | for pass 0 opaque, 1 shadow, 2 translucent:
//                  every visible body: shape (lists), markers | then, depth test off: connection
//                  points, pointed position, name label, axes, guide texts
//     view frames and titles
//
// Everything is fixed-function immediate mode. A body's shape and its crash points are compiled
// into display lists at first draw and reused until released: the lists bake the material
// colours and the background tint, so the translucent-all, wireframe and background toggles and
// every mode switch release them (ReleaseDisplayLists). A body whose geometry changed (new
// vertices or bounds) gets new lists by itself.
//
// The drawer reads the scene and writes nothing in it except the view cameras of mounted views.
// The widget owns the context; every call here needs it current.
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "render/Fonts.h"
#include "render/ViewFlags.h"
#include "render/ViewMath.h"

namespace korvan {

class CObj;
class SceneDocument;

// Highlight kinds of a body in factory mode, as bits.
enum HighlightBits : unsigned {
    kHighlightDialogSelection = 1,  // red
    kHighlightMarked = 2,           // light blue
    kHighlightRelated = 4,          // grey
};

// What the user interface tells the drawing each frame.
struct DrawInputs {
    const ViewFlags* flags = nullptr;
    int mode = kPlayMode;
    int background = 0;  // Background
    // The body under the pointer and the pointed surface point (world), if any.
    const CObj* pointed = nullptr;
    Vec3 pointedPoint;
    // The grabbed body and the grab mode of the mouse: 1 horizontal, 2 vertical, 0 other.
    const CObj* grabbed = nullptr;
    int grabMode = 0;
    // Body selected in a property dialog: its axes are drawn in factory mode.
    const CObj* axesBody = nullptr;
    // Connection group selected in the connection dialog (body and record index).
    const CObj* selectedJoinBody = nullptr;
    int selectedJoinIndex = -1;
    // Highlight kinds per body; null = none.
    std::function<unsigned(const CObj&)> highlights;
    int activeView = 0;
    FrameMetrics frame;
};

class SceneDrawer {
  public:
    SceneDrawer();
    ~SceneDrawer();

    // Fonts and capabilities; once, with the new context current.
    void Initialise(int logicalProcessors);
    // Every list and texture; with the context still current, before it goes.
    void Release();

    void DrawFrame(SceneDocument& doc, const DrawInputs& inputs, int width, int height);
    // The scene of one view into the current viewport; projection already set.
    void DrawView(SceneDocument& doc, const CWndView& view, const DrawInputs& inputs);

    // Deletes every body's lists (they are rebuilt at the next draw).
    void ReleaseDisplayLists();

    // Layout of each view in the last frame.
    const std::vector<ViewLayout>& Layouts() const { return layouts_; }
    // Seconds the last DrawFrame took.
    double DrawSeconds() const { return drawSeconds_; }
    const RenderFonts& Fonts() const { return fonts_; }
    // Views whose title or picture is held in GL memory.
    std::size_t CachedViewCount() const;

    struct Caches;

  private:
    RenderFonts fonts_;
    std::unique_ptr<Caches> caches_;
    std::vector<ViewLayout> layouts_;
    double drawSeconds_ = 0;
    bool initialised_ = false;
    bool depthClean_ = false;  // nothing drew depth since the frame's clear

    void PruneViewCaches(const SceneDocument& doc);
};

}  // namespace korvan
