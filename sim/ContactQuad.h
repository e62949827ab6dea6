#pragma once
// Four anchored contact points of one body, number by number, and what the force phase needs to
// turn them into forces with one vector operation per number (see sim/ContactLanes.h).
#include <cstddef>

#include "base/Matrix.h"
#include "base/Vec3.h"
#include "sim/MotionBlock.h"

namespace korvan {

struct alignas(32) ContactQuad {
    LaneRun localPoint[3];  // body coordinates
    LaneRun anchor[3];      // the touched body's coordinates
    LaneRun stiffness;      // N/m
    LaneRun damping;        // N s/m
    // All four stick to one body, and neither that body nor this one moves its points on its own.
    bool lanesTogether = false;
};

// Quads that hold `points` points, the last one partly.
constexpr std::size_t QuadCount(std::size_t points) {
    return (points + kMotionLanes - 1) / kMotionLanes;
}

// One body's stage state as the contact law reads it.
struct ContactFrame {
    Mat3 rot;
    Vec3 position, velocity, omega;
    bool still = false;  // v and w all +0 and no point motion of its own: every anchor stands still
    bool movable = false;
};

// Per lane: the force F on the body, its torque r x F about the centre, and (when the touched body
// moves) the torque r_B x (-F) of the reaction about the touched body's centre.
struct alignas(32) ContactQuadForces {
    LaneRun force[3];
    LaneRun torque[3];
    LaneRun reactionTorque[3];
};

}  // namespace korvan
