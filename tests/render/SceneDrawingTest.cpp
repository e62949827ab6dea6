#include <gtest/gtest.h>

#include <cstdio>

#include "render/ViewPicture.h"
#include "sim/Scheduler.h"
#include "tests/render/GlFixture.h"
#include "tests/support/TestBmp.h"

namespace korvan::testing {
namespace {

// A red box at the origin seen from 10 m away along -y, a blue one behind the camera.
constexpr const char* kAheadAndBehind = R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set Red = Application.AddObj( "BOX" , "red" )
Red.RHO = -1
Red.ColorR = 1
Red.ColorG = 0
Red.ColorB = 0
Red.SetPosition 0, 0, 0
Set Blue = Application.AddObj( "BOX" , "blue" )
Blue.RHO = -1
Blue.ColorR = 0
Blue.ColorG = 0
Blue.ColorB = 1
Blue.SetPosition 0, -15, 0
)";

using SceneDrawing = GlFixture;

TEST_F(SceneDrawing, RedBoxAheadLandsInTheCentreAndBlueBehindIsNotDrawn) {
    ASSERT_TRUE(Load(kAheadAndBehind)) << (host.messages.empty() ? "" : host.messages[0]);
    ASSERT_EQ(document.views.size(), 1u);
    const QImage image = Draw();
    const Box red = Find(image, IsRed);
    // Drawing area: inside the 3-pixel border, below the 20-pixel title bar.
    const double cx = 3 + (kWidth - 6) / 2.0, cy = 23 + (kHeight - 26) / 2.0;
    EXPECT_NEAR(red.CentreX(), cx, 2);
    EXPECT_NEAR(red.CentreY(), cy, 2);
    // 1 m at 9.5 m with a 90 degree field over 314 pixels: about 33 pixels.
    EXPECT_NEAR(red.Width(), 314 / 19.0, 4);
    EXPECT_EQ(Find(image, IsBlue).Width(), 0);
}

}  // namespace
}  // namespace korvan::testing

