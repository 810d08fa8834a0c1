// The blends of the second picture P with the source S that are not a per-channel mode:
// mixing by a weight, and S seen through P as through patterned glass.

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"
#include "filterlib/stochastic/pair_table.h"

namespace filterlib {

void FxAlphaBlend(HDC d, HDC p, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, 0, 255);
    // (p v + s (255 - v)) / 255: 255 is odd, so no result lies halfway.
    const PairTable table([v](int base, int over) { return int(divRound(over * v + base * (255 - v), 255)); });
    applyBlend(d, p, s, fxResult,
               [&](const Image& second, const Image& in, Image& out) { table.apply(second, in, out); });
}

void FxGlassBlendMode(HDC d, HDC p, HDC s, double strength, int32_t radius, int32_t& fxResult) {
    const double k = std::isnan(strength) ? 0 : std::clamp(strength, -10.0, 10.0);
    const int r = std::clamp(radius, 1, 20);
    applyBlend(d, p, s, fxResult, [&](const Image& second, const Image& in, Image& out) {
        const int w = out.width, h = out.height;
        std::vector<uint8_t> level(static_cast<size_t>(out.pixelCount()));
        eachRow(h, w, [&](int y) {
            const uint32_t* row = second.row(y);
            for (int x = 0; x < w; ++x) level[size_t(y) * size_t(w) + size_t(x)] = static_cast<uint8_t>(luma(row[x]));
        });
        auto levelAt = [&](int x, int y) {
            return int(level[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))]);
        };
        // S is seen displaced along the slope of P's luma, as through glass shaped like P.
        eachRow(h, w, [&](int y) {
            uint32_t* dst = out.row(y);
            for (int x = 0; x < w; ++x) {
                const int gx = levelAt(x + r, y) - levelAt(x - r, y), gy = levelAt(x, y + r) - levelAt(x, y - r);
                dst[x] = bilinearAt(in, x + 0.5 + k * gx / 8, y + 0.5 + k * gy / 8);
            }
        });
    });
}

}  // namespace filterlib
