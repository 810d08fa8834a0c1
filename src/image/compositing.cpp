// The pixel kernels of the own compositing pipeline.

#include "image/compositing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/sys/row_bands.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace compositing {

bool dimensionBlock(ByteArray& block, int64_t width, int64_t height) {
    block.erase();
    if (width <= 0 || height <= 0 || width > kMaxBlockBytes / 4 / height) return false;
    try {
        block = ByteArray::twoDim(size_t(width) * 4, size_t(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

double repeatedSum(double x, double step, int64_t n) {
    while (n > 0) {
        const double next = x + step;
        --n;
        // Sums that stay where they are, or are no longer finite, stay so.
        if (next == x || !std::isfinite(next)) return next;
        x = next;
        if (n == 0 || !std::isnormal(x)) continue;
        // The part of x's binade [2^(e-1), 2^e) where x + step lies at least an ulp inside it,
        // so that it rounds on the binade's grid: to x plus step rounded to that grid, a tie
        // to an even significand.
        int e;
        std::frexp(x, &e);
        const double ulp = std::ldexp(1.0, e - 53), margin = 2 * std::fabs(step) + 4 * ulp;
        const double low = std::ldexp(1.0, e - 1) + margin, high = std::ldexp(1.0, e) - margin;
        const auto inside = [&](double v) { return low <= std::fabs(v) && std::fabs(v) <= high; };
        if (!inside(x)) continue;
        // One step from inside leaves an even significand after a tie; from there on every
        // step inside adds the same d (exact: both sums lie in one binade).
        x = x + step;
        --n;
        if (n == 0 || !inside(x)) continue;
        const double d = (x + step) - x;
        if (d == 0) return x;
        const double room = (d > 0) == (x > 0) ? high - std::fabs(x) : std::fabs(x) - low;
        int64_t m = int64_t(std::min(double(n), std::floor(room / std::fabs(d))));
        // m d and x + m d are multiples of the ulp within the binade, so exact; the division
        // may have rounded up.
        while (m > 0 && !inside(x + double(m) * d)) --m;
        x = x + double(m) * d;
        n -= m;
    }
    return x;
}

namespace {
#if defined(__x86_64__)
bool wide = __builtin_cpu_supports("avx2");
#else
bool wide = false;
#endif
}  // namespace

bool wideKernels() { return wide; }
#if defined(__x86_64__)
void useWideKernels(bool on) { wide = on && __builtin_cpu_supports("avx2"); }
#else
void useWideKernels(bool) {}
#endif

float lightStep(float LightAdjustment) { return LightAdjustment / 100.0f * 255.0f; }

void adjustLightness(uint8_t* pixels, size_t count, float N) {
    const bool lighter = N > 0;
    // The step depends on the alpha alone, so one table serves every pixel: as a pixel of
    // colour steps (alpha byte 0) and, lightening, as the pixel's limit (alpha byte 255; an
    // invisible pixel's limit 255 everywhere, so that nothing of it changes). A byte times a
    // single-precision number is exact in double precision.
    uint32_t step[256], limit[256];
    for (uint32_t a = 0; a < 256; ++a) {
        const int32_t delta = int32_t(std::lrint(double(a) * double(N))) / 255;
        const uint32_t magnitude = uint32_t(a == 0 ? 0 : delta < 0 ? -delta : delta);
        step[a] = magnitude * 0x010101u;
        limit[a] = a == 0 ? 0xFFFFFFFFu : a * 0x010101u | 0xFF000000u;
    }
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
        uint8_t* p = pixels + i * 4;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i steps = _mm_set_epi32(int(step[p[15]]), int(step[p[11]]), int(step[p[7]]), int(step[p[3]]));
        const __m128i out =
            lighter ? _mm_min_epu8(_mm_adds_epu8(v, steps),
                                   _mm_set_epi32(int(limit[p[15]]), int(limit[p[11]]), int(limit[p[7]]), int(limit[p[3]])))
                    : _mm_subs_epu8(v, steps);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
    }
#endif
    for (uint8_t* p = pixels + i * 4; p != pixels + count * 4; p += 4) {
        const int32_t a = p[3];
        if (a == 0) continue;
        const int32_t delta = int32_t(step[a] & 0xFF);
        for (int c = 0; c < 3; ++c)
            p[c] = uint8_t(lighter ? std::min(p[c] + delta, a) : std::max(p[c] - delta, 0));
    }
}

namespace {

// N lanes of 32-bit pixels, whole numbers or floats: the kernels below are written once
// over them and made for SSE2 (4 lanes) and for AVX2 (8 lanes).
template <int N> using PixelLanes [[gnu::vector_size(4 * N)]] = uint32_t;
template <int N> using IntLanes [[gnu::vector_size(4 * N)]] = int32_t;
template <int N> using FloatLanes [[gnu::vector_size(4 * N)]] = float;

// Groups of N pixels: those of alpha 0 as they were, the others made by `change` from the
// pixels and their colour channels as lanes (vectors pass by reference, which keeps their
// passing the same in every instruction set). The number of pixels done.
template <int N, class Change>
inline size_t changeVisibleGroups(uint8_t* pixels, size_t count, Change change) {
    using Pixels = PixelLanes<N>;
    size_t i = 0;
    for (; i + N <= count; i += N) {
        Pixels v;
        std::memcpy(&v, pixels + i * 4, sizeof v);
        const Pixels channels[3] = {v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF};
        const Pixels invisible = Pixels(v >> 24 == 0);
        Pixels made;
        change(v, channels, made);
        const Pixels out = (v & invisible) | (made & ~invisible);
        std::memcpy(pixels + i * 4, &out, sizeof out);
    }
    return i;
}

// grayValue in whole numbers. Each weight is a float, a multiple of 2^-27 (none of the
// formulas has a finer one): w x 2^27 = h x 2^14 + l with h and l below 2^14, and
// S x 2^27 = 2^14 x (B hB + G hG + R hR) + (B lB + G lG + R lR) exactly, the two sums of
// 16-bit products (pmaddwd) adding the blue and red bytes in one lane pair and green in
// another. gray = nearest S, halves to even: (S x 2^27 + 2^26) \ 2^27, less 1 where that
// is odd and S x 2^27 + 2^26 a multiple of 2^27.
#if defined(__SSE2__)
struct WholeGrayWeights {
    uint32_t blueRed[2], green[2];  // high and low parts; blue in the lower 16 bits
};
bool wholeGrayWeights(const modParsers::GrayScaleWeights& w, WholeGrayWeights& whole) {
    uint32_t parts[3][2];
    const float weights[3] = {w.blue, w.green, w.red};
    for (int k = 0; k < 3; ++k) {
        const double scaled = std::ldexp(double(weights[k]), 27);
        if (!(scaled >= 0 && scaled < 0x1p28 && scaled == std::floor(scaled))) return false;
        parts[k][0] = uint32_t(scaled) >> 14, parts[k][1] = uint32_t(scaled) & 0x3FFF;
    }
    for (int half = 0; half < 2; ++half)
        whole.blueRed[half] = parts[0][half] | parts[2][half] << 16, whole.green[half] = parts[1][half];
    return true;
}

// The sums of the products of the 16-bit halves of each 32-bit lane.
inline void multiplyAddHalves(const PixelLanes<4>& a, uint32_t b, PixelLanes<4>& sums) {
    sums = PixelLanes<4>(_mm_madd_epi16(__m128i(a), _mm_set1_epi32(int(b))));
}
#if defined(__x86_64__)
__attribute__((target("avx2"))) inline void multiplyAddHalves(const PixelLanes<8>& a, uint32_t b,
                                                              PixelLanes<8>& sums) {
    sums = PixelLanes<8>(_mm256_madd_epi16(__m256i(a), _mm256_set1_epi32(int(b))));
}
#endif

template <int N>
inline size_t grayGroups(uint8_t* pixels, size_t count, const WholeGrayWeights& w) {
    using Pixels = PixelLanes<N>;
    return changeVisibleGroups<N>(pixels, count, [&](const Pixels& v, const Pixels*, Pixels& made) {
        const Pixels blueRed = v & 0x00FF00FF, green = v >> 8 & 0xFF;
        Pixels sums[2][2];
        for (int half = 0; half < 2; ++half) {
            multiplyAddHalves(blueRed, w.blueRed[half], sums[half][0]);
            multiplyAddHalves(green, w.green[half], sums[half][1]);
        }
        const Pixels high = sums[0][0] + sums[0][1], low = sums[1][0] + sums[1][1];
        const Pixels q = high + (low >> 14) + 0x1000;
        const Pixels tie = Pixels(((q & 0x1FFF) | (low & 0x3FFF)) == 0);
        Pixels gray = (q >> 13) - (tie & (q >> 13) & 1);
        gray = gray > 255 ? 255 : gray;
        made = (v & 0xFF000000u) | gray | gray << 8 | gray << 16;
    });
}
#endif

// tintPixels' formula in each lane: every term is a whole number below 2^23, so the
// single-precision sums are exact, followed by divide25500's operations.
template <int N>
inline size_t tintGroups(uint8_t* pixels, size_t count, const float colorShare[3], float ownShare) {
    using Pixels = PixelLanes<N>;
    using Floats = FloatLanes<N>;
    return changeVisibleGroups<N>(pixels, count, [&](const Pixels& v, const Pixels* channels, Pixels& made) {
        const Floats a = __builtin_convertvector(IntLanes<N>(v >> 24), Floats);
        made = v & 0xFF000000u;
        for (int k = 0; k < 3; ++k) {
            const Floats c = __builtin_convertvector(IntLanes<N>(channels[k]), Floats);
            const Floats x = a * colorShare[k] + (c * ownShare + 0.5f);
            made |= Pixels(__builtin_convertvector(x * kReciprocal25500, IntLanes<N>)) << (8 * k);
        }
    });
}

#if defined(__x86_64__)
__attribute__((target("avx2"), flatten)) size_t grayGroupsOfEight(uint8_t* pixels, size_t count,
                                                                  const WholeGrayWeights& w) {
    return grayGroups<8>(pixels, count, w);
}
__attribute__((target("avx2"), flatten)) size_t tintGroupsOfEight(uint8_t* pixels, size_t count,
                                                                  const float colorShare[3], float ownShare) {
    return tintGroups<8>(pixels, count, colorShare, ownShare);
}
#endif

}  // namespace

void grayPixels(uint8_t* pixels, size_t count, const modParsers::GrayScaleWeights& w) {
    size_t i = 0;
#if defined(__SSE2__)
    WholeGrayWeights whole;
    if (wholeGrayWeights(w, whole)) {
#if defined(__x86_64__)
        if (wideKernels()) i = grayGroupsOfEight(pixels, count, whole);
#endif
        i += grayGroups<4>(pixels + i * 4, count - i, whole);
    }
#endif
    for (uint8_t* p = pixels + i * 4; p != pixels + count * 4; p += 4)
        if (p[3] != 0) p[0] = p[1] = p[2] = uint8_t(std::min(grayValue(p, w), int32_t{255}));
}

void tintPixels(uint8_t* pixels, size_t count, const uint32_t color[3], uint32_t o) {
    // The colour's share, to be multiplied by the pixel's alpha, and the pixel's own.
    const uint32_t colorShare[3] = {o * color[0], o * color[1], o * color[2]}, ownShare = 255 * (100 - o);
    const float shares[3] = {float(colorShare[0]), float(colorShare[1]), float(colorShare[2])};
    size_t i = 0;
#if defined(__x86_64__)
    if (wideKernels()) i = tintGroupsOfEight(pixels, count, shares, float(ownShare));
#endif
    i += tintGroups<4>(pixels + i * 4, count - i, shares, float(ownShare));
    for (uint8_t* p = pixels + i * 4; p != pixels + count * 4; p += 4)
        if (p[3] != 0)
            for (int k = 0; k < 3; ++k) p[k] = uint8_t(divide25500(p[3] * colorShare[k] + ownShare * p[k]));
}

namespace {

#if defined(__SSE2__)
// x \ 255 for every 16-bit x: (x x 0x8081) >> 23 (checked for all of them).
inline __m128i divide255(__m128i x) { return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(short(0x8081))), 7); }

// Two pixels of 16-bit lanes blended as the scalar loop does. For a colour (or alpha) c
// no larger than its alpha a, both scalar formulas are d := (d x invO + c x o) \ 255 with
// invO = 255 - a x o \ 255 (at o = 255 that is d x (255 - a) \ 255 + c, as c x 255 \ 255 = c),
// and the sum stays below 65536 and the result below 256; at a = 0 it gives d back.
inline __m128i blendTwo(__m128i d16, __m128i s16, __m128i o16) {
    const __m128i a16 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
    const __m128i invO = _mm_sub_epi16(_mm_set1_epi16(255), divide255(_mm_mullo_epi16(a16, o16)));
    return divide255(_mm_add_epi16(_mm_mullo_epi16(d16, invO), _mm_mullo_epi16(s16, o16)));
}

// Four-pixel groups of a 32-bpp row while every colour lies within its alpha; the count
// done, where the scalar loop takes over (at a group holding a colour above its alpha, or
// the last pixels). ClearAlpha: every pixel of the groups done leaves with alpha byte 0.
template <bool ClearAlpha>
size_t blendGroupsOfFour(uint8_t* d, const uint8_t* s, size_t count, int32_t o) {
    const __m128i zero = _mm_setzero_si128(), o16 = _mm_set1_epi16(short(o));
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i kept = ClearAlpha ? _mm_set1_epi32(0x00FFFFFF) : _mm_set1_epi32(-1);
    size_t i = 0;
    for (; i + 4 <= count; i += 4, d += 16, s += 16) {
        const __m128i s8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        __m128i a8 = _mm_srli_epi32(s8, 24);
        a8 = _mm_or_si128(a8, _mm_slli_epi32(a8, 8));
        a8 = _mm_or_si128(a8, _mm_slli_epi32(a8, 16));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(s8, a8), a8)) != 0xFFFF) break;
        const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s8, alphaMask), alphaMask));
        if (opaque == 0xFFFF && o == 255) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_and_si128(s8, kept));
            continue;
        }
        const __m128i d8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s8, alphaMask), zero)) == 0xFFFF) {
            if constexpr (ClearAlpha) _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_and_si128(d8, kept));
            continue;
        }
        const __m128i low = blendTwo(_mm_unpacklo_epi8(d8, zero), _mm_unpacklo_epi8(s8, zero), o16);
        const __m128i high = blendTwo(_mm_unpackhi_epi8(d8, zero), _mm_unpackhi_epi8(s8, zero), o16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_and_si128(_mm_packus_epi16(low, high), kept));
    }
    return i;
}
#endif

