#pragma once
// Connections for tests, built record by record so their constants are exactly what the test says.
#include "sim/Obj.h"
#include "sim/Scene.h"

namespace korvan::test {

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
