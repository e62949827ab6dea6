#include "render/GlProbe.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace korvan {

QSurfaceFormat BaseSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(0);
    return format;
}

ContextChoice ChooseContextFormat(int requestedSamples) {
    ContextChoice choice;
    choice.requested = requestedSamples;
    choice.format = BaseSurfaceFormat();
    QOpenGLContext probe;
    probe.setFormat(choice.format);
    QOffscreenSurface surface;
    surface.setFormat(choice.format);
    surface.create();
    if (!probe.create() || !probe.makeCurrent(&surface)) return choice;
    choice.caps = DetectGlCaps();
    probe.doneCurrent();
    if (choice.caps.multisampleCapable)
        choice.samples = ChooseSampleCount(requestedSamples, choice.caps.maxSamples);
    if (choice.samples > 0) choice.format.setSamples(choice.samples);
    return choice;
}

}  // namespace korvan