namespace korvan::testing {
namespace {

using SceneDrawing = GlFixture;

std::string Box(const std::string& var, const Vec3& at, const char* rgb, double size = 1) {
    char text[512];
    std::snprintf(
        text, sizeof text,
        "Set %s = Application.AddObj( \"BOX\" , \"%s\" )\n%s.RHO = -1\n%s.widthX = %g\n%s.widthY = %g\n"
        "%s.widthZ = %g\n%s.SetPosition %g, %g, %g\n%s\n",
        var.c_str(), var.c_str(), var.c_str(), var.c_str(), size, var.c_str(), size, var.c_str(), size,
        var.c_str(), at.x, at.y, at.z, rgb);
    std::string colour = text;
    for (std::size_t at2; (at2 = colour.find("$")) != std::string::npos;) colour.replace(at2, 1, var);
    return colour;
}

constexpr const char* kRed = "$.ColorR = 1\n$.ColorG = 0\n$.ColorB = 0";
constexpr const char* kGreen = "$.ColorR = 0\n$.ColorG = 1\n$.ColorB = 0";
constexpr const char* kBlue = "$.ColorR = 0\n$.ColorG = 0\n$.ColorB = 1";

std::string View(const char* settings) {
    return std::string(
               "Set V = Application.AddObj( \"VIEW\" , \"main\" )\nV.SetViewpoint 0, -10, 0, 0, 0, 0\n") +
           settings + "\n";
}

// A near red box on the left and a far green one on the right, both 1 m.
std::string NearAndFar(const char* viewSettings) {
    return View(viewSettings) + Box("Near", {-3, 0, 0}, kRed) + Box("Far", {3, 8, 0}, kGreen);
}

TEST_F(SceneDrawing, OrthographicKeepsSizesAtEveryDepthAndPerspectiveShrinksTheFarBox) {
    ASSERT_TRUE(Load(NearAndFar("V.projection = 0")));
    QImage image = Draw();
    const auto nearOrtho = Find(image, IsRed), farOrtho = Find(image, IsGreen);
    EXPECT_NEAR(nearOrtho.Width(), 314 / 20.0, 2);  // the target plane spans 20 m over 314 pixels
    EXPECT_NEAR(nearOrtho.Width(), farOrtho.Width(), 1);
    EXPECT_NEAR(nearOrtho.Height(), farOrtho.Height(), 1);

    MainView().projection = 1;
    image = Draw();
    const auto nearPersp = Find(image, IsRed), farPersp = Find(image, IsGreen);
    EXPECT_GT(nearPersp.Width(), farPersp.Width() + 4);
    EXPECT_GT(nearPersp.Height(), farPersp.Height() + 4);
}

TEST_F(SceneDrawing, AMirroredViewSwapsLeftAndRight) {
    for (int mirror : {0, 1}) {
        ASSERT_TRUE(Load(NearAndFar(mirror ? "V.mirror = 1" : "V.mirror = 0")));
        const QImage image = Draw();
        const auto red = Find(image, IsRed), green = Find(image, IsGreen);
        ASSERT_GT(red.Width(), 0);
        ASSERT_GT(green.Width(), 0);
        if (mirror)
            EXPECT_GT(red.CentreX(), green.CentreX());
        else
            EXPECT_LT(red.CentreX(), green.CentreX());
        EXPECT_NEAR(red.CentreX() - 160, -(green.CentreX() - 160), 2);  // symmetric about the centre
    }
}

TEST_F(SceneDrawing, ACameraOnAFallingBodyKeepsTheBodyInPlaceWhileTheWorldMoves) {
    ASSERT_TRUE(
        Load(View("V.projection = 1") + Box("Post", {2, 0, 0}, kGreen) +
             "Set Car = Application.AddObj( \"BOX\" , \"car\" )\nCar.ColorR = 0\nCar.ColorG = 0\n"
             "Car.ColorB = 1\nCar.SetPosition 0, 0, 0\nCar.AddView V, 0, -10, 0, 0, 0, 0, 0, 0, 1\n"));
    const QImage before = Draw();
    CScheduler scheduler(document.scene);
    for (int i = 0; i < 30; ++i) scheduler.RunSimulationFrame();  // half a second of free fall
    ASSERT_LT(Body("car")->GetPosition().z, -1.0);
    const QImage after = Draw();
    const auto carBefore = Find(before, IsBlue), carAfter = Find(after, IsBlue);
    EXPECT_NEAR(carAfter.CentreX(), carBefore.CentreX(), 1);
    EXPECT_NEAR(carAfter.CentreY(), carBefore.CentreY(), 1);
    // The fixed post rises in the picture as the camera falls past it.
    EXPECT_LT(Find(after, IsGreen).CentreY(), Find(before, IsGreen).CentreY() - 10);
}

TEST_F(SceneDrawing, ATranslucentBodyBlendsWithWhatLiesBehindIt) {
    ASSERT_TRUE(Load(View("V.projection = 1") + Box("Back", {0, 5, 0}, kGreen, 4) +
                     Box("Glass", {0, 0, 0}, kRed) + "Glass.Transparent = 0.5\n"));
    const QImage image = Draw();
    const Rgba centre = At(image, 160, 130);
    EXPECT_GT(centre.r, 40);
    EXPECT_GT(centre.g, 40);
    EXPECT_LT(centre.b, 40);
    // Opaque, the glass hides the green.
    Body("Glass")->opacity = 1;
    EXPECT_TRUE(IsRed(At(Draw(), 160, 130)));
}

TEST_F(SceneDrawing, ADisplayFlagTurnedOffRemovesWhatItDraws) {
    ASSERT_TRUE(Load(View("V.projection = 1") + Box("Red", {0, 0, 0}, kRed)));
    flags.current.fill(0);
    flags.current[ViewFlags::Index(ViewFlag::SOLID)] = 1;
    EXPECT_GT(Find(Draw(), IsRed).Width(), 10);
    flags.Toggle(ViewFlag::SOLID, kPlayMode);
    EXPECT_EQ(Find(Draw(), IsRed).Width(), 0);
    // The display shape stands in for a body without skin.
    flags.Toggle(ViewFlag::SKIN, kPlayMode);
    EXPECT_GT(Find(Draw(), IsRed).Width(), 10);
}

TEST_F(SceneDrawing, TheGroundShowsItsColourImage) {
    // 8 x 8: the left half red, the right half blue.
    std::vector<std::vector<test::Rgb>> rows(8, std::vector<test::Rgb>(8));
    for (auto& row : rows)
        for (int i = 0; i < 8; ++i)
            row[static_cast<std::size_t>(i)] = i < 4 ? test::Rgb{255, 0, 0} : test::Rgb{0, 0, 255};
    const auto bmp = test::MakeBmp(rows);
    Write("colour.bmp", std::string(bmp.begin(), bmp.end()));
    ASSERT_TRUE(
        Load("Set V = Application.AddObj( \"VIEW\" , \"main\" )\nV.SetViewpoint 0, 0, 12, 0, 0, 0, 0, 1, 0\n"
             "Set G = Application.AddObj( \"GROUND\" , \"ground\" )\nG.widthX = 20\nG.widthY = 20\n"
             "G.ColorR = 1\nG.ColorG = 1\nG.ColorB = 1\nG.SetColorBmp \"colour.bmp\"\n"));
    const QImage image = Draw();
    EXPECT_TRUE(IsRed(At(image, 80, 130)));
    EXPECT_TRUE(IsBlue(At(image, 240, 130)));
}

TEST_F(SceneDrawing, AJapaneseNameLabelRendersAtThePointedBody) {
    ASSERT_TRUE(Load(View("V.projection = 1") + Box("Named", {0, 0, 0}, kBlue)));
    CObj* body = document.scene.Body(0);
    body->displayName = "日本語の名前";
    flags.current[ViewFlags::Index(ViewFlag::BACKGROUND)] = 0;  // black behind the label
    inputs.pointed = body;
    inputs.pointedPoint = {0, -0.5, 0};
    auto whiteIn = [](const QImage& image) {
        int n = 0;
        for (int y = 90; y < 130; ++y)
            for (int x = 160; x < 314; ++x) {
                const Rgba p = At(image, x, y);
                n += p.r > 200 && p.g > 200 && p.b > 200;
            }
        return n;
    };
    const int on = whiteIn(Draw());
    flags.current[ViewFlags::Index(ViewFlag::SEL)] = 0;
    const int off = whiteIn(Draw());
    EXPECT_GT(on, off + 60);  // six glyphs of 20 pixels
}

TEST_F(SceneDrawing, AnExtraViewOccupiesItsRelativeRectangleAfterAResize) {
    ASSERT_TRUE(
        Load(View("V.projection = 1") + Box("Red", {0, 0, 0}, kRed) +
             "Set S = Application.AddObj( \"VIEW\" , \"sub\" )\nS.left = 0.5\nS.top = 0.5\nS.right = 1\n"
             "S.bottom = 1\nS.SetViewpoint 0, -10, 0, 0, 0, 0\nS.projection = 1\n"));
    ASSERT_EQ(document.views.size(), 2u);
    Resize(480, 360);
    const QImage image = Draw();
    // The sub view's border runs along x = 240..242 from y = 180 down; its title bar is dark
    // blue at its lower edge.
    const Rgba border = At(image, 241, 300);
    EXPECT_NEAR(border.r, 25, 3);
    EXPECT_NEAR(border.g, 51, 3);
    EXPECT_NEAR(border.b, 102, 3);
    // Its red box sits in the middle of its drawing area (x 243..477, y 203..357).
    const QImage sub = image.copy(243, 203, 477 - 243, 357 - 203);
    const auto red = Find(sub, IsRed);
    EXPECT_NEAR(red.CentreX(), (477 - 243) / 2.0, 2);
    EXPECT_NEAR(red.CentreY(), (357 - 203) / 2.0, 2);
    EXPECT_EQ(drawer.Layouts()[1].left, 240);
    EXPECT_EQ(drawer.Layouts()[1].top, 180);
}

// The slab test of a ray against an axis-aligned box.
bool Hits(const Ray& ray, const Vec3& low, const Vec3& high) {
    double t0 = -1e300, t1 = 1e300;
    for (int k = 0; k < 3; ++k) {
        if (ray.direction[k] == 0) {
            if (ray.origin[k] < low[k] || ray.origin[k] > high[k]) return false;
            continue;
        }
        double a = (low[k] - ray.origin[k]) / ray.direction[k],
               b = (high[k] - ray.origin[k]) / ray.direction[k];
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a), t1 = std::min(t1, b);
    }
    return t0 <= t1 && t1 > 0;
}

TEST_F(SceneDrawing, ThePickRayThroughABoxPixelHitsThatBox) {
    for (const char* projection : {"V.projection = 0", "V.projection = 1"}) {
        ASSERT_TRUE(Load(View(projection) + Box("Red", {2, 3, 1}, kRed)));
        const QImage image = Draw();
        const auto red = Find(image, IsRed);
        ASSERT_GT(red.Width(), 0);
        const ViewLayout& layout = drawer.Layouts()[0];
        const Vec3 low{1.5, 2.5, 0.5}, high{2.5, 3.5, 1.5};
        // Corner pixels of the box's picture hit it; pixels just outside do not.
        for (auto [x, y] : {std::pair{red.left + 1, red.top + 1}, std::pair{red.right - 1, red.bottom - 1}})
            EXPECT_TRUE(Hits(PickRay(MainView(), layout, 20, x + 0.5, y + 0.5), low, high)) << projection;
        EXPECT_FALSE(Hits(PickRay(MainView(), layout, 20, red.left - 2.5, red.CentreY()), low, high));
        EXPECT_FALSE(Hits(PickRay(MainView(), layout, 20, red.right + 3.5, red.CentreY()), low, high));
    }
}

}  // namespace
}  // namespace korvan::testing

