// The ground: height field from an image, its faces and FindFace, and the image paths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/Anomaly.h"
#include "base/Host.h"
#include "sim/ObjGround.h"
#include "sim/Scene.h"
#include "sim/Scheduler.h"
#include "tests/support/TestBmp.h"

namespace korvan {
namespace {

using test::Grey;
using test::Rgb;

struct RecordingHost : ConsoleHost {
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

class Ground : public ::testing::Test {
  protected:
    void SetUp() override { SetHost(&host); }
    void TearDown() override { SetHost(nullptr); }

    // A ground given the height image as the loader would read it from a file.
    CObjGround* MakeGround(const std::vector<std::vector<Rgb>>& rowsBottomUp, double widthZ = 1) {
        CObjGround* ground = scene.Create<CObjGround>("地面");
        ground->widthZ = widthZ;
        if (!rowsBottomUp.empty())
            ground->SetHeightImage(folder.Write("h.bmp", {}),
                                   CObjGround::HeightGridOf(test::MakeImage(rowsBottomUp)));
        ground->MakeModel();
        return ground;
    }

    RecordingHost host;
    CScene scene;
    test::TempFolder folder;
};

TEST_F(Ground, WithoutImagesIsOneFlatCellOfFourTriangles) {
    CObjGround* ground = MakeGround({});
    EXPECT_EQ(ground->widthX, 20);
    EXPECT_EQ(ground->RHO, -1);
    EXPECT_EQ(ground->gridColumns, 1);
    EXPECT_EQ(ground->gridRows, 1);
    EXPECT_EQ(ground->FaceCount(), 4);
    EXPECT_TRUE(ground->crashPoints.empty());
    EXPECT_TRUE(ground->vertexX.empty());  // the mesh is derived, never stored
    for (double z : ground->cornerHeights) EXPECT_EQ(z, 0);
    EXPECT_EQ(ground->Centre(0, 0).z, 0);
    for (int f = 0; f < 4; ++f) EXPECT_NEAR(ground->FaceNormalOf(f).z, 1, 1e-12);
    EXPECT_EQ(ground->sizeMin, 20);  // a crash point may sink 20 m into it
    EXPECT_EQ(ground->sizeRef, 1);
    EXPECT_EQ(ground->sizeMax, 20);
    EXPECT_TRUE(host.messages.empty());
}

// Levels 0 and 5 smooth together, 200 and 255 stay apart (widthZ 255: height = level - 127.5).
TEST_F(Ground, TwoByTwoImageGivesNineCornersFourCentresAndSixteenTriangles) {
    CObjGround* g = MakeGround({{Grey(0), Grey(5)}, {Grey(200), Grey(255)}}, 255);
    ASSERT_EQ(g->gridColumns, 2);
    ASSERT_EQ(g->gridRows, 2);
    EXPECT_EQ(g->cornerHeights.size(), 9u);
    ASSERT_EQ(g->FaceCount(), 16);
    const std::vector<double> cells = {-125, -125, 72.5, 127.5};
    for (int c = 0; c < 4; ++c) EXPECT_DOUBLE_EQ(g->cellHeights[c], cells[c]) << c;
    // Corners at the mean of the cells they touch, centres at the mean of their corners.
    EXPECT_DOUBLE_EQ(g->Corner(0, 0).z, -125);
    EXPECT_DOUBLE_EQ(g->Corner(1, 1).z, (-125 - 125 + 72.5 + 127.5) / 4);
    EXPECT_DOUBLE_EQ(g->Corner(0, 1).z, (-125 + 72.5) / 2);
    EXPECT_DOUBLE_EQ(g->Centre(0, 0).z, (-125 - 125 - 12.5 - 26.25) / 4);
    EXPECT_DOUBLE_EQ(g->Corner(2, 0).x, 10);
    EXPECT_DOUBLE_EQ(g->Corner(0, 2).y, 10);
    EXPECT_DOUBLE_EQ(g->Centre(1, 0).x, 5);
    EXPECT_DOUBLE_EQ(g->Centre(1, 0).y, -5);
    // Cell (1, 0) triangle 2 runs from corner (2, 1) to corner (1, 1) around the centre.
    Vec3 face[3];
    g->FaceVertices(4 * 1 + 2, face);
    EXPECT_EQ(face[0], g->Corner(2, 1));
    EXPECT_EQ(face[1], g->Corner(1, 1));
    EXPECT_EQ(face[2], g->Centre(1, 0));
    for (int f = 0; f < g->FaceCount(); ++f) EXPECT_GT(g->FaceNormalOf(f).z, 0) << f;
    EXPECT_DOUBLE_EQ(g->sizeMin, 10);
}

// level = (b0 + 4 b1 + 2 b2) / 7 over red, green, blue.
TEST_F(Ground, LevelWeighsGreenFourTimesAndBlueTwiceAgainstRed) {
    CObjGround* g = MakeGround({{Rgb{70, 0, 0}, Rgb{0, 70, 0}, Rgb{0, 0, 70}, Rgb{255, 255, 255}}}, 255);
    const double levels[] = {10, 40, 20, 255};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(g->cellHeights[i], levels[i] - 127.5) << i;
}

TEST_F(Ground, NeighboursTenLevelsApartNeverEnterTheSmoothingMean) {
    for (double widthZ : {1.0, 255.0, 0.3, 7.7}) {
        SCOPED_TRACE(widthZ);
        auto height = [&](double level) { return level * widthZ / 255 - widthZ / 2; };
        CObjGround* near = MakeGround({{Grey(100), Grey(109), Grey(100)}}, widthZ);
        EXPECT_NEAR(near->cellHeights[0], height((100 + 109) / 2.0), 1e-12);
        EXPECT_NEAR(near->cellHeights[1], height((100 + 109 + 100) / 3.0), 1e-12);
        CObjGround* apart = MakeGround({{Grey(100), Grey(110), Grey(100)}}, widthZ);
        EXPECT_NEAR(apart->cellHeights[0], height(100), 1e-12);
        EXPECT_NEAR(apart->cellHeights[1], height(110), 1e-12);  // keeps its own height
    }
}

TEST_F(Ground, SizeMinIsOneCell) {
    CObjGround* g = scene.Create<CObjGround>("g");
    g->widthY = 4;
    g->SetHeightImage(folder.Write("h.bmp", {}), HeightGrid{4, 2, std::vector<std::uint8_t>(8, 0)});
    g->MakeModel();
    EXPECT_DOUBLE_EQ(g->cellX, 5);
    EXPECT_DOUBLE_EQ(g->cellY, 2);
    EXPECT_DOUBLE_EQ(g->sizeMin, 2);
}

// The faces are derived when asked; they must be the very triangles a stored mesh held: corners
// at the mean of the touching cells, centres at the mean of their corners, the normal from the
// vertex order. Checked bit for bit on a rough relief, with the drawing's smooth normals.
TEST_F(Ground, DerivedFacesAreTheTrianglesOfTheStoredMesh) {
    std::vector<std::vector<Rgb>> rows(4, std::vector<Rgb>(5));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 5; ++i) rows[j][i] = Grey((i * 97 + j * 61 + i * j * 13) % 256);
    CObjGround* g = MakeGround(rows, 3.7);
    g->widthX = 7, g->widthY = 3;
    g->MakeModel();
    const int C = g->gridColumns, R = g->gridRows;
    auto cell = [&](int i, int j) { return g->cellHeights[static_cast<std::size_t>(i + j * C)]; };
    // The stored mesh as it was built: vertices, then four faces per cell.
    std::vector<Vec3> corner, centre;
    for (int j = 0; j <= R; ++j)
        for (int i = 0; i <= C; ++i) {
            double sum = 0;
            int count = 0;
            for (int cj = std::max(j - 1, 0); cj <= std::min(j, R - 1); ++cj)
                for (int ci = std::max(i - 1, 0); ci <= std::min(i, C - 1); ++ci)
                    sum += cell(ci, cj), ++count;
            corner.push_back({i * g->cellX - g->gridOffsetX, j * g->cellY - g->gridOffsetY, sum / count});
        }
    auto at = [&](int i, int j) { return corner[static_cast<std::size_t>(i + j * (C + 1))]; };
    for (int j = 0; j < R; ++j)
        for (int i = 0; i < C; ++i)
            centre.push_back({(i + 0.5) * g->cellX - g->gridOffsetX, (j + 0.5) * g->cellY - g->gridOffsetY,
                              (at(i, j).z + at(i + 1, j).z + at(i + 1, j + 1).z + at(i, j + 1).z) / 4});
    std::vector<Vec3> normals;
    for (int j = 0; j < R; ++j)
        for (int i = 0; i < C; ++i) {
            const Vec3 m = centre[static_cast<std::size_t>(i + j * C)];
            const Vec3 ring[5] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), at(i, j)};
            for (int t = 0; t < 4; ++t) {
                const int f = 4 * (i + j * C) + t;
                const Vec3 n = Normalized(Cross(ring[t + 1] - ring[t], m - ring[t + 1]));
                normals.push_back(n);
                Vec3 v[3], first, normal;
                g->FaceVertices(f, v);
                g->FacePlane(f, first, normal);
                EXPECT_EQ(v[0], ring[t]) << f;
                EXPECT_EQ(v[1], ring[t + 1]) << f;
                EXPECT_EQ(v[2], m) << f;
                EXPECT_EQ(first, ring[t]) << f;
                EXPECT_EQ(normal, n) << f;
            }
        }
    Vec3 sum;
    for (int t = 0; t < 4; ++t) sum += normals[static_cast<std::size_t>(4 * (2 + 1 * C) + t)];
    EXPECT_EQ(g->CentreNormal(2, 1), Normalized(sum));
    // Corner (2, 2) touches cells (1, 1) t 1, 2; (2, 1) t 2, 3; (1, 2) t 0, 1; (2, 2) t 0, 3.
    sum = {};
    const int touches[8][3] = {{1, 1, 1}, {1, 1, 2}, {2, 1, 2}, {2, 1, 3},
                               {1, 2, 0}, {1, 2, 1}, {2, 2, 0}, {2, 2, 3}};
    for (const auto& [ci, cj, t] : touches) sum += normals[static_cast<std::size_t>(4 * (ci + cj * C) + t)];
    EXPECT_EQ(g->CornerNormal(2, 2), Normalized(sum));
    double low = 1e20, high = -1e20;
    for (const auto* list : {&corner, &centre})
        for (const Vec3& p : *list) low = std::min(low, p.z), high = std::max(high, p.z);
    EXPECT_EQ(g->bounds[4], low);
    EXPECT_EQ(g->bounds[5], high);
}

