// The effects that move each channel along a curve of its own value.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/channel_maps.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

void applyCurvesCall(HDC d, HDC s, int32_t& fxResult, const Curves& curves) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) { applyCurves(in, out, curves); });
}

// A float argument that is not a number counts as `otherwise`.
double finiteOr(double v, double otherwise) { return std::isnan(v) ? otherwise : v; }

}  // namespace

namespace {

#if defined(__x86_64__)
// Eight pixels at a time by saturating byte additions (up) or subtractions of |a|; returns
// the first x not done.
template <bool up>
__attribute__((target("avx2"))) int brightenRowAvx2(const uint32_t* src, uint32_t* dst, int width, int a) {
    const __m256i amounts = _mm256_set1_epi32(std::abs(a) * 0x010101), colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i p =
            _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x)), colourBytes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x),
                            up ? _mm256_adds_epu8(p, amounts) : _mm256_subs_epu8(p, amounts));
    }
    return x;
}
#endif

}  // namespace

void FxBrightness(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int a = std::clamp(amount, -255, 255);
    apply(d, s, fxResult, [a](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            int x = 0;
#if defined(__x86_64__)
            if (hasAvx2())
                x = a >= 0 ? brightenRowAvx2<true>(src, dst, out.width, a)
                           : brightenRowAvx2<false>(src, dst, out.width, a);
#endif
            for (; x < out.width; ++x) {
                const uint32_t p = src[x];
                dst[x] = pack(saturate(red(p) + a), saturate(green(p) + a), saturate(blue(p) + a));
            }
        });
    });
}

void FxContrast(HDC d, HDC s, float red, float green, float blue, int32_t& fxResult) {
    const double k[3] = {std::clamp(finiteOr(red, 1), 0.0, 100.0), std::clamp(finiteOr(green, 1), 0.0, 100.0),
                         std::clamp(finiteOr(blue, 1), 0.0, 100.0)};
    applyCurvesCall(d, s, fxResult, Curves::perChannel([&k](int channel, int c) {
        return roundChannel((c - 128) * k[channel] + 128);
    }));
}

void FxGamma(HDC d, HDC s, float gamma, int32_t& fxResult) {
    const double g = std::min(finiteOr(gamma, 1), 100.0);
    applyCurvesCall(d, s, fxResult, Curves::same([g](int c) {
        // As gamma goes to 0 every value below white goes to black.
        if (g <= 0) return c == 255 ? 255 : 0;
        return roundChannel(255 * std::pow(c / 255.0, 1 / g));
    }));
}

void FxInvert(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, 0, 255);
    applyCurvesCall(d, s, fxResult, Curves::same([v](int c) {
        return c + static_cast<int>(divRound(int64_t(255 - 2 * c) * v, 255));
    }));
}

void FxSolarize(HDC d, HDC s, int32_t threshold, int32_t& fxResult) {
    const int t = threshold <= 0 ? 128 : std::min(threshold, 256);
    applyCurvesCall(d, s, fxResult, Curves::same([t](int c) { return c >= t ? 255 - c : c; }));
}

void FxMediumTones(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    // The curve through black, white and (128, m): a power curve lifting the middle.
    const int v = std::clamp(amount, 0, 255);
    const double middle = 128 + v * 96.0 / 255;
    const double exponent = std::log(middle / 255) / std::log(128.0 / 255);
    applyCurvesCall(d, s, fxResult, Curves::same([exponent](int c) {
        return roundChannel(255 * std::pow(c / 255.0, exponent));
    }));
}

void FxColorBalance(HDC d, HDC s, int16_t cyanRed, int16_t magentaGreen, int16_t yellowBlue,
                    int32_t& fxResult) {
    // Each axis shifts its channel most in the middle tones and leaves black and white.
    const int64_t shift[3] = {std::clamp<int>(cyanRed, -255, 255), std::clamp<int>(magentaGreen, -255, 255),
                              std::clamp<int>(yellowBlue, -255, 255)};
    applyCurvesCall(d, s, fxResult, Curves::perChannel([&shift](int channel, int c) {
        return saturate(c + static_cast<int>(divRound(4 * shift[channel] * c * (255 - c), 65025)));
    }));
}

void FxTone(HDC d, HDC s, COLORREF color, int32_t amount, int32_t& fxResult) {
    const uint32_t tone = pixelOf(color);
    const int target[3] = {red(tone), green(tone), blue(tone)};
    const int v = std::clamp(amount, 0, 255);
    applyCurvesCall(d, s, fxResult, Curves::perChannel([&](int channel, int c) {
        return c + static_cast<int>(divRound(int64_t(target[channel] - c) * v, 255));
    }));
}

void FxAmbientLight(HDC d, HDC s, COLORREF color, int32_t amount, int32_t& fxResult) {
    // The full multiply truncates, as the usual multiply blend does, so that full strength
    // gives exactly the multiplied picture; the mix towards it rounds.
    const uint32_t light = pixelOf(color);
    const int factor[3] = {red(light), green(light), blue(light)};
    const int v = std::clamp(amount, 0, 255);
    applyCurvesCall(d, s, fxResult, Curves::perChannel([&](int channel, int c) {
        const int multiplied = c * factor[channel] / 255;
        return c + static_cast<int>(divRound(int64_t(multiplied - c) * v, 255));
    }));
}

}  // namespace filterlib
