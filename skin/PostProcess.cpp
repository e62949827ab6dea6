// The steps after reading, in order. Every list of lists is built by counting first and filling
// second, and every step is linear in the model apart from the sorts of the node joining.
#include "skin/PostProcess.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "base/Host.h"
#include "skin/ModelReaders.h"
#include "skin/ModelText.h"

namespace korvan {

namespace {

using Index = std::size_t;

Index U(int i) {
    return static_cast<Index>(i);
}

// --- face normals ---

// Least-squares plane through the corners: the thinnest axis of their box is fitted as a linear
// function of the other two.
Vec3 PlaneNormal(const CMQOfile& model, const ModelFace& f) {
    Vec3 lo = model.CornerPosition(f.firstCorner), hi = lo;
    for (int c = 1; c < f.cornerCount; ++c) {
        const Vec3& p = model.CornerPosition(f.firstCorner + c);
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    }
    Vec3 extent = hi - lo, centre = (lo + hi) * 0.5;
    int d = extent.z <= extent.y && extent.z <= extent.x ? 2 : (extent.y <= extent.x ? 1 : 0);
    int pa = d == 0 ? 1 : 0, qa = d == 2 ? 1 : 2;
    double spp = 0, spq = 0, sp = 0, sqq = 0, sq = 0, spd = 0, sqd = 0, sd = 0, n = f.cornerCount;
    for (int c = 0; c < f.cornerCount; ++c) {
        Vec3 r = model.CornerPosition(f.firstCorner + c) - centre;
        double p = r[pa], q = r[qa], v = r[d];
        spp += p * p, spq += p * q, sp += p, sqq += q * q, sq += q, spd += p * v, sqd += q * v, sd += v;
    }
    // Cramer's rule on [spp spq sp; spq sqq sq; sp sq n] (a b c) = (spd sqd sd).
    auto det3 = [](double a, double b, double c, double d1, double e, double f1, double g, double h,
                   double i) { return a * (e * i - f1 * h) - b * (d1 * i - f1 * g) + c * (d1 * h - e * g); };
    double det = det3(spp, spq, sp, spq, sqq, sq, sp, sq, n);
    double a = 0, b = 0;
    if (det != 0 && std::isfinite(det)) {
        a = det3(spd, spq, sp, sqd, sqq, sq, sd, sq, n) / det;
        b = det3(spp, spd, sp, spq, sqd, sq, sp, sd, n) / det;
    }
    Vec3 normal;
    normal[d] = 1, normal[pa] = -a, normal[qa] = -b;
    return Normalized(normal);
}

}  // namespace

Vec3 FaceNormal(const CMQOfile& model, int face) {
    const ModelFace& f = model.faces[U(face)];
    auto c = [&](int k) { return model.CornerPosition(f.firstCorner + k); };
    if (f.cornerCount < 3) return {};
    if (f.cornerCount == 3) return Normalized(Cross(c(2) - c(1), c(0) - c(1)));
    if (f.cornerCount == 4) return Normalized(Cross(c(2) - c(0), c(3) - c(1)));
    Vec3 n = PlaneNormal(model, f);
    // Of the two sides, the one about which the corner angles add up to less.
    std::vector<double> angles(U(f.cornerCount));
    CornerAngles(model, face, n, angles.data());
    double up = 0, down = 0;
    for (double a : angles) up += a;
    CornerAngles(model, face, -n, angles.data());
    for (double a : angles) down += a;
    return up < down ? n : -n;
}

void CornerAngles(const CMQOfile& model, int face, const Vec3& n, double* angles) {
    const ModelFace& f = model.faces[U(face)];
    const int count = f.cornerCount;
    for (int k = 0; k < count; ++k) {
        const Vec3& p = model.CornerPosition(f.firstCorner + k);
        Vec3 u = Normalized(model.CornerPosition(f.firstCorner + (k + count - 1) % count) - p);
        Vec3 w = Normalized(model.CornerPosition(f.firstCorner + (k + 1) % count) - p);
        Vec3 x = Cross(w, u);
        double s = Dot(x, n) > 0 ? Length(x) : -Length(x);
        double angle = std::atan2(s, Dot(u, w));
        angles[k] = angle < -1e-6 ? angle + 2 * std::numbers::pi : angle;
    }
}

namespace {

class PostProcessor {
  public:
    explicit PostProcessor(CMQOfile& model) : m_(model), progress_("読み込みの後処理中...", "") {}
    bool Run();