// The field is refused only when it cannot be held: face indices must fit an int and the heights
// the memory given.
TEST(GroundSize, AFieldIsRefusedOnlyWhenItCannotFit) {
    struct Case {
        std::size_t columns, rows, memory;
        bool fits;
    } cases[] = {
        {4096, 4096, std::size_t{1} << 30, true},
        {4096, 4096, 4096 * 4096 * 9, false},    // the corners do not fit
        {65536, 65536, ~std::size_t{0}, false},  // 4 * 2^32 faces
        {1, 1, 100, true},
        {0, 5, 100, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CObjGround::HeightFieldFits(c.columns, c.rows, c.memory), c.fits)
            << c.columns << " x " << c.rows;
    EXPECT_LT(CObjGround::HeightFieldBytes(4096, 4096), std::size_t{32} * 4096 * 4096);
}

// Fractions (a, b) of the way across a cell and the triangle they fall in.
TEST_F(Ground, FindFaceTakesTheTriangleOfTheWedgeWithDiagonalTieBreaks) {
    CObjGround* g = MakeGround({{Grey(0), Grey(0)}, {Grey(0), Grey(0)}});  // 10 m cells
    g->SetPosition(100, -50, 3);
    g->MakeModel();
    struct Case {
        double a, b;
        int triangle;
    };
    const Case cases[] = {
        {0.75, 0.75, 1},  // on the diagonal, a + b >= 1
        {0.25, 0.25, 0},  // on the diagonal, a + b < 1
        {0.25, 0.75, 2},  // on the other diagonal: a + b = 1 counts as the upper half
        {0.75, 0.25, 1}, {0.5, 0.1, 0}, {0.9, 0.5, 1}, {0.5, 0.9, 2}, {0.1, 0.5, 3}, {0, 0, 0},
    };
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            for (const Case& k : cases) {
                const Vec3 p{100 - 10 + (c + k.a) * 10, -50 - 10 + (r + k.b) * 10, 3};
                EXPECT_EQ(g->FindFace(-1, p, 0), 4 * (c + r * 2) + k.triangle)
                    << "cell " << c << "," << r << " a " << k.a << " b " << k.b;
            }
}

TEST_F(Ground, PointsBeyondTheGridAreNeverInContactWhateverTheirHeight) {
    CObjGround* g = MakeGround({});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double z : {-1e6, -0.5, 0.0, 1e6}) {
        EXPECT_EQ(g->FindFace(-1, {10, 0, z}, 5), -1);  // the far edge belongs to no cell
        EXPECT_EQ(g->FindFace(-1, {0, 10, z}, 5), -1);
        EXPECT_EQ(g->FindFace(-1, {-10.001, 0, z}, 5), -1);
        EXPECT_EQ(g->FindFace(-1, {0, -1e300, z}, 5), -1);
        EXPECT_EQ(g->FindFace(-1, {1e300, 0, z}, 5), -1);
        EXPECT_GE(g->FindFace(-1, {-10, -10, z}, 5), 0);  // no test on height inside the grid
    }
    EXPECT_EQ(g->FindFace(-1, {nan, 0, 0}, 0), -1);
}

