#pragma once
// Process-wide simulation values: the clock, gravity, grab strength and the accuracy settings.
// The application owns one of these (inside the scene); bodies read it during the sub-steps and
// only the main thread writes it, between frames.
#include <cmath>

namespace korvan {

struct SimSettings {
    // Script-visible values of Application.
    double CurTime = 0;                                  // simulated time, s; advances by frameTime per frame
    double PreCalcTime = 0;                              // length of the assembly phase, s
    double GravityX = 0, GravityY = 0, GravityZ = -9.8;  // m/s^2, Z is up
    double GrabForce = 100000;                           // mouse grab spring, N/m

    // Clock and accuracy.
    int framesPerSecond = 60;
    double frameTime = 1.0 / 60;
    double timeStep = 1.0 / 6000;
    double accuracy = 1.0;     // 0..1, 1 is nominal
    int candidatePeriod = 10;  // control pass on every candidatePeriod-th sub-step
    double loadReduction = 0;  // 0..1, longer steps without softer connections
    int calcThreadCount = 1;

    // Connection and contact stiffness are scaled by this so that stiffness * timeStep^2 stays
    // constant while accuracy changes.
    double AccuracyFactor() const { return std::pow(10.0, 2.0 * accuracy) * 0.01; }

    // CurTime / PreCalcTime, the progress of the assembly phase (infinite or NaN-free when
    // PreCalcTime is 0: 0/0 counts as "not past", x/0 as past).
    double AssemblyProgress() const {
        if (PreCalcTime == 0) return CurTime > 0 ? INFINITY : 0.0;
        return CurTime / PreCalcTime;
    }

    // True while a loaded model is being assembled: connections are soft and nothing breaks.
    bool InPreCalculation() const { return PreCalcTime > 0 && CurTime / PreCalcTime < 1; }
    // u = (1 - CurTime / PreCalcTime)^2 during the assembly phase, 0 after it; stiffnesses are
    // divided by 10000^u and dampings by 100^u.
    double SofteningExponent() const {
        if (!InPreCalculation()) return 0;
        const double rest = 1 - CurTime / PreCalcTime;
        return rest * rest;
    }
};

}  // namespace korvan