namespace korvan::testing {
namespace {

bool IsCyan(Rgba p) {
    return p.g > 150 && p.b > 150 && p.r < 80;
}

// Two boxes held together by a four-point connection, a spring standing beside them, all seen
// in factory mode.
constexpr const char* kWorkshop = R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -6, 2, 0, 0, 0.5
Set A = Application.AddObj( "BOX" , "a" )
A.RHO = -1
A.SetPosition -0.6, 0, 0.5
Set B = Application.AddObj( "BOX" , "b" )
B.RHO = -1
B.SetPosition 0.6, 0, 0.5
Application.Join4 A, 0.55, 0, 0, 0, 0.3, 0, 0, 0, 0.3, B, -0.55, 0, 0, 0, 0.3, 0, 0, 0, 0.3
Set S = Application.AddObj( "SPRING" , "s" )
S.RHO = -1
S.SetPosition 2, 0, 0.5
S.ColorR = 1
S.ColorG = 0.8
S.ColorB = 0
)";

TEST_F(SceneDrawing, FactoryModeShowsConnectionsCrashPointsAndTheSpringCoil) {
    ASSERT_TRUE(Load(kWorkshop));
    flags.ApplyPreset(kFactoryMode);
    inputs.mode = kFactoryMode;
    // The drawing area only: the active view's title is drawn in a light blue.
    const QImage factory = Draw().copy(3, 23, 314, 214);
    EXPECT_GT(Find(factory, IsCyan).Width(), 0);   // connection lines and letters
    EXPECT_GT(Find(factory, IsGreen).Width(), 0);  // crash points
    flags.current[ViewFlags::Index(ViewFlag::JOIN)] = 0;
    flags.current[ViewFlags::Index(ViewFlag::CRASH)] = 0;
    const QImage plain = Draw().copy(3, 23, 314, 214);
    EXPECT_EQ(Find(plain, IsCyan).Width(), 0);
    EXPECT_EQ(Find(plain, IsGreen).Width(), 0);
}

}  // namespace
}  // namespace korvan::testing

