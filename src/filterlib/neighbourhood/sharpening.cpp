// Sharpening by the 3x3 Laplacian, and anti-aliasing that smooths along edges only.

#include <algorithm>
#include <array>
#include <cstdlib>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/gradients.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

void FxSharpening(HDC d, HDC s, float strength, int32_t& fxResult) {
    const double k = clampedOr(strength, 0, 10, 0);
    apply(d, s, fxResult, [k](const Image& in, Image& out) {
        if (k == 0) return keep(in, out);
        eachRow(out.height, out.width, [&](int y) { std::fill_n(out.row(y), out.width, 0u); });
        for (const int shift : kChannelShifts) {
            const Plane q = channelPlane(in, shift, 1);
            eachRow(out.height, out.width, [&](int y) {
                const uint8_t* above = q.row(y - 1);
                const uint8_t* here = q.row(y);
                const uint8_t* below = q.row(y + 1);
                uint32_t* dst = out.row(y);
                for (int x = 0; x < out.width; ++x) {
                    const int around = above[x - 1] + above[x] + above[x + 1] + here[x - 1] + here[x + 1] +
                                       below[x - 1] + below[x] + below[x + 1];
                    const int c = here[x];
                    dst[x] |= uint32_t(roundChannel(c + k * (8 * c - around))) << shift;
                }
            });
        }
    });
}

void FxAntiAlias(HDC d, HDC s, int32_t percent, int32_t& fxResult) {
    const double strength = std::clamp(percent, 0, 100) / 100.0;
    apply(d, s, fxResult, [strength](const Image& in, Image& out) {
        const Plane y = lumaPlane(in, 1);
        forEachGradient(y, EdgeKernel::Sobel, [&](int px, int py, int gx, int gy) {
            const uint32_t c = in.row(py)[px];
            const int g = std::abs(gx) + std::abs(gy);
            if (g == 0 || strength == 0) {
                out.row(py)[px] = c & 0xFFFFFFu;
                return;
            }
            // The two neighbours along the edge: across a mostly vertical change of luma
            // (|gx| large) the edge runs up and down.
            const bool vertical = std::abs(gx) >= std::abs(gy);
            const uint32_t a = vertical ? clampedAt(in, px, py - 1) : clampedAt(in, px - 1, py);
            const uint32_t b = vertical ? clampedAt(in, px, py + 1) : clampedAt(in, px + 1, py);
            const double w = strength * std::min(1.0, g / 128.0);
            auto smooth = [w](int c, int a, int b) { return roundChannel(c + w * ((a + b) / 2.0 - c)); };
            out.row(py)[px] = pack(smooth(red(c), red(a), red(b)), smooth(green(c), green(a), green(b)),
                                   smooth(blue(c), blue(a), blue(b)));
        });
    });
}

}  // namespace filterlib
