#pragma once
// Moving a pixel's channels towards a colour by a weight, for the effects that lay a tone
// (fog, metal) over the picture.

#include <array>
#include <cstdint>

#include "filterlib/core/pixel.h"

namespace filterlib {

// c + (target - c) weight per channel (red, green, blue), rounded and saturated.
inline uint32_t mixTowards(uint32_t p, const std::array<double, 3>& target, double weight) {
    const int r = red(p), g = green(p), b = blue(p);
    return pack(roundChannel(r + (target[0] - r) * weight), roundChannel(g + (target[1] - g) * weight),
                roundChannel(b + (target[2] - b) * weight));
}

}  // namespace filterlib