namespace korvan::testing {
namespace {

TEST(ViewPictureCorner, NegativeOffsetsCountFromTheRightAndTopEdges) {
    int x = 0, y = 0;
    PictureCorner(-100, -50, 640, 480, x, y);
    EXPECT_EQ(x, 540);
    EXPECT_EQ(y, 430);
    PictureCorner(10.5, 0, 640, 480, x, y);
    EXPECT_EQ(x, 11);
}

TEST_F(SceneDrawing, AViewShowsItsPictureWithTheMasksAlphaWhileTheFlagIsOn) {
    const auto solid = [](test::Rgb c) {
        return std::vector<std::vector<test::Rgb>>(16, std::vector<test::Rgb>(16, c));
    };
    auto mask = solid({255, 255, 255});
    for (int j = 0; j < 8; ++j)  // the lower half of the picture is see-through
        for (auto& p : mask[static_cast<std::size_t>(j)]) p = {0, 0, 0};
    const auto colour = test::MakeBmp(solid({0, 255, 0}));
    const auto alpha = test::MakeBmp(mask);
    Write("pic.bmp", std::string(colour.begin(), colour.end()));
    Write("pic_a.bmp", std::string(alpha.begin(), alpha.end()));
    ASSERT_TRUE(Load(View("V.SetPicture \"pic.bmp\" , \"pic_a.bmp\" , 0 , 20 , 30 , 0 , 0")));
    flags.current[ViewFlags::Index(ViewFlag::SEAL)] = 1;
    QImage image = Draw();
    // The area below the title bar spans the view's whole width down to the window's bottom;
    // the picture's lower-left corner is 20 right and 30 up from there.
    const int left = 0 + 20, bottom = kHeight - 1 - 30;
    EXPECT_TRUE(IsGreen(At(image, left + 8, bottom - 12)));  // upper half: opaque
    EXPECT_FALSE(IsGreen(At(image, left + 8, bottom - 3)));  // lower half: the sky shows through
    flags.current[ViewFlags::Index(ViewFlag::SEAL)] = 0;
    image = Draw();
    EXPECT_FALSE(IsGreen(At(image, left + 8, bottom - 12)));
}

// A deleted view's title lists and picture texture go at the next frame; the views left keep theirs.
TEST_F(SceneDrawing, ADeletedViewsTitleAndPictureAreFreedAtTheNextFrame) {
    const auto solid = [](test::Rgb c) {
        return test::MakeBmp(std::vector<std::vector<test::Rgb>>(4, std::vector<test::Rgb>(4, c)));
    };
    const auto colour = solid({0, 255, 0}), opaque = solid({255, 255, 255});
    Write("pic.bmp", std::string(colour.begin(), colour.end()));
    Write("pic_a.bmp", std::string(opaque.begin(), opaque.end()));
    ASSERT_TRUE(Load(View("V.SetPicture \"pic.bmp\" , \"pic_a.bmp\" , 0 , 5 , 5 , 0 , 0") +
                     "Set W = Application.AddObj( \"VIEW\" , \"extra\" )\nW.left = 0.5\n"
                     "W.SetPicture \"pic.bmp\" , \"pic_a.bmp\" , 0 , 5 , 5 , 0 , 0\n"));
    flags.current[ViewFlags::Index(ViewFlag::SEAL)] = 1;
    Draw();
    EXPECT_EQ(drawer.CachedViewCount(), 2u);
    application->RemoveView(1);
    const QImage image = Draw();
    EXPECT_EQ(drawer.CachedViewCount(), 1u);
    EXPECT_TRUE(IsGreen(At(image, 5 + 2, kHeight - 1 - 5 - 2)));  // the main view's picture stays
}

}  // namespace
}  // namespace korvan::testing
