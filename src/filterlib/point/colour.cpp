// The effects that move colours as colours: saturation, hue, replacing one colour.

#include <algorithm>
#include <array>

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
        for (int y = 0; y < out.height; ++y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int r = red(src[x]), g = green(src[x]), b = blue(src[x]);
                const int l = luma(r, g, b);
                dst[x] = pack(saturate(l + scaled[size_t(r - l + 255)]), saturate(l + scaled[size_t(g - l + 255)]),
                              saturate(l + scaled[size_t(b - l + 255)]));
            }
        }
    });
}

namespace {

// Turns the hue of the hexcone model (red 0, yellow 1, green 2 ... in sixths of a turn)
// by `sixths`, keeping the largest and smallest channel, and so saturation and lightness.
uint32_t turnHue(uint32_t p, double sixths) {
    const int r = red(p), g = green(p), b = blue(p);
    const int high = std::max({r, g, b}), low = std::min({r, g, b}), chroma = high - low;
    if (chroma == 0) return pack(r, g, b);
    // The hue times the chroma, a whole number in [0, 6 * chroma).
    int h;
    if (high == r) h = g >= b ? g - b : 6 * chroma + g - b;
    else if (high == g) h = 2 * chroma + b - r;
    else h = 4 * chroma + r - g;
    double turned = h + sixths * chroma;
    const double full = 6.0 * chroma;
    turned -= full * static_cast<int>(turned / full);
    if (turned < 0) turned += full;
    const int sector = std::min(5, static_cast<int>(turned / chroma));
    const double rising = turned - sector * chroma;  // in [0, chroma)
    const int middle = low + static_cast<int>(roundHalfEven(sector % 2 == 0 ? rising : chroma - rising));
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
    const double sixths = ((degrees % 360 + 360) % 360) / 60.0;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        for (int y = 0; y < out.height; ++y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) dst[x] = turnHue(src[x], sixths);
        }
    });
}

void FxBackDropRemoval(HDC d, HDC s, COLORREF color, COLORREF replacement, int32_t distance,
                       int32_t& fxResult) {
    // Euclidean distance in RGB; no two colours are further apart than 442.
    const uint32_t key = pixelOf(color), fill = pixelOf(replacement);
    const int64_t reach = std::clamp(distance, 0, 442);
    const int64_t limit = reach * reach;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        for (int y = 0; y < out.height; ++y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int dr = red(src[x]) - red(key), dg = green(src[x]) - green(key),
                          db = blue(src[x]) - blue(key);
                dst[x] = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db <= limit ? fill : src[x] & 0xFFFFFFu;
            }
        }
    });
}

}  // namespace filterlib
