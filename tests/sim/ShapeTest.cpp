#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/ObjBox.h"
#include "sim/ObjCylinder.h"
#include "sim/ObjDef.h"
#include "sim/Scene.h"

namespace korvan {
namespace {

constexpr double kPi = std::numbers::pi;

class ShapeTest : public ::testing::Test {
  protected:
    CScene scene;

    CObjBox* Box(double wx, double wy, double wz, int nx = 2, int ny = 2, int nz = 2) {
        auto* b = scene.Create<CObjBox>("box");
        b->widthX = wx, b->widthY = wy, b->widthZ = wz;
        b->crashPointX = nx, b->crashPointY = ny, b->crashPointZ = nz;
        b->MakeModel();
        return b;
    }
    CObjCylinder* Cylinder() {
        auto* c = scene.Create<CObjCylinder>("cyl");
        c->MakeModel();
        return c;
    }
};

TEST_F(ShapeTest, OneMetreCubeOfWater) {
    auto* b = Box(1, 1, 1);
    EXPECT_EQ(b->mass, 1000);
    EXPECT_DOUBLE_EQ(b->inertiaX, 1000.0 / 6);
    EXPECT_DOUBLE_EQ(b->inertiaY, 1000.0 / 6);
    EXPECT_DOUBLE_EQ(b->inertiaZ, 1000.0 / 6);
    EXPECT_EQ(b->sizeMin, 1);
    EXPECT_EQ(b->sizeRef, 1);
    EXPECT_EQ(b->vertexX.size(), 8u);
    EXPECT_EQ(b->faces.size(), 6u);
    ASSERT_EQ(b->crashPoints.size(), 8u);
    for (const _CRASHINFO& c : b->crashPoints) {
        EXPECT_EQ(std::fabs(c.localPoint.x), 0.5);
        EXPECT_EQ(std::fabs(c.localPoint.y), 0.5);
        EXPECT_EQ(std::fabs(c.localPoint.z), 0.5);
        EXPECT_EQ(c.contactBody, nullptr);
        EXPECT_EQ(c.anchor.x, kFreeAnchor);
    }
    const double bounds[6] = {-0.5, 0.5, -0.5, 0.5, -0.5, 0.5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b->bounds[i], bounds[i]);
}

TEST_F(ShapeTest, BoxFaceNormalsPointOutwardInFaceOrder) {
    auto* b = Box(1, 2, 3);
    const Vec3 want[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(b->faceNormalX[f], want[f].x) << f;
        EXPECT_EQ(b->faceNormalY[f], want[f].y) << f;
        EXPECT_EQ(b->faceNormalZ[f], want[f].z) << f;
    }
    EXPECT_EQ(b->sizeMin, 1);
    EXPECT_EQ(b->sizeMax, 3);
    EXPECT_DOUBLE_EQ(b->inertiaX, (4 + 9) * b->mass / 12);
}

struct CrashCountCase {
    int nx, ny, nz;
    std::size_t points;
};

TEST_F(ShapeTest, CrashPointCountsKeepOnlyTheSurfaceOfTheGrid) {
    const CrashCountCase cases[] = {{2, 2, 2, 8},  {3, 3, 3, 26}, {1, 1, 1, 1},
                                    {4, 3, 2, 24}, {5, 5, 5, 98}, {1, 3, 3, 9}};
    for (const auto& c : cases) {
        auto* b = Box(1, 1, 1, c.nx, c.ny, c.nz);
        EXPECT_EQ(b->crashPoints.size(), c.points) << c.nx << c.ny << c.nz;
    }
    auto* single = Box(2, 4, 6, 1, 1, 1);
    EXPECT_EQ(single->crashPoints[0].localPoint, (Vec3{0, 0, 0}));
}

TEST_F(ShapeTest, DefaultCylinderNumbers) {
    auto* c = Cylinder();
    EXPECT_EQ(c->vertexX.size(), 42u);
    EXPECT_EQ(c->faces.size(), 60u);
    EXPECT_EQ(c->crashPoints.size(), 40u);
    EXPECT_DOUBLE_EQ(c->mass, 3.14 * 0.36 * 0.3 * 1000);
    EXPECT_DOUBLE_EQ(c->inertiaY, c->mass * 0.36 / 2);
    EXPECT_DOUBLE_EQ(c->inertiaX, (3 * 0.36 + 0.09) * c->mass / 12);
    EXPECT_DOUBLE_EQ(c->sizeMin, 0.3);
    EXPECT_DOUBLE_EQ(c->sizeMax, 1.2);
    EXPECT_TRUE(c->faces[20].IsTriangle());
    // Caps face +y and -y; side normals are radial.
    EXPECT_NEAR(c->faceNormalY[20], 1, 1e-15);
    EXPECT_NEAR(c->faceNormalY[40], -1, 1e-15);
    EXPECT_NEAR(c->faceNormalY[0], 0, 1e-15);
    double angle = kPi / 20;  // middle of side facet 0
    EXPECT_NEAR(c->faceNormalX[0], std::cos(angle), 1e-12);
    EXPECT_NEAR(c->faceNormalZ[0], std::sin(angle), 1e-12);
    // Crash points run along the side edges from the -y ring to the +y ring.
    EXPECT_NEAR(c->crashPoints[0].localPoint.y, -0.15, 1e-15);
    EXPECT_NEAR(c->crashPoints[20].localPoint.y, 0.15, 1e-15);
}

TEST_F(ShapeTest, DifferentialDefaults) {
    auto* d = scene.Create<CObjDef>("def");
    EXPECT_EQ(d->typeName, "DEF");
    EXPECT_EQ(d->widthW, 1.2);
    EXPECT_EQ(d->GearNUM, 12);
    EXPECT_EQ(d->GearWIDTH, -0.1);
}

struct FaceCase {
    Vec3 point;
    double margin;
    int face;
};

TEST_F(ShapeTest, BoxFindFaceBoundariesAndTies) {
    auto* b = Box(2, 2, 2);
    b->SetPosition(10, 0, 0);
    const FaceCase cases[] = {
        {{10, 0, -0.9}, 0, 0},    // near -z
        {{10, 0, 0.9}, 0, 1},     // near +z
        {{11, 0, 0}, 0, 3},       // exactly on +x face, margin 0
        {{11.05, 0, 0}, 0, -1},   // just outside
        {{11.05, 0, 0}, 0.1, 3},  // inside the grown box
        {{10, 0, 0}, 0, 0},       // centre: all equal, first face wins
        {{10.5, 0.5, 0}, 0, 3},   // +x and +y tie: +x comes first
        {{9.5, -0.5, 0}, 0, 2},   // -y and -x tie: -y comes first
    };
    for (const auto& c : cases)
        EXPECT_EQ(b->FindFace(-1, c.point, c.margin), c.face)
            << c.point.x << "," << c.point.y << "," << c.point.z;
}

TEST_F(ShapeTest, CylinderFindFaceHonoursTheTypeBits) {
    auto* c = Cylinder();  // R 0.6, W 0.3
    const int n = c->crashPointR;
    struct Case {
        int type;
        Vec3 point;
        int face;
    } cases[] = {
        {-1, {0, 0.14, 0}, n},                // near the +y cap
        {-1, {0, -0.14, 0}, 2 * n},           // near the -y cap
        {kCylinderSide, {0, 0.14, 0}, 0},     // side only: never a cap (phi 0 -> facet 0)
        {kCylinderTopCap, {0, -0.14, 0}, n},  // +y cap only, even near the -y end
        {-1, {0.59, 0, 0.001}, 0},            // near the side at phi ~ 0
        {-1, {0, 0, 0.59}, 5},                // phi = pi/2 -> facet 20 / 4
        {-1, {0, 0, -0.59}, 15},              // phi = 3pi/2
        {0, {0, 0, 0}, -1},                   // nothing allowed
        {-1, {0.5, 0, 0.5}, -1},              // inside the square, outside the circle
        {-1, {0, 0.16, 0}, -1},               // beyond the cap
    };
    for (const auto& k : cases) EXPECT_EQ(c->FindFace(k.type, k.point, 0), k.face) << k.type;
}

TEST_F(ShapeTest, GetFaceGivesCentreNormalAndInPlaneAxes) {
    auto* b = Box(2, 4, 6);
    FaceFrame f;
    ASSERT_TRUE(b->GetFace(3, f));  // +x
    EXPECT_EQ(f.center, (Vec3{1, 0, 0}));
    EXPECT_EQ(f.normal, (Vec3{1, 0, 0}));
    EXPECT_NEAR(Dot(f.axis1, f.normal), 0, 1e-15);
    EXPECT_NEAR(Length(f.axis2), 1, 1e-15);
    EXPECT_NEAR(Dot(f.axis2, f.axis1), 0, 1e-15);
    EXPECT_FALSE(b->GetFace(-1, f));
    auto* c = Cylinder();
    ASSERT_TRUE(c->GetFace(c->crashPointR, f));  // a +y cap triangle: centre is the mean of three vertices
    EXPECT_NEAR(f.center.y, 0.15, 1e-15);
}

TEST_F(ShapeTest, IsVerticalToSurface) {
    auto* b = Box(1, 1, 1);
    EXPECT_EQ(b->IsVerticalToSurface({0.5, 0, 0}, {1, 0, 0}), 1);  // leaves the +x face
    EXPECT_EQ(b->IsVerticalToSurface({0.5, 0, 0}, {0, 1, 0}), 0);  // lies in it
    EXPECT_EQ(b->IsVerticalToSurface({0, 0, 0}, {0, 1, 0}), 1);    // on no face
    auto* c = Cylinder();
    EXPECT_EQ(c->IsVerticalToSurface({0, 0.15, 0}, {0, 1, 0}), 1);
    EXPECT_EQ(c->IsVerticalToSurface({0, 0.15, 0}, {1, 0, 0}), 0);
    EXPECT_EQ(c->IsVerticalToSurface({0.6, 0, 0}, {1, 0, 0}), 1);  // radial
    EXPECT_EQ(c->IsVerticalToSurface({0.6, 0, 0}, {0, 0, 1}), 0);  // tangential
}

TEST_F(ShapeTest, SetSizeKeepsConnectionGroupsInTheirProportionalPlaces) {
    auto* b = Box(1, 1, 1);
    // A two-point group near the +x face, spanning 0.2 along y.
    for (int k = 0; k < 2; ++k) {
        _JOININFO j;
        j.kindCode = 201 + k;
        j.localPoint = j.originalPoint = j.previousLocalPoint = {0.4, k == 0 ? -0.1 : 0.1, 0};
        b->joins.push_back(j);
    }
    _JOININFO single;
    single.localPoint = single.originalPoint = {0, 0, 0.5};
    b->joins.push_back(single);

    b->SetSize(3, 1, 2);
    // x: centre 0.4 with extent 0 -> 3 * 0.4 / 1 = 1.2; y: extent 0.2 -> (1 - 0.2) * 0 / 0.8 = 0.
    EXPECT_NEAR(b->joins[0].localPoint.x, 1.2, 1e-15);
    EXPECT_NEAR(b->joins[1].originalPoint.x, 1.2, 1e-15);
    EXPECT_NEAR(b->joins[0].localPoint.y, -0.1, 1e-15);
    EXPECT_NEAR(b->joins[1].localPoint.y, 0.1, 1e-15);
    EXPECT_NEAR(b->joins[2].localPoint.z, 1.0, 1e-15);  // one-point group on the top face stays on it
    EXPECT_EQ(b->mass, 6000);
    EXPECT_EQ(scene.rememberedSizes.Get("BOX", 'X'), 3);
    EXPECT_EQ(scene.rememberedSizes.Get("CYLINDER", 'R'), -1);
}

TEST_F(ShapeTest, GroupAsWideAsTheBoxKeepsItsCentre) {
    auto* b = Box(1, 1, 1);
    for (int k = 0; k < 2; ++k) {
        _JOININFO j;
        j.kindCode = 201 + k;
        j.localPoint = {k == 0 ? -0.5 : 0.5, 0.2, 0};
        b->joins.push_back(j);
    }
    b->SetSize(2, 1, 1);
    EXPECT_EQ(b->joins[0].localPoint.x, -0.5);  // no room to share out: the group stays
    EXPECT_EQ(b->joins[1].localPoint.x, 0.5);
}

TEST_F(ShapeTest, SetSizeShiftMovesTheBodyAlongItsOwnAxes) {
    auto* b = Box(1, 1, 1);
    b->SetAngle(0, 0, kPi / 2);
    b->SetSize(2, 1, 1, {0.5, 0, 0});  // grow +x by a metre while the -x face stays
    EXPECT_NEAR(b->Position(0).y, 0.5, 1e-15);
    EXPECT_NEAR(b->Position(0).x, 0, 1e-15);
}

TEST_F(ShapeTest, LastSettingWidthUsesTheRememberedSizesOfTheKind) {
    scene.rememberedSizes.Set("BOX", 'Y', 0.25);
    scene.rememberedSizes.Set("CYLINDER", 'R', 0.1);
    auto* b = Box(1, 1, 1);
    b->SetLastSettingWidth();
    EXPECT_EQ(b->widthX, 1);
    EXPECT_EQ(b->widthY, 0.25);
    auto* c = Cylinder();
    c->SetLastSettingWidth();
    EXPECT_EQ(c->widthR, 0.1);
    EXPECT_EQ(c->widthW, 0.3);
    EXPECT_EQ(c->crashPoints.size(), 40u);
}

}  // namespace
}  // namespace korvan
