// The scene as the running program draws it: the real window, main loop and main view under
// Xvfb on Mesa's software renderer, its framebuffer read back and judged by pixel regions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "tests/support/TestBmp.h"
#include "ui/CameraDialog.h"

#include "tests/app/gui/WindowHarness.h"

namespace korvan::test {
namespace {

bool IsRed(QRgb p) {
    return qRed(p) > 50 && qRed(p) > 2 * qGreen(p) + 10 && qRed(p) > 2 * qBlue(p) + 10;
}
bool IsGreen(QRgb p) {
    return qGreen(p) > 50 && qGreen(p) > 2 * qRed(p) + 10 && qGreen(p) > 2 * qBlue(p) + 10;
}
bool IsBlue(QRgb p) {
    return qBlue(p) > 50 && qBlue(p) > 2 * qRed(p) + 10 && qBlue(p) > 2 * qGreen(p) + 10;
}

// Pixels passing `test` inside the rectangle (client pixels, y downwards).
template <class Test>
int Count(const QImage& image, const QRect& area, Test test) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += test(image.pixel(x, y));
    return n;
}

QRect DrawingArea(const ViewLayout& v, int clientHeight) {
    return QRect(v.x, clientHeight - v.y - v.height, v.width, v.height);
}

// The scene file lives beside the window's own test folder (which the window removes).
class SceneFile {
  public:
    explicit SceneFile(const char* text)
        : folder_("/tmp/korvan-sceneview-" + std::to_string(::getpid()) + "-" + std::to_string(++count_)) {
        std::filesystem::create_directories(folder_);
        std::ofstream(Path()) << text;
    }
    ~SceneFile() { std::filesystem::remove_all(folder_); }
    std::string Path() const { return folder_ + "/scene.txt"; }

  private:
    std::string folder_;
    static inline int count_ = 0;
};

// A red box straight ahead of the main camera, a blue one behind it, and a second view in the
// lower right corner of the window looking at the red box from the side.
constexpr const char* kScene = R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set S = Application.AddObj( "VIEW" , "side" )
S.left = 0.75
S.top = 0.75
S.right = 1
S.bottom = 1
S.projection = 1
S.SetViewpoint 10, 0, 0, 0, 0, 0
Set Red = Application.AddObj( "BOX" , "red" )
Red.RHO = -1
Red.ColorR = 1
Red.ColorG = 0
Red.ColorB = 0
Set Blue = Application.AddObj( "BOX" , "blue" )
Blue.RHO = -1
Blue.ColorR = 0
Blue.ColorG = 0
Blue.ColorB = 1
Blue.SetPosition 0, -15, 0
)";

TEST(SceneView, TheBoxAheadIsDrawnInEveryViewAndTheBoxBehindNowhere) {
    const SceneFile scene(kScene);
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(3));
    ChildView& view = *w.frame->view();
    const QImage image = view.grabFramebuffer();
    if (const char* shots = std::getenv("KORVAN_RENDER_SHOTS")) image.save(QString(shots) + "/window.png");
    ASSERT_EQ(view.drawer().Layouts().size(), 2u);
    const QRect main = DrawingArea(view.drawer().Layouts()[0], image.height());
    const QRect side = DrawingArea(view.drawer().Layouts()[1], image.height());
    // The main camera sees the red box in the middle of its drawing area.
    const QRect middle(main.center().x() - 6, main.center().y() - 6, 12, 12);
    EXPECT_EQ(Count(image, middle, IsRed), 144);
    EXPECT_EQ(Count(image, image.rect(), IsBlue), 0);
    // The side view sits in the lower right corner and shows the box in its own middle.
    EXPECT_NEAR(side.left(), image.width() * 3 / 4, 5);
    EXPECT_NEAR(side.bottom(), image.height() - 4, 2);
    const QRect sideMiddle(side.center().x() - 4, side.center().y() - 4, 8, 8);
    EXPECT_EQ(Count(image, sideMiddle, IsRed), 64);
}

