#include "filterlib/core/channel_maps.h"

#include "filterlib/core/bands.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace filterlib {

void applyCurves(const Image& source, Image& dest, const Curves& curves) {
    // Pre-shifted words, so a pixel is three look-ups and two ors.
    uint32_t r[256], g[256], b[256];
    for (int v = 0; v < 256; ++v) {
        r[v] = uint32_t(curves.red[v]) << 16;
        g[v] = uint32_t(curves.green[v]) << 8;
        b[v] = curves.blue[v];
    }
    eachRow(dest.height, dest.width, [&](int y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        for (int x = 0; x < dest.width; ++x) {
            const uint32_t p = in[x];
            out[x] = r[(p >> 16) & 0xFF] | g[(p >> 8) & 0xFF] | b[p & 0xFF];
        }
    });
}

namespace {

#if defined(__x86_64__)
// n = 299 r + 587 g + 114 b of the eight pixels from p, by pairs of 16-bit products.
__attribute__((target("avx2"))) inline __m256i lumaNumerators(const uint32_t* p) {
    const __m256i lowWords = _mm256_set1_epi32(0x00FF00FF);
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_and_si256(pixels, lowWords), _mm256_set1_epi32(299 << 16 | 114)),
        _mm256_madd_epi16(_mm256_and_si256(_mm256_srli_epi32(pixels, 8), lowWords), _mm256_set1_epi32(587)));
}

// Luma of eight pixels at a time, exactly as luma(): n from lumaNumerators, x = n + 500,
// floor(x / 1000) as floor(floor(x / 8) / 125) through a 16-bit multiply-high (exact below
// 59,074 > 255,500 / 8), one less where the half lies above an even number (x a multiple of
// 1000 and the quotient odd).
__attribute__((target("avx2"))) inline __m256i lumasOfEight(const uint32_t* p) {
    const __m256i x = _mm256_add_epi32(lumaNumerators(p), _mm256_set1_epi32(500));
    const __m256i y = _mm256_srli_epi32(_mm256_mulhi_epu16(_mm256_srli_epi32(x, 3), _mm256_set1_epi32(33555)), 6);
    const __m256i exact = _mm256_cmpeq_epi32(x, _mm256_mullo_epi32(y, _mm256_set1_epi32(1000)));
    return _mm256_sub_epi32(y, _mm256_and_si256(exact, _mm256_and_si256(y, _mm256_set1_epi32(1))));
}

// The colours of eight lumas at a time, looked up one by one. Returns the pixels done.
__attribute__((target("avx2"))) int lumaColoursAvx2(const uint32_t* in, uint32_t* out, int n,
                                                    const LumaColours& colours) {
    alignas(32) uint32_t lumas[8];
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(lumas), lumasOfEight(in + i));
        for (int k = 0; k < 8; ++k) out[i + k] = colours[lumas[k]];
    }
    return i;
}

// Sixteen lumas at a time as bytes: packed to 16 bits two groups at a time (in the order
// [a0-3 b0-3 | a4-7 b4-7]), put back in order, packed to bytes. Returns the pixels done.
__attribute__((target("avx2"))) int lumaRowAvx2(const uint32_t* in, uint8_t* out, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i words =
            _mm256_permute4x64_epi64(_mm256_packus_epi32(lumasOfEight(in + i), lumasOfEight(in + i + 8)), 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1)));
    }
    return i;
}

// White or black by whether the luma of eight pixels at a time reaches a threshold, as the
// numerators reaching the least one whose luma does. Returns the pixels done.
__attribute__((target("avx2"))) int lumaCutAvx2(const uint32_t* in, uint32_t* out, int n, int32_t leastNumerator,
                                                uint32_t below, uint32_t atOrAbove) {
    const __m256i least = _mm256_set1_epi32(leastNumerator - 1);
    const __m256i under = _mm256_set1_epi32(int(below)), over = _mm256_set1_epi32(int(atOrAbove));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i reached = _mm256_cmpgt_epi32(lumaNumerators(in + i), least);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_blendv_epi8(under, over, reached));
    }
    return i;
}
#endif

}  // namespace

void applyLumaColours(const Image& source, Image& dest, const LumaColours& colours) {
    eachRow(dest.height, dest.width, [&](int y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        int x = 0;
#if defined(__x86_64__)
        if (hasAvx2()) x = lumaColoursAvx2(in, out, dest.width, colours);
#endif
        for (; x < dest.width; ++x) out[x] = colours[size_t(luma(in[x]))];
    });
}

void lumaRow(const uint32_t* in, uint8_t* out, int n) {
    int x = 0;
#if defined(__x86_64__)
    if (hasAvx2()) x = lumaRowAvx2(in, out, n);
#endif
    for (; x < n; ++x) out[x] = uint8_t(luma(in[x]));
}

void applyLumaCut(const Image& source, Image& dest, int threshold, uint32_t below, uint32_t atOrAbove) {
    // Luma grows with n = 299 r + 587 g + 114 b, so it reaches the threshold exactly where n
    // reaches the least n that gives it (a threshold above 255 is never reached).
    int32_t least = 1000 * threshold - 501;
    while (least <= 255000 && (least < 0 || lumaOfNumerator(uint32_t(least)) < threshold)) ++least;
    eachRow(dest.height, dest.width, [&](int y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        int x = 0;
#if defined(__x86_64__)
        if (hasAvx2()) x = lumaCutAvx2(in, out, dest.width, least, below, atOrAbove);
#endif
        for (; x < dest.width; ++x) out[x] = luma(in[x]) >= threshold ? atOrAbove : below;
    });
}

}  // namespace filterlib
