// Collisions: crash points of this body anchored to the surface of another body.
//
// Control pass (every candidatePeriod-th sub-step, stage-0 state): a free crash point that has
// sunk into a body it may touch is anchored where it entered (sliding from the start when it
// moves along the surface at the limit speed or faster); an anchored point sticks while the
// tangential pull of its contact spring stays within static friction and slides otherwise.
// Force phase (every stage): the contact spring pulls the point back to its anchor. The force on
// this body goes into its own accumulators; the equal and opposite force on the other body is kept
// in the crash point, and the other body gathers it in the integration phase that follows.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "sim/ContactLanes.h"
#include "sim/Obj.h"
#include "sim/Scene.h"
#include "sim/WideLanes.h"

namespace korvan {

namespace {

constexpr double kAnchorMargin = 1e-6;         // how far outside its face an anchor may lie
constexpr double kDefaultContactDepth = 0.01;  // of the reference size, under the body's own weight

// Back to a free point; the sliding flag is the only contact state that survives.
void EndContact(_CRASHINFO& c, int sliding) {
    const Vec3 localPoint = c.localPoint;
    c = _CRASHINFO{};
    c.localPoint = localPoint;
    c.sliding = sliding;
}

}  // namespace

int CObj::AddCrash(CObj* other, int type, double staticFriction, double dynamicFriction,
                   double staticLimitSpeed, double springSetting, double dampingSetting) {
    _INTRACT r;
    r.other = other;
    r.type = type;
    r.staticFriction = staticFriction;
    r.dynamicFriction = dynamicFriction;
    r.staticLimitSpeed = staticLimitSpeed;
    r.springSetting = springSetting;
    r.dampingSetting = dampingSetting;
    r.kind = kInteractionCollision;
    interactions.push_back(r);
    return 0;
}

// Gear teeth practically never slip: huge static friction, a stiff absolute spring.
int CObj::AddGear(CObj* other, int type) {
    _INTRACT r;
    r.other = other;
    r.type = type;
    r.staticLimitSpeed = 1000.1;
    r.staticFriction = 10000;
    r.dynamicFriction = 0;
    r.springSetting = 1000000;
    r.dampingSetting = 100;
    r.kind = kInteractionGear;
    interactions.push_back(r);
    return 0;
}

// ---- Control pass -------------------------------------------------------------------------------

void CObj::UpdateContacts() {
    // The contact sources' points may start or end touching this body in this pass too.
    contactReactionsStale_ = true;
    if (!(settings().AssemblyProgress() > 1)) return;
    // A body that touches nothing, with its points where the shape put them, far above all it may
    // touch: no point can start a contact in this pass.
    if (activeContactCount_ == 0 && !adjustsPointMotion_ && CrashPointsClearOfAll()) return;
    for (_CRASHINFO& c : crashPoints) {
        // A contact ends with the definition that made it: its reactions would have nowhere to go.
        if (c.contactBody && !InteractsWith(c.contactBody)) EndContact(c, 0);
        const Vec3 p = ToWorldPoint(0, c.localPoint);
        if (c.contactBody)
            UpdateContact(c, p);
        else
            SearchContact(c, p);
    }
    CollectActiveContacts();
}

void CObj::CollectActiveContacts() {
    if (activeContacts_.size() != crashPoints.size()) {
        activeContacts_.resize(crashPoints.size());
        slidingLaws_.resize(crashPoints.size());
    }
    if (contactQuads_.size() != QuadCount(crashPoints.size()))
        contactQuads_.resize(QuadCount(crashPoints.size()));
    activeContactCount_ = 0;
    for (std::size_t i = 0; i < crashPoints.size(); ++i) {
        const _CRASHINFO& c = crashPoints[i];
        if (!c.contactBody) continue;
        const auto k = static_cast<std::size_t>(activeContactCount_++);
        ActiveContact& a = activeContacts_[k];
        a.localPoint = c.localPoint;
        a.anchor = c.anchor;
        a.stiffness = c.contactStiffness;
        a.damping = c.contactDamping;
        a.body = c.contactBody;
        a.sliding = c.sliding;
        a.point = static_cast<int>(i);
        slidingLaws_[k] = {c.contactNormal, c.dynamicFriction};
    }
    CollectContactQuads();
}

// Every run of four active points, from the first on, that stick to one body while neither body
// moves its points on its own: their numbers side by side, for the force phase's vector law.
void CObj::CollectContactQuads() {
    for (int q = 0; q < activeContactCount_ / kMotionLanes; ++q) {
        const ActiveContact* run = &activeContacts_[static_cast<std::size_t>(q * kMotionLanes)];
        ContactQuad& quad = contactQuads_[static_cast<std::size_t>(q)];
        bool together = !adjustsPointMotion_ && !run[0].body->adjustsPointMotion_;
        for (int k = 0; k < kMotionLanes; ++k) {
            const ActiveContact& a = run[k];
            together = together && a.sliding == 0 && a.body == run[0].body;
            quad.localPoint[0][k] = a.localPoint.x, quad.localPoint[1][k] = a.localPoint.y,
            quad.localPoint[2][k] = a.localPoint.z;
            quad.anchor[0][k] = a.anchor.x, quad.anchor[1][k] = a.anchor.y, quad.anchor[2][k] = a.anchor.z;
            quad.stiffness[k] = a.stiffness, quad.damping[k] = a.damping;
        }
        quad.lanesTogether = together;
    }
}

void CObj::RefreshActiveContactPoints() {
    for (int k = 0; k < activeContactCount_; ++k) {
        ActiveContact& a = activeContacts_[static_cast<std::size_t>(k)];
        if (static_cast<std::size_t>(a.point) < crashPoints.size())
            a.localPoint = crashPoints[static_cast<std::size_t>(a.point)].localPoint;
    }
    CollectContactQuads();
}

bool CObj::CrashPointsClearOfAll() {
    if (crashRadius_ < 0) {
        double radius2 = 0;
        for (const _CRASHINFO& c : crashPoints) radius2 = std::max(radius2, Dot(c.localPoint, c.localPoint));
        crashRadius_ = std::sqrt(radius2);
    }
    for (const _INTRACT& definition : interactions)
        if (definition.other && !definition.other->LiesClearAbove(Position(0), crashRadius_)) return false;
    return true;
}

void CObj::SearchContact(_CRASHINFO& c, const Vec3& p) {
    for (const _INTRACT& definition : interactions) {
        CObj* B = definition.other;
        if (!B || B->LiesClearAbove(p, 0)) continue;
        const int f = B->FindFace(definition.type, p, 0);
        if (f < 0) continue;
        Vec3 faceVertex, faceNormal;
        B->FacePlane(f, faceVertex, faceNormal);
        const Vec3 v0 = B->ToWorldPoint(0, faceVertex);
        const Vec3 n = B->ToWorldVector(0, faceNormal);
        // L = n . (v0 - p), the depth below the face plane
        const double L = Dot(n, v0 - p);
        if (!(L > 0 && L < B->sizeMin)) continue;

        // Kc = -setting m |g| / (0.01 sizeRef): the weight presses the point 1 % of the size deep
        // Cc = -setting sqrt(Kc m)
        const SimSettings& sim = settings();
        const double m = IsFixed() ? B->mass : mass;
        const double g = Length(Vec3{sim.GravityX, sim.GravityY, sim.GravityZ});
        double Kc = definition.springSetting;
        if (Kc < 0) Kc = sizeRef > 0 ? -Kc * m * g / (kDefaultContactDepth * sizeRef) : 0;
        double Cc = definition.dampingSetting;
        if (Cc < 0) Cc = -Cc * std::sqrt(Kc * m);
        const double accuracyFactor = sim.AccuracyFactor();

        // A point already moving along the surface at the limit speed or faster starts out
        // sliding: sticking would stop it within one control period and tip the body over its
        // leading edge. Slower points keep the flag of their last contact.
        const Vec3 anchor = p + L * n;
        const Vec3 pointVelocity = PointVelocity(0, p - Position(0));
        const Vec3 relative = pointVelocity - B->PointVelocity(0, anchor - B->Position(0));
        const Vec3 alongSurface = relative - Dot(relative, n) * n;
        const int sliding = Length(alongSurface) >= definition.staticLimitSpeed ? 1 : c.sliding;
        EndContact(c, sliding);
        c.contactBody = B;
        c.anchor = B->ToBodyPoint(0, anchor);
        c.contactNormal = faceNormal;
        c.slideVelocity = pointVelocity;
        c.staticFriction = definition.staticFriction;
        c.dynamicFriction = definition.dynamicFriction;
        c.staticLimitSpeed = definition.staticLimitSpeed;
        c.contactType = definition.type;
        c.contactKind = definition.kind;
        c.contactStiffness = Kc * accuracyFactor;
        c.contactDamping = Cc * accuracyFactor;
        return;
    }
}

void CObj::UpdateContact(_CRASHINFO& c, const Vec3& p) {
    CObj* B = c.contactBody;
    const Vec3 a = B->ToWorldPoint(0, c.anchor);
    const Vec3 n = B->ToWorldVector(0, c.contactNormal);
    if (B->FindFace(c.contactType, a, kAnchorMargin) < 0) return EndContact(c, 0);  // anchor left B

    const Vec3 d = a - p;
    if (crashSoundMode == 1) {
        const double d2 = Dot(d, d);
        SoundLevels::Add(scene().sounds.crashSoundLevel, 1000 * d2 * d2);
    }
    const double Kc = c.contactStiffness;
    // J = Kc (d . n), the normal spring force; negative once the point has come out
    const double J = Kc * Dot(d, n);
    if (J < 0) return EndContact(c, 1);

    // T = Kc d - J n, the tangential pull; pp = the point projected onto the surface plane
    const Vec3 T = Kc * d - J * n;
    const Vec3 pp = p + Dot(d, n) * n;
    const Vec3 pointVelocity = PointVelocity(0, p - Position(0));
    if (Length(T) > c.staticFriction * J && J / Kc < B->sizeMin) {
        c.anchor = B->ToBodyPoint(0, pp);  // slip: the anchor follows the point
        c.slideVelocity = pointVelocity;
        c.sliding = 1;
        return;
    }
    if (c.sliding == 0) return;

    // P = |v_point - v_B at the anchor|: keep sliding while fast and not reversed, else stick
    const double P = Length(pointVelocity - B->PointVelocity(0, a - B->Position(0)));
    if (slipSoundMode == 1) SoundLevels::Add(scene().sounds.slipSoundLevel, 1000 * P * P);
    if (P >= c.staticLimitSpeed && Dot(pointVelocity, c.slideVelocity) >= 0) return;
    c.anchor = B->ToBodyPoint(0, pp);
    c.slideVelocity = pointVelocity;
    c.sliding = 0;
}

// ---- Force phase --------------------------------------------------------------------------------

namespace {

// The touched body's stage state, copied once for a run of points that touch the same body.
// The touched body's material velocity at a point, v + w x r, is exactly +0 in every component
// when v and w are all +0 (each product is a signed zero, their difference a signed zero, and
// +0 plus a signed zero is +0) and r is finite, which an anchor of a body at a finite place is.
struct TouchedState : ContactFrame {
    const CObj* body = nullptr;
    bool adjustsPointMotion = false;