// The search may skip points that lie clear above the relief only where the depth it computes
// could never come out positive: tried on steep, tilted relief, with single points and balls of
// points, from below the highest corner to above it.
TEST_F(Ground, PointsClearAboveTheReliefLieAboveThePlaneOfTheFaceUnderThem) {
    std::vector<std::vector<Rgb>> rows(4, std::vector<Rgb>(4));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) rows[j][i] = Grey((i + j) % 2 ? 255 : (i * 40 + j * 25) % 200);
    CObjGround* g = MakeGround(rows, 30);  // 5 m cells, walls up to 30 m high
    g->SetAngle(0.05, -0.03, 0.4);
    g->SetPosition(3, -2, 1);
    // the depth as the search computes it; none where no face lies under the point
    auto depth = [&](const Vec3& p) {
        const int f = g->FindFace(-1, p, 0);
        if (f < 0) return -1.0;
        Vec3 first, normal;
        g->FacePlane(f, first, normal);
        return Dot(g->ToWorldVector(0, normal), g->ToWorldPoint(0, first) - p);
    };
    const double top = g->bounds[5];
    const Vec3 ball[] = {{0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0.6, 0.6, -0.52}};
    int clear = 0, skippedOverTheTop = 0;
    for (double radius : {0.0, 0.4})
        for (double x = -9.7; x < 10; x += 0.61)
            for (double y = -9.9; y < 10; y += 0.57)
                for (double h : {-3.0, -0.1, 0.0, 1e-6, 1e-3, 0.05, 0.5, 5.0}) {
                    const Vec3 centre = g->ToWorldPoint(0, {x, y, top + radius + h});
                    if (!g->LiesClearAbove(centre, radius)) {
                        skippedOverTheTop += h >= 0.05;
                        continue;
                    }
                    ++clear;
                    EXPECT_GT(h, 0) << x << " " << y << " " << radius;
                    for (const Vec3& u : ball)
                        EXPECT_LE(depth(centre + radius * g->ToWorldVector(0, u)), 0)
                            << x << " " << y << " " << radius;
                }
    EXPECT_GT(clear, 0);
    EXPECT_EQ(skippedOverTheTop, 0);  // well above the top is always clear
}

