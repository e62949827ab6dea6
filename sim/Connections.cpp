// Connections: stiff damped springs between a point of this body and a point of its partner.
//
// Each pair is stored twice, once in each body's joins, and each body computes only the force on
// itself from its own record, so the parallel force phase writes no other body. The constants
// follow from the pair's reduced mass so that every connection has the same natural frequency:
//     K = 3e6 m,  R = 2 * 0.1 * sqrt(3e6) m  (damping ratio 0.1),  break = 3e6 m,
// with the user's settings as multiples (negative) or absolute values (zero or positive), then
// scaled by the accuracy factor so that K h^2 stays the same at every accuracy.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/JoinLanes.h"
#include "sim/Obj.h"
#include "sim/Scene.h"
#include "sim/WideLanes.h"

namespace korvan {

namespace {

constexpr double kJoinStiffnessPerKg = 3000000;
constexpr double kJoinDampingRatio = 0.1;
constexpr int kRampPasses = 6000;

// Negative -x means x times the base value; zero or positive is absolute.
double EffectiveValue(double setting, double base, double accuracyFactor) {
    return (setting < 0 ? -setting * base : setting) * accuracyFactor;
}

}  // namespace

// m = 2 m1 m2 / (m1 + m2) between two movable bodies; the larger stored mass when either is fixed.
double CObj::JoinReducedMass(const CObj& other) const {
    const double m1 = mass, m2 = other.mass;
    if (RHO > 0 && other.RHO > 0) return m1 + m2 != 0 ? 2 * m1 * m2 / (m1 + m2) : 0;
    return std::max(m1, m2);
}

void CObj::UpdateJoinConstants() {
    const double accuracyFactor = settings().AccuracyFactor();
    for (_JOININFO& j : joins) {
        if (!j.partner) continue;
        const double m = JoinReducedMass(*j.partner);
        j.baseStrength = kJoinStiffnessPerKg * m;
        j.baseFriction = std::sqrt(kJoinStiffnessPerKg) * m * 2 * kJoinDampingRatio;
        j.baseBreak = kJoinStiffnessPerKg * m;
        j.effStrength = EffectiveValue(j.strengthSetting, j.baseStrength, accuracyFactor);
        j.effFriction = EffectiveValue(j.frictionSetting, j.baseFriction, accuracyFactor);
        j.effBreak = EffectiveValue(j.breakSetting, j.baseBreak, accuracyFactor);
    }
}

// Before the sub-steps of a frame, by the thread that runs the body: each record reaches its mirror
// directly, unless either body corrects its point motion (those take the slow path below). Nothing
// changes the arrays between this and UnlinkJoins after the sub-steps, so outside frames every link
// is null. Only the body's own force phase reads its links.
void CObj::LinkJoins() {
    for (_JOININFO& j : joins) {
        const _JOININFO* mirror = MirrorOf(j);
        j.link.mirror = mirror && !adjustsPointMotion_ && !j.partner->adjustsPointMotion_ ? mirror : nullptr;
    }
}

void CObj::UnlinkJoins() {
    for (_JOININFO& j : joins) j.link.mirror = nullptr;
}

// Force phase, stage s. During the assembly phase the springs start soft and stiffen:
// K / 10000^u, R / 100^u with u = (1 - CurTime / PreCalcTime)^2, and no rotation resistance.
void CObj::ComputeJoinForces(int s, Wrench& sum) const {
    if (joins.empty() || !IsMovable()) return;
    JoinScales scales;
    const double u = settings().SofteningExponent();
    scales.soft = u > 0;
    scales.stiffness = scales.soft ? std::pow(10000.0, -u) : 1;
    scales.damping = scales.soft ? std::pow(100.0, -u) : 1;
    // Nothing changes the array during the force phase: its bounds are read once.
    const _JOININFO* const first = joins.data();
    const _JOININFO* const end = first + joins.size();
    if (UseWideLanes()) {
        // The linked records with the vector law, any record it leaves with the law below.
        for (const _JOININFO* record = first;; ++record) {
            record = AddLinkedJoinForcesWide(record, end, scales.soft, scales.stiffness, scales.damping, sum);
            if (record == end) return;
            AddJoinForce(record, s, scales, sum.force, sum.torque);
        }
    }
    Vec3 force = sum.force, torque = sum.torque;
    for (const _JOININFO* record = first; record != end; ++record)
        AddJoinForce(record, s, scales, force, torque);
    sum = {force, torque};
}

inline void CObj::AddJoinForce(const _JOININFO* record, int s, const JoinScales& scales, Vec3& force,
                               Vec3& torque) const {
    const _JOININFO& j = *record;
    const _JOININFO* mirror = j.link.mirror;
    Vec3 dv;
    if (mirror) [[likely]] {
        dv = mirror->worldVelocity - j.worldVelocity;
    } else {
        mirror = MirrorOf(j);
        if (!mirror) return;
        dv = mirror->worldVelocity - j.worldVelocity;
        if (adjustsPointMotion_ || j.partner->adjustsPointMotion_)
            dv = AdjustedJoinVelocityDifference(static_cast<int>(record - joins.data()), s);
    }
    const double K = scales.soft ? j.effStrength * scales.stiffness : j.effStrength;
    const double R = scales.soft ? j.effFriction * scales.damping : j.effFriction;

    // F = K (x_partner - x_own) + R (v_partner - v_own);  tau = r x F
    const Vec3 F = K * (mirror->worldPoint - j.worldPoint) + R * dv;
    force += F;
    torque += Cross(j.worldOffset, F);

    // tau = Kr (w_partner - w_own), taken through the body axes
    if (!scales.soft && j.rotResistance != 0) {
        const Vec3 dOmega = ToBodyVector(s, j.partner->Omega(s) - Omega(s));
        torque += ToWorldVector(s, j.rotResistance * dOmega);
    }
}

// v_partner - v_own at connection i, each point's velocity corrected by its kind (a spring's
// extension rate). Kept out of the loop above, which most bodies run without it.
Vec3 CObj::AdjustedJoinVelocityDifference(int i, int s) const {
    const _JOININFO& j = joins[static_cast<std::size_t>(i)];
    Vec3 ownVelocity = j.worldVelocity, partnerVelocity = MirrorOf(j)->worldVelocity;
    if (adjustsPointMotion_) AdjustPointMotion(i, s, ownVelocity);
    if (j.partner->adjustsPointMotion_) j.partner->AdjustPointMotion(j.partnerIndex, s, partnerVelocity);
    return partnerVelocity - ownVelocity;
}

// Soft start of a connection made during play: the settings climb from 1e-8 to 1 times the base
// along a cosine in logarithmic scale over 6000 control passes,
//     d = 10^((1 - cos(n pi / 6000)) * 0.5 * 8 - 8).
void CObj::RampJoins() {
    bool ramped = false;
    for (_JOININFO& j : joins) {
        if (j.rampCount <= 0) continue;
        const double d =
            std::pow(10.0, (1 - std::cos(j.rampCount * std::numbers::pi / kRampPasses)) * 0.5 * 8 - 8);
        j.strengthSetting = j.frictionSetting = j.breakSetting = -d;
        if (++j.rampCount > kRampPasses) j.rampCount = 0;
        ramped = true;
    }
    if (ramped) UpdateJoinConstants();
}

// Main thread, after every frame: a connection whose spring force exceeds its threshold frees
// its whole group on both bodies. Nothing breaks while the model is assembled or while ramping.
void CObj::CheckJoinBreaks() {
    if (settings().InPreCalculation()) return;
    for (int i = 0; i < static_cast<int>(joins.size()); ++i) {
        _JOININFO& j = joins[static_cast<std::size_t>(i)];
        const _JOININFO* mirror = MirrorOf(j);
        if (!mirror || j.rampCount > 0) continue;
        // F = K (x_partner - x_own), stage 0
        const Vec3 F = j.effStrength * (mirror->worldPoint - j.worldPoint);
        j.lastForceLocal = ToBodyVector(0, F);
        if (Length(F) > j.effBreak) BreakJoinGroup(i);
    }
}

namespace {

// Frees the group that record i belongs to; the range is clipped to the array.
void FreeGroup(std::vector<_JOININFO>& joins, int i) {
    if (i < 0 || i >= static_cast<int>(joins.size())) return;
    const _JOININFO& j = joins[static_cast<std::size_t>(i)];
    const int first = std::max(0, i - j.GroupPosition() + 1);
    const int last = std::min(static_cast<int>(joins.size()), first + std::max(1, j.GroupSize()));
    for (int k = first; k < last; ++k) {
        _JOININFO& r = joins[static_cast<std::size_t>(k)];
        r.partner = nullptr;
        r.partnerIndex = -1;
        r.rampCount = 0;
    }
}

}  // namespace

void CObj::BreakJoinGroup(int i) {
    if (i < 0 || i >= static_cast<int>(joins.size())) return;
    const _JOININFO& j = joins[static_cast<std::size_t>(i)];
    CObj* partner = j.partner;
    const int mirrorIndex = j.partnerIndex;
    if (partner && mirrorIndex >= 0) FreeGroup(partner->joins, mirrorIndex);
    FreeGroup(joins, i);
}

void CObj::EraseJoinsTo(const CObj* partner) {
    std::vector<int> newIndex(joins.size(), -1);
    int kept = 0;
    for (std::size_t i = 0; i < joins.size(); ++i)
        if (joins[i].partner != partner) newIndex[i] = kept++;
    if (kept == static_cast<int>(joins.size())) return;
    // Every mirror is found before any index changes: a body joined to itself holds both sides.
    std::vector<_JOININFO*> mirrors(joins.size(), nullptr);
    for (std::size_t i = 0; i < joins.size(); ++i)
        if (newIndex[i] >= 0) mirrors[i] = MirrorOf(joins[i]);
    for (std::size_t i = 0; i < joins.size(); ++i)
        if (mirrors[i]) mirrors[i]->partnerIndex = newIndex[i];
    std::erase_if(joins, [partner](const _JOININFO& j) { return j.partner == partner; });
}

}  // namespace korvan
