#include "render/SceneDrawer.h"

#include <unordered_set>

#include <GL/gl.h>

#include "render/Atmosphere.h"
#include "render/DrawInternals.h"
#include "script/SceneDocument.h"

namespace korvan {

namespace {

const ViewFlags& FlagsOf(const DrawInputs& in) {
    static const ViewFlags fallback = ViewFlags::AtStartUp(Settings{});
    return in.flags ? *in.flags : fallback;
}

void LoadProjection(const CWndView& view, const ViewLayout& layout) {
    double m[16];
    ToColumnMajor(ProjectionMatrix(view, double(layout.height) / layout.width), m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(m);
    glMatrixMode(GL_MODELVIEW);
}

// Pass 0 writes depth with blending off; the shadow and translucent passes blend over it
// without writing depth.
void BeginPass(int pass) {
    glDepthMask(pass == 0 ? GL_TRUE : GL_FALSE);
    if (pass == 0) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

// ---- Window frames --------------------------------------------------------------------------

void PixelProjection(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);  // pixels from the top-left, y downwards
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Quad(double x0, double y0, double x1, double y1) {
    glVertex2d(x0, y0), glVertex2d(x1, y0), glVertex2d(x1, y1), glVertex2d(x0, y1);
}

void DrawViewFrame(const ViewLayout& v, const FrameMetrics& f, bool active, const GlText& title) {
    const double edge = active ? 0.4 : 0.2;
    const double rE = edge / 2, gE = edge, bE = edge * 2;  // (0.1, 0.2, 0.4) or (0.2, 0.4, 0.8)
    const int b = f.border, t = f.title;
    glBegin(GL_QUADS);
    glColor3d(0, 0, 0);
    glVertex2d(v.left + b, v.top + b), glVertex2d(v.right - b, v.top + b);
    glColor3d(rE, gE, bE);
    glVertex2d(v.right - b, v.top + b + t), glVertex2d(v.left + b, v.top + b + t);
    Quad(v.left, v.top, v.left + b, v.bottom);
    Quad(v.right - b, v.top, v.right, v.bottom);
    Quad(v.left, v.bottom - b, v.right, v.bottom);
    Quad(v.left, v.top, v.right, v.top + b);
    glEnd();
    const double y = v.top + b + t / 2.0 + 5;  // baseline near the middle of the title bar
    for (int dx = 0; dx < 2; ++dx) {
        glColor3d(0.3, active ? 0.6 : 0.5, active ? 1.0 : 0.8);
        glRasterPos2d(v.left + t + dx, y);
        title.Draw();
    }
}

}  // namespace

SceneDrawer::SceneDrawer() : caches_(std::make_unique<Caches>()) {}
SceneDrawer::~SceneDrawer() = default;

void SceneDrawer::Initialise(int logicalProcessors) {
    fonts_.Build(logicalProcessors);
    glEnable(GL_MULTISAMPLE);
    initialised_ = true;
}

void SceneDrawer::Release() {
    ReleaseDisplayLists();
    for (auto& [body, lists] : caches_->bodies) {
        if (lists.texture) glDeleteTextures(1, &lists.texture);
        lists.name.Release();
    }
    caches_->bodies.clear();
    for (auto& [view, title] : caches_->titles) title.Release();
    caches_->titles.clear();
    for (auto& [view, picture] : caches_->pictures) picture.Release();
    caches_->pictures.clear();
    fonts_.Release();
    initialised_ = false;
}

void SceneDrawer::ReleaseDisplayLists() {
    for (auto& [body, lists] : caches_->bodies) ReleaseBodyLists(lists);
}

void SceneDrawer::DrawFrame(SceneDocument& doc, const DrawInputs& in, int width, int height) {
    const auto start = std::chrono::steady_clock::now();
    if (!initialised_) Initialise(1);
    UpdateMountedViews(doc);

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    depthClean_ = true;

    layouts_.clear();
    for (const auto& view : doc.views) layouts_.push_back(LayoutView(*view, width, height, in.frame));
    glEnable(GL_SCISSOR_TEST);
    for (std::size_t i = 0; i < doc.views.size(); ++i) {
        const ViewLayout& v = layouts_[i];
        if (v.width <= 0 || v.height <= 0) continue;
        glViewport(v.x, v.y, v.width, v.height);
        glScissor(v.x, v.y, v.width, v.height);  // one view's depth clear leaves the others alone
        LoadProjection(*doc.views[i], v);
        DrawView(doc, *doc.views[i], in);
    }
    glDisable(GL_SCISSOR_TEST);

    // Frames and titles of the views over everything.
    PixelProjection(width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    for (std::size_t i = 0; i < doc.views.size(); ++i) {
        const CWndView* view = doc.views[i].get();
        GlText& title = caches_->titles[view];
        std::string& text = caches_->titleTexts[view];
        if (!title.Built() || text != view->displayName) {
            title.Build(QString::fromStdString(view->displayName), fonts_.titleFont);
            text = view->displayName;
        }
        DrawViewFrame(layouts_[i], in.frame, static_cast<int>(i) == in.activeView, title);
    }
    if (FlagsOf(in)[ViewFlag::SEAL]) {
        for (std::size_t i = 0; i < doc.views.size(); ++i)
            DrawViewPicture(*doc.views[i], layouts_[i], height, in.frame.title,
                            caches_->pictures[doc.views[i].get()]);
        PixelProjection(width, height);
    }
    glEnable(GL_DEPTH_TEST);
    PruneViewCaches(doc);
    glFlush();
    drawSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every frame fills the title cache for every view, so more entries than views means a view left
// the document: its title lists and picture texture go while this context is current.
void SceneDrawer::PruneViewCaches(const SceneDocument& doc) {
    if (caches_->titles.size() <= doc.views.size() && caches_->pictures.size() <= doc.views.size()) return;
    std::unordered_set<const CWndView*> present;
    for (const auto& view : doc.views) present.insert(view.get());
    for (auto it = caches_->titles.begin(); it != caches_->titles.end();) {
        if (present.contains(it->first)) {
            ++it;
            continue;
        }
        it->second.Release();
        caches_->titleTexts.erase(it->first);
        it = caches_->titles.erase(it);
    }
    for (auto it = caches_->pictures.begin(); it != caches_->pictures.end();) {
        if (present.contains(it->first)) {
            ++it;
            continue;
        }
        it->second.Release();
        it = caches_->pictures.erase(it);
    }
}

std::size_t SceneDrawer::CachedViewCount() const {
    std::unordered_set<const CWndView*> views;
    for (const auto& entry : caches_->titles) views.insert(entry.first);
    for (const auto& entry : caches_->pictures) views.insert(entry.first);
    return views.size();
}

void SceneDrawer::DrawView(SceneDocument& doc, const CWndView& view, const DrawInputs& in) {
    const ViewFlags& flags = FlagsOf(in);
    ViewContext c{in, flags, view, fonts_, *caches_};
    c.time = doc.scene.settings.CurTime;
    c.factory = in.mode == kFactoryMode;
    ToColumnMajor(view.modelView, c.camera);

    glEnable(GL_NORMALIZE);
    if (flags[ViewFlag::BACKGROUND]) {
        LoadCamera(c);
        DrawSky(in.background, view);
    }
    // A scissored clear is a full quad on a software renderer: the first view of a frame finds the
    // depth buffer still clean from the frame's clear (the sky writes no depth) and skips it.
    if (!depthClean_) glClear(GL_DEPTH_BUFFER_BIT);
    depthClean_ = false;
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);

    const int count = doc.scene.Count();
    std::vector<BodyFrame> frames(static_cast<std::size_t>(count));
    for (auto& [body, lists] : caches_->bodies) lists.alive = false;
    std::vector<BodyLists*> lists(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const CObj* body = doc.scene.Body(i);
        frames[static_cast<std::size_t>(i)] = PrepareDraw(*body, view);
        BodyLists& l = caches_->bodies[body];
        l.alive = true;
        lists[static_cast<std::size_t>(i)] = &l;
    }
    // Bodies gone from the scene leave their lists behind; free them now.
    for (auto it = caches_->bodies.begin(); it != caches_->bodies.end();) {
        if (it->second.alive) {
            ++it;
            continue;
        }
        ReleaseBodyLists(it->second);
        if (it->second.texture) glDeleteTextures(1, &it->second.texture);
        it->second.name.Release();
        it = caches_->bodies.erase(it);
    }

    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1 && !flags[ViewFlag::SHADE]) continue;
        LoadCamera(c);
        SetLights(in.background, flags[ViewFlag::BACKGROUND], view);
        BeginPass(pass);
        for (int i = 0; i < count; ++i) {
            const CObj& body = *doc.scene.Body(i);
            if (!body.visible) continue;
            if (pass == 1 && body.ShadeReceive <= 0) continue;
            const auto k = static_cast<std::size_t>(i);
            DrawPass(c, body, frames[k], *lists[k], pass);
            DrawMarkers(c, body, frames[k], *lists[k], pass);
        }
    }

    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    for (int i = 0; i < count; ++i) {
        const CObj& body = *doc.scene.Body(i);
        if (body.visible) DrawConnectionPoints(c, body, frames[static_cast<std::size_t>(i)]);
    }
    DrawPointerGuides(c, doc, frames);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_POLYGON_STIPPLE);
}

}  // namespace korvan