TEST(SceneView, AnExtraViewKeepsItsShareOfTheWindowAfterAResizeAndFlagsRemoveWhatTheyDraw) {
    const SceneFile scene(kScene);
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(2));
    w.frame->resize(w.frame->width() + 160, w.frame->height() + 100);
    ASSERT_TRUE(w.RunFrames(3));
    ChildView& view = *w.frame->view();
    QImage image = view.grabFramebuffer();
    const ViewLayout side = view.drawer().Layouts()[1];
    EXPECT_EQ(side.left, static_cast<int>(0.75 * image.width()));
    EXPECT_EQ(side.top, static_cast<int>(0.75 * image.height()));
    EXPECT_EQ(side.right, image.width());
    const QRect sideArea = DrawingArea(side, image.height());
    EXPECT_GT(Count(image, sideArea, IsRed), 20);

    // Play mode shows skinless bodies by their display shape: both shape flags off hides them.
    w.session->ToggleViewFlag(ViewFlag::SKIN);
    if (w.session->viewFlags[ViewFlag::SOLID]) w.session->ToggleViewFlag(ViewFlag::SOLID);
    ASSERT_TRUE(w.RunFrames(2));
    image = view.grabFramebuffer();
    EXPECT_EQ(Count(image, image.rect(), IsRed), 0);
}

// The action with this text in a menu, or null.
QAction* ActionNamed(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

// A right click in the side view opens the scene menu; "このビュー..." > "の、投影法を設定する..."
// opens the camera dialog on that view's camera at the projection page, and a value typed there
// reaches the view the next frame draws and the saved scene.
TEST(SceneView, TheViewMenuOpensTheCameraDialogOnTheClickedView) {
    const SceneFile scene(kScene);
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(2));
    ChildView& view = *w.frame->view();
    const ViewLayout side = view.drawer().Layouts()[1];
    const qreal ratio = view.devicePixelRatioF();
    const QPoint inSide((side.left + side.right) / 2 / ratio, (side.top + side.bottom) / 2 / ratio);

    // The menu runs its own event loop: a timer picks the item once it is up.
    bool opened = false, chosen = false;
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) return;
        opened = true;
        picker.stop();
        QAction* sub = ActionNamed(menu, QString::fromUtf8("このビュー..."));
        QAction* item = sub && sub->menu()
                            ? ActionNamed(sub->menu(), QString::fromUtf8("の、投影法を設定する..."))
                            : nullptr;
        if (item && item->isEnabled()) item->trigger(), chosen = true;
        menu->close();
    });
    picker.start(20);
    // Through the window, as the window system delivers it: that is where a right press becomes a
    // context-menu request.
    QTest::mouseClick(view.window()->windowHandle(), Qt::RightButton, {}, view.mapTo(view.window(), inSide));
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened; }, 10000)) << "the scene menu did not open";
    ASSERT_TRUE(chosen) << "no enabled item for the view's projection";
    EXPECT_EQ(view.inputs.activeView, 1);

    CameraDialog& dialog = *w.frame->cameraDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.pages->currentIndex(), 1);
    EXPECT_EQ(dialog.viewBox->currentText(), QString::fromUtf8("side"));
    dialog.projectionField->setFocus();
    dialog.projectionField->selectAll();
    QTest::keyClicks(dialog.projectionField, "0.25");
    QTest::keyClick(dialog.projectionField, Qt::Key_Return);
    EXPECT_EQ(w.session->document.views[1]->projection, 0.25);
    EXPECT_EQ(w.session->document.views[0]->projection, 1);
    ASSERT_TRUE(w.RunFrames(2));  // the loop goes on drawing once the menu has closed

    const std::string saved = w.folder + "saved.txt";
    ASSERT_TRUE(w.session->SaveAs(saved));
    std::stringstream text;
    text << std::ifstream(saved).rdbuf();
    EXPECT_NE(text.str().find(".projection  = 0.25"), std::string::npos) << text.str();
}