template <int Bytes, bool Gray, bool FullOpacity>
void blendPixels(uint8_t* d, const uint8_t* s, size_t count, int32_t o,
                 const modParsers::GrayScaleWeights& w) {
    for (size_t i = 0; i < count; ++i, d += Bytes, s += 4) {
        const int32_t a = s[3];
        if (a == 0) continue;
        int32_t colour[3] = {s[0], s[1], s[2]};
        if constexpr (Gray) colour[0] = colour[1] = colour[2] = grayValue(s, w);
        if (FullOpacity && a == 255) {
            if constexpr (!Gray) {
                std::memcpy(d, s, Bytes);  // an opaque pixel is copied as it is
            } else {
                for (int c = 0; c < 3; ++c) d[c] = uint8_t(colour[c]);
                if constexpr (Bytes == 4) d[3] = 255;
            }
            continue;
        }
        if constexpr (FullOpacity) {
            const int32_t inv = 255 - a;
            for (int c = 0; c < 3; ++c) {
                const int32_t v = d[c] * inv / 255 + colour[c];
                if (v <= 255) d[c] = uint8_t(v);
            }
            if constexpr (Bytes == 4) d[3] = uint8_t(d[3] * inv / 255 + a);
        } else {
            const int32_t invO = 255 - a * o / 255;
            for (int c = 0; c < 3; ++c) {
                const int32_t v = (d[c] * invO + colour[c] * o) / 255;
                if (v <= 255) d[c] = uint8_t(v);
            }
            if constexpr (Bytes == 4) d[3] = uint8_t((d[3] * invO + a * o) / 255);
        }
    }
}

