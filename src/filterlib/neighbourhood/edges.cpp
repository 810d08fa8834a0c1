// The edge effects, from 3x3 gradients: dark edges on white, a two-colour edge map, and
// glowing edges on black.

#include <algorithm>
#include <cmath>

#if defined(__x86_64__)
// GCC 12's AVX-512 conversions pass an undefined vector through a full mask, which it then
// reports as maybe used uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/box_filter.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/gradients.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

// One pixel: each channel's base + scale m, m the length of its gradient (centre the
// weight of the middle row and column: 2 Sobel, 1 Prewitt), rounded and saturated.
uint32_t magnitudePixel(const uint32_t* const rows[3], int x, int width, int centre, double base, double scale) {
    const int l = std::max(x - 1, 0), r = std::min(x + 1, width - 1);
    uint32_t out = 0;
    for (const int shift : kChannelShifts) {
        auto at = [shift](const uint32_t* row, int i) { return int((row[i] >> shift) & 0xFF); };
        const int gx = (at(rows[0], r) + centre * at(rows[1], r) + at(rows[2], r)) -
                       (at(rows[0], l) + centre * at(rows[1], l) + at(rows[2], l));
        const int gy = (at(rows[2], l) + centre * at(rows[2], x) + at(rows[2], r)) -
                       (at(rows[0], l) + centre * at(rows[0], x) + at(rows[0], r));
        out |= uint32_t(roundChannel(base + scale * std::sqrt(double(gx * gx + gy * gy)))) << shift;
    }
    return out;
}

#if defined(__x86_64__)
#define QM_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx2")))
QM_AVX512 inline __m256i widenFour(const uint32_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Eight channels' base + scale sqrt(squares), rounded to nearest (halves to even) as
// 32-bit lanes: the operations of magnitudePixel in doubles.
QM_AVX512 inline __m256i valuesOf(__m256i squares, __m512d base, __m512d scale) {
    return _mm512_cvtpd_epi32(_mm512_add_pd(base, _mm512_mul_pd(scale, _mm512_sqrt_pd(_mm512_cvtepi32_pd(squares)))));
}

// Four pixels at a time from x (at least 1) while their right neighbours lie in the row;
// returns the first x not done. gx and gy in 16-bit lanes (at most 1020 either way), their
// squares summed by a multiply-add of the pairs.
QM_AVX512 int magnitudesRowAvx512(const uint32_t* const rows[3], uint32_t* dst, int width, int centre, double base,
                                  double scale, int x) {
    const __m256i weight = _mm256_set1_epi16(int16_t(centre));
    const __m512d baseLanes = _mm512_set1_pd(base), scaleLanes = _mm512_set1_pd(scale);
    auto side = [weight](__m256i first, __m256i middle, __m256i last) QM_AVX512 {
        return _mm256_add_epi16(_mm256_add_epi16(first, last), _mm256_mullo_epi16(middle, weight));
    };
    for (; x + 5 <= width; x += 4) {
        const __m256i aboveLeft = widenFour(rows[0] + x - 1), above = widenFour(rows[0] + x),
                      aboveRight = widenFour(rows[0] + x + 1);
        const __m256i belowLeft = widenFour(rows[2] + x - 1), below = widenFour(rows[2] + x),
                      belowRight = widenFour(rows[2] + x + 1);
        const __m256i gx = _mm256_sub_epi16(side(aboveRight, widenFour(rows[1] + x + 1), belowRight),
                                            side(aboveLeft, widenFour(rows[1] + x - 1), belowLeft));
        const __m256i gy = _mm256_sub_epi16(side(belowLeft, below, belowRight), side(aboveLeft, above, aboveRight));
        const __m256i low = _mm256_unpacklo_epi16(gx, gy), high = _mm256_unpackhi_epi16(gx, gy);
        const __m256i values = _mm256_packs_epi32(valuesOf(_mm256_madd_epi16(low, low), baseLanes, scaleLanes),
                                                  valuesOf(_mm256_madd_epi16(high, high), baseLanes, scaleLanes));
        const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_and_si128(bytes, _mm_set1_epi32(0x00FFFFFF)));
    }
    return x;
}
#undef QM_AVX512