    // Made whole, so that nothing is cleared first: a contact loop makes one for each run of points.
    TouchedState(const CObj* B, int s, bool adjusts)
        : ContactFrame{B->StandsStill() ? StillFrame(*B) : StageFrame(*B, s, adjusts)},
          body(B),
          adjustsPointMotion(adjusts) {}

    static ContactFrame StageFrame(const CObj& B, int s, bool adjusts) {
        return {B.Rot(s),
                B.Position(s),
                B.Velocity(s),
                B.Omega(s),
                !adjusts && IsPositiveZero(B.Velocity(s)) && IsPositiveZero(B.Omega(s)),
                B.IsMovable()};
    }
    // The same numbers for a body that stands still (velocities +0, no point motion, fixed).
    static ContactFrame StillFrame(const CObj& B) {
        return {B.StillRot(), B.StillPosition(), {}, {}, true, false};
    }

    static bool IsPositiveZero(const Vec3& v) {
        return std::bit_cast<std::uint64_t>(v.x) == 0 && std::bit_cast<std::uint64_t>(v.y) == 0 &&
               std::bit_cast<std::uint64_t>(v.z) == 0;
    }
};

// The forces of the four sticking points of a quad, with the widest vectors the processor has.
void AnchoredQuadForcesOnLanes(const ContactQuad& quad, const ContactFrame& own, const ContactFrame& touched,
                               ContactQuadForces& out) {
    if (UseWideLanes()) {
        AnchoredQuadForcesWide(quad, own, touched, out);
        return;
    }
    for (int first = 0; first < kMotionLanes; first += 2)
        AnchoredQuadForces<2>(quad, first, own, touched, out);
}

// Out of line, so that the velocities of the contact loop never need an address.
[[gnu::noinline, gnu::cold]] Vec3 AdjustedPointVelocity(const CObj& body, int s, Vec3 velocity) {
    body.AdjustPointMotion(-1, s, velocity);
    return velocity;
}

}  // namespace

void CObj::AddAnchoredContactForces(int s, Wrench& sum) {
    const ActiveContact* const first = activeContacts_.data();
    const ActiveContact* const last = first + activeContactCount_;
    const SlidingLaw* const slidingLaws = slidingLaws_.data();
    _CRASHINFO* const points = crashPoints.data();
    const std::size_t pointCount = crashPoints.size();
    if (!(settings().AssemblyProgress() > 1)) {
        // No forces: the touched bodies must not gather the reactions of an earlier stage.
        for (const ActiveContact* c = first; c != last; ++c)
            if (static_cast<std::size_t>(c->point) < pointCount)
                points[c->point].reactionForce = points[c->point].reactionTorque = {};
        return;
    }
    // Everything the loop reads of this body is copied first: the reactions it stores could
    // otherwise be any body's state, to be read again after every store.
    const bool movable = IsMovable(), adjusts = adjustsPointMotion_;
    const ContactFrame own{Rot(s), Position(s), Velocity(s), Omega(s)};
    const Mat3& rot = own.rot;
    const Vec3 &position = own.position, &velocity = own.velocity, &omega = own.omega;
    // Summed in registers, in the order of the points, and handed back once.
    Wrench local = sum;
    TouchedState touched(first->body, s, first->body->adjustsPointMotion_);
    // Four sticking points on one body from `run` on: their forces side by side, then summed and
    // left as reactions in the order of the points.
    auto addStickingQuad = [&](const ActiveContact* run, const ContactQuad& quad) {
        ContactQuadForces lanes;
        AnchoredQuadForcesOnLanes(quad, own, touched, lanes);
        for (int lane = 0; lane < kMotionLanes; ++lane) {
            const Vec3 F{lanes.force[0][lane], lanes.force[1][lane], lanes.force[2][lane]};
            if (movable) {
                local.force += F;
                local.torque += Vec3{lanes.torque[0][lane], lanes.torque[1][lane], lanes.torque[2][lane]};
            }
            const int point = run[lane].point;
            if (touched.movable && static_cast<std::size_t>(point) < pointCount) {
                points[point].reactionForce = -F;
                points[point].reactionTorque = {lanes.reactionTorque[0][lane], lanes.reactionTorque[1][lane],
                                                lanes.reactionTorque[2][lane]};
            }
        }
    };
    for (const ActiveContact* c = first; c != last; ++c) {
        const CObj* B = c->body;
        if (B != touched.body) touched = TouchedState(B, s, B->adjustsPointMotion_);
        const auto k = static_cast<std::size_t>(c - first);
        if (k % kMotionLanes == 0 && last - c >= kMotionLanes &&
            contactQuads_[k / kMotionLanes].lanesTogether) {
            if (movable || touched.movable) addStickingQuad(c, contactQuads_[k / kMotionLanes]);
            c += kMotionLanes - 1;
            continue;
        }
        if (!movable && !touched.movable) continue;

        const Vec3 r = TransposedTimes(rot, c->localPoint);
        const Vec3 p = position + r;
        const Vec3 a = TransposedTimes(touched.rot, c->anchor) + touched.position;
        const Vec3 rB = a - touched.position;
        Vec3 vp = velocity + Cross(omega, r);
        Vec3 va = touched.still ? Vec3{} : touched.velocity + Cross(touched.omega, rB);
        if (adjusts) [[unlikely]]
            vp = AdjustedPointVelocity(*this, s, vp);
        if (touched.adjustsPointMotion) [[unlikely]]
            va = AdjustedPointVelocity(*B, s, va);

        const double Kc = c->stiffness;
        Vec3 F;
        if (c->sliding == 0) {
            // sticking: F = Kc (a - p) + Cc (v_a - v_p)
            F = Kc * (a - p) + c->damping * (va - vp);
        } else {
            // sliding: F = Sn n + mu_d Sn T / |T|, S = Kc (a - p), Sn = S . n, T = S - Sn n
            const SlidingLaw& law = slidingLaws[c - first];
            const Vec3 S = Kc * (a - p);
            const Vec3 n = TransposedTimes(touched.rot, law.normal);
            const double Sn = Dot(S, n);
            const Vec3 T = S - Sn * n;
            const double lengthT = Length(T);
            F = lengthT == 0 ? S : Sn * n + (law.dynamicFriction * Sn / lengthT) * T;
        }
        if (movable) local.AddAt(F, r);
        if (touched.movable && static_cast<std::size_t>(c->point) < pointCount) {
            // reaction F' = -F on B at the anchor: tau' = r_B x F'
            _CRASHINFO& reaction = points[c->point];
            reaction.reactionForce = -F;
            reaction.reactionTorque = Cross(rB, -F);
        }
    }
    sum = local;
}

// A body that cannot move gets no reactions: none were stored for it.
void CObj::GatherContactReactions() {
    if (!hasContactSources_ || contactSources.empty() || !IsMovable()) return;
    if (contactReactionsStale_) {
        contactReactions_.clear();
        for (const CObj* A : contactSources) {
            if (A->interactions.empty()) continue;
            for (const _CRASHINFO& c : A->crashPoints)
                if (c.contactBody == this) contactReactions_.push_back(&c);
        }
        contactReactionsStale_ = false;
    }
    Wrench sum = StageWrench();
    for (const _CRASHINFO* c : contactReactions_) {
        sum.force += c->reactionForce;
        sum.torque += c->reactionTorque;
    }
    SetStageWrench(sum);
}

// Capacity for every crash point of the sources, so that no gather allocates. Every control pass
// marks the reactions stale too; a frame begins with one, so an unchanged list needs no write.
void CObj::PrepareContactReactions(bool sourcesChanged) {
    if (sourcesChanged) contactReactionsStale_ = true;
    StoreIfChanged(hasContactSources_, !contactSources.empty());
    if (!IsMovable()) return;
    std::size_t points = 0;
    for (const CObj* A : contactSources) points += A->crashPoints.size();
    if (contactReactions_.capacity() < points) contactReactions_.reserve(points);
}

bool CObj::InteractsWith(const CObj* other) const {
    for (const _INTRACT& definition : interactions)
        if (definition.other == other) return true;
    return false;
}

}  // namespace korvan
