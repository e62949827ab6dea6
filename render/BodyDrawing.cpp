// A body's three passes: its shape (from display lists), the kind's own geometry, the factory
// highlights and the pass-0 markers.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "render/Atmosphere.h"
#include "render/DrawInternals.h"
#include "sim/ObjDef.h"
#include "sim/ObjGround.h"
#include "sim/ObjSpring.h"

namespace korvan {

namespace {

constexpr double kOpaque = 0.99999;

Vec3 Column(const Mat4& m, int c) {
    return {m.m[0][c], m.m[1][c], m.m[2][c]};
}

void Vertex(const Vec3& v) {
    glVertex3d(v.x, v.y, v.z);
}

void Normal(const Vec3& n) {
    glNormal3d(n.x, n.y, n.z);
}

void Material(GLenum name, double r, double g, double b, double a) {
    const GLfloat v[] = {float(r), float(g), float(b), float(a)};
    glMaterialfv(GL_FRONT_AND_BACK, name, v);
}

// Pulses between 0 and 1 about twice a second: ((sin 15t + 1) / 2)^2.
double Pulse(double t) {
    const double half = std::max(0.0, (std::sin(15 * t) + 1) / 2);
    return half * half;
}

ShapeSignature SignatureOf(const CObj& body) {
    ShapeSignature s{
        body.vertexX.size(), static_cast<std::size_t>(body.FaceCount()), body.crashPoints.size(), {}};
    std::copy(std::begin(body.bounds), std::end(body.bounds), s.bounds);
    return s;
}

// ---- Shapes ---------------------------------------------------------------------------------

void DrawFaces(const CObj& body) {
    for (std::size_t f = 0; f < body.faces.size(); ++f) {
        glBegin(GL_POLYGON);
        glNormal3d(body.faceNormalX[f], body.faceNormalY[f], body.faceNormalZ[f]);
        for (int v : body.faces[f].v) {
            if (v < 0) continue;  // a triangle stored in a four-index face
            const auto i = static_cast<std::size_t>(v);
            glVertex3d(body.vertexX[i], body.vertexY[i], body.vertexZ[i]);
        }
        glEnd();
    }
}

// The ground carries a smooth normal and its colour image's coordinate at every vertex; its
// mesh is derived from the height field cell by cell.
void DrawGroundFaces(const CObjGround& ground) {
    auto vertex = [&](const Vec3& p, const Vec3& normal) {
        Normal(normal);
        glTexCoord2d(ground.TextureU(p.x), ground.TextureV(p.y));
        glVertex3d(p.x, p.y, p.z);
    };
    glBegin(GL_TRIANGLES);
    for (int j = 0; j < ground.gridRows; ++j)
        for (int i = 0; i < ground.gridColumns; ++i) {
            // corners counter-clockwise from (i, j); triangle t runs from corner t to t + 1
            const Vec3 corners[4] = {ground.Corner(i, j), ground.Corner(i + 1, j),
                                     ground.Corner(i + 1, j + 1), ground.Corner(i, j + 1)};
            const Vec3 normals[4] = {ground.CornerNormal(i, j), ground.CornerNormal(i + 1, j),
                                     ground.CornerNormal(i + 1, j + 1), ground.CornerNormal(i, j + 1)};
            const Vec3 centre = ground.Centre(i, j), centreNormal = ground.CentreNormal(i, j);
            for (int t = 0; t < 4; ++t) {
                vertex(corners[t], normals[t]);
                vertex(corners[(t + 1) % 4], normals[(t + 1) % 4]);
                vertex(centre, centreNormal);
            }
        }
    glEnd();
}

void DrawShape(const CObj& body) {
    if (const auto* ground = dynamic_cast<const CObjGround*>(&body))
        DrawGroundFaces(*ground);
    else
        DrawFaces(body);
}

void CallShapeList(const CObj& body, BodyLists& lists) {
    if (!lists.shape) {
        lists.shape = glGenLists(1);
        glNewList(lists.shape, GL_COMPILE);
        DrawShape(body);
        glEndList();
    }
    glCallList(lists.shape);
}

// A coil of eight turns around the spring's axis (body y), end to end.
void DrawCoil(const CObjSpring& spring) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr int kTurns = 8, kSteps = 24;
    const double h = spring.widthW / 2, r = spring.widthR * 1.1, wire = spring.widthR * 0.08;
    for (int side = -1; side <= 1; side += 2) {  // two strands make a flat band that catches light
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= kTurns * kSteps; ++i) {
            const double a = 2 * kPi * i / kSteps;
            const double y = -h + 2 * h * i / (kTurns * kSteps);
            const Vec3 n{std::cos(a), 0, std::sin(a)};
            Normal(n);
            Vertex({r * n.x, y - wire * side, r * n.z});
            Vertex({r * n.x, y + wire * side, r * n.z});
        }
        glEnd();
    }
}

