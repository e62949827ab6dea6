// Drawing one frame of the 300-body benchmark scene (Resource/bench.txt) at 1280 x 720 with the
// play preset's display flags, in an offscreen compatibility context on whatever renderer the
// machine has (Mesa's software renderer on a machine without a GPU: run under xvfb-run -a).
// The same pattern grown to 1000 bodies shows how the time scales. Target: under 8 ms for 300
// bodies, half a 60 Hz frame. KORVAN_RENDER_SHOT=file.png keeps the last frame to look at.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/Host.h"
#include "render/GlProbe.h"
#include "render/SceneDrawer.h"
#include "script/DispatchApp.h"
#include "script/SceneCommands.h"

namespace korvan {
namespace {

constexpr int kWidth = 1280, kHeight = 720;
const std::string kScene = std::string(KORVAN_SOURCE_DIR) + "/Resource/bench.txt";

class QuietHost : public ConsoleHost {
  public:
    void ShowMessage(const std::string&) override {}
};

// The benchmark scene's pattern with `bodies` boxes: chains of thirty on a fixed ground, each
// box colliding with the ground and joined to its neighbour.
std::string GrownScene(int bodies) {
    std::ostringstream s;
    s << "Set Ground = Application.AddObj( \"GROUND\" , \"ground\" )\nGround.widthX = 100\nGround.widthY = "
         "100\n"
         "Ground.widthZ = 1\nGround.RHO = -1\n";
    for (int i = 0; i < bodies; ++i) {
        const int chain = i / 30, link = i % 30;
        s << "Set B" << i << " = Application.AddObj( \"BOX\" , \"b" << i << "\" )\n";
        s << "B" << i << ".widthX = 0.4\nB" << i << ".widthY = 0.4\nB" << i << ".widthZ = 0.4\n";
        s << "B" << i << ".SetPosition " << -7.5 + 0.5 * link << ", " << -4.5 + chain << ", 0.7\n";
        s << "B" << i << ".AddCrash Ground\n";
        if (link > 0) s << "Application.Join1 B" << i << ", -0.25, 0, 0, B" << i - 1 << ", 0.25, 0, 0\n";
    }
    return s.str();
}

struct OffscreenTarget {
    QOpenGLContext context;
    QOffscreenSurface surface;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;

    bool Make() {
        context.setFormat(BaseSurfaceFormat());
        surface.setFormat(BaseSurfaceFormat());
        surface.create();
        if (!context.create() || !context.makeCurrent(&surface)) return false;
        fbo = std::make_unique<QOpenGLFramebufferObject>(kWidth, kHeight, QOpenGLFramebufferObject::Depth);
        return fbo->bind();
    }
};

void BM_DrawFrame(benchmark::State& state) {
    const int bodies = static_cast<int>(state.range(0));
    QuietHost host;
    SetHost(&host);
    SceneDocument document;
    auto application = std::make_shared<CDispatchAPP>(document);
    SceneCommands commands(document, application);
    std::string path = kScene;
    if (bodies != 300) {
        path = "/tmp/korvan-render-bench-" + std::to_string(bodies) + ".txt";
        std::ofstream(path) << GrownScene(bodies);
    }
    if (!commands.LoadScene(path, 0, 0)) state.SkipWithError("the scene did not load");
    if (document.views.empty()) document.AddView("main");
    document.views[0]->projection = 1;
    document.views[0]->SetViewpoint({{0, -14, 8}, {0, 0, 0}, {0, 0, 1}});

    OffscreenTarget target;
    if (!target.Make()) state.SkipWithError("no OpenGL context");
    SceneDrawer drawer;
    drawer.Initialise(2);
    ViewFlags flags = ViewFlags::AtStartUp(Settings{});
    flags.ApplyPreset(kPlayMode);
    DrawInputs inputs;
    inputs.flags = &flags;
    drawer.DrawFrame(document, inputs, kWidth, kHeight);  // builds the display lists
    for (auto _ : state) {
        drawer.DrawFrame(document, inputs, kWidth, kHeight);
        glFinish();  // the time until the picture is really there
    }
    state.counters["bodies"] = document.scene.Count();
    if (const char* shot = std::getenv("KORVAN_RENDER_SHOT")) target.fbo->toImage().save(shot);
    drawer.Release();
    SetHost(nullptr);
}
// CPU time counts every thread of the process: the software renderer rasterises on its own threads.
BENCHMARK(BM_DrawFrame)
    ->ArgName("bodies")
    ->Arg(300)
    ->Arg(1000)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
