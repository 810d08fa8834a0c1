#pragma once
// BI_BITFIELDS channels: a mask of any contiguous width up to 32 bits, scaled to 8 bits
// by repeating its bits (5 bits abcde become abcdeabc) or keeping its top 8, so a full
// channel is 255 whatever its width, as ImageMagick and most viewers draw them.

#include <cstdint>

namespace picture::detail {

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    // False unless the mask is one contiguous run of set bits (an empty mask is valid
    // and reads as 0).
    bool set(uint32_t m);
    uint32_t to8(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | v;
        return (out >> ((8 + bits - 1) / bits * bits - 8)) & 0xFF;
    }
};

}  // namespace picture::detail