// A gear outline (body xz plane) extruded to thickness t around y = y0.
void DrawGear(const std::vector<Vec3>& outline, double y0, double t) {
    if (outline.size() < 3) return;
    const double y1 = y0 - t / 2, y2 = y0 + t / 2;
    glBegin(GL_QUAD_STRIP);
    for (std::size_t i = 0; i <= outline.size(); ++i) {
        const Vec3& p = outline[i % outline.size()];
        Normal({p.x, 0, p.z});
        Vertex({p.x, y1, p.z});
        Vertex({p.x, y2, p.z});
    }
    glEnd();
    for (double y : {y1, y2}) {
        glBegin(GL_POLYGON);
        Normal({0, y > y0 ? 1.0 : -1.0, 0});
        for (const Vec3& p : outline) Vertex({p.x, y, p.z});
        glEnd();
    }
}

// The ring gears sit at the two ends, the pinions between them.
void DrawGearTeeth(const CObjDef& def) {
    const double h = def.widthW / 2, t = def.GearThickness();
    DrawGear(def.ringGearOutline, h - t / 2, t);
    DrawGear(def.ringGearOutline, -h + t / 2, t);
    glPushMatrix();
    glRotated(90, 1, 0, 0);
    DrawGear(def.pinionOutline, 0, t);
    glPopMatrix();
}

void CallKindList(const CObj& body, BodyLists& lists) {
    const auto* spring = dynamic_cast<const CObjSpring*>(&body);
    const auto* def = dynamic_cast<const CObjDef*>(&body);
    if (!spring && !def) return;
    if (!lists.extra) {
        lists.extra = glGenLists(1);
        glNewList(lists.extra, GL_COMPILE);
        if (spring) DrawCoil(*spring);
        if (def) DrawGearTeeth(*def);
        glEndList();
    }
    glCallList(lists.extra);
}

// ---- Materials ------------------------------------------------------------------------------

