#pragma once
// The background of the scene: the sky dome drawn around the camera, the four directional
// lights, and the tint every body's material colour passes through. Draws into the current
// context.
#include "base/Vec3.h"

namespace korvan {

class CWndView;

enum Background { kClearSky, kMars, kMoon, kDusk };

struct Rgb {
    double r, g, b;
};

// The material tint of a background; with the background display flag off the clear-sky tint
// applies.
Rgb TintColour(int background, bool backgroundOn, Rgb colour);

// Lights 0..3 as directions in world coordinates (the view camera must be loaded).
void SetLights(int background, bool backgroundOn, const CWndView& view);

// The sky gradient as a dome around the view's target (camera loaded as model-view). The moon
// has no sky.
void DrawSky(int background, const CWndView& view);

}  // namespace korvan
