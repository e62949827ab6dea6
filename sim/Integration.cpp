// Fourth-order Runge-Kutta integration of the bodies, stage by stage.
//
// The force phase of stage s fills force[s] and torque[s] from the stage-s states of all bodies;
// the integration turns them into increments k_s = h * rate_s and either builds the state of
// stage s + 1 (s = 0, 1, 2, with weights 1/2, 1/2, 1 on the committed state) or commits
//     q0 += (k0 + 2 k1 + 2 k2 + k3) / 6                                            (s = 3)
// for position, velocity, angular velocity and the nine entries of rot. There is no gyroscopic
// term: the angular acceleration is I^-1 tau in body axes and nothing else.
#include <bit>
#include <cmath>
#include <cstdint>

#include "base/Anomaly.h"
#include "sim/JoinLanes.h"
#include "sim/Obj.h"
#include "sim/RigidStage.h"
#include "sim/SimSettings.h"
#include "sim/WideLanes.h"

namespace korvan {

namespace {

constexpr double kRunaway = 1e20;
bool RunAway(double x, double y, double z) {
    return std::fabs(x) > kRunaway || std::fabs(y) > kRunaway || std::fabs(z) > kRunaway;
}

}  // namespace

bool UseWideLanes() {
    static const bool wide = WideLanesAvailable();
    return wide;
}

void ReportCannotContinue(const CObj& body) {
    PostAnomalyFormat(
        "%s の計算で、計算が続行不可能になりました。\n\n・物が軽すぎる\n・速度が速すぎる\n"
        "・接続が硬すぎる\n・作用点が重心から遠すぎる\n\nなどの理由が考えられます。m(_ _)m",
        body.displayName.c_str());
}

void CObj::ReportRunaway() const {
    const Vec3 position = Position(0), velocity = Velocity(0);
    if (!RunAway(position.x, position.y, position.z) && !RunAway(velocity.x, velocity.y, velocity.z))
        [[likely]]
        return;
    if (RunAway(position.x, position.y, position.z))
        PostAnomalyFormat("%s の計算で、位置が異常な値 %e %e %e になりました。", displayName.c_str(),
                          position.x, position.y, position.z);
    if (RunAway(velocity.x, velocity.y, velocity.z))
        PostAnomalyFormat("%s の計算で、速度が異常な値 %e %e %e になりました。", displayName.c_str(),
                          velocity.x, velocity.y, velocity.z);
}

void CObj::RefreshMassInverses() {
    inverseSource_ = {mass, inertiaX, inertiaY, inertiaZ};
    MotionBlock& b = *motion_.Block();
    const int k = motion_.Lane();
    b.inverseMass[k] = 1 / mass;
    b.inverseInertia[0][k] = 1 / inertiaX, b.inverseInertia[1][k] = 1 / inertiaY,
    b.inverseInertia[2][k] = 1 / inertiaZ;
}

// The body moves, has a mass and three moments to divide by, and its kind adds nothing to the
// step: it may advance beside its neighbours.
bool CObj::TakesRigidStep() const {
    return !extendsIntegration_ && !IsFixed() && mass != 0 && !std::isnan(mass) && inertiaX != 0 &&
           inertiaY != 0 && inertiaZ != 0;
}

bool CObj::MassInversesStale() const {
    return mass != inverseSource_.mass || inertiaX != inverseSource_.inertiaX ||
           inertiaY != inverseSource_.inertiaY || inertiaZ != inverseSource_.inertiaZ;
}

// The stages of a fixed body add zero increments to its committed state, build each intermediate
// state as that plus zero and rebuild its frame. They give back the very numbers they read when its
// velocities are +0, no position or rot number is -0 (-0 + 0 is +0), the rot is a frame its
// rebuilding keeps, and the intermediate state already equals the committed one.
bool CObj::LaneAtRest() const {
    const StateLanes &q0 = motion_.State(0), &q = motion_.State(1);
    const int k = motion_.Lane();
    auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
    constexpr std::uint64_t kMinusZero = 0x8000000000000000u;
    for (int i = 0; i < 3; ++i) {
        if (bits(q0.vel[i][k]) != 0 || bits(q0.omega[i][k]) != 0 || bits(q0.pos[i][k]) == kMinusZero)
            return false;
        if (bits(q.pos[i][k]) != bits(q0.pos[i][k]) || bits(q.vel[i][k]) != 0 || bits(q.omega[i][k]) != 0)
            return false;
    }
    double rot[9], frame[9], lengthZ, lengthY;
    for (int i = 0; i < 9; ++i) {
        rot[i] = q0.rot[i][k];
        if (bits(rot[i]) == kMinusZero || bits(q.rot[i][k]) != bits(rot[i])) return false;
    }
    OrthonormalFrame(rot, frame, lengthZ, lengthY);
    if (!FrameValid(lengthZ, lengthY)) return false;
    for (int i = 0; i < 9; ++i)
        if (bits(frame[i]) != bits(rot[i])) return false;
    return true;
}

// Main thread, before the frame. It writes only what changed: the body's lines are in the cache of
// the thread that runs it.
void CObj::PrepareIntegration() {
    if (MassInversesStale()) RefreshMassInverses();
    const int bit = 1 << motion_.Lane();
    int& rigid = motion_.Block()->rigidLanes;
    StoreIfChanged(rigid, TakesRigidStep() ? rigid | bit : rigid & ~bit);
    StoreIfChanged(standsStill_, IsFixed() && !extendsIntegration_ && !adjustsPointMotion_ && moves.empty() &&
                                     moveForcesX.empty() && moveForcesY.empty() && moveForcesZ.empty() &&
                                     LaneAtRest());
    if (standsStill_) stillRot_ = Rot(0), stillPosition_ = Position(0);
}

void CObj::IntegrateStage(int s) {
    if (standsStill_) return;
    // The committed state changes only at commits, so one look per sub-step sees every run-away.
    if (s == 0) ReportRunaway();
    StepKind kind;
    if (IsFixed()) {
        // A fixed body stands still: no increments, and a committed state at rest.
        SetStageWrench({});
        StateLanes& committed = motion_.State(0);
        motion_.Set(committed.vel, {}), motion_.Set(committed.omega, {});
        kind.accelerate = false;
    } else {
        // A spring's mass changes with its extension in every stage, so the inverses are checked
        // each time.
        if (MassInversesStale()) [[unlikely]]
            RefreshMassInverses();
        if (mass == 0 || std::isnan(mass)) [[unlikely]] {
            PostAnomalyFormat("%s %s %s で、0 割りが発生しました", varName.c_str(), typeName.c_str(),
                              displayName.c_str());
            kind.divide = false;
        }
        kind.turn = inertiaX != 0 && inertiaY != 0 && inertiaZ != 0;
    }
    CObj* const self[1] = {this};
    AdvanceRigidStage(LaneGroup<1>{*motion_.Block(), motion_.Lane()}, s, settings().timeStep, kind, self);
}

void CObj::IntegrateBlock(CObj* const (&bodies)[kMotionLanes], int s) {
    constexpr int kAllLanes = (1 << kMotionLanes) - 1;
    if (bodies[0]->motion_.Block()->rigidLanes != kAllLanes) {
        for (CObj* body : bodies) body->IntegrateStage(s);
        return;
    }
    if (s == 0)
        for (CObj* body : bodies) body->ReportRunaway();
    MotionBlock& block = *bodies[0]->motion_.Block();
    const double h = bodies[0]->settings().timeStep;
    if (UseWideLanes()) {
        AdvanceRigidBlockWide(block, s, h, bodies);
        return;
    }
    for (int first = 0; first < kMotionLanes; first += 2)
        AdvanceRigidStage(LaneGroup<2>{block, first}, s, h, StepKind{}, bodies + first);
}

// Re-orthonormalises the stage-s rot keeping the direction of its z row. Fails, leaving the rows
// as they are, when no frame can be rebuilt: a zero z row, an x row along z, or a row that is not
// a number.
bool CObj::UpdateStageMatrices(int s) {
    const Mat3 rot = Rot(s);
    Mat3 out;
    double lengthZ, lengthY;
    OrthonormalFrame(rot.data(), out.data(), lengthZ, lengthY);
    if (!FrameValid(lengthZ, lengthY)) return false;
    SetRot(s, out);
    return true;
}

Mat4 CObj::LocalToWorld() const {
    const Mat3 r = Rot(0);
    const Vec3 pos = Position(0);
    return Mat4{{{r.m[0][0], r.m[1][0], r.m[2][0], pos.x},
                 {r.m[0][1], r.m[1][1], r.m[2][1], pos.y},
                 {r.m[0][2], r.m[1][2], r.m[2][2], pos.z},
                 {0, 0, 0, 1}}};
}

// [rot | -rot pos]
Mat4 CObj::WorldToLocal() const {
    const Mat3 r = Rot(0);
    const Vec3 t = r * Position(0);
    return Mat4{{{r.m[0][0], r.m[0][1], r.m[0][2], -t.x},
                 {r.m[1][0], r.m[1][1], r.m[1][2], -t.y},
                 {r.m[2][0], r.m[2][1], r.m[2][2], -t.z},
                 {0, 0, 0, 1}}};
}

// The lines from the start of the body to the end of what every phase reads, which come first.
void CObj::PrefetchPhaseData() const {
    constexpr std::size_t kLine = 64;
    const auto* first = reinterpret_cast<const char*>(this);
    const auto* end = reinterpret_cast<const char*>(&contactSources + 1);
    for (const char* line = first; line < end; line += kLine) __builtin_prefetch(line);
}

void CObj::PrefetchJoinRecords() const {
    for (const _JOININFO& j : joins) {
        __builtin_prefetch(&j.worldPoint);
        __builtin_prefetch(&j.localPoint);
    }
}

void CObj::PrefetchContactRecords() const {
    constexpr int kLine = 64;
    const auto* contacts = reinterpret_cast<const char*>(activeContacts_.data());
    for (int offset = 0; offset < activeContactCount_ * static_cast<int>(sizeof(ActiveContact));
         offset += kLine)
        __builtin_prefetch(contacts + offset);
    const auto* quads = reinterpret_cast<const char*>(contactQuads_.data());
    const int quadBytes = activeContactCount_ / kMotionLanes * static_cast<int>(sizeof(ContactQuad));
    for (int offset = 0; offset < quadBytes; offset += kLine) __builtin_prefetch(quads + offset);
}

// Connection points for the coming force phase: offset = L2W * localPoint,
// point = pos + offset, velocity = v + w x offset.
void CObj::UpdateJoinPoints(int s) {
    if (UseWideLanes()) {
        UpdateJoinPointsWide(motion_.State(s), motion_.Lane(), joins.data(), joins.data() + joins.size());
        return;
    }
    const Vec3 pos = Position(s), vel = Velocity(s), omega = Omega(s);
    for (_JOININFO& j : joins) {
        j.worldOffset = ToWorldVector(s, j.localPoint);
        j.worldPoint = pos + j.worldOffset;
        j.worldVelocity = vel + Cross(omega, j.worldOffset);
    }
}

}  // namespace korvan
