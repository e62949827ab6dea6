#pragma once
// The law of a sticking contact for several points of one body on one touched body side by side
// (see sim/Lanes.h), lane k giving the bits of the same point taken alone:
//     r = rot^T local,  p = x + r,  a = rot_B^T anchor + x_B,  r_B = a - x_B,
//     v_p = v + w x r,  v_a = v_B + w_B x r_B (+0 when the touched body stands still),
//     F = Kc (a - p) + Cc (v_a - v_p),  torque r x F,  reaction torque r_B x (-F).
#include "sim/ContactQuad.h"
#include "sim/Lanes.h"

namespace korvan {

namespace {

template <class R>
struct LaneVector {
    R x, y, z;
};

template <class R>
LaneVector<R> Cross(const LaneVector<R>& a, const LaneVector<R>& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// rot^T v + offset, as TransposedTimes(rot, v) + offset.
template <class R>
LaneVector<R> TurnedToWorld(const Mat3& rot, const LaneVector<R>& v) {
    const auto& m = rot.m;
    return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
            m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
}

template <int N>
void AnchoredQuadForces(const ContactQuad& q, int first, const ContactFrame& own, const ContactFrame& touched,
                        ContactQuadForces& out) {
    using R = Number<N>;
    auto load = [&](const LaneRun(&runs)[3]) {
        return LaneVector<R>{LoadLanes<N>(runs[0], first), LoadLanes<N>(runs[1], first),
                             LoadLanes<N>(runs[2], first)};
    };
    auto store = [&](LaneRun(&runs)[3], const LaneVector<R>& v) {
        StoreLanes<N>(runs[0], first, v.x), StoreLanes<N>(runs[1], first, v.y),
            StoreLanes<N>(runs[2], first, v.z);
    };
    const LaneVector<R> r = TurnedToWorld(own.rot, load(q.localPoint));
    const LaneVector<R> p{own.position.x + r.x, own.position.y + r.y, own.position.z + r.z};
    const LaneVector<R> turnedAnchor = TurnedToWorld(touched.rot, load(q.anchor));
    const LaneVector<R> a{turnedAnchor.x + touched.position.x, turnedAnchor.y + touched.position.y,
                          turnedAnchor.z + touched.position.z};
    const LaneVector<R> rB{a.x - touched.position.x, a.y - touched.position.y, a.z - touched.position.z};
    const LaneVector<R> spinP =
        Cross(LaneVector<R>{R{} + own.omega.x, R{} + own.omega.y, R{} + own.omega.z}, r);
    const LaneVector<R> vp{own.velocity.x + spinP.x, own.velocity.y + spinP.y, own.velocity.z + spinP.z};
    LaneVector<R> va{R{}, R{}, R{}};
    if (!touched.still) {
        const LaneVector<R> spinA =
            Cross(LaneVector<R>{R{} + touched.omega.x, R{} + touched.omega.y, R{} + touched.omega.z}, rB);
        va = {touched.velocity.x + spinA.x, touched.velocity.y + spinA.y, touched.velocity.z + spinA.z};
    }
    const R Kc = LoadLanes<N>(q.stiffness, first), Cc = LoadLanes<N>(q.damping, first);
    const LaneVector<R> F{Kc * (a.x - p.x) + Cc * (va.x - vp.x), Kc * (a.y - p.y) + Cc * (va.y - vp.y),
                          Kc * (a.z - p.z) + Cc * (va.z - vp.z)};
    store(out.force, F);
    store(out.torque, Cross(r, F));
    if (touched.movable) store(out.reactionTorque, Cross(rB, LaneVector<R>{-F.x, -F.y, -F.z}));
}

}  // namespace

}  // namespace korvan