void UploadGroundTexture(const CObjGround& ground, BodyLists& lists) {
    if (lists.textureRevision == ground.colorImageRevision && lists.texture) return;
    if (lists.texture) glDeleteTextures(1, &lists.texture);
    lists.texture = 0;
    lists.textureRevision = ground.colorImageRevision;
    const ImageBuffer& image = ground.colorImage;
    if (image.Empty()) return;
    glGenTextures(1, &lists.texture);
    glBindTexture(GL_TEXTURE_2D, lists.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows are padded to four bytes
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;
    gluBuild2DMipmaps(GL_TEXTURE_2D, image.channels, image.width, image.height, format, GL_UNSIGNED_BYTE,
                      image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // The image covers the ground exactly once; repeating would bleed the far edge into the near one.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void BindGroundTexture(const CObj& body, BodyLists& lists, int pass) {
    const auto* ground = dynamic_cast<const CObjGround*>(&body);
    if (!ground || pass == 1) return;
    UploadGroundTexture(*ground, lists);
    if (!lists.texture) return;
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_2D, lists.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
}

void LitMaterial(const ViewContext& c, const CObj& body, double alpha) {
    const Rgb tinted =
        TintColour(c.in.background, c.Flag(ViewFlag::BACKGROUND), {body.colorR, body.colorG, body.colorB});
    glEnable(GL_LIGHTING);
    const std::array<double, 4> material{tinted.r, tinted.g, tinted.b, alpha};
    if (material == c.litMaterial) return;
    c.litMaterial = material;
    Material(GL_EMISSION, 0, 0, 0, 0);
    Material(GL_AMBIENT, tinted.r, tinted.g, tinted.b, alpha);
    Material(GL_DIFFUSE, tinted.r, tinted.g, tinted.b, alpha);
    Material(GL_SPECULAR, 1, 1, 1, alpha);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 64);
}

void BeginMaterial(const ViewContext& c, const CObj& body, BodyLists& lists, int subPass, int pass) {
    glDisable(GL_TEXTURE_2D);
    const double alpha = body.opacity * (c.Flag(ViewFlag::BLENDALL) ? 0.2 : 1);
    if (subPass == 0) {
        LitMaterial(c, body, alpha);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        BindGroundTexture(body, lists, pass);
    } else {
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(-1, 1);
        glDisable(GL_LIGHTING);
        glColor4d(body.colorR, body.colorG, body.colorB, 1);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    }
}

// Lighting stays on after a filled sub-pass: the next body's material turns it on again, and
// switching it per body makes the driver choose its vertex program anew each time. Whatever
// draws unlit turns it off itself.
void EndMaterial(int subPass) {
    if (subPass == 1) glDisable(GL_POLYGON_OFFSET_LINE);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// Gear teeth and coils are lit with the tinted colour alone, specular included.
void KindMaterial(const ViewContext& c, const CObj& body, double alpha) {
    const Rgb t =
        TintColour(c.in.background, c.Flag(ViewFlag::BACKGROUND), {body.colorR, body.colorG, body.colorB});
    glEnable(GL_LIGHTING);
    c.litMaterial = {-1, -1, -1, -1};
    Material(GL_EMISSION, 0, 0, 0, 0);
    Material(GL_AMBIENT, t.r, t.g, t.b, alpha);
    Material(GL_DIFFUSE, t.r, t.g, t.b, alpha);
    Material(GL_SPECULAR, t.r, t.g, t.b, alpha);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 64);
}

// ---- Factory highlights ---------------------------------------------------------------------

void DrawHighlights(const ViewContext& c, const CObj& body, BodyLists& lists) {
    unsigned kinds = c.in.highlights ? c.in.highlights(body) : 0;
    if (body.selected) kinds |= kHighlightMarked;
    if (!kinds) return;
    static constexpr Rgb kColours[3] = {{1, 0, 0}, {0, 0.7, 1}, {0.3, 0.3, 0.3}};
    glDisable(GL_LIGHTING);
    glLineWidth(3);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    for (unsigned k = 0; k < 3; ++k) {
        if (!(kinds & (1u << k))) continue;
        glColor4d(kColours[k].r, kColours[k].g, kColours[k].b, Pulse(c.time));
        CallShapeList(body, lists);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1);
}

// ---- Markers --------------------------------------------------------------------------------

void Point(const Vec3& p, double size, double r, double g, double b) {
    glPointSize(static_cast<GLfloat>(size));
    glColor3d(r, g, b);
    glBegin(GL_POINTS);
    Vertex(p);
    glEnd();
}

void DrawGrabMarkers(const ViewContext& c, const CObj& body, const BodyFrame& frame) {
    if (body.grabActive != 1 && body.grabActive != 2) return;
    LoadCamera(c, frame.drawMatrix);
    Point(body.grabLocalPoint, 10, 1, 0, 0);
    LoadCamera(c);
    const bool pulling = body.grabActive == 1 && !body.IsFixed();
    if (pulling && c.in.grabMode == 1)
        Point(body.grabTarget, 10, 1, 0.5, 0);
    else if (pulling && c.in.grabMode == 2)
        Point(body.grabTarget, 10, 1, 1, 0);
    else
        Point(body.grabTarget, 10, 0, 1, 0);
    LoadCamera(c, frame.drawMatrix);
}

// Length L = clamp(3 log10(|F| / B) + 10, 0, 10): the break force draws 10, every factor of
// ten less draws 3 shorter.
void DrawForceArrows(const CObj& body, const BodyFrame& frame) {
    glColor3d(1, 0, 0);
    glLineWidth(1);
    glBegin(GL_LINES);
    for (const _JOININFO& j : body.joins) {
        if (!j.partner) continue;
        const double force = Length(j.lastForceLocal);
        if (force == 0 || j.effBreak == 0) continue;
        const double length = std::clamp(3 * std::log10(force / j.effBreak) + 10, 0.0, 10.0);
        const Vec3 dir = j.lastForceLocal * (1 / force);
        const Vec3 tip = j.localPoint + dir * length;
        Vec3 side = Cross(dir, frame.back);
        side = Length(side) > 0 ? Normalized(side) : Vec3{};
        const double head = 0.5 * length;
        Vertex(j.localPoint), Vertex(tip);
        Vertex(tip), Vertex(tip - dir * head + side * (0.3 * head));
        Vertex(tip), Vertex(tip - dir * head - side * (0.3 * head));
    }
    glEnd();
}

void DrawJoinPoints(const CObj& body) {
    glPointSize(7);
    glColor3d(1, 0, 0);
    glBegin(GL_POINTS);
    for (const _JOININFO& j : body.joins) Vertex(j.localPoint);
    glEnd();
}

void DrawCrashPoints(const ViewContext& c, const CObj& body, const BodyFrame& frame, BodyLists& lists) {
    if (!lists.crash) {
        lists.crash = glGenLists(1);
        glNewList(lists.crash, GL_COMPILE);
        glPointSize(7);
        glColor3d(0, 1, 0);
        glBegin(GL_POINTS);
        for (const _CRASHINFO& p : body.crashPoints) Vertex(p.localPoint);
        glEnd();
        glEndList();
    }
    glCallList(lists.crash);
    // Points in contact show where they touch the other body.
    LoadCamera(c);
    glPointSize(20);
    glColor3d(1, 0.1, 0);
    glBegin(GL_POINTS);
    for (const _CRASHINFO& p : body.crashPoints)
        if (p.contactBody) Vertex(p.contactBody->ToWorldPoint(0, p.anchor));
    glEnd();
    LoadCamera(c, frame.drawMatrix);
}

}  // namespace

