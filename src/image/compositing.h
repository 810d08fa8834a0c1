#pragma once
// The pixel kernels of cImage32's own compositing pipeline: light adjustment, the
// interpolating sample, source-over blending with opacity and grayscale, and the
// backward-mapping rotation. They work on premultiplied blue, green, red, alpha pixels
// through views; the members of cImage32 decide what goes where.
//
// All pixel arithmetic is exact and platform-independent: integers with truncating
// division, doubles in a fixed order of operations (the build forbids contraction into
// fused multiply-adds), or single precision where it is checked exact over the whole
// range, so every painter gives the same bytes on every machine.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "image/arrays.h"
#include "image/modParsers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace compositing {

// The most bytes one block of pixels may take: the image size limit.
constexpr int64_t kMaxBlockBytes = 2147483647;

// A new width x height block of transparent pixels; false, the block left not
// dimensioned, for a size of 0 or less, beyond kMaxBlockBytes, or when memory is short.
bool dimensionBlock(ByteArray& block, int64_t width, int64_t height);

// The light step N of a LightAdjustment in percent: LightAdjustment / 100 x 255 in
// single precision.
float lightStep(float LightAdjustment);
// Adds nearest(alpha x N) \ 255 to every colour of the `count` pixels, limited to
// 0..alpha; pixels of alpha 0 are left alone.
void adjustLightness(uint8_t* pixels, size_t count, float N);

// The colours of every visible pixel become their grayValue under the weights, limited to
// 255; pixels of alpha 0 are left alone.
void grayPixels(uint8_t* pixels, size_t count, const modParsers::GrayScaleWeights& w);

// x \ 25500 for every whole x from 0 to 255 x 255 x 100 (each one checked): (x + 0.5) x
// (1 / 25500) in single precision, truncated. A vector of floats divides four or eight at
// a time by the same operations.
constexpr float kReciprocal25500 = 1.0f / 25500.0f;
inline uint32_t divide25500(uint32_t x) { return uint32_t((float(x) + 0.5f) * kReciprocal25500); }

// Every visible pixel towards the colour blue, green, red (bytes) at opacity o, 1 to 100:
// each colour c of a pixel of alpha a becomes (a x o x C + 255 x c x (100 - o)) \ 25500.
// Pixels of alpha 0 are left alone.
void tintPixels(uint8_t* pixels, size_t count, const uint32_t color[3], uint32_t o);

// The weighted sum of interpolation taps truncates toward zero; a sum that rounding left a
// hair below a whole number is that number (an opaque picture stays opaque).
inline uint8_t truncateTap(double sum) { return uint8_t(int(sum + 1e-9)); }

// One interpolated pixel at the real position (x, y) of `source`, y counting memory rows
// (bottom-up). Column xi = floor(x) weighs 1 - fx and column xi + 1 weighs fx; memory row
// yi = floor(y) weighs 1 - fy and row yi + 1 (the row above it on screen) weighs fy. At the
// rectangle's last column, or its top memory row, the neighbour is left out. The caller
// keeps x within [firstColumn, lastColumn + 1) and y within [bottomRow, topRow + 1).
inline void sampleInterpolated(const ByteView2D& source, double x, double y, int64_t lastColumn,
                               int64_t topRow, uint8_t* out) {
    const double fxFloor = std::floor(x), fyFloor = std::floor(y);
    const int64_t xi = int64_t(fxFloor), yi = int64_t(fyFloor);
    const double fx = xi < lastColumn ? x - fxFloor : 0.0;
    const double fy = yi < topRow ? y - fyFloor : 0.0;
    const int64_t xn = xi < lastColumn ? xi + 1 : xi;
    const int64_t yn = yi < topRow ? yi + 1 : yi;
    const uint8_t* p00 = &source(size_t(xi) * 4, size_t(yi));
    const uint8_t* p01 = &source(size_t(xn) * 4, size_t(yi));
    const uint8_t* p10 = &source(size_t(xi) * 4, size_t(yn));
    const uint8_t* p11 = &source(size_t(xn) * 4, size_t(yn));
    const double w00 = (1.0 - fx) * (1.0 - fy), w01 = fx * (1.0 - fy);
    const double w10 = (1.0 - fx) * fy, w11 = fx * fy;
    // A tap of weight 0 adds exactly nothing, so reading it changes no result.
    for (int c = 0; c < 4; ++c)
        out[c] = truncateTap(w00 * p00[c] + w01 * p01[c] + w10 * p10[c] + w11 * p11[c]);
}