template <int Bytes>
void blendPixelsOf(uint8_t* d, const uint8_t* s, size_t count, int32_t o,
                   const modParsers::GrayScaleWeights* gray) {
    const modParsers::GrayScaleWeights w = gray ? *gray : modParsers::GrayScaleWeights{};
    if (gray) {
        if (o >= 255) blendPixels<Bytes, true, true>(d, s, count, o, w);
        else blendPixels<Bytes, true, false>(d, s, count, o, w);
    } else {
        if (o >= 255) blendPixels<Bytes, false, true>(d, s, count, o, w);
        else blendPixels<Bytes, false, false>(d, s, count, o, w);
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline __m256i divide255Wide(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(short(0x8081))), 7);
}

// (d x invO + s x o) \ 255 on the 16-bit lanes of four pixels.
__attribute__((target("avx2"))) inline __m256i mixFourWide(__m256i d16, __m256i s16, __m256i invO, __m256i o16) {
    return divide255Wide(_mm256_add_epi16(_mm256_mullo_epi16(d16, invO), _mm256_mullo_epi16(s16, o16)));
}

// Eight pixels blended as blendTwo does, their alphas spread over each pixel's bytes in a8;
// `opaque`: every alpha is 255, so that invO is 255 - o (255 x o \ 255 = o) for all.
__attribute__((target("avx2"))) inline __m256i blendEightWide(__m256i d8, __m256i s8, __m256i a8, __m256i o16,
                                                              bool opaque) {
    const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
    __m256i invLow, invHigh;
    if (opaque) {
        invLow = invHigh = _mm256_sub_epi16(full, o16);
    } else {
        invLow = _mm256_sub_epi16(full, divide255Wide(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a8, zero), o16)));
        invHigh = _mm256_sub_epi16(full, divide255Wide(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a8, zero), o16)));
    }
    return _mm256_packus_epi16(
        mixFourWide(_mm256_unpacklo_epi8(d8, zero), _mm256_unpacklo_epi8(s8, zero), invLow, o16),
        mixFourWide(_mm256_unpackhi_epi8(d8, zero), _mm256_unpackhi_epi8(s8, zero), invHigh, o16));
}

