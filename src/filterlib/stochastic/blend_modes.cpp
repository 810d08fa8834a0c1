// Blend Modes: the second picture P (the blend, b) laid over the source S (the base, a) in
// one of 25 modes, channel by channel. The modes that Pillow's ImageChops also has take
// its integer arithmetic, divisions truncating, so they give its bytes exactly.

#include <algorithm>
#include <cstdlib>

#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "filterlib/stochastic/pair_table.h"

namespace filterlib {

namespace {

int dodge(int a, int b) { return b == 255 ? 255 : std::min(255, 255 * a / (255 - b)); }
int burn(int a, int b) { return b == 0 ? 0 : 255 - std::min(255, 255 * (255 - a) / b); }
int overlay(int a, int b) { return a < 128 ? a * b / 127 : 255 - (255 - a) * (255 - b) / 127; }
int reflect(int a, int b) { return a == 255 ? 255 : std::min(255, b * b / (255 - a)); }
int vividLight(int a, int b) { return b < 128 ? burn(a, 2 * b) : dodge(a, 2 * (b - 128)); }

int blendChannel(int mode, int a, int b) {
    switch (mode) {
        case 0: return static_cast<int>(divRound(a + b, 2));  // average
        case 1: return a * b / 255;                            // multiply
        case 2: return 255 - (255 - a) * (255 - b) / 255;      // screen
        case 3: return overlay(a, b);
        case 4: return std::min(a, b);  // darken
        case 5: return std::max(a, b);  // lighten
        case 6: return dodge(a, b);
        case 7: return burn(a, b);
        case 8: return overlay(b, a);  // hard light
        case 9:                        // soft light
            return (255 - a) * (a * b) / 65536 + a * (255 - (255 - a) * (255 - b) / 255) / 255;
        case 10: return std::abs(a - b);             // difference
        case 11: return a + b - 2 * a * b / 255;     // exclusion
        case 12: return std::min(255, a + b);        // add
        case 13: return std::max(0, a - b);          // subtract
        case 14: return b;                           // normal
        case 15: return 255 - std::abs(255 - a - b); // negation
        case 16: return reflect(a, b);
        case 17: return reflect(b, a);               // glow
        case 18: return std::max(0, a + b - 255);    // linear burn
        case 19: return saturate(a + 2 * b - 255);   // linear light
        case 20: return vividLight(a, b);
        case 21: return b < 128 ? std::min(a, 2 * b) : std::max(a, 2 * (b - 128));  // pin light
        case 22: return vividLight(a, b) >= 128 ? 255 : 0;                          // hard mix
        case 23: return std::min(a, b) - std::max(a, b) + 255;                      // phoenix
        default: return b == 0 ? 0 : 255 - std::min(255, (255 - a) * (255 - a) / b);  // freeze
    }
}

}  // namespace

void FxBlendMode(HDC d, HDC p, HDC s, int32_t mode, int32_t& fxResult) {
    const int chosen = std::clamp(mode, 0, 24);
    const PairTable table([chosen](int a, int b) { return blendChannel(chosen, a, b); });
    applyBlend(d, p, s, fxResult,
               [&](const Image& second, const Image& in, Image& out) { table.apply(second, in, out); });
}

}  // namespace filterlib
