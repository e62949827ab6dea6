#include "skin/Model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "skin/PostProcess.h"

namespace korvan {

void CMQOfile::Clear() {
    *this = CMQOfile();
}

int CMQOfile::MaterialOfFace(int face) const {
    int group = faces[static_cast<std::size_t>(face)].group;
    if (group < 0 || static_cast<std::size_t>(group) >= groups.size()) return -1;
    return groups[static_cast<std::size_t>(group)].material;
}

int VoxelGrid::CellAlong(int axis, double value) const {
    const double lo = low[axis], hi = high[axis];
    if (!(hi > lo)) return 0;
    double cell = (value - lo) * n[axis] / (hi - lo);
    if (!(cell >= 0)) return 0;  // also NaN
    if (cell >= n[axis] - 1) return n[axis] - 1;
    return static_cast<int>(cell);
}

namespace {

struct Point2 {
    double x = 0, y = 0;
};

// Angle at b between the edges to a and c, counter-clockwise from (c - b) to (a - b).
double Angle2(const Point2& a, const Point2& b, const Point2& c) {
    double ux = c.x - b.x, uy = c.y - b.y, wx = a.x - b.x, wy = a.y - b.y;
    double angle = std::atan2(ux * wy - uy * wx, ux * wx + uy * wy);
    return angle < -0.001 ? angle + 2 * std::numbers::pi : angle;
}

double AngleSum(const std::vector<Point2>& p) {
    const std::size_t n = p.size();
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += Angle2(p[(i + n - 1) % n], p[i], p[(i + 1) % n]);
    return sum;
}

// Cross product sign of (b - a) x (c - a).
double Cross2(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// The part of edge p->q inside triangle (a, b, c), as a parameter interval along the edge.
bool EdgeEntersTriangle(const Point2& p, const Point2& q, const Point2& a, const Point2& b, const Point2& c) {
    double t0 = 0, t1 = 1;
    const Point2* tri[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        const Point2& u = *tri[k];
        const Point2& v = *tri[(k + 1) % 3];
        // inside: Cross2(u, v, x) >= 0 for a counter-clockwise triangle
        double fp = Cross2(u, v, p), fq = Cross2(u, v, q);
        if (fp < 0 && fq < 0) return false;
        if (fp < 0 || fq < 0) {
            double t = fp / (fp - fq);
            if (fp < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
    }
    return t0 <= t1 && t1 >= 1e-4 && t0 <= 0.9999;
}

bool SegmentsCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d) {
    double d1 = Cross2(a, b, c), d2 = Cross2(a, b, d), d3 = Cross2(c, d, a), d4 = Cross2(c, d, b);
    return ((d1 > 0) != (d2 > 0) || d1 == 0 || d2 == 0) && ((d3 > 0) != (d4 > 0) || d3 == 0 || d4 == 0);
}

// Faces beyond this many corners take the first acceptable ear instead of the one with the
// shortest diagonal: the choice costs a pass over all candidates per ear, which grows with the
// cube of the corner count.
constexpr std::size_t kShortestEarLimit = 200;

std::vector<int> EarClip(const std::vector<Point2>& p) {
    const std::size_t n = p.size();
    std::vector<int> next(n), prev(n), triangles;
    for (std::size_t i = 0; i < n; ++i)
        next[i] = static_cast<int>((i + 1) % n), prev[i] = static_cast<int>((i + n - 1) % n);
    std::vector<char> removed(n, 0);
    std::size_t remaining = n;
    std::size_t scanFrom = 0;
    const bool shortest = n <= kShortestEarLimit;
    while (remaining > 2) {
        int best = -1;
        double bestLength = 0;
        for (std::size_t step = 0; step < n; ++step) {
            std::size_t i = (scanFrom + step) % n;
            if (removed[i]) continue;
            int a = prev[i], c = next[i];
            if (a == c) break;
            if (Angle2(p[static_cast<std::size_t>(a)], p[i], p[static_cast<std::size_t>(c)]) >=
                std::numbers::pi)
                continue;
            const Point2 &pa = p[static_cast<std::size_t>(a)], &pb = p[i],
                         &pc = p[static_cast<std::size_t>(c)];
            bool rejected = false;
            for (int e = next[static_cast<std::size_t>(c)]; e != a && !rejected;
                 e = next[static_cast<std::size_t>(e)]) {
                const Point2 &q0 = p[static_cast<std::size_t>(e)],
                             &q1 = p[static_cast<std::size_t>(next[static_cast<std::size_t>(e)])];
                rejected = SegmentsCross(q0, q1, pc, pa) && EdgeEntersTriangle(q0, q1, pa, pb, pc);
            }
            // Corners of the rest lying inside the ear also make it wrong.
            for (int e = next[static_cast<std::size_t>(c)]; e != a && !rejected;
                 e = next[static_cast<std::size_t>(e)]) {
                const Point2& q = p[static_cast<std::size_t>(e)];
                rejected = Cross2(pa, pb, q) > 0 && Cross2(pb, pc, q) > 0 && Cross2(pc, pa, q) > 0;
            }
            if (rejected) continue;
            double length = std::hypot(pc.x - pa.x, pc.y - pa.y);
            if (best < 0 || length < bestLength) best = static_cast<int>(i), bestLength = length;
            if (!shortest) break;
        }
        if (best < 0) break;
        std::size_t i = static_cast<std::size_t>(best);
        triangles.insert(triangles.end(), {prev[i], best, next[i]});
        next[static_cast<std::size_t>(prev[i])] = next[i];
        prev[static_cast<std::size_t>(next[i])] = prev[i];
        removed[i] = 1;
        scanFrom = static_cast<std::size_t>(next[i]);
        --remaining;
    }
    return triangles;
}

}  // namespace

const std::vector<int>& CMQOfile::Triangulation(int face) {
    if (triangulations_.size() != faces.size()) {
        triangulations_.assign(faces.size(), {});
        triangulated_.assign(faces.size(), 0);
    }
    std::vector<int>& triangles = triangulations_[static_cast<std::size_t>(face)];
    const ModelFace& f = faces[static_cast<std::size_t>(face)];
    if (triangulated_[static_cast<std::size_t>(face)] || f.cornerCount < 5) return triangles;
    triangulated_[static_cast<std::size_t>(face)] = 1;
    // A frame whose third axis is the face normal; corners relative to their mean.
    Vec3 normal = static_cast<std::size_t>(face) < faceNormals.size()
                      ? faceNormals[static_cast<std::size_t>(face)]
                      : FaceNormal(*this, face);
    normal = Normalized(normal);
    double e = std::hypot(normal.x, normal.y);
    double g = e > 0 ? normal.x / e : 1, h = e > 0 ? normal.y / e : 0;
    Vec3 axis1{normal.z * g, normal.z * h, -e}, axis2{-h, g, 0};
    Vec3 mean;
    for (int c = 0; c < f.cornerCount; ++c) mean += CornerPosition(f.firstCorner + c);
    mean *= 1.0 / f.cornerCount;
    std::vector<Point2> points(static_cast<std::size_t>(f.cornerCount));
    for (int c = 0; c < f.cornerCount; ++c) {
        Vec3 r = CornerPosition(f.firstCorner + c) - mean;
        points[static_cast<std::size_t>(c)] = {Dot(r, axis1), Dot(r, axis2)};
    }
    // Make the polygon counter-clockwise: its angle sum is the smaller of it and its mirror.
    std::vector<Point2> mirror = points;
    for (Point2& m : mirror) m.x = -m.x;
    if (AngleSum(points) > AngleSum(mirror)) points = mirror;
    triangles = EarClip(points);
    return triangles;
}

}  // namespace korvan