// Eight pixels of a 24-bpp row as 32-bpp lanes (alpha 0): exactly 24 bytes read, or, where
// eight more bytes of the row follow, one 32-byte read.
__attribute__((target("avx2"))) inline __m256i widenThreeByteEight(__m256i bytes) {
    const __m256i split = _mm256_setr_epi32(0, 1, 2, 0, 3, 4, 5, 0);
    const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4, 5,
                                           -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(bytes, split), widen);
}
__attribute__((target("avx2"))) inline __m256i loadThreeByteEight(const uint8_t* d, bool eightMore) {
    if (eightMore) return widenThreeByteEight(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d)));
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i last = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + 16));
    return widenThreeByteEight(_mm256_inserti128_si256(_mm256_castsi128_si256(first), last, 1));
}
// And back: exactly 24 bytes written (a wider write would overlap the next group's read).
__attribute__((target("avx2"))) inline void storeThreeByteEight(uint8_t* d, __m256i v) {
    const __m256i narrow = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8,
                                            9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, narrow), join);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_extracti128_si256(packed, 1));
}

// blendGroupsOfFour eight pixels at a time with AVX2, onto a 32-bpp or a 24-bpp row.
template <int Bytes, bool ClearAlpha = false>
__attribute__((target("avx2"))) size_t blendGroupsOfEight(uint8_t* d, const uint8_t* s, size_t count, int32_t o) {
    const __m256i zero = _mm256_setzero_si256(), o16 = _mm256_set1_epi16(short(o));
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i kept = ClearAlpha ? _mm256_set1_epi32(0x00FFFFFF) : _mm256_set1_epi32(-1);
    const __m256i spreadAlpha = _mm256_setr_epi8(3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15, 3, 3, 3, 3, 7,
                                                 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
    size_t i = 0;
    for (; i + 8 <= count; i += 8, d += 8 * Bytes, s += 32) {
        const __m256i s8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        const __m256i alphas = _mm256_and_si256(s8, alphaMask);
        // Opaque pixels need no check of their colours against their alphas.
        const bool opaque = _mm256_movemask_epi8(_mm256_cmpeq_epi32(alphas, alphaMask)) == -1;
        __m256i a8 = zero;
        if (!opaque) {
            a8 = _mm256_shuffle_epi8(s8, spreadAlpha);
            if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(s8, a8), a8)) != -1) break;
            if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alphas, zero)) == -1) {
                if constexpr (ClearAlpha)
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                                        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d)), kept));
                continue;
            }
        }
        __m256i out = s8;
        if (!opaque || o != 255) {
            // Three bytes a pixel: one 32-byte read while three more pixels follow.
            const __m256i d8 = Bytes == 4 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d))
                                          : loadThreeByteEight(d, i + 11 <= count);
            out = blendEightWide(d8, s8, a8, o16, opaque);
        }
        if constexpr (Bytes == 4) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_and_si256(out, kept));
        else storeThreeByteEight(d, out);
    }
    return i;
}

