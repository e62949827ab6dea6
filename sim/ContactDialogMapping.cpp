#include "sim/ContactDialogMapping.h"

#include <algorithm>
#include <cmath>

namespace korvan {

namespace {

// trunc(x), kept on the slider. Not-a-number and infinities (log of zero or of a negative
// value) stop at the ends instead of overflowing the conversion.
int SliderPosition(double x) {
    if (!(x > 0)) return 0;
    if (!(x < kContactSliderMax)) return kContactSliderMax;
    return static_cast<int>(std::trunc(x));
}

}  // namespace

double ContactSliderToValue(ContactField field, int p) {
    switch (field) {
        case ContactField::StaticLimitSpeed:
            return std::pow(10.0, 3.0 * p / 100 - 3);  // 0.001 .. 1
        case ContactField::StaticFriction:
        case ContactField::DynamicFriction:
            return p / 100.0;
        case ContactField::Spring:
        case ContactField::Damping:
            return std::pow(10.0, 2.0 * p / 100 - 1);  // 0.1 .. 10
    }
    return 0;
}

int ContactValueToSlider(ContactField field, double v) {
    switch (field) {
        case ContactField::StaticLimitSpeed:
            return SliderPosition((std::log10(v) + 3) / 3 * 100);
        case ContactField::StaticFriction:
        case ContactField::DynamicFriction:
            return SliderPosition(v * 100);
        case ContactField::Spring:
        case ContactField::Damping:
            return SliderPosition((std::log10(v) + 1) / 2 * 100);
    }
    return 0;
}

double ContactDisplayedValue(ContactField field, const _INTRACT& definition) {
    switch (field) {
        case ContactField::StaticLimitSpeed:
            return definition.staticLimitSpeed;
        case ContactField::StaticFriction:
            return definition.staticFriction;
        case ContactField::DynamicFriction:
            return definition.dynamicFriction;
        case ContactField::Spring:
            return -definition.springSetting;
        case ContactField::Damping:
            return -definition.dampingSetting;
    }
    return 0;
}

const char* ContactDisplayFormat(ContactField field) {
    return field == ContactField::StaticLimitSpeed ? "%.4f" : "%.3f";
}

void ApplyContactValue(ContactField field, double typed, _INTRACT& definition) {
    switch (field) {
        case ContactField::StaticLimitSpeed:
            definition.staticLimitSpeed = typed;
            break;
        case ContactField::StaticFriction:
            definition.staticFriction = typed;
            break;
        case ContactField::DynamicFriction:
            definition.dynamicFriction = typed;
            break;
        case ContactField::Spring:
            definition.springSetting = -typed;
            break;
        case ContactField::Damping:
            definition.dampingSetting = -typed;
            break;
    }
}

}  // namespace korvan
