// Effects done to the picture as a sheet: its edge rolled up, four mirrored copies
// folded together, a raised bevel round it.

#include <algorithm>
#include <cmath>

#include "filterlib/core/bands.h"
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
        eachRow(out.height, out.width, [&](int y) {
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
        });
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
    // A bevel lit from the upper left: the top face takes the most light, the left face
    // less; the bottom face the deepest shade, the right face less. Each pixel of the rim
    // belongs to the face of its nearest edge, so the corners split along their diagonals
    // (ties to the top, then the sides).
    auto towards = [](int c, int target, int parts) { return c + int(divRound(int64_t(target - c), parts)); };
    struct Face {
        int target, parts;
    };
    constexpr Face kTop{255, 2}, kLeft{255, 4}, kRight{0, 4}, kBottom{0, 2};
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const int b = std::clamp(width, 0, std::min(out.width, out.height) / 2);
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* row = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int top = y, left = x, right = out.width - 1 - x, bottom = out.height - 1 - y;
                const int nearest = std::min({top, left, right, bottom});
                const uint32_t p = src[x] & 0xFFFFFFu;
                if (nearest >= b) {
                    row[x] = p;
                    continue;
                }
                const Face face = top == nearest ? kTop : left == nearest ? kLeft : right == nearest ? kRight : kBottom;
                row[x] = pack(towards(red(p), face.target, face.parts), towards(green(p), face.target, face.parts),
                              towards(blue(p), face.target, face.parts));
            }
        });
    });
}

}  // namespace filterlib