// Sixteen plane values as 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i widenSixteen(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Detect Borders' colours for sixteen pixels at a time of a luma plane's rows (above, at,
// below; a margin of 1 around them) while the row holds them; returns the first x not
// done. The Sobel gx and gy in 16-bit lanes, gx^2 + gy^2 by a multiply-add of the pairs
// (at most 2 x 1020^2) compared with the limit.
__attribute__((target("avx2"))) int bordersRowAvx2(const uint8_t* const rows[3], uint32_t* dst, int width,
                                                   int32_t limit, uint32_t on, uint32_t off) {
    const __m256i limitLanes = _mm256_set1_epi32(limit);
    const __m256i onLanes = _mm256_set1_epi32(int(on)), offLanes = _mm256_set1_epi32(int(off));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i aboveLeft = widenSixteen(rows[0] + x - 1), above = widenSixteen(rows[0] + x),
                      aboveRight = widenSixteen(rows[0] + x + 1);
        const __m256i belowLeft = widenSixteen(rows[2] + x - 1), below = widenSixteen(rows[2] + x),
                      belowRight = widenSixteen(rows[2] + x + 1);
        const __m256i right = _mm256_add_epi16(_mm256_add_epi16(aboveRight, belowRight),
                                               _mm256_slli_epi16(widenSixteen(rows[1] + x + 1), 1));
        const __m256i left = _mm256_add_epi16(_mm256_add_epi16(aboveLeft, belowLeft),
                                              _mm256_slli_epi16(widenSixteen(rows[1] + x - 1), 1));
        const __m256i lower = _mm256_add_epi16(_mm256_add_epi16(belowLeft, belowRight), _mm256_slli_epi16(below, 1));
        const __m256i upper = _mm256_add_epi16(_mm256_add_epi16(aboveLeft, aboveRight), _mm256_slli_epi16(above, 1));
        const __m256i gx = _mm256_sub_epi16(right, left), gy = _mm256_sub_epi16(lower, upper);
        // The pairs of pixels 0-3 and 8-11 (low), 4-7 and 12-15 (high), put back in order.
        const __m256i low = _mm256_unpacklo_epi16(gx, gy), high = _mm256_unpackhi_epi16(gx, gy);
        const __m256i lowOn = _mm256_cmpgt_epi32(_mm256_madd_epi16(low, low), limitLanes);
        const __m256i highOn = _mm256_cmpgt_epi32(_mm256_madd_epi16(high, high), limitLanes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x),
                            _mm256_blendv_epi8(offLanes, onLanes, _mm256_permute2x128_si256(lowOn, highOn, 0x20)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 8),
                            _mm256_blendv_epi8(offLanes, onLanes, _mm256_permute2x128_si256(lowOn, highOn, 0x31)));
    }
    return x;
}
#endif

// Writes into out, channel by channel, base + scale x the length of the channel's gradient.
void channelMagnitudes(const Image& in, Image& out, EdgeKernel kernel, double base, double scale) {
    const int w = out.width, h = out.height, centre = kernel == EdgeKernel::Sobel ? 2 : 1;
    eachRow(h, w, [&](int y) {
        const uint32_t* const rows[3] = {in.row(std::max(y - 1, 0)), in.row(y), in.row(std::min(y + 1, h - 1))};
        uint32_t* dst = out.row(y);
        dst[0] = magnitudePixel(rows, 0, w, centre, base, scale);
        int x = 1;
#if defined(__x86_64__)
        if (hasAvx512()) x = magnitudesRowAvx512(rows, dst, w, centre, base, scale, x);
#endif
        for (; x < w; ++x) dst[x] = magnitudePixel(rows, x, w, centre, base, scale);
    });
}

}  // namespace

void FxFindEdges(HDC d, HDC s, int16_t gain, int32_t kernel, int32_t& fxResult) {
    const double factor = (1 + std::clamp<int>(gain, 0, 5)) / 4.0;
    const EdgeKernel k = kernel == 1 ? EdgeKernel::Prewitt : EdgeKernel::Sobel;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // 255 + (-factor) m is 255 - factor m exactly.
        channelMagnitudes(in, out, k, 255, -factor);
    });
}

void FxDetectBorders(HDC d, HDC s, int32_t threshold, COLORREF edge, COLORREF rest, int32_t& fxResult) {
    // T runs from 20 to 147: the strongest luma step, black to white, measures 1020 = 4 x 255,
    // so a T reaching 255 would leave the top of the slider's range with almost no edges.
    const int32_t t = 4 * (20 + std::clamp(threshold, 0, 255) / 2);
    const uint32_t on = pixelOf(edge), off = pixelOf(rest);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const Plane q = lumaPlane(in, 1);
        eachRow(out.height, out.width, [&](int y) {
            const uint8_t* const rows[3] = {q.row(y - 1), q.row(y), q.row(y + 1)};
            uint32_t* dst = out.row(y);
            int x = 0;
#if defined(__x86_64__)
            if (hasAvx2()) x = bordersRowAvx2(rows, dst, out.width, t * t, on, off);
#endif
            for (; x < out.width; ++x) {
                const int gx = (rows[0][x + 1] + 2 * rows[1][x + 1] + rows[2][x + 1]) -
                               (rows[0][x - 1] + 2 * rows[1][x - 1] + rows[2][x - 1]);
                const int gy = (rows[2][x - 1] + 2 * rows[2][x] + rows[2][x + 1]) -
                               (rows[0][x - 1] + 2 * rows[0][x] + rows[0][x + 1]);
                dst[x] = gx * gx + gy * gy > t * t ? on : off;
            }
        });
    });
}

void FxNeon(HDC d, HDC s, int16_t strength, int32_t glowRadius, int32_t& fxResult) {
    const double factor = (1 + std::clamp<int>(strength, 0, 5)) / 4.0;
    const int radius = std::clamp(glowRadius, 0, 20);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        WorkPicture edges(in.width, in.height);
        Image& e = edges.image;
        channelMagnitudes(in, e, EdgeKernel::Sobel, 0, factor);
        boxBlur(e, out, radius, radius);
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* edge = e.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const uint32_t a = edge[x], g = dst[x];
                dst[x] = pack(saturate(red(a) + red(g)), saturate(green(a) + green(g)), saturate(blue(a) + blue(g)));
            }
        });
    });
}

}  // namespace filterlib