#endif

#if defined(__SSE2__)
// Source-over without grayscale onto 32-bpp pixels: eight or four at a time, the scalar
// loop for a group holding a colour above its alpha and for the last pixels. ClearAlpha:
// each pixel's alpha byte 0 afterwards, in the same pass.
template <bool ClearAlpha = false>
void blendFour(uint8_t* d, const uint8_t* s, size_t count, int32_t o) {
    const modParsers::GrayScaleWeights none{};
    while (count > 0) {
#if defined(__x86_64__)
        if (wideKernels()) {
            const size_t done = blendGroupsOfEight<4, ClearAlpha>(d, s, count, o);
            d += done * 4, s += done * 4, count -= done;
        }
#endif
        const size_t done = blendGroupsOfFour<ClearAlpha>(d, s, count, o);
        d += done * 4, s += done * 4, count -= done;
        const size_t rest = std::min<size_t>(count, 4);
        if (o >= 255) blendPixels<4, false, true>(d, s, rest, o, none);
        else blendPixels<4, false, false>(d, s, rest, o, none);
        if constexpr (ClearAlpha)
            for (size_t k = 0; k < rest; ++k) d[k * 4 + 3] = 0;
        d += rest * 4, s += rest * 4, count -= rest;
    }
}

// The same onto a 24-bpp row: a run of pixels widened to 32 bpp, blended, and its colours
// put back.
void blendThree(uint8_t* d, const uint8_t* s, size_t count, int32_t o) {
    constexpr size_t kRun = 128;
    alignas(16) uint8_t wide[kRun * 4];
    while (count > 0) {
        // With AVX2 the row is blended in place, and only a group it leaves (holding a colour
        // above its alpha) or the last pixels are widened.
        size_t run = kRun;
#if defined(__x86_64__)
        if (wideKernels()) {
            const size_t done = blendGroupsOfEight<3>(d, s, count, o);
            d += done * 3, s += done * 4, count -= done, run = 8;
            if (count == 0) break;
        }
#endif
        // Four-byte moves: the fourth byte (the next pixel's blue, or the alpha lane, whose
        // result is dropped) is moved again by the next pixel; the last moves three.
        const size_t n = std::min(count, run);
        for (size_t i = 0; i + 1 < n; ++i) std::memcpy(wide + i * 4, d + i * 3, 4);
        std::memcpy(wide + (n - 1) * 4, d + (n - 1) * 3, 3);
        wide[(n - 1) * 4 + 3] = 0;
        blendFour(wide, s, n, o);
        for (size_t i = 0; i + 1 < n; ++i) std::memcpy(d + i * 3, wide + i * 4, 4);
        std::memcpy(d + (n - 1) * 3, wide + (n - 1) * 4, 3);
        d += n * 3, s += n * 4, count -= n;
    }
}
#endif

}  // namespace

