// Actuations: driven connection points. Once per control pass every actuation moves its
// displacement by its input (keys or a controller axis) and by the load the joint carries, clamps
// it to its limits and displaces this body's connection points toward `other` from where they were
// created: MOVE along the direction, SLIDE by scaling their distance from the centre along it,
// ROTATE by turning them about the axis through the centre. The springs then pull the partner
// after the moved points.
#include <algorithm>
#include <cmath>

#include "sim/Obj.h"
#include "sim/Scene.h"

namespace korvan {

namespace {

constexpr double kLoadStiffness = 3000000;  // the load term reads the pull of a unit-mass connection
constexpr double kKeyLoadGain = 0.0000001;  // how far the load moves a key-driven actuation per pass

int MoveKindFromName(const std::string& name) {
    if (name == "MOVE") return kMoveMove;
    if (name == "SLIDE") return kMoveSlide;
    if (name == "ROTATE") return kMoveRotate;
    if (name == "ZOOM") return kMoveZoom;
    return kMoveUnknown;
}

bool MovesPoints(int moveKind) {
    return moveKind == kMoveMove || moveKind == kMoveSlide || moveKind == kMoveRotate;
}

// Rodrigues: v' = v cos a + (u x v) sin a + u (u . v)(1 - cos a), u a unit axis.
Vec3 Rotated(const Vec3& v, const Vec3& u, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return v * c + Cross(u, v) * s + u * (Dot(u, v) * (1 - c));
}

// The displaced point for one actuation of displacement delta (u unit, c the centre).
Vec3 DisplacementOf(int moveKind, const Vec3& p0, const Vec3& c, const Vec3& u, double delta) {
    switch (moveKind) {
        case kMoveMove:
            return delta * u;  // dp = delta u
        case kMoveSlide:
            return (Dot(p0 - c, u) * delta) * u;  // dp = ((p0 - c) . u) delta u
        case kMoveRotate:
            return Rotated(p0 - c, u, delta) + c - p0;  // dp = R(delta u)(p0 - c) + c - p0
        default:
            return {};
    }
}

}  // namespace

void CObj::SetMoveObj(CObj* other, const std::string& kindName, int keyPlus, int keyMinus, double speed,
                      double lower, double upper, const Vec3& center, const Vec3& direction,
                      double loadDependence, double current) {
    _MOVEINFO r;
    r.other = other;
    r.moveKindName = kindName;
    r.moveKind = MoveKindFromName(kindName);
    r.inputType = 0;
    r.keyPlus = keyPlus;
    r.keyMinus = keyMinus;
    r.speed = speed;
    r.lowerLimit = lower;
    r.upperLimit = upper;
    r.center = center;
    r.direction = direction;
    r.loadDependence = loadDependence;
    r.displacement = current;
    r.ffbSmoothing = 0.1;
    r.passCounter = 0;
    moves.push_back(std::move(r));
}

void CObj::MoveJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                          const Vec3& center, const Vec3& direction, double loadDependence, double current) {
    SetMoveObj(other, "MOVE", keyPlus, keyMinus, speed, lower, upper, center, direction, loadDependence,
               current);
}

void CObj::SlideJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                           const Vec3& center, const Vec3& direction, double loadDependence, double current) {
    SetMoveObj(other, "SLIDE", keyPlus, keyMinus, speed, lower, upper, center, direction, loadDependence,
               current);
}

void CObj::RotateJointByKey(CObj* other, int keyPlus, int keyMinus, double speed, double lower, double upper,
                            const Vec3& center, const Vec3& direction, double loadDependence,
                            double current) {
    SetMoveObj(other, "ROTATE", keyPlus, keyMinus, speed, lower, upper, center, direction, loadDependence,
               current);
}

