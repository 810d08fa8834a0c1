#pragma once
// What the neighbourhood effects share: their float arguments clamped to the range an
// effect names (a value that is not a number taken as the neutral one), and the picture
// kept as it is at a neutral value.

#include <algorithm>
#include <cmath>

#include "filterlib/core/box_filter.h"

namespace filterlib {

inline double clampedOr(double v, double lo, double hi, double neutral) {
    return std::isnan(v) ? neutral : std::clamp(v, lo, hi);
}

// The source as it is (a box mean of radius 0), the high bytes written 0.
inline void keep(const Image& in, Image& out) { boxBlur(in, out, 0, 0); }

}  // namespace filterlib