  private:
    void Step(int percent, const char* text) {
        progress_.SetText(text);
        progress_.Show(percent);
    }
    void FaceNormals();
    void RangeAndBox();
    void JoinNodes();
    void FacesAroundVertices();
    void NodeNormals();
    void AdjacentFaces();
    void ContinuousFaces();
    void VoxelSplit();
    void ListBoxData();
    void MaterialOrder();

    int NodeOf(int vertex) const { return m_.nodeOfVertex[U(vertex - m_.vertexLow)]; }
    int MaterialOf(int face) const { return m_.MaterialOfFace(face); }

    CMQOfile& m_;
    ProgressPost progress_;
};

bool PostProcessor::Run() {
    Step(5, "面の単純法線を求めています");
    FaceNormals();
    Step(15, "節点番号の最大最小を求めています");
    Step(20, "座標の最大最小を求めています");
    RangeAndBox();
    Step(25, "節点を連結しています");
    JoinNodes();
    Step(45, "節点周りの面を収集しています");
    FacesAroundVertices();
    Step(50, "節点定義の法線を計算しています");
    NodeNormals();
    Step(60, "隣接面を収集しています");
    AdjacentFaces();
    Step(80, "連続面を収集しています");
    ContinuousFaces();
    Step(85, "ボクセル分割しています");
    VoxelSplit();
    Step(90, "リストボックス用データを作成しています");
    ListBoxData();
    Step(95, "マテリアルの表示順序を作成しています");
    MaterialOrder();
    return true;
}

void PostProcessor::FaceNormals() {
    const Index faces = m_.faces.size();
    m_.faceNormals.assign(faces, Vec3{});
    m_.startCorners.assign(faces, 0);
    m_.cornerAngles.assign(m_.corners.size(), 0.0);
    for (Index i = 0; i < faces; ++i) {
        const ModelFace& f = m_.faces[i];
        const int face = static_cast<int>(i);
        Vec3 n = FaceNormal(m_, face);
        m_.faceNormals[i] = n;
        if (f.cornerCount < 3) continue;
        double* angles = m_.cornerAngles.data() + f.firstCorner;
        CornerAngles(m_, face, n, angles);
        if (f.cornerCount != 4) continue;
        // A quadrilateral fans from a reflex corner when it has one, else from its highest corner.
        int widest = 0, highest = 0;
        for (int k = 1; k < 4; ++k) {
            if (angles[k] > angles[widest]) widest = k;
            if (Dot(n, m_.CornerPosition(f.firstCorner + k)) >
                Dot(n, m_.CornerPosition(f.firstCorner + highest)))
                highest = k;
        }
        m_.startCorners[i] = angles[widest] >= std::numbers::pi ? widest : highest;
    }
}

void PostProcessor::RangeAndBox() {
    m_.vertexLow = 0, m_.vertexHigh = -1;
    m_.boxMin = m_.boxMax = Vec3{};
    bool first = true;
    for (const ModelFace& f : m_.faces) {
        for (int c = 0; c < f.cornerCount; ++c) {
            int v = m_.corners[U(f.firstCorner + c)].vertex;
            const Vec3& p = m_.vertices[U(v)];
            if (first) {
                m_.vertexLow = m_.vertexHigh = v, m_.boxMin = m_.boxMax = p, first = false;
                continue;
            }
            m_.vertexLow = std::min(m_.vertexLow, v), m_.vertexHigh = std::max(m_.vertexHigh, v);
            for (int a = 0; a < 3; ++a)
                m_.boxMin[a] = std::min(m_.boxMin[a], p[a]), m_.boxMax[a] = std::max(m_.boxMax[a], p[a]);
        }
    }
}

// Two coordinates are the same when they differ by no more than a billionth of the larger.
bool Near(double a, double b) {
    return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * 1e-9;
}

// Sorted by z, then within runs of near-equal z by y, then by x: a tolerant order that is still a
// strict ordering at every level (a comparison with tolerance is not, and sorting with one is
// undefined).
void SortLevel(const std::vector<Vec3>& v, std::vector<int>::iterator begin, std::vector<int>::iterator end,
               int axis) {
    std::sort(begin, end, [&](int a, int b) {
        double pa = v[U(a)][axis], pb = v[U(b)][axis];
        return pa < pb || (pa == pb && a < b);
    });
    if (axis == 0) return;
    for (auto run = begin; run != end;) {
        auto stop = run + 1;
        while (stop != end && Near(v[U(*(stop - 1))][axis], v[U(*stop)][axis])) ++stop;
        if (stop - run > 1) SortLevel(v, run, stop, axis - 1);
        run = stop;
    }
}

void PostProcessor::JoinNodes() {
    const int range = m_.vertexHigh - m_.vertexLow + 1;
    std::vector<int> order(U(std::max(range, 0)));
    for (int i = 0; i < range; ++i) order[U(i)] = m_.vertexLow + i;
    SortLevel(m_.vertices, order.begin(), order.end(), 2);
    m_.nodeOfVertex.assign(order.size(), 0);
    m_.nodeVertices.start.clear();
    m_.nodeVertices.items = order;
    int node = -1;
    for (Index i = 0; i < order.size(); ++i) {
        const Vec3& p = m_.vertices[U(order[i])];
        bool joins = i > 0;
        if (joins) {
            const Vec3& q = m_.vertices[U(order[i - 1])];
            joins = Near(p.x, q.x) && Near(p.y, q.y) && Near(p.z, q.z);
        }
        if (!joins) {
            ++node;
            m_.nodeVertices.start.push_back(static_cast<int>(i));
        }
        m_.nodeOfVertex[U(order[i] - m_.vertexLow)] = node;
    }
    m_.nodeVertices.start.push_back(static_cast<int>(order.size()));
}

void PostProcessor::FacesAroundVertices() {
    const Index range = m_.nodeOfVertex.size();
    FlatLists& lists = m_.vertexFaces;
    lists.start.assign(range + 1, 0);
    for (const ModelCorner& c : m_.corners) ++lists.start[U(c.vertex - m_.vertexLow) + 1];
    for (Index i = 0; i < range; ++i) lists.start[i + 1] += lists.start[i];
    lists.items.assign(m_.corners.size(), 0);
    std::vector<int> fill(lists.start.begin(), lists.start.end() - 1);
    for (Index f = 0; f < m_.faces.size(); ++f)
        for (int k = 0; k < m_.faces[f].cornerCount; ++k)
            lists.items[U(fill[U(m_.corners[U(m_.faces[f].firstCorner + k)].vertex - m_.vertexLow)]++)] =
                static_cast<int>(f);
}

// Faces meeting at a point shared by more corners than this are not smoothed there: smoothing
// compares every face at a point with every other, which for a point shared by a million
// corners is a trillion comparisons.
constexpr int kSmoothingValence = 1024;

void PostProcessor::NodeNormals() {
    m_.nodeNormals.assign(m_.corners.size(), Float3{});
    // Faces around each node, counted with their multiplicity.
    std::vector<int> valence(m_.Nodes(), 0);
    for (const ModelCorner& c : m_.corners) ++valence[U(NodeOf(c.vertex))];
    for (Index fi = 0; fi < m_.faces.size(); ++fi) {
        const ModelFace& f = m_.faces[fi];
        const Vec3& nf = m_.faceNormals[fi];
        const int material = MaterialOf(static_cast<int>(fi));
        for (int k = 0; k < f.cornerCount; ++k) {
            int node = NodeOf(m_.corners[U(f.firstCorner + k)].vertex);
            Vec3 sum;
            if (valence[U(node)] <= kSmoothingValence && Length(nf) > 0) {
                for (int v : m_.nodeVertices.Of(U(node)))
                    for (int g : m_.vertexFaces.Of(U(v - m_.vertexLow))) {
                        const Vec3& ng = m_.faceNormals[U(g)];
                        if (U(g) == fi || (Dot(ng, nf) > m_.smoothingLimit && MaterialOf(g) == material))
                            sum += ng;
                    }
            }
            Vec3 n = Length(sum) > 0 ? Normalized(sum) : nf;
            m_.nodeNormals[U(f.firstCorner + k)] =
                Float3{static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
        }
    }
}

// Faces across each edge: faces whose edges join the same two nodes. Edges are gathered by their
// lower node (a counting sort), so the step is linear in the corners.
constexpr Index kFullFanLimit = 64;

void PostProcessor::AdjacentFaces() {
    struct EdgeEnd {
        int other;   // the higher node
        int corner;  // corner g of the edge g -> g + 1
        int face;
    };
    const Index nodes = m_.Nodes();
    std::vector<int> start(nodes + 1, 0);
    auto edgeNodes = [&](const ModelFace& f, int k) {
        int a = NodeOf(m_.corners[U(f.firstCorner + k)].vertex);
        int b = NodeOf(m_.corners[U(f.firstCorner + (k + 1) % f.cornerCount)].vertex);
        return std::pair<int, int>(std::min(a, b), std::max(a, b));
    };
    for (const ModelFace& f : m_.faces)
        for (int k = 0; k < f.cornerCount; ++k) ++start[U(edgeNodes(f, k).first) + 1];
    for (Index i = 0; i < nodes; ++i) start[i + 1] += start[i];
    std::vector<EdgeEnd> edges(m_.corners.size());
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (Index fi = 0; fi < m_.faces.size(); ++fi) {
        const ModelFace& f = m_.faces[fi];
        for (int k = 0; k < f.cornerCount; ++k) {
            auto [low, high] = edgeNodes(f, k);
            edges[U(fill[U(low)]++)] = EdgeEnd{high, f.firstCorner + k, static_cast<int>(fi)};
        }
    }
    // Runs of the same edge: in each, every face lists the others (a run of more than
    // kFullFanLimit faces links each face only to its neighbours in group order, which keeps
    // every group connected without a list that grows with the square of the run).
    std::vector<std::pair<int, int>> pairs;  // (corner, face across)
    for (Index node = 0; node < nodes; ++node) {
        auto begin = edges.begin() + start[node], end = edges.begin() + start[node + 1];
        std::sort(begin, end, [&](const EdgeEnd& a, const EdgeEnd& b) {
            if (a.other != b.other) return a.other < b.other;
            int ga = m_.faces[U(a.face)].group, gb = m_.faces[U(b.face)].group;
            return ga != gb ? ga < gb : (a.face != b.face ? a.face < b.face : a.corner < b.corner);
        });
        for (auto run = begin; run != end;) {
            auto stop = run;
            while (stop != end && stop->other == run->other) ++stop;
            const Index size = static_cast<Index>(stop - run);
            for (auto e = run; e != stop; ++e) {
                if (size <= kFullFanLimit) {
                    int last = -1;
                    for (auto o = run; o != stop; ++o)
                        if (o->face != e->face && o->face != last)
                            pairs.emplace_back(e->corner, last = o->face);
                } else {
                    if (e != run && (e - 1)->face != e->face) pairs.emplace_back(e->corner, (e - 1)->face);
                    if (e + 1 != stop && (e + 1)->face != e->face)
                        pairs.emplace_back(e->corner, (e + 1)->face);
                }
            }
            run = stop;
        }
    }
    FlatLists& lists = m_.edgeFaces;
    lists.start.assign(m_.corners.size() + 1, 0);
    for (const auto& p : pairs) ++lists.start[U(p.first) + 1];
    for (Index i = 0; i < m_.corners.size(); ++i) lists.start[i + 1] += lists.start[i];
    lists.items.assign(pairs.size(), 0);
    std::vector<int> at(lists.start.begin(), lists.start.end() - 1);
    for (const auto& p : pairs) lists.items[U(at[U(p.first)]++)] = p.second;
}

void PostProcessor::ContinuousFaces() {
    const Index faces = m_.faces.size();
    m_.faceRegion.assign(faces, -1);
    m_.regions.clear();
    m_.regionFaces.clear();
    m_.regionFaces.reserve(faces);
    for (Index seed = 0; seed < faces; ++seed) {
        if (m_.faceRegion[seed] >= 0) continue;
        const int region = static_cast<int>(m_.regions.size());
        _REGID r;
        r.group = m_.faces[seed].group;
        r.firstFace = static_cast<int>(m_.regionFaces.size());
        m_.faceRegion[seed] = region;
        m_.regionFaces.push_back(static_cast<int>(seed));
        // Breadth first: the list itself is the queue.
        for (Index next = U(r.firstFace); next < m_.regionFaces.size(); ++next) {
            const ModelFace& f = m_.faces[U(m_.regionFaces[next])];
            for (int k = 0; k < f.cornerCount; ++k)
                for (int g : m_.edgeFaces.Of(U(f.firstCorner + k)))
                    if (m_.faceRegion[U(g)] < 0 && m_.faces[U(g)].group == r.group) {
                        m_.faceRegion[U(g)] = region;
                        m_.regionFaces.push_back(g);
                    }
        }
        r.faceCount = static_cast<int>(m_.regionFaces.size()) - r.firstFace;
        m_.regions.push_back(r);
    }
}

void PostProcessor::VoxelSplit() {
    VoxelGrid& grid = m_.grid;
    grid = VoxelGrid();
    const Index corners = m_.corners.size();
    const Vec3 extent = m_.boxMax - m_.boxMin;
    // Trimmed bounds: the outer 1 % of the corners on each side fall into the border cells.
    for (int a = 0; a < 3; ++a) {
        std::vector<int> bins(1000, 0);
        for (const ModelCorner& c : m_.corners) {
            double t = extent[a] > 0 ? (m_.vertices[U(c.vertex)][a] - m_.boxMin[a]) * 1000 / extent[a] : 0;
            ++bins[U(std::clamp(static_cast<int>(std::clamp(t, 0.0, 999.0)), 0, 999))];
        }
        const double share = corners * 0.01;
        int lowBin = 0, highBin = 999;
        double run = 0;
        for (int b = 0; b < 1000; ++b)
            if ((run += bins[U(b)]) >= share) {
                lowBin = b;
                break;
            }
        run = 0;
        for (int b = 999; b >= 0; --b)
            if ((run += bins[U(b)]) >= share) {
                highBin = b;
                break;
            }
        grid.low[a] = m_.boxMin[a] + lowBin * extent[a] * 0.001;
        grid.high[a] = m_.boxMin[a] + (highBin + 1) * extent[a] * 0.001;
    }
    // About (0.2 sqrt(F))^3 cells of roughly cubic shape.
    const double faces = static_cast<double>(m_.faces.size());
    const double volume = extent.x * extent.y * extent.z;
    for (int a = 0; a < 3; ++a) {
        double n = 2;
        if (volume > 0) n = std::cbrt(std::pow(0.2 * std::sqrt(faces), 3) / volume) * extent[a];
        grid.n[a] = static_cast<int>(std::clamp(n, 2.0, 200.0));
    }
    // The floor of 2 cells per axis can blow a long thin model's grid up to 200^3 cells for a
    // handful of faces; the longest axes give way until the grid is near its intended size.
    const double wanted = std::max(1000.0, 2 * std::pow(0.2 * std::sqrt(faces), 3));
    while (double(grid.n[0]) * grid.n[1] * grid.n[2] > wanted) {
        int& longest = *std::max_element(grid.n, grid.n + 3);
        if (longest <= 2) break;
        longest = std::max(2, longest / 2);
    }
    // Each face goes into every cell of the box its corners span. A model of many large faces
    // would fill billions of entries; such a grid is made coarser until it holds a sensible
    // number (the ray cast finds the same faces in a coarser grid).
    const double budget = 64.0 * faces + 1e6;
    std::vector<int> box(6 * m_.faces.size());
    double entries = 0;
    for (;;) {
        entries = 0;
        for (Index fi = 0; fi < m_.faces.size(); ++fi) {
            const ModelFace& f = m_.faces[fi];
            int* b = box.data() + 6 * fi;
            if (f.cornerCount == 0) {
                b[0] = 0, b[1] = -1;  // an empty box
                continue;
            }
            for (int a = 0; a < 3; ++a) b[2 * a] = grid.n[a], b[2 * a + 1] = -1;
            for (int k = 0; k < f.cornerCount; ++k) {
                const Vec3& p = m_.CornerPosition(f.firstCorner + k);
                for (int a = 0; a < 3; ++a) {
                    int cell = grid.CellAlong(a, p[a]);
                    b[2 * a] = std::min(b[2 * a], cell), b[2 * a + 1] = std::max(b[2 * a + 1], cell);
                }
            }
            entries += double(b[1] - b[0] + 1) * (b[3] - b[2] + 1) * (b[5] - b[4] + 1);
        }
        if (entries <= budget || (grid.n[0] == 2 && grid.n[1] == 2 && grid.n[2] == 2)) break;
        for (int& n : grid.n) n = std::max(2, n / 2);
    }
    const Index cells = U(grid.n[0]) * U(grid.n[1]) * U(grid.n[2]);
    FlatLists& lists = grid.cells;
    lists.start.assign(cells + 1, 0);
    auto eachCell = [&](const int* b, auto&& visit) {
        for (int z = b[4]; z <= b[5]; ++z)
            for (int y = b[2]; y <= b[3]; ++y)
                for (int x = b[0]; x <= b[1]; ++x) visit(U(x) + U(grid.n[0]) * (U(y) + U(grid.n[1]) * U(z)));
    };
    for (Index fi = 0; fi < m_.faces.size(); ++fi)
        eachCell(box.data() + 6 * fi, [&](Index cell) { ++lists.start[cell + 1]; });
    for (Index i = 0; i < cells; ++i) lists.start[i + 1] += lists.start[i];
    lists.items.assign(U(lists.start[cells]), 0);
    std::vector<int> at(lists.start.begin(), lists.start.end() - 1);
    for (Index fi = 0; fi < m_.faces.size(); ++fi)
        eachCell(box.data() + 6 * fi, [&](Index cell) { lists.items[U(at[cell]++)] = static_cast<int>(fi); });
}

// Lists of owners by a key, in ascending owner order: a counting sort.
FlatLists GroupBy(Index keys, const std::vector<int>& keyOfOwner) {
    FlatLists lists;
    lists.start.assign(keys + 1, 0);
    for (int key : keyOfOwner)
        if (key >= 0 && U(key) < keys) ++lists.start[U(key) + 1];
    for (Index i = 0; i < keys; ++i) lists.start[i + 1] += lists.start[i];
    lists.items.assign(U(lists.start[keys]), 0);
    std::vector<int> at(lists.start.begin(), lists.start.end() - 1);
    for (Index owner = 0; owner < keyOfOwner.size(); ++owner) {
        int key = keyOfOwner[owner];
        if (key >= 0 && U(key) < keys) lists.items[U(at[U(key)]++)] = static_cast<int>(owner);
    }
    return lists;
}

void PostProcessor::ListBoxData() {
    std::vector<int> materialOfGroup, groupOfRegion;
    for (const _GROUP& g : m_.groups) materialOfGroup.push_back(g.material);
    for (const _REGID& r : m_.regions) groupOfRegion.push_back(r.group);
    m_.materialGroups = GroupBy(m_.materials.size(), materialOfGroup);
    m_.groupRegions = GroupBy(m_.groups.size(), groupOfRegion);
}

void Widen(Vec3& lo, Vec3& hi, const Vec3& p, bool& first) {
    if (first) {
        lo = hi = p, first = false;
        return;
    }
    for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
}

void PostProcessor::MaterialOrder() {
    // Regions: centroid of all their corners and their box; then the boxes of groups and materials.
    for (_REGID& r : m_.regions) {
        Vec3 sum;
        long long count = 0;
        bool first = true;
        for (int i = 0; i < r.faceCount; ++i) {
            const ModelFace& f = m_.faces[U(m_.regionFaces[U(r.firstFace + i)])];
            for (int k = 0; k < f.cornerCount; ++k) {
                const Vec3& p = m_.CornerPosition(f.firstCorner + k);
                sum += p, ++count;
                Widen(r.boxMin, r.boxMax, p, first);
            }
        }
        r.centroid = count > 0 ? sum * (1.0 / static_cast<double>(count)) : Vec3{};
    }
    auto boxes = [&](const FlatLists& lists, auto&& boxOf, std::vector<Vec3>& lo, std::vector<Vec3>& hi) {
        lo.assign(lists.Owners(), Vec3{}), hi.assign(lists.Owners(), Vec3{});
        for (Index owner = 0; owner < lists.Owners(); ++owner) {
            bool first = true;
            for (int member : lists.Of(owner)) {
                auto [a, b] = boxOf(member);
                if (first || a.x <= b.x) {  // members without corners have an empty box
                    Widen(lo[owner], hi[owner], a, first);
                    Widen(lo[owner], hi[owner], b, first);
                }
            }
        }
    };
    boxes(
        m_.groupRegions,
        [&](int r) {
            const _REGID& region = m_.regions[U(r)];
            return std::pair<Vec3, Vec3>(region.boxMin, region.boxMax);
        },
        m_.groupBoxMin, m_.groupBoxMax);
    boxes(
        m_.materialGroups,
        [&](int g) { return std::pair<Vec3, Vec3>(m_.groupBoxMin[U(g)], m_.groupBoxMax[U(g)]); },
        m_.materialBoxMin, m_.materialBoxMax);

    // Per material its regions by descending centroid x.
    FlatLists& order = m_.materialRegionOrder;
    order.Clear();
    for (Index mat = 0; mat < m_.materials.size(); ++mat) {
        Index begin = order.items.size();
        for (int g : m_.materialGroups.Of(mat))
            for (int r : m_.groupRegions.Of(U(g))) order.items.push_back(r);
        std::sort(order.items.begin() + static_cast<std::ptrdiff_t>(begin), order.items.end(),
                  [&](int a, int b) { return m_.regions[U(a)].centroid.x > m_.regions[U(b)].centroid.x; });
        order.start.push_back(static_cast<int>(order.items.size()));
    }

    // Materials met first along +x come first: a ray along x through the middle of each
    // material's box orders the materials it meets.
    std::vector<int>& perm = m_.materialOrder;
    perm.resize(m_.materials.size());
    for (Index i = 0; i < perm.size(); ++i) perm[i] = static_cast<int>(i);
    const double dx = m_.boxMax.x - m_.boxMin.x;
    // Moving entries costs up to the material count each; a budget keeps absurd models (thousands
    // of materials all on one line) from stalling here. The order only decides drawing order.
    long long budget = 50'000'000;
    for (Index mat = 0; mat < m_.materials.size() && budget > 0; ++mat) {
        if (m_.materialGroups.Of(mat).empty()) continue;
        Vec3 centre = (m_.materialBoxMin[mat] + m_.materialBoxMax[mat]) * 0.5;
        std::vector<RayHit> hits = CastRayAll(m_, centre - Vec3{dx, 0, 0}, centre + Vec3{dx, 0, 0});
        budget -= static_cast<long long>(hits.size());
        std::sort(hits.begin(), hits.end(),
                  [](const RayHit& a, const RayHit& b) { return a.distance < b.distance; });
        std::vector<int> met;
        std::vector<char> seen(m_.materials.size(), 0);
        for (const RayHit& h : hits) {
            int material = MaterialOf(h.face);
            if (material >= 0 && !seen[U(material)]) seen[U(material)] = 1, met.push_back(material);
        }
        for (Index i = met.size(); i-- > 1 && budget > 0;) {
            int a = met[i - 1], b = met[i];
            auto pa = std::find(perm.begin(), perm.end(), a), pb = std::find(perm.begin(), perm.end(), b);
            budget -= static_cast<long long>(perm.size());
            if (pb < pa) std::rotate(pb, pa, pa + 1);
        }
    }
}

}  // namespace

bool PostProcessModel(CMQOfile& model) {
    PostProcessor processor(model);
    return processor.Run();
}

bool LoadAndPrepareModel(CMQOfile& model, const std::string& path) {
    bool ok = LoadModel(model, path) && PostProcessModel(model);
    CurrentHost().HideProgress();
    if (!ok) model.Clear();
    return ok;
}

}  // namespace korvan
