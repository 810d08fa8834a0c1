// The blurs by window means: box, binomial and Gaussian, and the unsharp mask made from a
// Gaussian. Each costs the same whatever its radius.

#include <algorithm>

#include "filterlib/core/bands.h"
#include "filterlib/core/box_filter.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/tap_filter.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

void FxBlur(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [](const Image& in, Image& out) { boxBlur(in, out, 1, 1); });
}

void FxFarBlur(HDC d, HDC s, int32_t radius, int32_t& fxResult) {
    const int r = std::clamp(radius, 0, 1000);
    apply(d, s, fxResult, [r](const Image& in, Image& out) { boxBlur(in, out, r, r); });
}

void FxSoftenerBlur(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [](const Image& in, Image& out) { filterSeparable(in, out, {1, 4, 6, 4, 1}); });
}

void FxAdvancedBlur(HDC d, HDC s, int16_t radius, int32_t quality, int32_t channels, int32_t& fxResult) {
    const int sigma = std::clamp<int>(radius, 0, 100);
    const int passes = std::clamp(1 + quality / 12, 1, 8);
    // Bit 0 blue, bit 1 green, bit 2 red, as the words hold them.
    const uint32_t blurred = (channels & 1 ? 0x0000FFu : 0) | (channels & 2 ? 0x00FF00u : 0) |
                             (channels & 4 ? 0xFF0000u : 0);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (sigma == 0 || blurred == 0) return keep(in, out);
        gaussianBlur(in, out, sigma, passes);
        if (blurred == 0xFFFFFFu) return;
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) dst[x] = (dst[x] & blurred) | (src[x] & ~blurred & 0xFFFFFFu);
        });
    });
}

void FxUnsharpMask(HDC d, HDC s, int32_t radius, double amount, int32_t& fxResult) {
    const int sigma = std::clamp(radius, 0, 50);
    const double a = clampedOr(amount, 0, 20, 0);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (sigma == 0 || a == 0) return keep(in, out);
        // The blur goes into D first; each pixel then reads its own blurred value only.
        gaussianBlur(in, out, sigma);
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                auto sharpen = [a](int c, int g) { return roundChannel(c + a * (c - g)); };
                const uint32_t c = src[x], g = dst[x];
                dst[x] = pack(sharpen(red(c), red(g)), sharpen(green(c), green(g)), sharpen(blue(c), blue(g)));
            }
        });
    });
}

}  // namespace filterlib
