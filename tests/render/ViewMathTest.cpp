#include "render/ViewMath.h"

#include <gtest/gtest.h>

#include "script/SceneDocument.h"
#include "sim/ObjBox.h"

namespace korvan {
namespace {

// Clip-space x / w and y / w of an eye-space point.
Vec3 Project(const Mat4& p, const Vec3& eye) {
    double out[4];
    for (int r = 0; r < 4; ++r)
        out[r] = p.m[r][0] * eye.x + p.m[r][1] * eye.y + p.m[r][2] * eye.z + p.m[r][3];
    return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

TEST(ViewLayout, FractionsBecomePixelsAndTheViewportSitsInsideTheFrame) {
    struct Case {
        double l, t, r, b;
        ViewLayout expected;
    } cases[] = {
        {0, 0, 1, 1, {0, 0, 640, 480, 3, 3, 634, 454}},
        {0.5, 0, 1, 0.5, {320, 0, 640, 240, 323, 243, 314, 214}},
        {0.25, 0.5, 0.5, 1, {160, 240, 320, 480, 163, 3, 154, 214}},
    };
    for (const Case& c : cases) {
        CWndView view("V", "v");
        view.left = c.l, view.top = c.t, view.right = c.r, view.bottom = c.b;
        const ViewLayout v = LayoutView(view, 640, 480, {3, 20});
        const ViewLayout& e = c.expected;
        EXPECT_EQ(std::tie(v.left, v.top, v.right, v.bottom), std::tie(e.left, e.top, e.right, e.bottom))
            << c.l;
        EXPECT_EQ(std::tie(v.x, v.y, v.width, v.height), std::tie(e.x, e.y, e.width, e.height)) << c.l;
    }
}

TEST(Projection, TheTargetPlaneSpansTheSameWidthAtEveryBlendAndOnlyDepthCuesChange) {
    CWndView view("V", "v");
    for (double p : {0.0, 0.25, 0.5, 1.0}) {
        view.projection = p;
        const Mat4 m = ProjectionMatrix(view, 0.75);
        EXPECT_NEAR(Project(m, {1, 0, 0}).x, 1, 1e-12) << p;
        EXPECT_NEAR(Project(m, {0, 0.75, 0}).y, 1, 1e-12) << p;
        // A point nearer the eye shows larger in perspective only.
        const double nearer = Project(m, {0.5, 0, 0.5}).x;
        if (p == 0)
            EXPECT_NEAR(nearer, 0.5, 1e-12);
        else
            EXPECT_GT(nearer, 0.5 + 1e-3) << p;
    }
}

TEST(Projection, MirrorFlipsOnlyTheHorizontalAxis) {
    CWndView view("V", "v");
    for (double p : {0.0, 1.0}) {
        view.projection = p;
        view.mirror = 0;
        const Vec3 plain = Project(ProjectionMatrix(view, 0.75), {0.5, 0.25, 0});
        view.mirror = 1;
        const Vec3 mirrored = Project(ProjectionMatrix(view, 0.75), {0.5, 0.25, 0});
        EXPECT_NEAR(mirrored.x, -plain.x, 1e-12);
        EXPECT_NEAR(mirrored.y, plain.y, 1e-12);
    }
}

// The ray through a window point passes through the world point that projects there.
TEST(PickRay, GoesThroughTheWorldPointSeenAtThatPixel) {
    CWndView view("V", "v");
    view.SetViewpoint({{0, -10, 0}, {0, 0, 0}, {0, 0, 1}});
    view.right = 1, view.bottom = 1;
    const ViewLayout layout = LayoutView(view, 400, 320, {3, 20});
    // Centre of the drawing area: x = 200, y = 20 + 300 / 2.
    for (double p : {0.0, 1.0}) {
        view.projection = p;
        const Ray centre = PickRay(view, layout, 20, 200, 170);
        EXPECT_NEAR(Length(Cross(centre.direction, Vec3{0, 0, 0} - centre.origin)), 0, 1e-9) << p;
        EXPECT_GT(centre.direction.y, 0);  // away from the eye, into the scene
        // 100 pixels right of the centre is x = 100 / 200 of the half-width (10 m) on the target plane.
        const Ray right = PickRay(view, layout, 20, 300, 170);
        const double s = (0 - right.origin.y) / right.direction.y;
        const Vec3 hit = right.origin + right.direction * s;
        EXPECT_NEAR(hit.x, 5, 1e-9) << p;
        EXPECT_NEAR(hit.z, 0, 1e-9) << p;
    }
}

class MountedView : public ::testing::Test {
  protected:
    SceneDocument doc;
    CObjBox* body = doc.scene.Create<CObjBox>("carrier");
    CWndView* view = doc.AddView("cam");

    void Mount(const Vec3& eye, const Vec3& target, const Vec3& up) {
        _VIEWPOINT v;
        const Vec3 parts[3] = {eye, target, up};
        for (int p = 0; p < 3; ++p)
            for (int k = 0; k < 3; ++k) v.values[3 * p + k] = parts[p][k];
        doc.MountView(body, 0, v);
    }
};

TEST_F(MountedView, FollowsTheBodyAndKeepsMouseEditsWithIt) {
    Mount({0, -5, 0}, {0, 0, 0}, {0, 0, 1});
    body->SetPosition(1, 2, 3);
    UpdateMountedViews(doc);
    Viewpoint c = view->GetViewpoint();
    EXPECT_NEAR(Length(c.eye - Vec3{1, -3, 3}), 0, 1e-9);
    EXPECT_NEAR(Length(c.target - Vec3{1, 2, 3}), 0, 1e-9);

    // An edit of the camera between frames moves it 1 m up (the camera remembers what the
    // mount gave it last); the body then moves on and the edit stays.
    const double last[9] = {1, -3, 3, 1, 2, 3, 0, 0, 1};
    view->SetViewpoint({c.eye + Vec3{0, 0, 1}, c.target, {0, 0, 1}});
    std::copy(std::begin(last), std::end(last), view->lastMountCamera);
    body->SetPosition(2, 2, 3);
    UpdateMountedViews(doc);
    c = view->GetViewpoint();
    EXPECT_NEAR(Length(c.eye - Vec3{2, -3, 4}), 0, 1e-9);
}

TEST_F(MountedView, FixedHorizontalKeepsALevelLineOfSightAtTheSameDistance) {
    view->fixH = 1;
    Mount({0, -3, 4}, {0, 0, 0}, {0, 0, 1});
    body->SetAngle(0.3, 0, 0);  // the carrier pitches
    UpdateMountedViews(doc);
    const Viewpoint c = view->GetViewpoint();
    EXPECT_NEAR(c.eye.z, c.target.z, 1e-9);
    EXPECT_NEAR(Length(c.eye - c.target), 5, 1e-9);
    EXPECT_NEAR(c.up.z, 1, 1e-9);
}

}  // namespace
}  // namespace korvan

namespace korvan {
namespace {

TEST(NewView, TitleCountsOnFromTheLargestNumberInParentheses) {
    CWndView a("V1", "メイン"), b("V2", "新規ビュー(3)"), c("V3", "cam (7) x");
    EXPECT_EQ(NewViewTitle({}), "新規ビュー(1)");
    EXPECT_EQ(NewViewTitle({&a, &b}), "新規ビュー(4)");
    EXPECT_EQ(NewViewTitle({&a, &b, &c}), "新規ビュー(8)");
}

TEST(NewView, TakesTheLargestEmptySquareOrSplitsTheActiveView) {
    EXPECT_EQ(PlaceNewView({}, 0, 640, 480).right, 1);
    CWndView main("V1", "main");
    main.right = 0.5;  // the left half is taken: the right half holds an 8 x 8 square at its top
    ViewRect r = PlaceNewView({&main}, 0, 640, 480);
    EXPECT_EQ(r.left, 0.5);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1);
    EXPECT_EQ(r.bottom, 0.5);
    main.right = 1;  // the whole grid is covered: the wide window splits left and right
    r = PlaceNewView({&main}, 0, 640, 480);
    EXPECT_EQ(main.right, 0.5);
    EXPECT_EQ(r.left, 0.5);
    EXPECT_EQ(r.right, 1);
    EXPECT_EQ(r.bottom, 1);
}

}  // namespace
}  // namespace korvan
