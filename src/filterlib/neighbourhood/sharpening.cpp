// Sharpening by the 3x3 Laplacian, and anti-aliasing that smooths along edges only.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#if defined(__x86_64__)
// GCC 12's AVX-512 conversions pass an undefined vector through a full mask, which it then
// reports as maybe used uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/gradients.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

namespace {

// c + k (8c - the sum of its 8 neighbours) for one channel, in doubles as written, rounded
// halves to even and saturated. xs are the columns left of, at and right of the pixel.
inline int sharpenedChannel(const uint32_t* above, const uint32_t* here, const uint32_t* below, const int xs[3],
                            int shift, double k) {
    auto at = [shift](const uint32_t* row, int x) { return int((row[x] >> shift) & 0xFF); };
    const int around = at(above, xs[0]) + at(above, xs[1]) + at(above, xs[2]) + at(here, xs[0]) + at(here, xs[2]) +
                       at(below, xs[0]) + at(below, xs[1]) + at(below, xs[2]);
    const int c = at(here, xs[1]);
    return roundChannel(c + k * (8 * c - around));
}

void sharpenPixel(const uint32_t* above, const uint32_t* here, const uint32_t* below, uint32_t* dst, int x, int width,
                  double k) {
    const int xs[3] = {std::max(x - 1, 0), x, std::min(x + 1, width - 1)};
    dst[x] = pack(sharpenedChannel(above, here, below, xs, 16, k), sharpenedChannel(above, here, below, xs, 8, k),
                  sharpenedChannel(above, here, below, xs, 0, k));
}

#if defined(__x86_64__)
// The eight neighbours as (row, column offset): rows 0 above, 1 the pixel's, 2 below.
constexpr std::pair<int, int> kAround[8] = {{0, -1}, {0, 0}, {0, 1}, {1, -1}, {1, 1}, {2, -1}, {2, 0}, {2, 1}};

// Four pixels' bytes as 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i widen(const uint32_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// The Laplacian 8c - (the sum of the 8 neighbours) of the four pixels from x, every
// channel in a 16-bit lane (at most 2040 either way).
__attribute__((target("avx2"))) inline __m256i laplacianOfFour(const uint32_t* const rows[3], int x) {
    __m256i around = _mm256_setzero_si256();
    for (const auto& [row, dx] : kAround) around = _mm256_add_epi16(around, widen(rows[row] + x + dx));
    return _mm256_sub_epi16(_mm256_slli_epi16(widen(rows[1] + x), 3), around);
}

// One pixel's four channels: c + k L in doubles, rounded to nearest (halves to even) as
// 32-bit lanes. laplacian holds its L in the low four 16-bit lanes, centre its c in the low
// four bytes.
__attribute__((target("avx2"))) inline __m128i sharpenedLanes(__m128i laplacian, __m128i centre, __m256d k) {
    const __m256d c = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(centre));
    return _mm256_cvtpd_epi32(_mm256_add_pd(c, _mm256_mul_pd(k, _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(laplacian)))));
}

// Four pixels at a time from x (at least 1) while their right neighbours lie in the row;
// returns the first x not done. The Laplacian's 16-bit lanes widen to doubles, so the
// product and the sum are the very operations sharpenedChannel does, and cvtpd's rounding
// (to nearest, halves to even) with saturating packs is its roundChannel.
__attribute__((target("avx2"))) int sharpenRowAvx2(const uint32_t* const rows[3], uint32_t* dst, int width, double k,
                                                   int x) {
    const __m256d kv = _mm256_set1_pd(k);
    const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
    for (; x + 5 <= width; x += 4) {
        const __m256i laplacian = laplacianOfFour(rows, x);
        const __m128i centre = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[1] + x));
        const __m128i low = _mm256_castsi256_si128(laplacian), high = _mm256_extracti128_si256(laplacian, 1);
        const __m128i rounded[4] = {sharpenedLanes(low, centre, kv),
                                    sharpenedLanes(_mm_srli_si128(low, 8), _mm_srli_si128(centre, 4), kv),
                                    sharpenedLanes(high, _mm_srli_si128(centre, 8), kv),
                                    sharpenedLanes(_mm_srli_si128(high, 8), _mm_srli_si128(centre, 12), kv)};
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(rounded[0], rounded[1]), _mm_packs_epi32(rounded[2], rounded[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_and_si128(bytes, colourBytes));
    }
    return x;
}

