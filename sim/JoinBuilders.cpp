// The connection builders Join1, Join2, Join2_Vert, Join2_Horz and Join4.
//
// A group of n point pairs becomes n contiguous records on each body (kindCode n*100 + position),
// record i of this body paired with record i of the mirror group, plus with plus and minus with
// minus as the points are given. Every setting is divided by n so a group is as stiff, as damped
// and as strong as one single pair.
#include <cmath>

#include "base/Diagnostics.h"
#include "sim/JoinGeometry.h"
#include "sim/Obj.h"

namespace korvan {

namespace {

struct JoinSettings {
    double strength, friction, rotResistance;
};

// One side of a group: the points and the axes kept with them.
struct GroupSide {
    Vec3 points[4];
    Vec3 axisA{0, 0, 1};
    Vec3 axisB{1, 0, 0};
    int vertical = 0;
};

_JOININFO MakeRecord(CObj* partner, int partnerIndex, int kindCode, const Vec3& point, const GroupSide& side,
                     const JoinSettings& settings) {
    _JOININFO r;
    r.partner = partner;
    r.partnerIndex = partnerIndex;
    r.kindCode = kindCode;
    r.localPoint = r.originalPoint = r.previousLocalPoint = point;
    r.axisA = side.axisA;
    r.axisB = side.axisB;
    r.strengthSetting = settings.strength;
    r.frictionSetting = settings.friction;
    r.breakSetting = settings.strength;  // the break threshold starts equal to the strength
    r.rotResistance = settings.rotResistance;
    r.vertical = side.vertical;
    r.rampCount = 0;
    r.effStrength = r.effFriction = r.effBreak = 0;
    r.baseStrength = r.baseFriction = r.baseBreak = 0;
    return r;
}

// Unit vector perpendicular to d: d x the axis after d's largest component (x -> y, y -> z, z -> x).
Vec3 PerpendicularTo(const Vec3& d) {
    const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    Vec3 next = ax >= ay && ax >= az ? Vec3{0, 1, 0} : (ay >= az ? Vec3{0, 0, 1} : Vec3{1, 0, 0});
    return Normalized(Cross(d, next));
}

GroupSide TwoPointSide(const Vec3& c, const Vec3& d, int vertical) {
    GroupSide side;
    const Vec3 rows[] = {c, d};
    JoinPointsFromRows(2, rows, side.points);
    side.axisA = PerpendicularTo(d);
    side.axisB = Normalized(d);
    side.vertical = vertical;
    return side;
}

GroupSide FourPointSide(const Vec3& c, const Vec3& a, const Vec3& b) {
    GroupSide side;
    const Vec3 rows[] = {c, a, b};
    JoinPointsFromRows(4, rows, side.points);
    side.axisA = Normalized(Cross(a, b));
    side.axisB = Normalized(a);
    return side;
}

JoinSettings Divided(double strength, double friction, double rotResistance, int count) {
    return {strength / count, friction / count, rotResistance / count};
}

}  // namespace

// Appends the group to both bodies. build(isThisBody) gives the GroupSide of either body.
template <class Build>
int CObj::MakeJoinGroup(CObj* other, int count, Build build) {
    if (!other) {
        ReportBug("Join: no partner body");
        return -1;
    }
    const GroupSide mine = build(true), theirs = build(false);
    const JoinSettings& settings = build.settings;
    const int first = static_cast<int>(joins.size());
    // A body joined to itself holds both groups in one array, the mirror group after its own.
    const int mirrorFirst = other == this ? first + count : static_cast<int>(other->joins.size());
    for (int k = 0; k < count; ++k)
        joins.push_back(
            MakeRecord(other, mirrorFirst + k, count * 100 + k + 1, mine.points[k], mine, settings));
    for (int k = 0; k < count; ++k)
        other->joins.push_back(
            MakeRecord(this, first + k, count * 100 + k + 1, theirs.points[k], theirs, settings));
    UpdateJoinConstants();
    other->UpdateJoinConstants();
    // The points are valid for the first force phase without waiting for a sub-step.
    UpdateJoinPoints(0);
    other->UpdateJoinPoints(0);
    return 0;
}

namespace {

// Function objects for MakeJoinGroup: the sides of both bodies and the divided settings.
struct OnePoint {
    Vec3 p, q;
    JoinSettings settings;
    GroupSide operator()(bool mine) const {
        GroupSide side;
        side.points[0] = mine ? p : q;
        return side;
    }
};

struct TwoPoint {
    Vec3 c, d, c2, d2;
    int verticalMine, verticalTheirs;
    JoinSettings settings;
    GroupSide operator()(bool mine) const {
        return mine ? TwoPointSide(c, d, verticalMine) : TwoPointSide(c2, d2, verticalTheirs);
    }
};

struct FourPoint {
    Vec3 c, a, b, c2, a2, b2;
    JoinSettings settings;
    GroupSide operator()(bool mine) const {
        return mine ? FourPointSide(c, a, b) : FourPointSide(c2, a2, b2);
    }
};

}  // namespace

int CObj::Join1(CObj* other, const Vec3& p, const Vec3& q, double strength, double friction,
                double rotResistance) {
    return MakeJoinGroup(other, 1, OnePoint{p, q, Divided(strength, friction, rotResistance, 1)});
}

int CObj::Join2(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2, double strength,
                double friction, double rotResistance) {
    if (!other) return MakeJoinGroup(other, 2, OnePoint{});
    return MakeJoinGroup(other, 2,
                         TwoPoint{c, d, c2, d2, IsVerticalToSurface(c, d), other->IsVerticalToSurface(c2, d2),
                                  Divided(strength, friction, rotResistance, 2)});
}

int CObj::Join2_Vert(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2,
                     double strength, double friction, double rotResistance) {
    return MakeJoinGroup(other, 2,
                         TwoPoint{c, d, c2, d2, 1, 1, Divided(strength, friction, rotResistance, 2)});
}

int CObj::Join2_Horz(CObj* other, const Vec3& c, const Vec3& d, const Vec3& c2, const Vec3& d2,
                     double strength, double friction, double rotResistance) {
    return MakeJoinGroup(other, 2,
                         TwoPoint{c, d, c2, d2, 0, 0, Divided(strength, friction, rotResistance, 2)});
}

int CObj::Join4(CObj* other, const Vec3& c, const Vec3& a, const Vec3& b, const Vec3& c2, const Vec3& a2,
                const Vec3& b2, double strength, double friction, double rotResistance) {
    return MakeJoinGroup(other, 4,
                         FourPoint{c, a, b, c2, a2, b2, Divided(strength, friction, rotResistance, 4)});
}

}  // namespace korvan
