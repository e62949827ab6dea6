#include "sim/Scene.h"

#include <algorithm>
#include <cstdio>

namespace korvan {

CScene::~CScene() {
    Clear();
}

int CScene::IndexOf(const CObj* body) const {
    for (std::size_t i = 0; i < bodies_.size(); ++i)
        if (bodies_[i].get() == body) return static_cast<int>(i);
    return -1;
}

CObj* CScene::FindByVarName(const std::string& varName) const {
    for (const auto& b : bodies_)
        if (b->varName == varName) return b.get();
    return nullptr;
}

std::string CScene::NextVarName(const std::string& kind) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Obj%s%d", kind.c_str(), ++nameCounter);
    std::string name = buf;
    while (FindByVarName(name)) name += "_2";
    return name;
}

void CScene::Remove(CObj* body) {
    int index = IndexOf(body);
    if (index < 0) return;
    for (const auto& other : bodies_) {
        if (other.get() == body) continue;
        for (_JOININFO& j : other->joins)
            if (j.partner == body) j.partner = nullptr, j.partnerIndex = -1;
        for (_CRASHINFO& c : other->crashPoints)
            if (c.contactBody == body) {
                bool sliding = c.sliding;
                Vec3 local = c.localPoint;
                c = _CRASHINFO{};
                c.localPoint = local, c.sliding = sliding;
            }
        std::erase_if(other->interactions, [&](const _INTRACT& r) { return r.other == body; });
        std::erase(other->contactSources, body);
        std::erase_if(other->moves, [&](const _MOVEINFO& r) { return r.other == body; });
    }
    // The bodies after it move up one lane each, their motion with them.
    for (std::size_t i = static_cast<std::size_t>(index) + 1; i < bodies_.size(); ++i)
        CopyLane(motion_[i / kMotionLanes], static_cast<int>(i % kMotionLanes),
                 motion_[(i - 1) / kMotionLanes], static_cast<int>((i - 1) % kMotionLanes));
    bodies_.erase(bodies_.begin() + index);
    AttachMotionLanes(static_cast<std::size_t>(index));
    // A body's id is its position; a new body takes the count, so the ids stay unique.
    for (std::size_t i = 0; i < bodies_.size(); ++i) bodies_[i]->id = static_cast<int>(i);
}

MotionLane CScene::ReserveMotionLane() {
    const std::size_t index = bodies_.size(), block = index / kMotionLanes;
    if (block >= motion_.size()) {
        motion_.resize(block + 1);
        AttachMotionLanes(0);
    }
    return {&motion_[block], static_cast<int>(index % kMotionLanes)};
}

void CScene::AttachMotionLanes(std::size_t first) {
    for (std::size_t i = first; i < bodies_.size(); ++i)
        bodies_[i]->motion_ = {&motion_[i / kMotionLanes], static_cast<int>(i % kMotionLanes)};
}

int CScene::PositionOf(const CObj* body) const {
    const auto k = static_cast<std::size_t>(body->id);
    return k < bodies_.size() && bodies_[k].get() == body ? body->id : IndexOf(body);
}

// Every collision definition toward a body of this scene, definers in scene order, with the
// target's index.
template <class Visit>
void CScene::ForEachContactSource(Visit&& visit) const {
    for (const auto& a : bodies_)
        for (const _INTRACT& definition : a->interactions) {
            CObj* B = definition.other;
            if (!B) continue;
            const int k = PositionOf(B);
            if (k >= 0) visit(a.get(), B, static_cast<std::size_t>(k));
        }
}

// The lists are compared with what the definitions give before anything is written: a body's
// lines are in the cache of the thread that runs it, and writing them from here every frame, even
// with the same values, would make that thread fetch them back. Capacity is kept, so a changed
// list allocates only when it grows.
void CScene::LinkContactSources() {
    sourcesMatched_.assign(bodies_.size(), 0);
    ForEachContactSource([this](CObj* a, CObj* B, std::size_t k) {
        int& matched = sourcesMatched_[k];
        if (matched < 0) return;
        const std::vector<CObj*>& held = B->contactSources;
        const auto m = static_cast<std::size_t>(matched);
        if (m > 0 && held[m - 1] == a) return;  // a further definition of a toward B
        matched = m < held.size() && held[m] == a ? matched + 1 : -1;
    });
    bool anyChanged = false;
    for (std::size_t k = 0; k < bodies_.size(); ++k) {
        int& matched = sourcesMatched_[k];
        if (static_cast<std::size_t>(matched) != bodies_[k]->contactSources.size()) matched = -1;
        if (matched < 0) bodies_[k]->contactSources.clear(), anyChanged = true;
    }
    if (anyChanged)
        ForEachContactSource([this](CObj* a, CObj* B, std::size_t k) {
            std::vector<CObj*>& list = B->contactSources;
            if (sourcesMatched_[k] < 0 && (list.empty() || list.back() != a)) list.push_back(a);
        });
    for (std::size_t k = 0; k < bodies_.size(); ++k)
        bodies_[k]->PrepareContactReactions(sourcesMatched_[k] < 0);
}

void CScene::Clear() {
    // Destroy in reverse creation order; nobody looks at partners during destruction.
    while (!bodies_.empty()) bodies_.pop_back();
}

}  // namespace korvan