void blendRowClearingAlpha(uint8_t* destination, const uint8_t* source, size_t count, int32_t Opacity,
                           const modParsers::GrayScaleWeights* gray) {
#if defined(__SSE2__)
    if (!gray && Opacity >= 0 && Opacity <= 255) {
        blendFour<true>(destination, source, count, Opacity);
        return;
    }
#endif
    blendPixelsOf<4>(destination, source, count, Opacity, gray);
    for (size_t i = 0; i < count; ++i) destination[i * 4 + 3] = 0;
}

void blendRow(uint8_t* destination, int destinationBytes, const uint8_t* source, size_t count,
              int32_t Opacity, const modParsers::GrayScaleWeights* gray) {
#if defined(__SSE2__)
    if (!gray && Opacity >= 0 && Opacity <= 255) {
        if (destinationBytes == 4) blendFour(destination, source, count, Opacity);
        else blendThree(destination, source, count, Opacity);
        return;
    }
#endif
    if (destinationBytes == 4) blendPixelsOf<4>(destination, source, count, Opacity, gray);
    else blendPixelsOf<3>(destination, source, count, Opacity, gray);
}

namespace {

// Where row v of the turned square samples at its column u0: the position at column 0,
// stepped on to u0 as the row loops step it.
void rowStart(const RotationMap& m, int64_t v, int64_t u0, double& xs, double& ys) {
    const double r = double(v - m.offY - m.cy);
    const double c = double(-m.offX - m.cx);
    xs = repeatedSum(double(m.cx) + c * m.cX + r * m.sX, m.cX, u0);
    ys = repeatedSum(double(m.cy) + r * m.cY - c * m.sY, -m.sY, u0);
}

// Columns u0 to u0 + columns - 1 of row v of the turned square; see RotationMap.
template <class Weigh>
void rotateRowWith(const ByteView2D& source, const RotationMap& m, bool interpolate, int64_t v, int64_t u0,
                   int64_t columns, uint8_t* out, Weigh weigh) {
    const double left = double(m.srcX), right = double(m.xEnd);
    const double bottom = double(m.sy0), top = double(m.yEnd);
    const int64_t lastColumn = m.xEnd - 1, topRow = m.yEnd - 1;
    double xs, ys;
    rowStart(m, v, u0, xs, ys);
    for (int64_t u = 0; u < columns; ++u, out += 4, xs += m.cX, ys -= m.sY) {
        if (!(xs >= left && xs < right && ys >= bottom && ys < top)) continue;
        if (!interpolate) {
            std::memcpy(out, source.row(size_t(ys)).data() + size_t(xs) * 4, 4);
            continue;
        }
        // The taps and weights of sampleInterpolated.
        const double fxFloor = std::floor(xs), fyFloor = std::floor(ys);
        const int64_t xi = int64_t(fxFloor), yi = int64_t(fyFloor);
        const double fx = xi < lastColumn ? xs - fxFloor : 0.0;
        const double fy = yi < topRow ? ys - fyFloor : 0.0;
        const size_t x0 = size_t(xi) * 4, x1 = size_t(xi < lastColumn ? xi + 1 : xi) * 4;
        const uint8_t* lower = source.row(size_t(yi)).data();
        const uint8_t* upper = source.row(size_t(yi < topRow ? yi + 1 : yi)).data();
        weigh(lower + x0, (1.0 - fx) * (1.0 - fy), lower + x1, fx * (1.0 - fy), upper + x0, (1.0 - fx) * fy, upper + x1,
              fx * fy, out);
    }
}

#if defined(__x86_64__)
// rotateRowWith, interpolating, for `count` rows from v0 at once (at most four), one row a
// lane: the positions stepped as the plain loop steps them, and the floors, fractions and
// weights of the lanes inside the source worked out together, each lane then weighed with
// WeighTapsAvx2.
__attribute__((target("avx2"), flatten)) void rotateRowsAvx2(const ByteView2D& source, const RotationMap& m,
                                                             int64_t v0, int count, int64_t u0, int64_t columns,
                                                             uint8_t* const* out) {
    alignas(32) double xStart[4], yStart[4];
    // Lanes past `count` repeat the last row and are never drawn.
    for (int j = 0; j < 4; ++j) rowStart(m, v0 + std::min(j, count - 1), u0, xStart[j], yStart[j]);
    const int lanes = (1 << count) - 1;
    const __m256d stepX = _mm256_set1_pd(m.cX), stepY = _mm256_set1_pd(m.sY);
    const __m256d left = _mm256_set1_pd(double(m.srcX)), right = _mm256_set1_pd(double(m.xEnd));
    const __m256d bottom = _mm256_set1_pd(double(m.sy0)), top = _mm256_set1_pd(double(m.yEnd));
    const __m256d lastColumn = _mm256_set1_pd(double(m.xEnd - 1)), topRow = _mm256_set1_pd(double(m.yEnd - 1));
    const __m256d one = _mm256_set1_pd(1.0);
    // Kept in registers: a write through `out` could otherwise alias them.
    const uint8_t* const pixels = source.row(0).data();
    const size_t stride = source.stride();
    const __m128i lastColumnWhole = _mm_set1_epi32(int32_t(m.xEnd - 1)), topRowWhole = _mm_set1_epi32(int32_t(m.yEnd - 1));
    const __m128i pixelBytes = _mm_set1_epi32(4), rowBytes = _mm_set1_epi32(int32_t(stride));
    alignas(32) double w00[4], w01[4], w10[4], w11[4];
    alignas(16) int32_t xi[4], yi[4], toRight[4], toUpper[4];
    __m256d xs = _mm256_load_pd(xStart), ys = _mm256_load_pd(yStart);
    constexpr double kAhead = 32;
    const __m256d aheadX = _mm256_set1_pd(m.cX * kAhead), aheadY = _mm256_set1_pd(m.sY * kAhead);
    for (int64_t u = 0; u < columns; ++u) {
        const __m256d x = xs, y = ys;
        xs = _mm256_add_pd(xs, stepX), ys = _mm256_sub_pd(ys, stepY);
        const __m256d inside =
            _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(x, left, _CMP_GE_OQ), _mm256_cmp_pd(x, right, _CMP_LT_OQ)),
                          _mm256_and_pd(_mm256_cmp_pd(y, bottom, _CMP_GE_OQ), _mm256_cmp_pd(y, top, _CMP_LT_OQ)));
        int mask = _mm256_movemask_pd(inside) & lanes;
        if (mask == 0) continue;
        const __m256d xFloor = _mm256_floor_pd(x), yFloor = _mm256_floor_pd(y);
        const __m256d fx = _mm256_and_pd(_mm256_cmp_pd(xFloor, lastColumn, _CMP_LT_OQ), _mm256_sub_pd(x, xFloor));
        const __m256d fy = _mm256_and_pd(_mm256_cmp_pd(yFloor, topRow, _CMP_LT_OQ), _mm256_sub_pd(y, yFloor));
        const __m256d notFx = _mm256_sub_pd(one, fx), notFy = _mm256_sub_pd(one, fy);
        _mm256_store_pd(w00, _mm256_mul_pd(notFx, notFy));
        _mm256_store_pd(w01, _mm256_mul_pd(fx, notFy));
        _mm256_store_pd(w10, _mm256_mul_pd(notFx, fy));
        _mm256_store_pd(w11, _mm256_mul_pd(fx, fy));
        // The column to the right and the row above, in bytes; none at the last column or top row.
        const __m128i column = _mm256_cvttpd_epi32(xFloor), row = _mm256_cvttpd_epi32(yFloor);
        _mm_store_si128(reinterpret_cast<__m128i*>(xi), column);
        _mm_store_si128(reinterpret_cast<__m128i*>(yi), row);
        _mm_store_si128(reinterpret_cast<__m128i*>(toRight), _mm_and_si128(_mm_cmplt_epi32(column, lastColumnWhole), pixelBytes));
        _mm_store_si128(reinterpret_cast<__m128i*>(toUpper), _mm_and_si128(_mm_cmplt_epi32(row, topRowWhole), rowBytes));
        // The taps kAhead positions further along are fetched into the cache ahead of
        // time: a turned row crosses a source row every few pixels, which the processor does
        // not foresee. Only an address is formed; a position outside the source fetches nothing
        // that is read.
        alignas(16) int32_t aheadColumn[4], aheadRow[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(aheadColumn), _mm256_cvttpd_epi32(_mm256_add_pd(x, aheadX)));
        _mm_store_si128(reinterpret_cast<__m128i*>(aheadRow), _mm256_cvttpd_epi32(_mm256_sub_pd(y, aheadY)));
        for (int k = 0; k < 4; ++k) {
            const uintptr_t at = uintptr_t(pixels) + uintptr_t(intptr_t{aheadRow[k]} * intptr_t(stride)) +
                                 uintptr_t(intptr_t{aheadColumn[k]} * 4);
            __builtin_prefetch(reinterpret_cast<const void*>(at));
            __builtin_prefetch(reinterpret_cast<const void*>(at + stride));
        }
        for (; mask != 0; mask &= mask - 1) {
            const int k = __builtin_ctz(unsigned(mask));
            const uint8_t* lower = pixels + size_t(yi[k]) * stride + size_t(xi[k]) * 4;
            const uint8_t* upper = lower + toUpper[k];
            WeighTapsAvx2::all(lower, w00[k], lower + toRight[k], w01[k], upper, w10[k], upper + toRight[k], w11[k],
                               out[k] + u * 4);
        }
    }
}
#endif

}  // namespace

