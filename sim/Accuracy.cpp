#include "sim/Accuracy.h"

#include <algorithm>
#include <cmath>

#include "sim/Scene.h"

namespace korvan {

namespace {

constexpr double kNominalFrameTime = 1.0 / 60;
constexpr int kNominalSubSteps = 100;
constexpr int kMaxSubSteps = 1000000;  // 10000 times the nominal count

void UpdateEveryBody(CScene& scene) {
    for (int i = 0; i < scene.Count(); ++i) scene.Body(i)->UpdateDerivedConstants();
}

double ClampUnit(double x) {
    return std::clamp(x, 0.0, 1.0);
}

}  // namespace

double TimeStepFor(double accuracy, double loadReduction) {
    // h = (1/60) / (100 sqrt(10^(2a) 0.01 / 2^(5l)))
    double stiffnessScale = std::pow(10.0, 2 * accuracy) * 0.01 / std::pow(2.0, 5 * loadReduction);
    return kNominalFrameTime / (kNominalSubSteps * std::sqrt(stiffnessScale));
}

int SubStepCount(double frameTime, double timeStep) {
    // A step or frame that is not a positive finite length simulates nothing rather than forever.
    if (!(timeStep > 0) || !std::isfinite(frameTime)) return 0;
    const double n = std::trunc(frameTime / timeStep);
    if (!(n >= 1)) return 0;
    return n > kMaxSubSteps ? kMaxSubSteps : static_cast<int>(n);
}

void ResetAccuracySettings(SimSettings& settings) {
    settings.accuracy = 1.0;
    settings.candidatePeriod = 10;
    settings.loadReduction = 0;
}

void InitialiseClock(SimSettings& settings) {
    settings.CurTime = 0;
    settings.frameTime = 1.0 / settings.framesPerSecond;
    settings.timeStep = settings.frameTime * 0.01;
}

void SetAccuracy(CScene& scene, double accuracy) {
    if (std::isnan(accuracy)) return;
    scene.settings.accuracy = ClampUnit(accuracy);
    UpdateEveryBody(scene);
}

void SetCandidatePeriod(CScene& scene, int candidatePeriod) {
    scene.settings.candidatePeriod = std::clamp(candidatePeriod, 1, kMaxCandidatePeriod);
}

void SetLoadReduction(CScene& scene, double loadReduction) {
    if (std::isnan(loadReduction)) return;
    scene.settings.loadReduction = ClampUnit(loadReduction);
    UpdateEveryBody(scene);
}

// The position is an integer, so the mappings are done in integers where the slider formula
// allows: in floating point (1 - 950 * 0.001) * 20 + 1 comes out just under 2 and would truncate
// to 1. Positions from values are rounded, not truncated, for the same reason.

double AccuracyFromSlider(int position) {
    return position * 0.001;
}

int SliderFromAccuracy(double accuracy) {
    return static_cast<int>(std::lround(accuracy * kAccuracySliderMax));
}

// candidatePeriod = int((1 - p / 1000) * 20 + 1), clamped to 1..20
int CandidatePeriodFromSlider(int position) {
    int p = std::clamp(position, 0, kAccuracySliderMax);
    int period = (kAccuracySliderMax - p) * kMaxCandidatePeriod / kAccuracySliderMax + 1;
    return std::clamp(period, 1, kMaxCandidatePeriod);
}

// p = (1 - (candidatePeriod - 1) * 0.05) * 1000
int SliderFromCandidatePeriod(int candidatePeriod) {
    return kAccuracySliderMax - (candidatePeriod - 1) * kAccuracySliderMax / kMaxCandidatePeriod;
}

double LoadReductionFromSlider(int position) {
    return position * 0.001;
}

int SliderFromLoadReduction(double loadReduction) {
    return static_cast<int>(std::lround(loadReduction * kAccuracySliderMax));
}

double LoadFactor(double loadReduction) {
    return std::pow(2.0, 5 * loadReduction);
}

}  // namespace korvan
