#pragma once
// The points of a connection group and the rows a Join statement gives for them, both ways:
//
//   group of 1:  p                               rows p
//   group of 2:  c + d, c - d                    rows c, d
//   group of 4:  c + a, c - a, c + b, c - b      rows c, a, b
//
// The builders turn a statement's rows into points; the writer turns the points back into rows,
// so a saved group is rebuilt with the points it had.
#include "base/Vec3.h"

namespace korvan {

// Rows of a group of groupSize points (1, 2 or 4); 0 for any other size.
constexpr int JoinRowCount(int groupSize) {
    return groupSize == 1 ? 1 : groupSize == 2 ? 2 : groupSize == 4 ? 3 : 0;
}

// points[groupSize] from rows[JoinRowCount(groupSize)].
inline void JoinPointsFromRows(int groupSize, const Vec3* rows, Vec3* points) {
    if (groupSize == 1) points[0] = rows[0];
    if (groupSize == 2) points[0] = rows[0] + rows[1], points[1] = rows[0] - rows[1];
    if (groupSize == 4) {
        points[0] = rows[0] + rows[1], points[1] = rows[0] - rows[1];
        points[2] = rows[0] + rows[2], points[3] = rows[0] - rows[2];
    }
}

// rows[JoinRowCount(groupSize)] from points[groupSize]: the centre is the mean of the points,
// each offset half the difference of its pair.
inline void JoinRowsFromPoints(int groupSize, const Vec3* points, Vec3* rows) {
    if (groupSize == 1) rows[0] = points[0];
    if (groupSize == 2) rows[0] = (points[0] + points[1]) * 0.5, rows[1] = (points[0] - points[1]) * 0.5;
    if (groupSize == 4) {
        rows[0] = (points[0] + points[1] + points[2] + points[3]) * 0.25;
        rows[1] = (points[0] - points[1]) * 0.5;
        rows[2] = (points[2] - points[3]) * 0.5;
    }
}

}  // namespace korvan