void CObj::SetMoveObjByGameCtrl(CObj* other, const std::string& kindName, int ctrlIndex, int axis,
                                int mapping, int useAs, double smoothing, double speed, double lower,
                                double upper, const Vec3& center, const Vec3& direction,
                                double loadDependence, double current) {
    // Keys are not read for a controller: -1 says "no key".
    SetMoveObj(other, kindName, -1, -1, speed, lower, upper, center, direction, loadDependence, current);
    _MOVEINFO& r = moves.back();
    r.inputType = 1;
    r.ctrlIndex = ctrlIndex;
    r.axis = axis;
    r.mapping = mapping;
    r.useAs = useAs;
    r.ffbSmoothing = smoothing;
}

// First part of the control pass.
void CObj::UpdateActuations() {
    if (moves.empty()) return;
    for (_JOININFO& j : joins) j.localPoint = j.originalPoint;
    const KeyStateTable& keys = *scene().keys;
    GameControllers& controllers = *scene().controllers;

    for (_MOVEINFO& move : moves) {
        ++move.passCounter;
        move.direction = Normalized(move.direction);
        const double lo = std::min(move.lowerLimit, move.upperLimit);
        const double hi = std::max(move.lowerLimit, move.upperLimit);
        const double load = MovesPoints(move.moveKind) ? ActuationLoad(move) : 0;

        if (move.inputType == 1) {
            ControllerState reading;
            controllers.Read(move.ctrlIndex, reading);
            const double v = MapAxisValue(AxisReading(reading, move.axis), move.mapping);
            if (move.useAs == 0) move.displacement = v * move.speed * 1000;  // position
            if (move.useAs == 1) move.displacement += v * move.speed;        // velocity
            // Force feedback: s = (1 - k) s + k O / (speed 1000), pushed back on the axis' channel
            const double scale = move.speed * 1000;
            const double k = move.ffbSmoothing;
            move.ffbValue = (1 - k) * move.ffbValue + (scale != 0 ? k * load / scale : 0);
            const double f = -move.ffbValue;
            controllers.SetForce(move.ctrlIndex, move.axis == 0 ? f : 0, move.axis == 1 ? f : 0,
                                 move.axis == 2 ? f : 0);
        } else if (move.inputType == 0) {
            // The minus key wins when both are held.
            const double input = keys.IsDown(move.keyMinus) ? -1 : (keys.IsDown(move.keyPlus) ? 1 : 0);
            move.displacement += move.speed * input + load * kKeyLoadGain;
        }
        move.displacement = std::clamp(move.displacement, lo, hi);

        if (!MovesPoints(move.moveKind)) continue;
        for (_JOININFO& j : joins)
            if (j.partner == move.other)
                j.localPoint += DisplacementOf(move.moveKind, j.originalPoint, move.center, move.direction,
                                               move.displacement);
    }
}

// O, the load the actuation's joints carry, from the points as they stood at the start of the
// pass (q = the partner's point in this body's coordinates, p = this body's point):
//     MOVE (q - p) . u,  SLIDE sum_k (q - p)_k (p - c)_k u_k,
//     ROTATE ((p - c) x (q - c)) . u / (|p - c| |q - c|),  each times loadDependence * 3e6.
double CObj::ActuationLoad(const _MOVEINFO& move) const {
    if (move.loadDependence == 0) return 0;
    const Vec3& u = move.direction;
    const Vec3& c = move.center;
    double sum = 0;
    for (const _JOININFO& j : joins) {
        const _JOININFO* mirror = MirrorOf(j);
        if (j.partner != move.other || !mirror) continue;
        const Vec3 q = ToBodyPoint(0, j.partner->ToWorldPoint(0, mirror->previousLocalPoint));
        const Vec3& p = j.previousLocalPoint;
        double term = 0;
        if (move.moveKind == kMoveMove) {
            term = Dot(q - p, u);
        } else if (move.moveKind == kMoveSlide) {
            for (int k = 0; k < 3; ++k) term += (q - p)[k] * (p - c)[k] * u[k];
        } else {
            const double lp = Length(p - c), lq = Length(q - c);
            if (lp != 0 && lq != 0) term = Dot(Cross(p - c, q - c), u) / (lp * lq);
        }
        sum += term * move.loadDependence * kLoadStiffness;
    }
    return sum;
}

}  // namespace korvan
