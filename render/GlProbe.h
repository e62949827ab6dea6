#pragma once
// Choosing the main view's surface format before its context exists: a short-lived offscreen
// context is asked what the driver offers, then the format asks for the sample count the
// settings request, fallen back down the chain to what the driver supports.
#include <QSurfaceFormat>

#include "render/GlCaps.h"

namespace korvan {

// Compatibility profile (the drawing is fixed-function), 24-bit depth, double-buffered, no
// waiting for vertical retrace: the main loop paces frames itself.
QSurfaceFormat BaseSurfaceFormat();

struct ContextChoice {
    QSurfaceFormat format;
    GlCaps caps;        // of the probe context
    int requested = 1;  // the settings' anti-aliasing samples
    int samples = 0;    // asked of the main view's format; 0 = none
};

// Needs a QGuiApplication. A probe that cannot make a context gives the base format.
ContextChoice ChooseContextFormat(int requestedSamples);

}  // namespace korvan
