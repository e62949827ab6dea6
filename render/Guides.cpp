// What is drawn over the scene with the depth test off: connection points with their letters,
// the pointed position, the name label of the pointed body, the axes of the selected body and
// the grab guide text.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "render/DrawInternals.h"
#include "script/SceneDocument.h"

namespace korvan {

namespace {

void Vertex(const Vec3& v) {
    glVertex3d(v.x, v.y, v.z);
}

void RasterAt(const Vec3& p, double r, double g, double b) {
    glColor3d(r, g, b);  // the raster colour is taken when the position is set
    glRasterPos3d(p.x, p.y, p.z);
}

// Letters of the points of a group, by position in the group.
const char* LetterOf(int groupSize, int position) {
    static const char* const kFour[] = {"S", "N", "A", "B"};
    if (position < 1 || position > 4) return "";
    if (groupSize == 2 && position > 2) return "";
    return kFour[position - 1];
}

bool IsSelectedGroup(const ViewContext& c, const CObj& body, std::size_t first, std::size_t size) {
    if (c.in.selectedJoinBody != &body || c.in.selectedJoinIndex < 0) return false;
    const auto index = static_cast<std::size_t>(c.in.selectedJoinIndex);
    return index >= first && index < first + size;
}

void DrawGroup(const ViewContext& c, const CObj& body, std::size_t first, std::size_t size) {
    const auto& joins = body.joins;
    if (IsSelectedGroup(c, body, first, size)) {
        const double half = (std::sin(15 * c.time) + 1) / 2;
        glColor3d(1, 0, 0);
        glLineWidth(static_cast<GLfloat>(std::max(0.1, (1 - half * half) * 9)));
    } else {
        glColor3d(0, 1, 1);
        glLineWidth(2);
    }
    glBegin(GL_LINES);
    for (std::size_t k = 0; k + 1 < size; k += 2)
        Vertex(joins[first + k].localPoint), Vertex(joins[first + k + 1].localPoint);
    glEnd();
    glLineWidth(1);
    if (size < 2) return;
    for (std::size_t k = 0; k < size; ++k) {
        const _JOININFO& j = joins[first + k];
        if (!j.partner && j.rampCount <= 0) continue;
        RasterAt(j.localPoint, 0, 1, 1);
        c.fonts.large.Draw(LetterOf(static_cast<int>(size), j.GroupPosition()));
    }
}

// "  %g , %g , %g" with components below 1e-14 in magnitude shown as 0.
std::string CoordinateText(const Vec3& p) {
    auto clean = [](double v) { return std::fabs(v) < 1e-14 ? 0.0 : v; };
    char text[128];
    std::snprintf(text, sizeof text, "  %g , %g , %g", clean(p.x), clean(p.y), clean(p.z));
    return text;
}

void DrawNameLabel(const ViewContext& c, const CObj& body, const Vec3& at) {
    BodyLists& lists = c.caches.bodies[&body];
    if (!lists.name.Built() || lists.nameText != body.displayName) {
        lists.name.Build(QString::fromStdString(body.displayName), c.fonts.labelFont);
        lists.nameText = body.displayName;
    }
    RasterAt(at, 1, 1, 1);
    lists.name.Draw();
}

void DrawAxes(const ViewContext& c, const BodyFrame& frame) {
    struct Axis {
        Vec3 dir;
        double r, g, b;
        const char* letter;
    };
    static const Axis kAxes[3] = {{{1, 0, 0}, 0.745, 0.196, 0.118, "X"},
                                  {{0, 1, 0}, 0.196, 0.745, 0.118, "Y"},
                                  {{0, 0, 1}, 0.118, 0.392, 0.980, "Z"}};
    LoadCamera(c, frame.drawMatrix);
    const double s = frame.scale, length = 0.15 * s, head = 0.03 * s;
    glLineWidth(3);
    for (const Axis& a : kAxes) {
        Vec3 side = Cross(a.dir, frame.back);
        side = Length(side) > 0 ? Normalized(side) : Vec3{};
        const Vec3 tip = a.dir * length;
        glColor3d(a.r, a.g, a.b);
        glBegin(GL_LINES);
        Vertex({}), Vertex(tip);
        Vertex(tip), Vertex(tip - a.dir * head + side * (0.3 * head));
        Vertex(tip), Vertex(tip - a.dir * head - side * (0.3 * head));
        glEnd();
        RasterAt(a.dir * (0.18 * s), a.r, a.g, a.b);
        c.fonts.large.Draw(a.letter);
    }
    glLineWidth(1);
}

void DrawGrabGuide(const ViewContext& c, const CObj& body, double scale) {
    if (c.in.grabMode != 1 && c.in.grabMode != 2) return;
    const Vec3 grab = body.ToWorldPoint(0, body.grabLocalPoint);
    const Vec3 at = grab + Normalized(Vec3{c.view.modelViewInverse.m[0][1], c.view.modelViewInverse.m[1][1],
                                           c.view.modelViewInverse.m[2][1]}) *
                               (0.1 * scale);
    LoadCamera(c);
    if (c.in.grabMode == 1) {
        RasterAt(at, 1, 0.5, 0);
        c.fonts.guides[kGuidePullHorizontally].Draw();
    } else {
        RasterAt(at, 1, 1, 0);
        c.fonts.guides[kGuideHangVertically].Draw();
    }
}

}  // namespace

void DrawConnectionPoints(const ViewContext& c, const CObj& body, const BodyFrame& frame) {
    if (!c.Flag(ViewFlag::JOIN) && c.in.selectedJoinBody != &body) return;
    LoadCamera(c, frame.drawMatrix);
    const auto& joins = body.joins;
    for (std::size_t i = 0; i < joins.size();) {
        const auto size = static_cast<std::size_t>(std::max(1, joins[i].GroupSize()));
        if (joins[i].GroupPosition() != 1 || i + size > joins.size()) {
            ++i;
            continue;
        }
        if (size >= 2) DrawGroup(c, body, i, size);
        i += size;
    }
}

void DrawPointerGuides(const ViewContext& c, const SceneDocument& doc, const std::vector<BodyFrame>& frames) {
    const CObj* pointed = c.in.pointed;
    const int pointedIndex = pointed ? doc.scene.IndexOf(pointed) : -1;
    const double scale = Length(Vec3{c.view.modelViewInverse.m[0][2], c.view.modelViewInverse.m[1][2],
                                     c.view.modelViewInverse.m[2][2]});
    if (pointedIndex >= 0 && pointed->visible) {
        LoadCamera(c);
        glPointSize(10);
        glColor3d(1, 1, 0);
        glBegin(GL_POINTS);
        Vertex(c.in.pointedPoint);
        glEnd();
        glPointSize(1);
        if (c.factory) {
            RasterAt(c.in.pointedPoint, 1, 1, 0);
            c.fonts.fixed.Draw(CoordinateText(pointed->ToBodyPoint(0, c.in.pointedPoint)));
        }
        const bool grabbingIt = c.Flag(ViewFlag::DRAG) && pointed->grabActive == 1;
        if (c.Flag(ViewFlag::SEL) && !c.in.grabbed && !grabbingIt) {
            const Vec3 up{c.view.modelViewInverse.m[0][1], c.view.modelViewInverse.m[1][1],
                          c.view.modelViewInverse.m[2][1]};
            DrawNameLabel(c, *pointed, c.in.pointedPoint + up * 0.04);
        }
    }
    if (c.factory) {
        const CObj* axes = c.in.axesBody;
        if (!axes && pointed && pointed->typeName == "GROUND") axes = pointed;
        const int index = axes ? doc.scene.IndexOf(axes) : -1;
        if (index >= 0) DrawAxes(c, frames[static_cast<std::size_t>(index)]);
    }
    const int grabbedIndex = c.in.grabbed ? doc.scene.IndexOf(c.in.grabbed) : -1;
    if (c.Flag(ViewFlag::DRAG) && grabbedIndex >= 0) DrawGrabGuide(c, *c.in.grabbed, scale);
}

}  // namespace korvan