// Where the pixels passing `test` lie: their count and mean x.
template <class Test>
std::pair<int, double> Spread(const QImage& image, const QRect& area, Test test) {
    int n = 0;
    double sumX = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixel(x, y))) ++n, sumX += x;
    return {n, n ? sumX / n : 0};
}

// A near red box on the left and a far green one on the right, seen by a mirrored perspective view
// in the left half of the window and an orthographic one in the right half.
TEST(SceneView, AMirroredViewSwapsSidesAndAnOrthographicViewKeepsSizesAtEveryDepth) {
    const SceneFile scene(R"(
Set V = Application.AddObj( "VIEW" , "mirrored" )
V.right = 0.5
V.mirror = 1
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set O = Application.AddObj( "VIEW" , "ortho" )
O.left = 0.5
O.projection = 0
O.SetViewpoint 0, -10, 0, 0, 0, 0
Set Red = Application.AddObj( "BOX" , "near" )
Red.RHO = -1
Red.ColorR = 1
Red.ColorG = 0
Red.ColorB = 0
Red.SetPosition -1.5, 0, 0
Set Green = Application.AddObj( "BOX" , "far" )
Green.RHO = -1
Green.ColorR = 0
Green.ColorG = 1
Green.ColorB = 0
Green.SetPosition 1.5, 6, 0
)");
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(3));
    ChildView& view = *w.frame->view();
    const QImage image = view.grabFramebuffer();
    const QRect mirrored = DrawingArea(view.drawer().Layouts()[0], image.height());
    const QRect ortho = DrawingArea(view.drawer().Layouts()[1], image.height());

    const auto [nearMirrored, nearX] = Spread(image, mirrored, IsRed);
    const auto [farMirrored, farX] = Spread(image, mirrored, IsGreen);
    ASSERT_GT(nearMirrored, 20);
    ASSERT_GT(farMirrored, 20);
    EXPECT_GT(nearX, mirrored.center().x());  // the box on the left shows on the right
    EXPECT_LT(farX, mirrored.center().x());
    EXPECT_LT(farMirrored, 0.6 * nearMirrored);  // perspective: the far box is smaller

    const auto [nearOrtho, nearOrthoX] = Spread(image, ortho, IsRed);
    const auto [farOrtho, farOrthoX] = Spread(image, ortho, IsGreen);
    ASSERT_GT(nearOrtho, 20);
    EXPECT_LT(nearOrthoX, farOrthoX);  // not mirrored
    EXPECT_NEAR(static_cast<double>(farOrtho) / nearOrtho, 1.0, 0.2);
}

// The mean position of the pixels passing `test` (far outside the image when there are none).
template <class Test>
QPointF Centre(const QImage& image, const QRect& area, Test test) {
    int n = 0;
    QPointF sum;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixel(x, y))) ++n, sum += QPointF(x, y);
    return n ? sum / n : QPointF(-1000, -1000);
}

// A camera mounted 10 m behind a falling box, and a fixed green post beside the box's start.
TEST(SceneView, ACameraOnAFallingBodyKeepsTheBodyInPlaceWhileTheWorldMoves) {
    const SceneFile scene(R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set Post = Application.AddObj( "BOX" , "post" )
Post.RHO = -1
Post.ColorR = 0
Post.ColorG = 1
Post.ColorB = 0
Post.SetPosition 2, 0, 0
Set Car = Application.AddObj( "BOX" , "car" )
Car.ColorR = 0
Car.ColorG = 0
Car.ColorB = 1
Car.SetPosition 0, 0, 0
Car.AddView V, 0, -10, 0, 0, 0, 0, 0, 0, 1
)");
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(1));
    ChildView& view = *w.frame->view();
    const QImage before = view.grabFramebuffer();
    const QRect main = DrawingArea(view.drawer().Layouts()[0], before.height());
    const CObj* car = w.session->document.scene.FindByVarName("Car");
    ASSERT_NE(car, nullptr);
    const double startZ = car->GetPosition().z;
    ASSERT_TRUE(w.RunFrames(30));  // half a second of free fall
    const QImage after = view.grabFramebuffer();
    ASSERT_LT(car->GetPosition().z, startZ - 1.0);

    const QPointF carBefore = Centre(before, main, IsBlue), carAfter = Centre(after, main, IsBlue);
    ASSERT_TRUE(main.contains(carBefore.toPoint()));
    EXPECT_NEAR(carAfter.x(), carBefore.x(), 1.5);
    EXPECT_NEAR(carAfter.y(), carBefore.y(), 1.5);
    // The fixed post rises in the picture as the camera falls past it.
    const QPointF postBefore = Centre(before, main, IsGreen), postAfter = Centre(after, main, IsGreen);
    ASSERT_TRUE(main.contains(postBefore.toPoint()));
    EXPECT_LT(postAfter.y(), postBefore.y() - 10);
}

