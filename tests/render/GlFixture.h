#pragma once
// Drawing tests on a real OpenGL context: an offscreen surface with a compatibility-profile
// context and a framebuffer object the size of a small window, read back after each frame.
// Runs under xvfb-run on Mesa's software renderer. Scenes load through the real loader.
#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <cstdlib>
#include <memory>

#include "render/GlProbe.h"
#include "render/SceneDrawer.h"
#include "tests/script/SceneFixture.h"

namespace korvan::testing {

inline QGuiApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "render_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

struct Rgba {
    int r, g, b;
};

class GlFixture : public SceneFixture {
  protected:
    static constexpr int kWidth = 320, kHeight = 240;

    void SetUp() override {
        SceneFixture::SetUp();
        GuiApp();
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(BaseSurfaceFormat());
        ASSERT_TRUE(context_->create());
        surface_ = std::make_unique<QOffscreenSurface>();
        surface_->setFormat(context_->format());
        surface_->create();
        ASSERT_TRUE(context_->makeCurrent(surface_.get()));
        Resize(kWidth, kHeight);
        flags = ViewFlags::AtStartUp(Settings{});
        inputs.flags = &flags;
    }

    void TearDown() override {
        if (context_ && context_->isValid()) {
            drawer.Release();
            fbo_.reset();
            context_->doneCurrent();
        }
        SceneFixture::TearDown();
    }

    void Resize(int w, int h) {
        width = w, height = h;
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(w, h, QOpenGLFramebufferObject::Depth);
        fbo_->bind();
    }

    // One frame; the picture with (0, 0) at the top-left.
    QImage Draw() {
        drawer.DrawFrame(document, inputs, width, height);
        QImage image = fbo_->toImage().convertToFormat(QImage::Format_RGB32);
        // KORVAN_RENDER_SHOTS=folder keeps every frame for a person to look at.
        if (const char* folder = std::getenv("KORVAN_RENDER_SHOTS")) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            image.save(QString("%1/%2-%3.png").arg(folder, info->name()).arg(shot_++));
        }
        return image;
    }

    CWndView& MainView() { return *document.views.at(0); }

    SceneDrawer drawer;
    ViewFlags flags;
    DrawInputs inputs;
    int width = kWidth, height = kHeight;

  private:
    // Made once the application exists.
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    int shot_ = 0;
};

inline Rgba At(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

inline bool IsRed(Rgba p) {
    return p.r > 50 && p.r > 2 * p.g + 10 && p.r > 2 * p.b + 10;
}
inline bool IsGreen(Rgba p) {
    return p.g > 50 && p.g > 2 * p.r + 10 && p.g > 2 * p.b + 10;
}
inline bool IsBlue(Rgba p) {
    return p.b > 50 && p.b > 2 * p.r + 10 && p.b > 2 * p.g + 10;
}

// The bounding box of the pixels that pass `test` (empty: width 0).
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int Width() const { return right < left ? 0 : right - left + 1; }
    int Height() const { return bottom < top ? 0 : bottom - top + 1; }
    double CentreX() const { return (left + right) / 2.0; }
    double CentreY() const { return (top + bottom) / 2.0; }
};

template <class Test>
Box Find(const QImage& image, Test test) {
    Box box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(At(image, x, y))) {
                box.left = std::min(box.left, x), box.right = std::max(box.right, x);
                box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
            }
    return box;
}

}  // namespace korvan::testing
