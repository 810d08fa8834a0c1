// The effects that leave each channel fewer values.

#include <algorithm>

#include "filterlib/core/channel_maps.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

void posterize(HDC d, HDC s, int32_t& fxResult, int levels) {
    const int steps = levels - 1;
    const Curves curves = Curves::same([steps](int c) {
        const int64_t level = divRound(int64_t(c) * steps, 255);
        return static_cast<int>(divRound(level * 255, steps));
    });
    apply(d, s, fxResult, [&](const Image& in, Image& out) { applyCurves(in, out, curves); });
}

}  // namespace

void FxReduceColors(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    posterize(d, s, fxResult, std::max(2, 256 - std::clamp(amount, 0, 255)));
}

void FxReduceTo8Colors(HDC d, HDC s, int32_t& fxResult) { posterize(d, s, fxResult, 2); }

// The web palette is every combination of six levels, multiples of 51, per channel.
void FxWebColors(HDC d, HDC s, int32_t& fxResult) { posterize(d, s, fxResult, 6); }

}  // namespace filterlib