TEST_F(Ground, GetFaceGivesCentreAndUpwardNormal) {
    CObjGround* g = MakeGround({});
    FaceFrame frame;
    ASSERT_TRUE(g->GetFace(0, frame));
    EXPECT_NEAR(frame.center.x, 0, 1e-12);
    EXPECT_NEAR(frame.center.y, (-10 - 10 + 0) / 3.0, 1e-12);
    EXPECT_NEAR(frame.normal.z, 1, 1e-12);
    EXPECT_NEAR(frame.axis1.x, 1, 1e-12);
}

// The loader read the images; a file that has gone by the time the model is built is reported,
// and the ground is built flat and uncoloured.
TEST_F(Ground, ImageFilesGoneWhenTheModelIsBuiltAreReportedAndDropped) {
    CObjGround* g = MakeGround({{Grey(0), Grey(255)}});
    const std::string colour = folder.Write("c.bmp", {});
    g->SetColorImage(colour, test::MakeImage({{Rgb{10, 20, 30}}}));
    ASSERT_EQ(g->gridColumns, 2);
    const int revision = g->colorImageRevision;
    g->MakeModel();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(g->gridColumns, 2);
    EXPECT_EQ(g->colorImage.width, 1);

    const std::string height = g->heightImagePath;
    std::filesystem::remove(height);
    std::filesystem::remove(colour);
    g->MakeModel();
    EXPECT_EQ(host.messages,
              (std::vector<std::string>{height + " が見つかりません", colour + " が見つかりません"}));
    EXPECT_EQ(g->gridColumns, 1);
    EXPECT_TRUE(g->heightImagePath.empty());
    EXPECT_TRUE(g->colorImagePath.empty());
    EXPECT_TRUE(g->colorImage.Empty());
    EXPECT_NE(g->colorImageRevision, revision);
}

