#pragma once
// How the collision dialog shows and edits the five numbers of a collision definition: each has
// an edit box and a slider with positions 0..100. The spring and damping numbers are multiples of
// the default contact stiffness and damping; the dialog shows them positive and stores them
// negated (the "multiple of the default" convention).
#include "sim/Records.h"

namespace korvan {

enum class ContactField { StaticLimitSpeed, StaticFriction, DynamicFriction, Spring, Damping };

inline constexpr int kContactSliderMax = 100;

// Value written into the edit box when the slider stands at p (0..100).
double ContactSliderToValue(ContactField field, int p);
// Slider position for a value typed or shown; values off the scale stop at 0 or 100.
int ContactValueToSlider(ContactField field, double v);
// The value the dialog shows for a definition, and its printf format ("%.4f" or "%.3f").
double ContactDisplayedValue(ContactField field, const _INTRACT& definition);
const char* ContactDisplayFormat(ContactField field);
// Applying the page: frictions and limit speed as typed, spring and damping negated.
void ApplyContactValue(ContactField field, double typed, _INTRACT& definition);

}  // namespace korvan
