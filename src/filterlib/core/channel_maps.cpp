#include "filterlib/core/channel_maps.h"

#include "filterlib/core/bands.h"
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
// Luma of eight pixels at a time, exactly as luma(): n = 299 r + 587 g + 114 b by pairs of
// 16-bit products, x = n + 500, floor(x / 1000) as floor(floor(x / 8) / 125) through a
// 16-bit multiply-high (exact below 59,074 > 255,500 / 8), one less where the half lies above
// an even number (x a multiple of 1000 and the quotient odd); the colours gathered by it.
// Returns the pixels done.
__attribute__((target("avx2"))) int lumaColoursAvx2(const uint32_t* in, uint32_t* out, int n,
                                                    const LumaColours& colours) {
    const __m256i lowWords = _mm256_set1_epi32(0x00FF00FF);
    const __m256i blueRed = _mm256_set1_epi32(299 << 16 | 114), greenOnly = _mm256_set1_epi32(587);
    const __m256i half = _mm256_set1_epi32(500), thousand = _mm256_set1_epi32(1000);
    const __m256i reciprocal = _mm256_set1_epi32(33555), one = _mm256_set1_epi32(1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i sum =
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_and_si256(p, lowWords), blueRed),
                             _mm256_madd_epi16(_mm256_and_si256(_mm256_srli_epi32(p, 8), lowWords), greenOnly));
        const __m256i x = _mm256_add_epi32(sum, half);
        __m256i y = _mm256_srli_epi32(_mm256_mulhi_epu16(_mm256_srli_epi32(x, 3), reciprocal), 6);
        const __m256i exact = _mm256_cmpeq_epi32(x, _mm256_mullo_epi32(y, thousand));
        y = _mm256_sub_epi32(y, _mm256_and_si256(exact, _mm256_and_si256(y, one)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_i32gather_epi32(reinterpret_cast<const int*>(colours.data()), y, 4));
    }
    return i;
}
const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

void applyLumaColours(const Image& source, Image& dest, const LumaColours& colours) {
    eachRow(dest.height, dest.width, [&](int y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        int x = 0;
#if defined(__x86_64__)
        if (kHasAvx2) x = lumaColoursAvx2(in, out, dest.width, colours);
#endif
        for (; x < dest.width; ++x) out[x] = colours[size_t(luma(in[x]))];
    });
}

}  // namespace filterlib
