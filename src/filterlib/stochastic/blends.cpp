// The blends of the second picture P with the source S that are not a per-channel mode:
// mixing by a weight, and S seen through P as through patterned glass.

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

#if defined(__x86_64__)
// (p v + s (255 - v)) / 255 rounded for eight pixels' channels at a time in 16-bit lanes:
// with t = x + 128, (t x 257) >> 16 is x / 255 rounded for every x up to 255 x 255.
// Returns the first x not done.
__attribute__((target("avx2"))) int alphaBlendRowAvx2(const uint32_t* over, const uint32_t* base, uint32_t* dst,
                                                      int width, int v) {
    const __m256i zero = _mm256_setzero_si256(), colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i overWeight = _mm256_set1_epi16(int16_t(v)), baseWeight = _mm256_set1_epi16(int16_t(255 - v));
    const __m256i half = _mm256_set1_epi16(128), by255 = _mm256_set1_epi16(257);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(over + x));
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + x));
        const __m256i low = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(p, zero), overWeight),
                                             _mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), baseWeight));
        const __m256i high = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(p, zero), overWeight),
                                              _mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), baseWeight));
        const __m256i mixed = _mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(low, half), by255),
                                                  _mm256_mulhi_epu16(_mm256_add_epi16(high, half), by255));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_and_si256(mixed, colourBytes));
    }
    return x;
}
#endif

}  // namespace

void FxAlphaBlend(HDC d, HDC p, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, 0, 255);
    // (p v + s (255 - v)) / 255: 255 is odd, so no result lies halfway.
    auto mix = [v](uint32_t over, uint32_t base, int shift) {
        return int(divRound(int((over >> shift) & 0xFF) * v + int((base >> shift) & 0xFF) * (255 - v), 255));
    };
    applyBlend(d, p, s, fxResult, [&](const Image& second, const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* over = second.row(y);
            const uint32_t* base = in.row(y);
            uint32_t* dst = out.row(y);
            int x = 0;
#if defined(__x86_64__)
            if (hasAvx2()) x = alphaBlendRowAvx2(over, base, dst, out.width, v);
#endif
            for (; x < out.width; ++x)
                dst[x] = pack(mix(over[x], base[x], 16), mix(over[x], base[x], 8), mix(over[x], base[x], 0));
        });
    });
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
