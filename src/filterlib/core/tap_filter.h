#pragma once
// Filters with a fixed set of integer weights at fixed offsets: each channel of a pixel is
// the weighted sum of the source at those offsets, edges repeated, divided once (halves
// to even). The sums run along whole rows, so the work per tap vectorises.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "filterlib/core/image.h"

namespace filterlib {

struct Tap {
    int dx, dy;
    uint32_t weight;
};

// dest may not share source's memory. The weights must add up to `divisor`, which must
// be at most 2^24 (so that no sum overflows 32 bits); taps at one offset may repeat.
void filterTaps(const Image& source, Image& dest, const std::vector<Tap>& taps, uint32_t divisor);

// The same for the kernel that is the product of `weights` across and the same weights
// down (3, 5, 7 or 9 of them, symmetric about the centre), whose sum squared, the
// divisor, must be a power of two from 2 to 256: run as two passes of 16-bit sums.
void filterSeparable(const Image& source, Image& dest, std::initializer_list<uint16_t> weights);

}  // namespace filterlib
