// External forces: key- and controller-driven forces, torques and brakes, prescribed motion of
// fixed bodies, gravity, the orientation hold while a model is created, and the mouse grab.
// Inputs are sampled once per control pass into extForce, extTorque and brakeTorque; every force
// phase until the next control pass applies them.
#include <algorithm>
#include <cmath>

#include "sim/Obj.h"
#include "sim/Scene.h"

namespace korvan {

namespace {

_FORCEINFO MakeForce(int forceKind, const Vec3& v) {
    _FORCEINFO r;
    r.forceKind = forceKind;
    r.magnitude = Length(v);
    r.direction = r.magnitude > 0 ? v * (1.0 / r.magnitude) : v;
    return r;
}

// Sum of offset + amplitude sin(w t + phase) over the terms of one axis.
double PrescribedCoordinate(const std::vector<_SINFORCE>& terms, double t) {
    double sum = 0;
    for (const _SINFORCE& term : terms)
        sum += term.amplitude * std::sin(t * term.angularFrequency + term.phase) + term.offset;
    return sum;
}

double Sign(double x) {
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

}  // namespace

void CObj::AddForceByKey(int forceKind, int key, const Vec3& v) {
    _FORCEINFO r = MakeForce(forceKind, v);
    r.inputType = 0;
    r.key = key;
    forces.push_back(r);
}

void CObj::AddForceByGameCtrl(int forceKind, int ctrlIndex, const Vec3& v, int axis, int mapping,
                              int plusButton, int minusButton) {
    _FORCEINFO r = MakeForce(forceKind, v);
    r.inputType = 1;
    r.key = -1;
    r.ctrlIndex = ctrlIndex;
    r.axis = axis;
    r.mapping = mapping;
    r.plusButton = plusButton;
    r.minusButton = minusButton;
    forces.push_back(r);
}

void CObj::AddMoveForceX(double offset, double amplitude, double phase, double angularFrequency) {
    moveForcesX.push_back({offset, phase, amplitude, angularFrequency});
}
void CObj::AddMoveForceY(double offset, double amplitude, double phase, double angularFrequency) {
    moveForcesY.push_back({offset, phase, amplitude, angularFrequency});
}
void CObj::AddMoveForceZ(double offset, double amplitude, double phase, double angularFrequency) {
    moveForcesZ.push_back({offset, phase, amplitude, angularFrequency});
}

// A fixed body with prescribed motion takes its committed position from the clock. Done at the
// start of the control pass, before any body reads another's stage-0 state.
void CObj::ApplyPrescribedMotion() {
    if (!IsFixed()) return;
    if (moveForcesX.empty() && moveForcesY.empty() && moveForcesZ.empty()) return;
    const double t = settings().CurTime;
    Vec3 position = Position(0);
    if (!moveForcesX.empty()) position.x = PrescribedCoordinate(moveForcesX, t);
    if (!moveForcesY.empty()) position.y = PrescribedCoordinate(moveForcesY, t);
    if (!moveForcesZ.empty()) position.z = PrescribedCoordinate(moveForcesZ, t);
    SetPosition(position.x, position.y, position.z);
    UpdateJoinPoints(0);
}

// Second part of the control pass: t from the key or controller, then t * magnitude * direction
// (body axes) turned to world into the sum of its kind.
void CObj::SampleExternalForces() {
    if (forces.empty()) return;
    const KeyStateTable& keys = *scene().keys;
    GameControllers& controllers = *scene().controllers;
    for (const _FORCEINFO& force : forces) {
        double t = 0;
        if (force.inputType == 0) {
            t = keys.IsDown(force.key) ? 1 : 0;
        } else if (force.inputType == 1) {
            ControllerState reading;
            controllers.Read(force.ctrlIndex, reading);
            // The sign buttons act on their press, not while held.
            if (force.plusButton >= 0) {
                const int down = reading.ButtonDown(force.plusButton) ? 1 : 0;
                if (down && !lastPlusButtonState) ctrlForceSign = 1;
                lastPlusButtonState = down;
            }
            if (force.minusButton >= 0) {
                const int down = reading.ButtonDown(force.minusButton) ? 1 : 0;
                if (down && !lastMinusButtonState) ctrlForceSign = -1;
                lastMinusButtonState = down;
            }
            t = MapAxisValue(AxisReading(reading, force.axis), force.mapping) * ctrlForceSign;
        }
        const Vec3 world = ToWorldVector(0, t * force.magnitude * force.direction);
        if (force.forceKind == kForceRotate) extTorque += world;
        if (force.forceKind == kForceTranslate) extForce += world;
        if (force.forceKind == kForceBrake) brakeTorque += world;
    }
}

// The brake's torque for stage s, pointing along the spin it opposes. I_b is the moment of
// inertia about the brake axis b^: the sum over the body axes k of I_k (b^ . axis_k)^2.
Vec3 CObj::BrakeTorque(int s) const {
    if (brakeTorque.x == 0 && brakeTorque.y == 0 && brakeTorque.z == 0) return {};
    const double size = Length(brakeTorque);
    if (size == 0) return {};
    const Vec3 axis = brakeTorque * (1.0 / size);
    const double spin = Dot(axis, Omega(s));
    const double moments[3] = {inertiaX, inertiaY, inertiaZ};
    double inertia = 0;
    for (int k = 0; k < 3; ++k) inertia += moments[k] * Dot(axis, BodyAxis(s, k)) * Dot(axis, BodyAxis(s, k));
    const double stopping = inertia * std::fabs(spin) / settings().timeStep;
    return Sign(spin) * std::min(size, stopping) * axis;
}

// End of the force phase, stage s.
void CObj::ApplyExternalForces(int s, Wrench& sum) const {
    const SimSettings& sim = settings();
    sum.force += extForce;

    // tau += extTorque - sign(b^ . w) min(|b|, I_b |b^ . w| / h) b^: the brake holds its full size
    // against the rotation, like dry friction never more than stops the spin within one step, so
    // a braked body comes to rest and stays there instead of being shaken at full torque.
    if (inertiaX != 0 && inertiaY != 0 && inertiaZ != 0) {
        if (brakeTorque.x == 0 && brakeTorque.y == 0 && brakeTorque.z == 0)
            sum.torque += extTorque;
        else
            sum.torque += extTorque - BrakeTorque(s);
    }

    // F += m g, once the model is assembled
    if (sim.AssemblyProgress() > 1) {
        sum.force += Vec3{sim.GravityX * mass, sim.GravityY * mass, sim.GravityZ * mass};
    }

    // tau += G (z x Z) + G (x x X), G = gain |I|: turns the body axes onto the world axes while
    // the model is assembled
    if (keepDirectionGain > 0 && RHO >= 0 && !(sim.AssemblyProgress() >= 1)) {
        const double G =
            keepDirectionGain * std::sqrt(inertiaX * inertiaX + inertiaY * inertiaY + inertiaZ * inertiaZ);
        const Vec3 x = BodyAxis(s, 0), z = BodyAxis(s, 2);
        sum.torque += G * Cross(z, Vec3{0, 0, 1}) + G * Cross(x, Vec3{1, 0, 0});
    }
}

// Start of the force phase, stage s: the mouse pulls the grabbed point toward its target,
//     F = k (target - p) - c v_p,  c = sqrt(k m),
// softened during assembly like a connection (k / 10000^u, c / 100^u).
void CObj::ApplyGrabForce(int s, Wrench& sum) const {
    if (grabActive != 1 || !IsMovable()) return;
    const SimSettings& sim = settings();
    const Vec3 r = ToWorldVector(s, grabLocalPoint);
    const Vec3 p = Position(s) + r;
    Vec3 vp = PointVelocity(s, r);
    AdjustPointMotion(-1, s, vp);
    double k = sim.GrabForce, c = std::sqrt(k * mass);
    if (const double u = sim.SofteningExponent(); u > 0) {
        k /= std::pow(10000.0, u);
        c /= std::pow(100.0, u);
    }
    sum.AddAt(k * (grabTarget - p) - c * vp, r);
}

}  // namespace korvan
