// Rain drops on the glass: each drop a small lens over the picture, with a highlight where
// the light from the top left catches it. Drops read the source and are drawn in order, a
// later one over an earlier one.

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

struct Drop {
    double cx, cy, radius;
};

// The drop's rows from `first` to before `end` drawn into `out`: inside it, the point at distance r from the centre shows the
// source nearer the centre by the factor 1 - strength (1 - (r / radius)^2), so the middle
// is magnified most and the rim joins the picture around it.
void drawDrop(const Image& in, Image& out, const Drop& drop, double strength, int first, int end) {
    const int left = std::max(0, static_cast<int>(std::floor(drop.cx - drop.radius))),
              right = std::min(out.width - 1, static_cast<int>(std::ceil(drop.cx + drop.radius))),
              top = std::max(first, static_cast<int>(std::floor(drop.cy - drop.radius))),
              bottom = std::min(end - 1, static_cast<int>(std::ceil(drop.cy + drop.radius)));
    for (int y = top; y <= bottom; ++y) {
        uint32_t* dst = out.row(y);
        for (int x = left; x <= right; ++x) {
            const double u = x + 0.5 - drop.cx, v = y + 0.5 - drop.cy;
            const double r = std::hypot(u, v) / drop.radius;
            if (r >= 1) continue;
            const double pull = 1 - strength * (1 - r * r);
            uint32_t p = bilinearAt(in, drop.cx + u * pull, drop.cy + v * pull);
            if (u + v < 0) {
                const int shine = static_cast<int>(roundHalfEven(60 * (1 - r)));
                p = pack(saturate(red(p) + shine), saturate(green(p) + shine), saturate(blue(p) + shine));
            }
            dst[x] = p;
        }
    }
}

}  // namespace

void FxRainDrops(HDC d, HDC s, int32_t count, int32_t size, int32_t strength, int32_t& fxResult) {
    const int drops = std::clamp(count, 0, 1000), sizePercent = std::clamp(size, 0, 100),
              lensPercent = std::clamp(strength, 0, 100);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) dst[x] = src[x] & 0xFFFFFFu;
        });
        const double largest =
            std::max(1.0, sizePercent / 100.0 * std::min(out.width, out.height) / 8.0);
        // Every drop thrown first; then each band of rows draws its part of every drop, in
        // the order they fell.
        Random dice(seedOf("FxRainDrops", {drops, sizePercent, lensPercent, out.width, out.height}));
        std::vector<Drop> thrown(static_cast<size_t>(drops));
        for (Drop& drop : thrown) {
            drop.cx = dice.below(static_cast<uint32_t>(out.width)) + 0.5;
            drop.cy = dice.below(static_cast<uint32_t>(out.height)) + 0.5;
            drop.radius = largest / 4 + dice.unit() * (largest - largest / 4);
        }
        inBands(out.height, out.width, [&](int first, int end) {
            for (const Drop& drop : thrown) drawDrop(in, out, drop, lensPercent / 100.0, first, end);
        });
    });
}

}  // namespace filterlib
