// The effects that move colours as colours: saturation, hue, replacing one colour.

#include <algorithm>
#include <array>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"

namespace filterlib {

void FxSaturation(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    // Each channel's distance from the luma, scaled by (255 + V) / 255; the scaled
    // distances are a table, since they are whole numbers from -255 to 255.
    const int64_t scale = 255 + std::clamp(amount, -255, 512);
    std::array<int, 511> scaled{};
    for (int diff = -255; diff <= 255; ++diff) scaled[size_t(diff + 255)] = int(divRound(diff * scale, 255));
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int r = red(src[x]), g = green(src[x]), b = blue(src[x]);
                const int l = luma(r, g, b);
                dst[x] = pack(saturate(l + scaled[size_t(r - l + 255)]), saturate(l + scaled[size_t(g - l + 255)]),
                              saturate(l + scaled[size_t(b - l + 255)]));
            }
        });
    });
}

namespace {

// Turns the hue of the hexcone model (six sectors of 60 degrees: red, yellow, green, cyan,
// blue, magenta) by 60 q + rest degrees (rest < 60), keeping the largest and smallest
// channel, and so saturation and lightness. Positions within a sector are counted in
// 1/60 degree per unit of chroma: all whole numbers, no division, and only the middle
// channel rounds.
uint32_t turnHue(uint32_t p, int q, int rest) {
    const int r = red(p), g = green(p), b = blue(p);
    const int high = std::max({r, g, b}), low = std::min({r, g, b}), chroma = high - low;
    if (chroma == 0) return pack(r, g, b);
    // The sector and the rise through it (0 <= rise < chroma) of the hue now.
    int sector, rise;
    if (high == r && g >= b) sector = 0, rise = g - b;
    else if (high == g && b < r) sector = 1, rise = chroma - (r - b);
    else if (high == g) sector = 2, rise = b - r;
    else if (high == b && r < g) sector = 3, rise = chroma - (g - r);
    else if (high == b) sector = 4, rise = r - g;
    else sector = 5, rise = chroma - (b - g);
    int position = 60 * rise + rest * chroma;  // below 120 chroma
    const int sixth = 60 * chroma;
    if (position >= sixth) {
        position -= sixth;
        ++sector;
    }
    sector = (sector + q) % 6;
    const int middle = low + static_cast<int>(divRound(sector % 2 == 0 ? position : sixth - position, 60));
    switch (sector) {
        case 0: return pack(high, middle, low);
        case 1: return pack(middle, high, low);
        case 2: return pack(low, high, middle);
        case 3: return pack(low, middle, high);
        case 4: return pack(middle, low, high);
        default: return pack(high, low, middle);
    }
}

}  // namespace

void FxHue(HDC d, HDC s, int32_t degrees, int32_t& fxResult) {
    const int turn = (degrees % 360 + 360) % 360;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) dst[x] = turnHue(src[x], turn / 60, turn % 60);
        });
    });
}

void FxBackDropRemoval(HDC d, HDC s, COLORREF color, COLORREF replacement, int32_t distance,
                       int32_t& fxResult) {
    // Euclidean distance in RGB; no two colours are further apart than 442.
    const uint32_t key = pixelOf(color), fill = pixelOf(replacement);
    const int64_t reach = std::clamp(distance, 0, 442);
    const int64_t limit = reach * reach;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int dr = red(src[x]) - red(key), dg = green(src[x]) - green(key),
                          db = blue(src[x]) - blue(key);
                dst[x] = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db <= limit ? fill : src[x] & 0xFFFFFFu;
            }
        });
    });
}

}  // namespace filterlib