// A half-transparent red box in front of a large green one: the middle of the view mixes both;
// made opaque, the red box hides the green.
TEST(SceneView, ATranslucentBodyBlendsWithWhatLiesBehindIt) {
    const SceneFile scene(R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, -10, 0, 0, 0, 0
Set Back = Application.AddObj( "BOX" , "back" )
Back.RHO = -1
Back.widthX = 4
Back.widthY = 4
Back.widthZ = 4
Back.ColorR = 0
Back.ColorG = 1
Back.ColorB = 0
Back.SetPosition 0, 5, 0
Set Glass = Application.AddObj( "BOX" , "glass" )
Glass.RHO = -1
Glass.ColorR = 1
Glass.ColorG = 0
Glass.ColorB = 0
Glass.Transparent = 0.5
)");
    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(3));
    ChildView& view = *w.frame->view();
    QImage image = view.grabFramebuffer();
    const QRect main = DrawingArea(view.drawer().Layouts()[0], image.height());
    const QRect middle(main.center().x() - 4, main.center().y() - 4, 8, 8);
    auto mixed = [](QRgb p) { return qRed(p) > 40 && qGreen(p) > 40 && qBlue(p) < 40; };
    EXPECT_EQ(Count(image, middle, mixed), 64);

    CObj* glass = w.session->document.scene.FindByVarName("Glass");
    ASSERT_NE(glass, nullptr);
    glass->opacity = 1;
    ASSERT_TRUE(w.RunFrames(2));
    image = view.grabFramebuffer();
    EXPECT_EQ(Count(image, middle, IsRed), 64);
}

// The ground seen from above shows its colour image: an 8 x 8 picture, left half red, right half
// blue, stretched over the ground.
TEST(SceneView, TheGroundShowsItsColourImage) {
    const SceneFile scene(R"(
Set V = Application.AddObj( "VIEW" , "main" )
V.projection = 1
V.SetViewpoint 0, 0, 12, 0, 0, 0, 0, 1, 0
Set G = Application.AddObj( "GROUND" , "ground" )
G.widthX = 20
G.widthY = 20
G.ColorR = 1
G.ColorG = 1
G.ColorB = 1
G.SetColorBmp "colour.bmp"
)");
    std::vector<std::vector<Rgb>> rows(8, std::vector<Rgb>(8));
    for (auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = i < 4 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    const auto bmp = MakeBmp(rows);
    std::ofstream(std::filesystem::path(scene.Path()).parent_path() / "colour.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));

    Window w(On(scene.Path()));
    ASSERT_TRUE(w.RunFrames(3));
    ChildView& view = *w.frame->view();
    const QImage image = view.grabFramebuffer();
    const QRect main = DrawingArea(view.drawer().Layouts()[0], image.height());
    const int y = main.center().y(), x0 = main.center().x(), quarter = main.width() / 4;
    const QRect left(x0 - quarter - 4, y - 4, 8, 8), right(x0 + quarter - 4, y - 4, 8, 8);
    EXPECT_EQ(Count(image, left, IsRed), 64);
    EXPECT_EQ(Count(image, right, IsBlue), 64);
    EXPECT_EQ(Count(image, left, IsBlue) + Count(image, right, IsRed), 0);
}

}  // namespace
}  // namespace korvan::test
