#include "script/SceneDocument.h"

#include <algorithm>

namespace korvan {

namespace {

std::string Numbered(const char* prefix, int n) {
    return prefix + std::to_string(n);
}

template <class T>
int IndexIn(const std::vector<std::unique_ptr<T>>& list, const T* item) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item) return static_cast<int>(i);
    return -1;
}

}  // namespace

CWndView* SceneDocument::AddView(const std::string& name) {
    views.push_back(std::make_unique<CWndView>(Numbered("View", ++viewCounter), name));
    return views.back().get();
}

CWndMeter* SceneDocument::AddMeter(const std::string& name) {
    meters.push_back(std::make_unique<CWndMeter>(Numbered("Meter", ++meterCounter), name));
    return meters.back().get();
}

CWndMusic* SceneDocument::AddMusic(const std::string& name) {
    musics.push_back(std::make_unique<CWndMusic>(Numbered("Music", ++musicCounter), name));
    return musics.back().get();
}

int SceneDocument::IndexOf(const CWndView* view) const {
    return IndexIn(views, view);
}
int SceneDocument::IndexOf(const CWndMeter* meter) const {
    return IndexIn(meters, meter);
}

void SceneDocument::MountView(CObj* body, int index, const _VIEWPOINT& camera) {
    for (int i = 0; i < scene.Count(); ++i) {
        CObj* other = scene.Body(i);
        for (std::size_t k = 0; k < other->mountedViews.size();) {
            if (other->mountedViews[k] == index) {
                other->mountedViews.erase(other->mountedViews.begin() + static_cast<long>(k));
                other->viewpoints.erase(other->viewpoints.begin() + static_cast<long>(k));
            } else {
                ++k;
            }
        }
    }
    body->mountedViews.push_back(index);
    body->viewpoints.push_back(camera);
}

CObj* SceneDocument::MountOf(int index) const {
    for (int i = 0; i < scene.Count(); ++i) {
        const auto& m = scene.Body(i)->mountedViews;
        if (std::find(m.begin(), m.end(), index) != m.end()) return scene.Body(i);
    }
    return nullptr;
}

void SceneDocument::RemoveView(int index) {
    if (index < 0 || index >= static_cast<int>(views.size())) return;
    for (int i = 0; i < scene.Count(); ++i) {
        CObj* body = scene.Body(i);
        for (std::size_t k = 0; k < body->mountedViews.size();) {
            int& mounted = body->mountedViews[k];
            if (mounted == index) {
                body->mountedViews.erase(body->mountedViews.begin() + static_cast<long>(k));
                body->viewpoints.erase(body->viewpoints.begin() + static_cast<long>(k));
                continue;
            }
            if (mounted > index) --mounted;
            ++k;
        }
    }
    views.erase(views.begin() + index);
}

void SceneDocument::ClearFrames() {
    TruncateFrames(0, 0, 0);
}

void SceneDocument::TruncateFrames(std::size_t keepViews, std::size_t keepMeters, std::size_t keepMusics) {
    for (int i = 0; i < scene.Count(); ++i) {
        CObj* body = scene.Body(i);
        for (std::size_t k = 0; k < body->mountedViews.size();) {
            if (static_cast<std::size_t>(body->mountedViews[k]) >= keepViews) {
                body->mountedViews.erase(body->mountedViews.begin() + static_cast<long>(k));
                body->viewpoints.erase(body->viewpoints.begin() + static_cast<long>(k));
            } else {
                ++k;
            }
        }
        std::erase_if(body->meterLinks,
                      [&](const MeterLink& l) { return static_cast<std::size_t>(l.meter) >= keepMeters; });
    }
    if (views.size() > keepViews) views.resize(keepViews);
    if (meters.size() > keepMeters) meters.resize(keepMeters);
    if (musics.size() > keepMusics) musics.resize(keepMusics);
}

}  // namespace korvan
