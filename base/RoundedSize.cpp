#include "base/RoundedSize.h"

#include <cmath>

namespace korvan {

double RoundedSize(double length) {
    if (!(length > 0) || std::isinf(length)) return length;
    double e = std::pow(10.0, std::floor(std::log10(length)));
    double m = length / e;
    if (m > 7) return 10 * e;
    if (m > 3) return 5 * e;
    if (m > 1.5) return 2 * e;
    return e;
}

}  // namespace korvan