#define QM_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx2")))
// Two pixels' channels as sharpenedLanes does them, eight doubles to a lane.
QM_AVX512 inline __m256i sharpenedEight(__m128i laplacian, __m128i centre, __m512d k) {
    const __m512d c = _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(centre));
    return _mm512_cvtpd_epi32(_mm512_add_pd(c, _mm512_mul_pd(k, _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(laplacian)))));
}

QM_AVX512 inline __m512i widenEight(const uint32_t* p) {
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}

// laplacianOfFour for eight pixels.
QM_AVX512 inline __m512i laplacianOfEight(const uint32_t* const rows[3], int x) {
    __m512i around = _mm512_setzero_si512();
    for (const auto& [row, dx] : kAround) around = _mm512_add_epi16(around, widenEight(rows[row] + x + dx));
    return _mm512_sub_epi16(_mm512_slli_epi16(widenEight(rows[1] + x), 3), around);
}

// Four pixels' 32-bit results (two by two) as saturated bytes, high bytes cleared:
// negatives to 0 first, then the unsigned narrowing.
QM_AVX512 inline __m128i colourBytesOf(__m256i first, __m256i second) {
    const __m512i both =
        _mm512_max_epi32(_mm512_inserti64x4(_mm512_castsi256_si512(first), second, 1), _mm512_setzero_si512());
    return _mm_and_si128(_mm512_cvtusepi32_epi8(both), _mm_set1_epi32(0x00FFFFFF));
}

// sharpenRowAvx2 eight pixels at a time, the doubles eight to a lane.
QM_AVX512 int sharpenRowAvx512(const uint32_t* const rows[3], uint32_t* dst, int width, double k, int x) {
    const __m512d kv = _mm512_set1_pd(k);
    for (; x + 9 <= width; x += 8) {
        const __m512i laplacian = laplacianOfEight(rows, x);
        const __m256i centres = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[1] + x));
        const __m128i front = _mm256_castsi256_si128(centres), back = _mm256_extracti128_si256(centres, 1);
        const __m256i r0 = sharpenedEight(_mm512_extracti32x4_epi32(laplacian, 0), front, kv);
        const __m256i r1 = sharpenedEight(_mm512_extracti32x4_epi32(laplacian, 1), _mm_srli_si128(front, 8), kv);
        const __m256i r2 = sharpenedEight(_mm512_extracti32x4_epi32(laplacian, 2), back, kv);
        const __m256i r3 = sharpenedEight(_mm512_extracti32x4_epi32(laplacian, 3), _mm_srli_si128(back, 8), kv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), colourBytesOf(r0, r1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 4), colourBytesOf(r2, r3));
    }
    return x;
}
#undef QM_AVX512
#endif

}  // namespace

void FxSharpening(HDC d, HDC s, float strength, int32_t& fxResult) {
    const double k = clampedOr(strength, 0, 10, 0);
    apply(d, s, fxResult, [k](const Image& in, Image& out) {
        if (k == 0) return keep(in, out);
        const int w = out.width, h = out.height;
        eachRow(h, w, [&](int y) {
            const uint32_t* above = in.row(std::max(y - 1, 0));
            const uint32_t* here = in.row(y);
            const uint32_t* below = in.row(std::min(y + 1, h - 1));
            uint32_t* dst = out.row(y);
            sharpenPixel(above, here, below, dst, 0, w, k);
            int x = 1;
#if defined(__x86_64__)
            const uint32_t* const rows[3] = {above, here, below};
            if (hasAvx512()) x = sharpenRowAvx512(rows, dst, w, k, x);
            if (hasAvx2()) x = sharpenRowAvx2(rows, dst, w, k, x);
#endif
            for (; x < w; ++x) sharpenPixel(above, here, below, dst, x, w, k);
        });
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
