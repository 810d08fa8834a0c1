// Effects done to the picture as a sheet: its edge rolled up, four mirrored copies
// folded together, a raised bevel round it.

#include <algorithm>
#include <cmath>

#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "filterlib/geometric/backward_map.h"

namespace filterlib {

void FxRoll(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // The right quarter wound round a cylinder whose visible half-turn spans it exactly:
        // columns crowd towards the far side of the roll and darken as it turns away; past
        // the roll the paper's white back shows.
        const double start = 0.75 * out.width, radius = 0.25 * out.width * 2 / M_PI;
        for (int y = 0; y < out.height; ++y) {
            const uint32_t* src = in.row(y);
            uint32_t* row = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const double t = (x + 0.5 - start) / radius;
                if (t < 0) {
                    row[x] = src[x] & 0xFFFFFFu;
                } else if (t >= 1) {
                    row[x] = pack(255, 255, 255);
                } else {
                    const uint32_t p = bilinearAt(in, start + radius * std::asin(t), y + 0.5);
                    const double shade = 1 - 0.4 * t * t;
                    row[x] = pack(roundChannel(red(p) * shade), roundChannel(green(p) * shade),
                                  roundChannel(blue(p) * shade));
                }
            }
        }
    });
}

void FxFourCorners(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // Each quadrant reads S at twice its distance from the picture's near edges, so the
        // copies meet at the centre as mirror images of each other.
        const double w = out.width, h = out.height;
        remap(in, out, [&](int x, int y) {
            const double px = x + 0.5, py = y + 0.5;
            return Offset{2 * (px < w / 2 ? px : w - px), 2 * (py < h / 2 ? py : h - py)};
        });
    });
}

void FxMake3DEffect(HDC d, HDC s, int32_t width, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const int b = std::clamp(width, 0, std::min(out.width, out.height) / 2);
        for (int y = 0; y < out.height; ++y) {
            const uint32_t* src = in.row(y);
            uint32_t* row = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int lit = std::min(x, y), shaded = std::min(out.width - 1 - x, out.height - 1 - y);
                const uint32_t p = src[x];
                if (std::min(lit, shaded) >= b) {
                    row[x] = p & 0xFFFFFFu;
                } else if (lit <= shaded) {
                    // Halfway to white on the sides facing the light (top and left).
                    auto up = [](int c) { return c + int(divRound(255 - c, 2)); };
                    row[x] = pack(up(red(p)), up(green(p)), up(blue(p)));
                } else {
                    auto down = [](int c) { return int(divRound(c, 2)); };
                    row[x] = pack(down(red(p)), down(green(p)), down(blue(p)));
                }
            }
        }
    });
}

}  // namespace filterlib
