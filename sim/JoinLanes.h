#pragma once
// The connection laws of one body with a point's three coordinates in the lanes of one 256-bit
// vector (the fourth lane is spare): the same IEEE operations in the same order as the laws taken
// coordinate by coordinate, so the bits do not change. Built in sim/WideLanes.cpp only, for
// processors that have such vectors.
#include "base/Matrix.h"
#include "base/Vec3.h"
#include "sim/MotionBlock.h"
#include "sim/Obj.h"

namespace korvan {

// offset = rot^T localPoint, point = x + offset, velocity = v + w x offset for every record, with
// the body's stage state read from its lane.
void UpdateJoinPointsWide(const StateLanes& q, int lane, _JOININFO* first, _JOININFO* end);

// F = K (x_mirror - x) + R (v_mirror - v), added to the force with r x F to the torque, record
// after record while each is linked to its mirror and has no rotation resistance to apply (K and R
// times the assembly scales when soft). Returns the first record it left alone.
const _JOININFO* AddLinkedJoinForcesWide(const _JOININFO* first, const _JOININFO* end, bool soft,
                                         double stiffnessScale, double dampingScale, Wrench& sum);

}  // namespace korvan
