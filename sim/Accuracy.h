#pragma once
// The clock and accuracy settings: the sub-step length they give, their defaults, their setters
// (which keep every body's connection constants in step) and the slider mappings of the accuracy
// dialog. Main thread only, between frames.
#include "sim/SimSettings.h"

namespace korvan {

class CScene;

inline constexpr int kAccuracySliderMax = 1000;  // all three sliders run 0..1000
inline constexpr int kMaxCandidatePeriod = 20;

// Sub-step length for the accuracy settings:
// h = (1/60) / (100 sqrt(10^(2 accuracy) 0.01 / 2^(5 loadReduction))), so that stiffness * h^2
// stays constant while accuracy scales the stiffness, and loadReduction only stretches h.
double TimeStepFor(double accuracy, double loadReduction);
// trunc(frameTime / timeStep); 0 when the step is longer than the frame or either length is not a
// positive finite number; at most 1000000.
int SubStepCount(double frameTime, double timeStep);

// Loading a scene (not merging one): accuracy 1, candidatePeriod 10, loadReduction 0.
void ResetAccuracySettings(SimSettings& settings);
// Initialising a scene: the clock restarts and the first step is a hundredth of a frame.
void InitialiseClock(SimSettings& settings);

// Setters of the accuracy dialog. Values are kept inside their ranges (accuracy and loadReduction
// 0..1, candidatePeriod 1..20; a value that is not a number is ignored); changing accuracy or
// loadReduction recomputes the derived constants of every body.
void SetAccuracy(CScene& scene, double accuracy);
void SetCandidatePeriod(CScene& scene, int candidatePeriod);
void SetLoadReduction(CScene& scene, double loadReduction);

// Slider positions (0..1000) and the values they stand for.
double AccuracyFromSlider(int position);
int SliderFromAccuracy(double accuracy);
int CandidatePeriodFromSlider(int position);
int SliderFromCandidatePeriod(int candidatePeriod);
double LoadReductionFromSlider(int position);
int SliderFromLoadReduction(double loadReduction);
// How much longer the step is than at loadReduction 0: 2^(5 loadReduction), shown beside the slider.
double LoadFactor(double loadReduction);

}  // namespace korvan