// The interpolating sum of sampleInterpolated for given taps and weights, all four channels
// of a pixel. Taps the caller knows to weigh exactly 0 may be nullptr: adding a product of
// +0 changes no sum. WeighTaps takes one double at a time; WeighTapsAvx2 one lane per
// channel, the same products added in the same order, for processors with AVX2 (a caller
// built for AVX2 inlines it through `flatten`).
struct WeighTaps {
    void operator()(const uint8_t* p00, double w00, const uint8_t* p01, double w01, const uint8_t* p10, double w10,
                    const uint8_t* p11, double w11, uint8_t* out) const {
        for (int c = 0; c < 4; ++c) {
            double sum = w00 * p00[c];
            if (p01) sum = sum + w01 * p01[c];
            if (p10) sum = sum + w10 * p10[c];
            if (p11) sum = sum + w11 * p11[c];
            out[c] = truncateTap(sum);
        }
    }
};
#if defined(__x86_64__)
struct WeighTapsAvx2 {
    __attribute__((target("avx2"))) static __m256d channels(const uint8_t* p) {
        int32_t bytes;
        std::memcpy(&bytes, p, 4);
        return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
    }
    __attribute__((target("avx2"))) static void put(__m256d sum, uint8_t* out) {
        const __m128i whole = _mm256_cvttpd_epi32(_mm256_add_pd(sum, _mm256_set1_pd(1e-9)));
        const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(whole, whole), whole));
        std::memcpy(out, &bytes, 4);
    }
    __attribute__((target("avx2"))) void operator()(const uint8_t* p00, double w00, const uint8_t* p01, double w01,
                                                    const uint8_t* p10, double w10, const uint8_t* p11, double w11,
                                                    uint8_t* out) const {
        __m256d sum = _mm256_mul_pd(_mm256_set1_pd(w00), channels(p00));
        if (p01) sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w01), channels(p01)));
        if (p10) sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w10), channels(p10)));
        if (p11) sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w11), channels(p11)));
        put(sum, out);
    }
    // The same with all four taps present.
    __attribute__((target("avx2"))) static void all(const uint8_t* p00, double w00, const uint8_t* p01, double w01,
                                                    const uint8_t* p10, double w10, const uint8_t* p11, double w11,
                                                    uint8_t* out) {
        __m256d sum = _mm256_mul_pd(_mm256_set1_pd(w00), channels(p00));
        sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w01), channels(p01)));
        sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w10), channels(p10)));
        put(_mm256_add_pd(sum, _mm256_mul_pd(_mm256_set1_pd(w11), channels(p11))), out);
    }
};
#endif

// Whether the AVX2 kernels run: where the processor has AVX2, unless a test turned them off
// to compare them with the plain ones.
bool wideKernels();
void useWideKernels(bool on);

// Source-over of `count` premultiplied pixels onto a destination row: 3 bytes per pixel
// (blue, green, red of a device's buffer) or 4 (another image, alpha included). Opacity
// 0..255; with `gray` every colour of the source is first its gray value under those
// weights. A result above 255, which only a colour above its own alpha produces, leaves
// that destination byte as it was.
void blendRow(uint8_t* destination, int destinationBytes, const uint8_t* source, size_t count,
              int32_t Opacity, const modParsers::GrayScaleWeights* gray);
// The same onto 32-bpp pixels whose alpha bytes then read 0, every one of the `count`: the
// colours of a 3-byte blend on a device that keeps four bytes a pixel.
void blendRowClearingAlpha(uint8_t* destination, const uint8_t* source, size_t count, int32_t Opacity,
                           const modParsers::GrayScaleWeights* gray);

// The nearest integer, halves to even, as std::lrint gives it in the default rounding
// mode but without a library call; x must lie within the 32-bit range.
inline int32_t nearestInt(double x) {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(x));
#else
    return int32_t(std::lrint(x));
#endif
}

// The gray value of a premultiplied pixel: nearest(B x wB + G x wG + R x wR).
inline int32_t grayValue(const uint8_t* pixel, const modParsers::GrayScaleWeights& w) {
    return nearestInt(double(pixel[0]) * double(w.blue) + double(pixel[1]) * double(w.green) +
                      double(pixel[2]) * double(w.red));
}

// The backward mapping of the own rotation into a square `output` (memory rows bottom-up):
// output pixel (u, v) samples the source at
//   xs = cx + (c - cx) cX + (r - cy) sX,  ys = cy + (r - cy) cY - (c - cx) sY
// with c = u - offX, r = v - offY, stepping xs by cX and ys by -sY along a row. Positions
// outside [srcX, xEnd) x [sy0, yEnd) stay transparent.
struct RotationMap {
    double cX, sX, cY, sY;
    int64_t srcX, xEnd, sy0, yEnd;  // the source rectangle, rows in memory order
    int64_t cx, cy;                 // its centre
    int64_t offX, offY;             // output to source offsets
};
// A square of any size is made only where it is seen: its columns from u0 and memory rows
// from v0 as `output` (its columns and rows) holds them, in bands side by side (see
// forEachRowBand). A column's position is the one the row's steps reach there from column 0.
void rotateBackward(const ByteView2D& source, const RotationMap& map, bool interpolate, int64_t u0, int64_t v0,
                    const ByteView2D& output);
// Memory rows v0 to v0 + count - 1 of that square, its columns u0 to u0 + columns - 1, into
// out[0] to out[count - 1]; positions outside the source leave their pixels as they were.
void rotateRows(const ByteView2D& source, const RotationMap& map, bool interpolate, int64_t v0, int count,
                int64_t u0, int64_t columns, uint8_t* const* out);

// x after n steps of x += step, each rounded to nearest, as a loop would leave it, in time
// that grows with the binades crossed rather than with n.
double repeatedSum(double x, double step, int64_t n);

}  // namespace compositing