void rotateRows(const ByteView2D& source, const RotationMap& m, bool interpolate, int64_t v0, int count, int64_t u0,
                int64_t columns, uint8_t* const* out) {
#if defined(__x86_64__)
    if (interpolate && wideKernels()) {
        for (int done = 0; done < count; done += 4)
            rotateRowsAvx2(source, m, v0 + done, std::min(4, count - done), u0, columns, out + done);
        return;
    }
#endif
    for (int j = 0; j < count; ++j) rotateRowWith(source, m, interpolate, v0 + j, u0, columns, out[j], WeighTaps{});
}

void rotateBackward(const ByteView2D& source, const RotationMap& m, bool interpolate, int64_t u0, int64_t v0,
                    const ByteView2D& output) {
    const int64_t rows = int64_t(output.rows()), columns = int64_t(output.rowLength() / 4);
    sys::forEachRowBand(rows, sys::minimumBandRows(columns), [&](int64_t first, int64_t count) {
        constexpr int kGroup = 4;  // the rows rotateRows takes at once
        for (int64_t v = first; v < first + count; v += kGroup) {
            const int n = int(std::min<int64_t>(kGroup, first + count - v));
            uint8_t* rows[kGroup];
            for (int j = 0; j < n; ++j) rows[j] = output.row(size_t(v + j)).data();
            rotateRows(source, m, interpolate, v0 + v, n, u0, columns, rows);
        }
    });
}

}  // namespace compositing
