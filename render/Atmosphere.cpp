#include "render/Atmosphere.h"

#include <GL/gl.h>

#include <array>
#include <cmath>

#include "script/Frames.h"

namespace korvan {

namespace {

using Ramp = std::array<double, 11>;  // stop 0 at the nadir, stop 10 at the zenith

struct SkyLook {
    Ramp red, green, blue;
    double weightA, weightB;  // how much of the ramp (the rest is the tint)
    Rgb tint;
};

constexpr Ramp kRed = {0.05, 0.07, 0.09, 0.11, 0.14, 0.18, 0.24, 0.34, 0.5, 0.75, 1};
constexpr Ramp kGreen = {0.2, 0.25, 0.3, 0.35, 0.4, 0.45, 0.5, 0.57, 0.66, 0.8, 1};
constexpr Ramp kBlue = {0.5, 0.66, 0.76, 0.82, 0.88, 0.94, 0.98, 1, 1, 0.9, 1};

SkyLook LookOf(int background) {
    switch (background) {
        case kMars:
            return {kRed, kGreen, kBlue, 0.4, 0.4, {1, 0.5, 0}};
        case kDusk:
            return {{0, 0, 0, 0, 0.5, 0.4, 0.24, 0.2, 0.2, 0.2, 0.2},
                    {0, 0, 0, 0, 0.3, 0.4, 0.5, 0.57, 0.57, 0.57, 0.57},
                    {0, 0, 0, 0, 0.2, 0.5, 0.98, 1, 1, 1, 1},
                    0.8,
                    0.82,
                    {1, 0, 0}};
        default:
            return {kRed, kGreen, kBlue, 0.4, 0.4, {1, 1, 1}};
    }
}

void StopColour(const SkyLook& look, int k) {
    const auto i = static_cast<std::size_t>(k);
    glColor3d(look.weightA * look.red[i] + (1 - look.weightA) * look.tint.r,
              look.weightB * look.green[i] + (1 - look.weightB) * look.tint.g,
              look.weightA * look.blue[i] + (1 - look.weightA) * look.tint.b);
}

Vec3 Column(const Mat4& m, int c) {
    return {m.m[0][c], m.m[1][c], m.m[2][c]};
}

Vec3 DomeDirection(double theta, double phi) {
    return {std::sin(theta) * std::sin(phi), std::sin(theta) * std::cos(phi), std::cos(theta)};
}

void Light(int index, bool on, const Vec3& direction) {
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(index);
    if (!on) {
        glDisable(light);
        return;
    }
    const GLfloat ambient[] = {0.1f, 0.1f, 0.1f, 1}, diffuse[] = {0.5f, 0.5f, 0.5f, 1};
    const GLfloat position[] = {float(direction.x), float(direction.y), float(direction.z), 0};
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, diffuse);
    glLightfv(light, GL_POSITION, position);
    glEnable(light);
}

}  // namespace

Rgb TintColour(int background, bool backgroundOn, Rgb c) {
    if (!backgroundOn) background = kClearSky;
    switch (background) {
        case kMars:
            return {0.8 * c.r + 0.2, 0.8 * c.g + 0.1, 0.8 * c.b + 0.04};
        case kMoon:
            return {0.7 * c.r + 0.3, 0.7 * c.g + 0.3, 0.7 * c.b + 0.3};
        case kDusk:
            return {c.r, 0.8 * c.g, 0.7 * c.b};
        default:
            return {0.8 * c.r, 0.8 * c.g, 0.8 * c.b};
    }
}

void SetLights(int background, bool backgroundOn, const CWndView& view) {
    if (!backgroundOn) background = kClearSky;
    const Vec3 b = Column(view.modelViewInverse, 2);
    switch (background) {
        case kMoon:
            Light(0, false, {}), Light(1, false, {});
            Light(2, true, {0, 0, 1}), Light(3, true, {-b.x, -b.y, b.z});
            break;
        case kDusk:
            Light(0, true, {-1, -1, 0.3}), Light(1, true, {1, -1, 0.3});
            Light(2, true, {0, 1, 0.3}), Light(3, false, {});
            break;
        default:
            Light(0, true, {0.3, 0.5, 0.5}), Light(1, true, {-0.3, 0.4, 0.5});
            Light(2, true, {0.1, -0.5, 0.6}), Light(3, false, {});
            break;
    }
}

void DrawSky(int background, const CWndView& view) {
    if (background == kMoon) return;
    const SkyLook look = LookOf(background);
    const Vec3 b = Column(view.modelViewInverse, 2);
    const Vec3 centre = Column(view.modelViewInverse, 3);
    const double radius = 2.5 * Length(b) * std::pow(6.0, view.projection);
    constexpr double kPi = 3.14159265358979323846;
    // The dome lies behind everything and is drawn first: no depth to test or write.
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    for (int i = 0; i < 10; ++i) {
        const double t0 = i * 0.1 * kPi, t1 = (i + 1) * 0.1 * kPi;
        for (int j = 0; j < 10; ++j) {
            const double p0 = j * 0.2 * kPi, p1 = (j + 1) * 0.2 * kPi;
            // Quads behind the camera are never seen.
            if (Dot(DomeDirection(t0, p0), b) > 0.1 * Length(b)) continue;
            const Vec3 corners[4] = {DomeDirection(t0, p0), DomeDirection(t0, p1), DomeDirection(t1, p1),
                                     DomeDirection(t1, p0)};
            for (int c = 0; c < 4; ++c) {
                StopColour(look, c < 2 ? 10 - i : 9 - i);
                const Vec3 v = centre + corners[c] * radius;
                glVertex3d(v.x, v.y, v.z);
            }
        }
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace korvan