BodyFrame PrepareDraw(const CObj& body, const CWndView& view) {
    BodyFrame f;
    ToColumnMajor(body.LocalToWorld(), f.drawMatrix);
    const Vec3 back = Column(view.modelViewInverse, 2);
    f.back = body.ToBodyVector(0, back);
    f.up = body.ToBodyVector(0, Column(view.modelViewInverse, 1));
    f.scale = Length(back);
    return f;
}

void LoadCamera(const ViewContext& c, const double* m) {
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(c.camera);
    if (m) glMultMatrixd(m);
}

void DrawPass(const ViewContext& c, const CObj& body, const BodyFrame& frame, BodyLists& lists, int pass) {
    if (!(lists.signature == SignatureOf(body))) {
        ReleaseBodyLists(lists);
        lists.signature = SignatureOf(body);
    }
    const bool blendAll = c.Flag(ViewFlag::BLENDALL);
    const bool opaque = body.opacity >= kOpaque;
    if (blendAll ? pass != 2 : (opaque ? pass == 2 : pass != 2)) return;
    // The shadow layer darkens receivers where a caster lies above them; without shadow maps
    // there is nothing to darken, and drawing the black layer would hide the body.
    if (pass == 1) return;
    const bool kindGeometry =
        c.factory && (dynamic_cast<const CObjSpring*>(&body) || dynamic_cast<const CObjDef*>(&body));
    const bool shape = c.Flag(ViewFlag::SOLID) || (c.Flag(ViewFlag::SKIN) && body.skins.empty());
    if (!shape && !kindGeometry) return;

    double m[16];
    std::copy(std::begin(frame.drawMatrix), std::end(frame.drawMatrix), m);
    if (const auto* spring = dynamic_cast<const CObjSpring*>(&body)) {
        // Each end has moved out by the extension e: the shape stretches by (h + e) / h along y.
        const double h = spring->widthW / 2;
        const double stretch = h > 0 ? (h + spring->extension.value[0]) / h : 1;
        for (int r = 0; r < 3; ++r) m[4 + r] *= stretch;
    }
    LoadCamera(c, m);
    if (c.factory && pass == 2) DrawHighlights(c, body, lists);

    const bool wire = c.Flag(ViewFlag::WIREFRAME);
    const double alpha = body.opacity * (blendAll ? 0.2 : 1);
    for (int subPass = 0; subPass < 2; ++subPass) {
        const bool run = subPass == 0 ? (blendAll && pass == 2) || (!blendAll && !wire) : wire;
        if (!run) continue;
        BeginMaterial(c, body, lists, subPass, pass);
        if (shape) CallShapeList(body, lists);
        if (kindGeometry) {
            if (subPass == 0) KindMaterial(c, body, alpha);
            CallKindList(body, lists);
        }
        EndMaterial(subPass);
    }
}

void DrawMarkers(const ViewContext& c, const CObj& body, const BodyFrame& frame, BodyLists& lists, int pass) {
    if (pass != 0) return;
    const bool grabbed = body.grabActive == 1 || body.grabActive == 2;
    if (!grabbed && !c.Flag(ViewFlag::FORCE) && !c.Flag(ViewFlag::JOIN) && !c.Flag(ViewFlag::CRASH)) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    LoadCamera(c, frame.drawMatrix);
    DrawGrabMarkers(c, body, frame);
    if (c.Flag(ViewFlag::FORCE)) DrawForceArrows(body, frame);
    if (c.Flag(ViewFlag::JOIN)) DrawJoinPoints(body);
    if (c.Flag(ViewFlag::CRASH)) DrawCrashPoints(c, body, frame, lists);
    glPointSize(1);
}

void ReleaseBodyLists(BodyLists& lists) {
    for (unsigned* list : {&lists.shape, &lists.crash, &lists.extra}) {
        if (*list) glDeleteLists(*list, 1);
        *list = 0;
    }
}

}  // namespace korvan