TEST_F(Ground, DrawingDataSpreadsTheTextureOverTheBounds) {
    CObjGround* g = MakeGround({{Grey(0), Grey(0)}});
    EXPECT_DOUBLE_EQ(g->TextureU(g->Corner(0, 0).x), 0);
    EXPECT_DOUBLE_EQ(g->TextureU(g->Corner(2, 1).x), 1);
    EXPECT_DOUBLE_EQ(g->TextureV(g->Corner(2, 1).y), 1);
    EXPECT_DOUBLE_EQ(g->TextureU(g->Centre(0, 0).x), 0.25);
    EXPECT_NEAR(g->CentreNormal(1, 0).z, 1, 1e-12);
    EXPECT_NEAR(g->CornerNormal(1, 1).z, 1, 1e-12);
}

// An 8 x 8 height image (2.5 m cells, widthZ 1) with a 4 x 4 plateau of level 255 in a plain of
// level 0: the plateau's inner cells stand at +0.5 m, the plain at -0.5 m, and the corners between
// its inner cells make a flat 5 m square at +0.5 m. A 1 m box of 1000 kg dropped onto it comes
// to rest on the plateau, pressed in by its weight about 1 % of its size (the default contact
// stiffness), not on the plain 1 m below.
TEST_F(Ground, BoxDroppedOnAReliefComesToRestOnIt) {
    DiscardAnomalies();
    std::vector<std::vector<Rgb>> rows(8, std::vector<Rgb>(8, Grey(0)));
    for (int j = 2; j < 6; ++j)
        for (int i = 2; i < 6; ++i) rows[j][i] = Grey(255);
    CObjGround* ground = MakeGround(rows);
    ASSERT_DOUBLE_EQ(ground->Corner(4, 4).z, 0.5);
    ASSERT_DOUBLE_EQ(ground->Corner(0, 0).z, -0.5);

    CObjBox* box = scene.Create<CObjBox>("box");
    box->MakeModel();
    box->SetPosition(0.7, -0.4, 1.3);  // bottom 0.3 m above the plateau
    box->AddCrash(ground);
    scene.settings.CurTime = 1;  // past the assembly phase
    for (int b = 0; b < scene.Count(); ++b) scene.Body(b)->UpdateDerivedConstants();

    CScheduler scheduler(scene);
    for (int frame = 0; frame < 180; ++frame) scheduler.RunSimulationFrame();
    EXPECT_NEAR(Length(box->GetVelocity()), 0, 1e-3);
    EXPECT_NEAR(box->Position(0).x, 0.7, 1e-3);
    EXPECT_NEAR(box->Position(0).y, -0.4, 1e-3);
    // The four bottom corners share the weight: each sinks 1 % of the box size / 4.
    EXPECT_NEAR(box->Position(0).z, 1.0 - 0.01 / 4, 1e-3);
    int touching = 0;
    for (const _CRASHINFO& c : box->crashPoints) touching += c.contactBody == ground;
    EXPECT_EQ(touching, 4);
    EXPECT_EQ(PendingAnomalies(), 0);
    DiscardAnomalies();
}

}  // namespace
}  // namespace korvan
