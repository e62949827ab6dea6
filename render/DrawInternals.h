#pragma once
// Shared by the drawing files of render/: the per-body caches of the drawer and what one view's
// drawing needs to hand around.
#include <array>
#include <string>
#include <unordered_map>

#include "render/SceneDrawer.h"
#include "render/ViewPicture.h"

namespace korvan {

class CObj;

// The geometry a body's lists were compiled from; a change means new lists.
struct ShapeSignature {
    std::size_t vertices = 0, faces = 0, crashPoints = 0;
    double bounds[6] = {};
    bool operator==(const ShapeSignature&) const = default;
};

struct BodyLists {
    unsigned shape = 0;
    unsigned crash = 0;
    unsigned extra = 0;  // the kind's own geometry: spring coil, gear teeth
    ShapeSignature signature;
    unsigned texture = 0;  // ground colour image
    int textureRevision = -1;
    GlText name;
    std::string nameText;
    bool alive = false;  // seen in the scene this frame
};

struct SceneDrawer::Caches {
    std::unordered_map<const CObj*, BodyLists> bodies;
    std::unordered_map<const CWndView*, GlText> titles;
    std::unordered_map<const CWndView*, std::string> titleTexts;
    std::unordered_map<const CWndView*, PictureTexture> pictures;
};

// The view's camera seen from one body.
struct BodyFrame {
    double drawMatrix[16] = {};  // column-major body -> world
    Vec3 back;                   // the view's backward axis in body coordinates
    Vec3 up;                     // the view's up axis in body coordinates
    double scale = 1;            // |back|: grows with the camera distance
};

struct ViewContext {
    const DrawInputs& in;
    const ViewFlags& flags;
    const CWndView& view;
    const RenderFonts& fonts;
    SceneDrawer::Caches& caches;
    double time = 0;         // simulated seconds, for the pulsing highlights
    double camera[16] = {};  // column-major world -> eye
    bool factory = false;
    // The body material last set (tinted r, g, b, alpha): bodies of one colour in a row set it once.
    mutable std::array<double, 4> litMaterial{-1, -1, -1, -1};

    bool Flag(ViewFlag f) const { return flags[f]; }
};

// Body drawing (BodyDrawing.cpp).
BodyFrame PrepareDraw(const CObj& body, const CWndView& view);
void DrawPass(const ViewContext& c, const CObj& body, const BodyFrame& frame, BodyLists& lists, int pass);
void DrawMarkers(const ViewContext& c, const CObj& body, const BodyFrame& frame, BodyLists& lists, int pass);
void ReleaseBodyLists(BodyLists& lists);

// Guides drawn over everything (Guides.cpp).
void DrawConnectionPoints(const ViewContext& c, const CObj& body, const BodyFrame& frame);
void DrawPointerGuides(const ViewContext& c, const SceneDocument& doc, const std::vector<BodyFrame>& frames);

// Loads the camera, then `m` (column-major) if given.
void LoadCamera(const ViewContext& c, const double* m = nullptr);

}  // namespace korvan
