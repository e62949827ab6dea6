#include "render/ViewMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "script/SceneDocument.h"

namespace korvan {

namespace {

Mat4 Frustum(double l, double r, double b, double t, double n, double f) {
    Mat4 m;
    m.m[0][0] = 2 * n / (r - l);
    m.m[0][2] = (r + l) / (r - l);
    m.m[1][1] = 2 * n / (t - b);
    m.m[1][2] = (t + b) / (t - b);
    m.m[2][2] = -(f + n) / (f - n);
    m.m[2][3] = -2 * f * n / (f - n);
    m.m[3][2] = -1;
    return m;
}

Mat4 Ortho(double l, double r, double b, double t, double n, double f) {
    Mat4 m = Mat4::Identity();
    m.m[0][0] = 2 / (r - l);
    m.m[0][3] = -(r + l) / (r - l);
    m.m[1][1] = 2 / (t - b);
    m.m[1][3] = -(t + b) / (t - b);
    m.m[2][2] = -2 / (f - n);
    m.m[2][3] = -(f + n) / (f - n);
    return m;
}

Mat4 Translation(const Vec3& v) {
    Mat4 m = Mat4::Identity();
    m.m[0][3] = v.x, m.m[1][3] = v.y, m.m[2][3] = v.z;
    return m;
}

Vec3 ReadVec(const double* v) {
    return {v[0], v[1], v[2]};
}

void WriteVec(double* v, const Vec3& a) {
    v[0] = a.x, v[1] = a.y, v[2] = a.z;
}

// The camera given by the user part: eye, target, up.
Viewpoint PresentCamera(const CWndView& view) {
    return view.GetViewpoint();
}

// Mouse edits since the last frame move the mount by the same amounts, in body coordinates.
void CarryEditsIntoMount(const CWndView& view, const CObj& body, double* mount) {
    const double* last = view.lastMountCamera;
    const Vec3 lastUp = ReadVec(last + 6);
    if (lastUp == Vec3{}) return;
    const Viewpoint now = PresentCamera(view);
    const Mat4 toBody = body.WorldToLocal();
    WriteVec(mount, ReadVec(mount) + TransformVector(toBody, now.eye - ReadVec(last)));
    WriteVec(mount + 3, ReadVec(mount + 3) + TransformVector(toBody, now.target - ReadVec(last + 3)));
    WriteVec(mount + 6, ReadVec(mount + 6) + TransformVector(toBody, now.up - lastUp));
}

void FollowBody(CWndView& view, const CObj& body, double* mount) {
    if (!view.mouseLock) CarryEditsIntoMount(view, body, mount);
    const Mat4 toWorld = body.LocalToWorld();
    Vec3 eye = TransformPoint(toWorld, ReadVec(mount));
    const Vec3 target = TransformPoint(toWorld, ReadVec(mount + 3));
    if (view.fixH) {
        // Level line of sight at the full distance: E' = T + (E - T)h |E - T| / |(E - T)h|.
        const Vec3 back = eye - target;
        const Vec3 level{back.x, back.y, 0};
        const double levelLength = Length(level);
        if (levelLength > 0) eye = target + level * (Length(back) / levelLength);
        eye.z = target.z;
    }
    const Vec3 up = view.fixZ || view.fixH ? Vec3{0, 0, 1} : TransformVector(toWorld, ReadVec(mount + 6));
    view.SetViewpoint({eye, target, up});
    WriteVec(view.lastMountCamera, eye);
    WriteVec(view.lastMountCamera + 3, target);
    WriteVec(view.lastMountCamera + 6, up);
}

}  // namespace

ViewLayout LayoutView(const CWndBase& w, int width, int height, const FrameMetrics& frame) {
    ViewLayout v;
    v.left = static_cast<int>(w.left * width);
    v.top = static_cast<int>(w.top * height);
    v.right = v.left + static_cast<int>((w.right - w.left) * width + 0.5);
    v.bottom = v.top + static_cast<int>((w.bottom - w.top) * height + 0.5);
    v.x = v.left + frame.border;
    v.width = v.right - v.left - 2 * frame.border;
    v.y = height - v.bottom + frame.border;
    v.height = v.bottom - v.top - 2 * frame.border - frame.title;
    return v;
}

Mat4 ProjectionMatrix(const CWndView& view, double t) {
    const double p = view.projection;
    if (p == 0) {
        const double side = view.mirror == 1 ? -1 : 1;
        return Ortho(-side, side, -t, t, -100, 100);
    }
    const double f = view.mirror == 1 ? 0.1 : -0.1;
    return Frustum(f, -f, -0.1 * t, 0.1 * t, 0.1 / p, 100 / p) * Translation({0, 0, -1 / p});
}

Ray PickRay(const CWndView& view, const ViewLayout& layout, int title, double px, double py) {
    const double h = (layout.right - layout.left) / 2.0;
    const double cx = layout.left + h;
    const double cy = layout.top + title + (layout.bottom - layout.top - title) / 2.0;
    const double m = (px - cx) / h;
    const double l = (cy - py) / h;
    const Mat4& toWorld = view.modelViewInverse;
    const double p = view.projection;
    // With perspective the ray starts a tenth of the way from the centre of projection to the
    // target plane; orthographic rays start at the front of the depth range.
    const Vec3 origin =
        p != 0 ? TransformPoint(toWorld, {0.1 * m, 0.1 * l, 0.9 / p}) : TransformPoint(toWorld, {m, l, 100});
    return {origin, TransformPoint(toWorld, {m, l, 0}) - origin};
}

void UpdateMountedViews(SceneDocument& doc) {
    for (int i = 0; i < doc.scene.Count(); ++i) {
        CObj& body = *doc.scene.Body(i);
        for (std::size_t k = 0; k < body.mountedViews.size() && k < body.viewpoints.size(); ++k) {
            const int index = body.mountedViews[k];
            if (index < 0 || static_cast<std::size_t>(index) >= doc.views.size()) continue;
            FollowBody(*doc.views[static_cast<std::size_t>(index)], body, body.viewpoints[k].values);
        }
    }
}

std::string NewViewTitle(const std::vector<const CWndBase*>& views) {
    int largest = 0;
    for (const CWndBase* view : views) {
        const std::string& title = view->displayName;
        const std::size_t open = title.rfind('(');
        const std::size_t close = title.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close <= open) continue;
        largest = std::max(largest, std::atoi(title.substr(open + 1, close - open - 1).c_str()));
    }
    return "新規ビュー(" + std::to_string(largest + 1) + ")";
}

