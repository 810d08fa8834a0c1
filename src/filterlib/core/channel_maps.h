#pragma once
// Point effects as look-up tables: a curve per channel, or a colour per luma value.

#include <array>
#include <cstdint>

#include "filterlib/core/image.h"

namespace filterlib {

// Each channel's new value for each old one, 0..255.
struct Curves {
    std::array<uint8_t, 256> red{}, green{}, blue{};

    // The same curve for all three channels: curve(c) for c = 0..255.
    template <class Curve>
    static Curves same(Curve curve) {
        Curves c;
        for (int v = 0; v < 256; ++v) c.red[v] = c.green[v] = c.blue[v] = static_cast<uint8_t>(curve(v));
        return c;
    }
    // A curve per channel: curve(channel, c), channel 0 red, 1 green, 2 blue.
    template <class Curve>
    static Curves perChannel(Curve curve) {
        Curves c;
        for (int v = 0; v < 256; ++v) {
            c.red[v] = static_cast<uint8_t>(curve(0, v));
            c.green[v] = static_cast<uint8_t>(curve(1, v));
            c.blue[v] = static_cast<uint8_t>(curve(2, v));
        }
        return c;
    }
};

void applyCurves(const Image& source, Image& dest, const Curves& curves);

// The pixel written for each luma value 0..255.
using LumaColours = std::array<uint32_t, 256>;

void applyLumaColours(const Image& source, Image& dest, const LumaColours& colours);

// The luma of each of n pixels.
void lumaRow(const uint32_t* in, uint8_t* out, int n);

// The two-colour case: atOrAbove where the luma reaches threshold, below elsewhere.
void applyLumaCut(const Image& source, Image& dest, int threshold, uint32_t below, uint32_t atOrAbove);

}  // namespace filterlib
