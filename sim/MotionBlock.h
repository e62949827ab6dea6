#pragma once
// The motion state of four neighbouring bodies, number by number: each number of a stage is a run
// of four lanes, one per body, so that the integration advances the four bodies with one vector
// operation per number and a sweep over the bodies reads memory in order. The scene keeps the
// blocks in body order: body i is lane i % 4 of block i / 4.
#include "base/Matrix.h"
#include "base/Vec3.h"

namespace korvan {

inline constexpr int kMotionLanes = 4;
using LaneRun = double[kMotionLanes];

// The motion state of four bodies at one stage. Stage 0 is the committed state; stages 1..3 are
// the intermediate states of the step, built one after the other, and a stage's state is read
// only while it is the latest (by the force phase that follows its building and by the
// integration that builds the next), so the three share one place. rot is kept orthonormal, so
// it turns world vectors into body axes and its transpose turns them back.
struct alignas(64) StateLanes {
    LaneRun pos[3];    // centre of mass, world
    LaneRun vel[3];    // world
    LaneRun omega[3];  // angular velocity, world
    LaneRun rot[9];    // rows are the body axes in world coordinates, row by row
};

// The force phase's sums of the current stage, which the integration turns into the increments
// h a and h alpha in place. Each stage's increments go into the step's sums at once, so the four
// stages share one place.
struct alignas(64) IncrementLanes {
    LaneRun force[3];
    LaneRun torque[3];
};

struct alignas(64) MotionBlock {
    StateLanes committed;  // stage 0
    StateLanes latest;     // stage 1, 2 or 3, whichever was built last
    IncrementLanes increment;
    // k0 + 2 k1 + 2 k2 + k3 of every increment, summed stage by stage.
    LaneRun positionSum[3];
    LaneRun rotationSum[9];
    LaneRun velocitySum[3];
    LaneRun omegaSum[3];
    // 1/mass and the inverse principal moments, so that a stage multiplies instead of dividing.
    LaneRun inverseMass;
    LaneRun inverseInertia[3];
    // Bit k: lane k's body takes the shared rigid step this frame (see CObj::PrepareIntegration).
    int rigidLanes = 0;

    StateLanes& State(int s) { return s == 0 ? committed : latest; }
    const StateLanes& State(int s) const { return s == 0 ? committed : latest; }
};

// One body's view of its lane: the stage numbers as vectors and matrices.
class MotionLane {
  public:
    MotionLane() = default;
    MotionLane(MotionBlock* block, int lane) : block_(block), lane_(lane) {}

    MotionBlock* Block() const { return block_; }
    int Lane() const { return lane_; }

    Vec3 Get(const LaneRun (&v)[3]) const { return {v[0][lane_], v[1][lane_], v[2][lane_]}; }
    void Set(LaneRun (&v)[3], const Vec3& x) const {
        v[0][lane_] = x.x, v[1][lane_] = x.y, v[2][lane_] = x.z;
    }
    StateLanes& State(int s) const { return block_->State(s); }
    IncrementLanes& Increment() const { return block_->increment; }
    Mat3 Rot(int s) const {
        const LaneRun* r = block_->State(s).rot;
        return Mat3{{{r[0][lane_], r[1][lane_], r[2][lane_]},
                     {r[3][lane_], r[4][lane_], r[5][lane_]},
                     {r[6][lane_], r[7][lane_], r[8][lane_]}}};
    }
    void SetRot(int s, const Mat3& m) const {
        LaneRun* r = block_->State(s).rot;
        for (int i = 0; i < 9; ++i) r[i][lane_] = m.data()[i];
    }
    // Row i of rot: body axis i as a world direction.
    Vec3 RotRow(int s, int i) const {
        const LaneRun* r = block_->State(s).rot + 3 * i;
        return {r[0][lane_], r[1][lane_], r[2][lane_]};
    }

  private:
    MotionBlock* block_ = nullptr;
    int lane_ = 0;
};

// Copies every number of one lane to another (of the same or another block).
void CopyLane(const MotionBlock& from, int fromLane, MotionBlock& to, int toLane);

}  // namespace korvan
