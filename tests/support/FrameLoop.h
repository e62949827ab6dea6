#pragma once
// One simulation frame run the way the scheduler runs it, on the calling thread: the control
// pass on every candidatePeriod-th sub-step, then per Runge-Kutta stage the force phase on all
// bodies, the contact reactions in index order and the integration phase; the break test at the
// end of the frame and the clock advanced by a whole frame.
#include <cmath>

#include "sim/Obj.h"
#include "sim/Scene.h"

namespace korvan::test {

inline void RunFrame(CScene& scene) {
    SimSettings& settings = scene.settings;
    const int subSteps = static_cast<int>(settings.frameTime / settings.timeStep);
    const int n = scene.Count();
    for (int i = 0; i < subSteps; ++i) {
        if (i % settings.candidatePeriod == 0) {
            for (int b = 0; b < n; ++b) scene.Body(b)->BeginControlPass();
            for (int b = 0; b < n; ++b) scene.Body(b)->ControlPass();
        }
        for (int s = 0; s < 4; ++s) {
            for (int b = 0; b < n; ++b)
                scene.Body(b)->ClearStageForces(s), scene.Body(b)->ComputeStageForces(s);
            for (int b = 0; b < n; ++b) scene.Body(b)->ApplyContactReactions(s);
            for (int b = 0; b < n; ++b)
                scene.Body(b)->IntegrateStage(s), scene.Body(b)->UpdateJoinPoints((s + 1) % 4);
        }
    }
    for (int b = 0; b < n; ++b) scene.Body(b)->CheckJoinBreaks();
    settings.CurTime += settings.frameTime;
}

// Pairs point pa of body a with point pb of body b (body coordinates) as a one-point connection
// of absolute stiffness, without damping, that never breaks.
inline void ConnectPoints(CScene& scene, CObj& a, const Vec3& pa, CObj& b, const Vec3& pb, double stiffness) {
    auto record = [&](CObj& partner, int partnerIndex, const Vec3& p) {
        _JOININFO r;
        r.partner = &partner;
        r.partnerIndex = partnerIndex;
        r.kindCode = 101;
        r.localPoint = r.originalPoint = r.previousLocalPoint = p;
        r.strengthSetting = stiffness;
        r.frictionSetting = 0;
        r.breakSetting = 1e300;
        r.effStrength = stiffness * scene.settings.AccuracyFactor();
        r.effBreak = 1e300;
        return r;
    };
    const int ia = static_cast<int>(a.joins.size()), ib = static_cast<int>(b.joins.size());
    a.joins.push_back(record(b, ib, pa));
    b.joins.push_back(record(a, ia, pb));
}

}  // namespace korvan::test
