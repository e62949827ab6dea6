#pragma once
// The geometry of views with no GL in it: where a view sits in the main window, the projection
// that blends orthographic into perspective, the pick ray through a window point, and cameras
// riding on bodies.
//
// Eye space of a view is scaled by the eye-target distance: the target is the origin, the eye is
// (0, 0, 1), and the target plane z = 0 spans x from -1 to 1 and y from -t to t (t = height /
// width of the drawing area) at every projection p. With p > 0 the centre of projection sits at
// z = 1 / p: p = 1 is the real eye with a 90 degree horizontal field of view, and as p falls to 0
// the centre recedes to infinity, which is the orthographic picture.
#include <string>
#include <vector>

#include "base/Matrix.h"
#include "script/Frames.h"

namespace korvan {

class SceneDocument;

// Frame of a floating window in pixels: border width B and title-bar height T.
struct FrameMetrics {
    int border = 3;
    int title = 20;
};

// A view's place in a W x H main window. The pixel rectangle counts from the window's top-left
// (y downwards); the viewport is in GL window coordinates (y upwards) inside the border and
// below the title bar.
struct ViewLayout {
    int left = 0, top = 0, right = 0, bottom = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

ViewLayout LayoutView(const CWndBase& window, int clientWidth, int clientHeight, const FrameMetrics& frame);

// The projection of `view` for a drawing area of aspect t = height / width (row-major).
Mat4 ProjectionMatrix(const CWndView& view, double aspect);

struct Ray {
    Vec3 origin;
    Vec3 direction;  // not normalised
};

// The world ray through client point (px, py) (pixels, y downwards) of a view laid out as
// `layout`. Mirroring is ignored: the ray goes through the unmirrored picture's point.
Ray PickRay(const CWndView& view, const ViewLayout& layout, int titleHeight, double px, double py);

// Each frame, every camera mounted on a body follows the body; edits made to the camera since
// the last frame (by the mouse) are carried into the mount in body coordinates first, so they
// stay with the body.
void UpdateMountedViews(SceneDocument& doc);

// A view added by the user: "新規ビュー(n)" with n one more than the largest number between the
// last "(" and ")" of the existing titles.
std::string NewViewTitle(const std::vector<const CWndBase*>& views);

struct ViewRect {
    double left = 0, top = 0, right = 1, bottom = 1;
};

// Where a view added by the user goes: the largest empty square of a 16 x 16 grid over the main
// window (rows from the top, cells from the left, the first of the largest wins); with no free
// cell the second half of the active view, split along its longer side in pixels (the active
// view keeps the first half); with no view at all the whole window. `active` may be changed.
ViewRect PlaceNewView(const std::vector<CWndBase*>& views, int active, int clientWidth, int clientHeight);

// Row-major to the column-major array glLoadMatrixd takes.
void ToColumnMajor(const Mat4& m, double out[16]);

}  // namespace korvan
