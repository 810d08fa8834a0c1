#pragma once
// Integer arithmetic of AlphaBlend.

#include <cstdint>

namespace gdi::detail {

// round(x / 255) for 0 <= x <= 65535 (no ties occur: x / 255 is never k + 1/2).
// Why it holds: with y = x + 128, (y + (y >> 8)) >> 8 = floor((y + floor(y / 256)) / 256),
// and floor(y / 256) is the correction that turns a division by 256 into one by 255
// (y / 255 = y / 256 + y / (255 * 256)); the test checks every x in the range.
constexpr uint32_t div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Blends n BGRA pixels of s over d in place.
// Without source alpha: every channel d = s*sca/255 + d*(255-sca)/255.
// With it: s' = s*sca/255 for all four channels, then d = s' + d*(255-s'.alpha)/255.
// Every division rounds to nearest; a sum past 255 (a source that is not
// premultiplied) saturates at 255.
void blendRow(uint32_t* d, const uint32_t* s, int n, uint8_t sca, bool sourceAlpha);

// The colour bytes of a pixel of `old` (0x..RRGGBB) under text of `color` (0x00RRGGBB)
// at coverage k (1..255): color x k + old x (255 - k), / 255 rounded; alpha byte 0.
constexpr uint32_t mixByCoverage(uint32_t color, uint32_t old, uint32_t k) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t f = (color >> shift) & 0xFF, g = (old >> shift) & 0xFF;
        out |= div255(f * k + g * (255 - k)) << shift;
    }
    return out;
}

// mixByCoverage over a row of n 32-bpp pixels with one coverage byte each; pixels of
// coverage 0 keep all four bytes.
void mixRowByCoverage(uint32_t* d, const uint8_t* coverage, int n, uint32_t color);

}  // namespace gdi::detail
