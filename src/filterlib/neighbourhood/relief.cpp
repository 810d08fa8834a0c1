// Relief effects from the luma surface: emboss added to the colours, and grey shading lit
// from the top left.

#include <algorithm>
#include <cmath>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/gradients.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

void FxEmboss(HDC d, HDC s, float depth, int32_t& fxResult) {
    const double k = clampedOr(depth, -10, 10, 0);
    apply(d, s, fxResult, [k](const Image& in, Image& out) {
        if (k == 0) return keep(in, out);
        const Plane q = lumaPlane(in, 1);
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            const uint8_t* here = q.row(y);
            const uint8_t* above = q.row(y - 1);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                // Rises towards the bottom right catch the light from the top left.
                const double relief = k * (here[x] - above[x - 1]);
                const uint32_t c = src[x];
                dst[x] = pack(roundChannel(red(c) + relief), roundChannel(green(c) + relief),
                              roundChannel(blue(c) + relief));
            }
        });
    });
}

void FxRelief(HDC d, HDC s, int32_t& fxResult) {
    // Light from the top left, 45 degrees up: l = (-1, -1, sqrt 2) / 2. The surface stands
    // 4 Y / 255 pixels high (white four pixels above black), so its slopes are the Sobel
    // gradients (8 per unit of slope) over 510, and its normal is (-sx, -sy, 1) / |.|.
    // Steeper surfaces would turn a photo's grain into cliffs.
    apply(d, s, fxResult, [](const Image& in, Image& out) {
        forEachGradient(lumaPlane(in, 1), EdgeKernel::Sobel, [&](int x, int y, int gx, int gy) {
            const double sx = gx / 510.0, sy = gy / 510.0;
            const double lit = (sx + sy + std::sqrt(2.0)) / (2 * std::sqrt(sx * sx + sy * sy + 1));
            const int grey = roundChannel(255 * std::max(0.0, lit));
            out.row(y)[x] = pack(grey, grey, grey);
        });
    });
}

}  // namespace filterlib