namespace {

constexpr int kGrid = 16;

int GridCell(double fraction) {
    return std::clamp(static_cast<int>(std::floor(kGrid * fraction)), 0, kGrid - 1);
}

// The side of the largest empty square with its top-left corner at (x, y).
int EmptySquareAt(const bool (&taken)[kGrid][kGrid], int x, int y) {
    int side = 0;
    while (x + side < kGrid && y + side < kGrid) {
        for (int k = 0; k <= side; ++k)
            if (taken[y + side][x + k] || taken[y + k][x + side]) return side;
        ++side;
    }
    return side;
}

}  // namespace

ViewRect PlaceNewView(const std::vector<CWndBase*>& views, int active, int width, int height) {
    if (views.empty()) return {};
    bool taken[kGrid][kGrid] = {};
    for (const CWndBase* v : views)
        for (int y = GridCell(v->top + 0.001); y <= GridCell(v->bottom - 0.001); ++y)
            for (int x = GridCell(v->left + 0.001); x <= GridCell(v->right - 0.001); ++x) taken[y][x] = true;
    int bestSide = 0, bestX = 0, bestY = 0;
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
            const int side = EmptySquareAt(taken, x, y);
            if (side > bestSide) bestSide = side, bestX = x, bestY = y;
        }
    if (bestSide > 0)
        return {double(bestX) / kGrid, double(bestY) / kGrid, double(bestX + bestSide) / kGrid,
                double(bestY + bestSide) / kGrid};
    CWndBase& split = *views[active >= 0 && active < int(views.size()) ? std::size_t(active) : 0];
    ViewRect second{split.left, split.top, split.right, split.bottom};
    if ((split.right - split.left) * width >= (split.bottom - split.top) * height) {
        const double middle = (split.left + split.right) / 2;
        split.right = second.left = middle;
    } else {
        const double middle = (split.top + split.bottom) / 2;
        split.bottom = second.top = middle;
    }
    return second;
}

void ToColumnMajor(const Mat4& m, double out[16]) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) out[4 * c + r] = m.m[r][c];
}

}  // namespace korvan
