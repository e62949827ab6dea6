// Segments against a model: the grid is walked one layer at a time along the segment's dominant
// axis, and within a layer every cell of the rectangle the segment crosses there is tested.
#include <algorithm>
#include <cmath>
#include <limits>

#include "skin/PostProcess.h"

namespace korvan {

namespace {

using Index = std::size_t;

Index U(int i) {
    return static_cast<Index>(i);
}

// Where the segment s -> e meets triangle (a, b, c), inner side of every edge counted as inside
// (a ray along a shared edge hits). Only points on the segment count.
bool HitTriangle(const Vec3& s, const Vec3& e, const Vec3& a, const Vec3& b, const Vec3& c, Vec3& point) {
    Vec3 n = Cross(b - a, c - a);
    if (Length(n) == 0) return false;
    Vec3 d = e - s;
    double denom = Dot(n, d);
    if (denom == 0) return false;
    double t = Dot(n, a - s) / denom;
    if (!(t >= 0 && t <= 1)) return false;
    point = s + d * t;
    return Dot(Cross(b - a, point - a), n) >= 0 && Dot(Cross(c - b, point - b), n) >= 0 &&
           Dot(Cross(a - c, point - c), n) >= 0;
}

bool Visible(const CMQOfile& model, int face, const RayVisibility& vis) {
    auto hidden = [](std::span<const char> flags, int i) {
        return !flags.empty() && (i < 0 || U(i) >= flags.size() || !flags[U(i)]);
    };
    int group = model.faces[U(face)].group;
    if (hidden(vis.groups, group) || hidden(vis.materials, model.MaterialOfFace(face))) return false;
    return vis.regions.empty() || U(face) >= model.faceRegion.size() ||
           !hidden(vis.regions, model.faceRegion[U(face)]);
}

// Nearest hit on a face split as it is drawn; a nearer-or-equal hit replaces the best.
void TestFaceNearest(CMQOfile& model, int face, const Vec3& s, const Vec3& e, RayHit& best) {
    const ModelFace& f = model.faces[U(face)];
    auto corner = [&](int k) { return model.CornerPosition(f.firstCorner + k); };
    auto consider = [&](int i, int j, int k) {
        Vec3 point;
        if (!HitTriangle(s, e, corner(i), corner(j), corner(k), point)) return;
        double distance = Length(point - s);
        if (best.face < 0 || distance <= best.distance) best = RayHit{face, point, distance};
    };
    if (f.cornerCount < 3) return;
    if (f.cornerCount <= 4) {
        int start = U(face) < model.startCorners.size() ? model.startCorners[U(face)] : 0;
        const int n = f.cornerCount;
        for (int i = 1; i + 1 < n; ++i) consider(start, (start + i) % n, (start + i + 1) % n);
        return;
    }
    const std::vector<int>& triangles = model.Triangulation(face);
    for (Index t = 0; t + 2 < triangles.size(); t += 3)
        consider(triangles[t], triangles[t + 1], triangles[t + 2]);
}

// Every cell the segment passes through, layer by layer along its dominant axis.
template <typename Visit>
void WalkGrid(const VoxelGrid& grid, const Vec3& s, const Vec3& e, Visit&& visit) {
    if (grid.cells.Owners() == 0) return;
    const Vec3 d = e - s;
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (std::fabs(d[a]) > std::fabs(d[axis])) axis = a;
    const int o1 = (axis + 1) % 3, o2 = (axis + 2) % 3;
    const int first = grid.CellAlong(axis, s[axis]), last = grid.CellAlong(axis, e[axis]);
    const int step = last >= first ? 1 : -1;
    const double lo = grid.low[axis], size = (grid.high[axis] - grid.low[axis]) / grid.n[axis];
    const double inf = std::numeric_limits<double>::infinity();
    for (int layer = first;; layer += step) {
        // The part of the segment inside this layer's slab (border layers reach to infinity).
        double t0 = 0, t1 = 1;
        if (d[axis] != 0 && size > 0) {
            double a = layer == 0 ? -inf : lo + layer * size;
            double b = layer == grid.n[axis] - 1 ? inf : lo + (layer + 1) * size;
            double ta = (a - s[axis]) / d[axis], tb = (b - s[axis]) / d[axis];
            t0 = std::max(0.0, std::min(ta, tb)), t1 = std::min(1.0, std::max(ta, tb));
            // Cells whose boundary the segment touches only by rounding are visited too.
            double slack = 1e-9 * (std::fabs(tb - ta) + 1);
            t0 = std::max(0.0, t0 - slack), t1 = std::min(1.0, t1 + slack);
        }
        int range[2][2];
        const int others[2] = {o1, o2};
        for (int k = 0; k < 2; ++k) {
            int a = others[k];
            double p0 = s[a] + d[a] * t0, p1 = s[a] + d[a] * t1;
            double pad = 1e-9 * (std::fabs(grid.high[a] - grid.low[a]) + std::fabs(p0) + std::fabs(p1));
            range[k][0] = grid.CellAlong(a, std::min(p0, p1) - pad);
            range[k][1] = grid.CellAlong(a, std::max(p0, p1) + pad);
        }
        for (int i = range[0][0]; i <= range[0][1]; ++i)
            for (int j = range[1][0]; j <= range[1][1]; ++j) {
                int cell[3];
                cell[axis] = layer, cell[o1] = i, cell[o2] = j;
                Index index = U(cell[0]) + U(grid.n[0]) * (U(cell[1]) + U(grid.n[1]) * U(cell[2]));
                for (int face : grid.cells.Of(index)) visit(face);
            }
        if (layer == last) break;
    }
}

}  // namespace

RayHit CastRay(CMQOfile& model, const Vec3& s, const Vec3& e, const RayVisibility& visibility) {
    RayHit best;
    WalkGrid(model.grid, s, e, [&](int face) {
        if (Visible(model, face, visibility)) TestFaceNearest(model, face, s, e, best);
    });
    return best;
}

RayHit CastRayBruteForce(CMQOfile& model, const Vec3& s, const Vec3& e, const RayVisibility& visibility) {
    RayHit best;
    for (Index face = 0; face < model.faces.size(); ++face)
        if (Visible(model, static_cast<int>(face), visibility))
            TestFaceNearest(model, static_cast<int>(face), s, e, best);
    return best;
}

std::vector<RayHit> CastRayAll(const CMQOfile& model, const Vec3& s, const Vec3& e) {
    std::vector<RayHit> hits;
    WalkGrid(model.grid, s, e, [&](int face) {
        const ModelFace& f = model.faces[U(face)];
        for (int i = 0; i + 2 < f.cornerCount; ++i) {
            Vec3 point;
            if (HitTriangle(s, e, model.CornerPosition(f.firstCorner + i),
                            model.CornerPosition(f.firstCorner + i + 1),
                            model.CornerPosition(f.firstCorner + i + 2), point))
                hits.push_back(RayHit{face, point, Length(point - s)});
        }
    });
    // A face sits in several cells: keep its nearest hit once.
    std::sort(hits.begin(), hits.end(), [](const RayHit& a, const RayHit& b) {
        return a.face != b.face ? a.face < b.face : a.distance < b.distance;
    });
    hits.erase(std::unique(hits.begin(), hits.end(),
                           [](const RayHit& a, const RayHit& b) { return a.face == b.face; }),
               hits.end());
    return hits;
}

}  // namespace korvan
