// The separable bicubic resampler and nearest-neighbour scaling.

#include "platform/gdiplus/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gdiplus::detail {

namespace {

constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;

// Catmull-Rom: the cubic through the neighbours' values with their central slopes.
double cubic(double t) {
    t = std::fabs(t);
    if (t < 1) return (1.5 * t - 2.5) * t * t + 1;
    if (t < 2) return ((-0.5 * t + 2.5) * t - 4) * t + 2;
    return 0;
}

// The weights of one axis for the outputs from..to - 1: each output reads `taps`
// consecutive inputs from start[i] on. taps is even (SSE2 takes pairs); an output whose
// window would run past the end is moved back, so reads stay below srcLen unless taps
// itself exceeds srcLen, in which case the caller pads the input with zero pixels.
struct Axis {
    int taps = 0;
    std::vector<int> start;
    std::vector<int16_t> weights;  // taps per output
};

Axis bicubicAxis(int srcLen, int dstLen, int from, int to) {
    const double scale = double(srcLen) / dstLen;
    const double widen = std::max(scale, 1.0);
    const double support = 2 * widen;
    const int count = to - from;

    std::vector<int> lo(static_cast<size_t>(count)), hi(static_cast<size_t>(count));
    std::vector<std::vector<double>> dense(static_cast<size_t>(count));
    int taps = 1;
    for (int i = 0; i < count; ++i) {
        const double centre = (from + i + 0.5) * scale;  // input pixel j spans j..j+1
        const int first = int(std::floor(centre - support - 0.5));
        const int last = int(std::ceil(centre + support - 0.5));
        int a = std::clamp(first, 0, srcLen - 1), b = std::clamp(last, 0, srcLen - 1);
        std::vector<double> w(size_t(b - a + 1), 0.0);
        double sum = 0;
        for (int j = first; j <= last; ++j) {
            const double k = cubic((j + 0.5 - centre) / widen);
            w[size_t(std::clamp(j, 0, srcLen - 1) - a)] += k;  // the edge pixel repeats
            sum += k;
        }
        for (double& v : w) v /= sum;
        // Zero-weight ends cost reads and nothing else.
        size_t s = 0, e = w.size();
        while (e - s > 1 && std::fabs(w[s]) < 1e-9) ++s;
        while (e - s > 1 && std::fabs(w[e - 1]) < 1e-9) --e;
        lo[size_t(i)] = a + int(s);
        hi[size_t(i)] = a + int(e) - 1;
        dense[size_t(i)].assign(w.begin() + ptrdiff_t(s), w.begin() + ptrdiff_t(e));
        taps = std::max(taps, int(e - s));
    }
    taps += taps & 1;

    Axis axis;
    axis.taps = taps;
    axis.start.resize(size_t(count));
    axis.weights.assign(size_t(count) * size_t(taps), 0);
    for (int i = 0; i < count; ++i) {
        int start = lo[size_t(i)];
        int shift = 0;
        if (start + taps > srcLen) {
            shift = std::min(start, start + taps - srcLen);
            start -= shift;
        }
        axis.start[size_t(i)] = start;
        int16_t* w = &axis.weights[size_t(i) * size_t(taps)];
        int total = 0, biggest = shift;
        for (size_t k = 0; k < dense[size_t(i)].size(); ++k) {
            const int v = int(std::lrint(dense[size_t(i)][k] * kOne));
            w[size_t(shift) + k] = int16_t(v);
            total += v;
            if (v > w[biggest]) biggest = shift + int(k);
        }
        w[biggest] = int16_t(w[biggest] + (kOne - total));  // the weights add up to one exactly
    }
    return axis;
}

// A fixed-point sum of four channels back to bytes, colours clamped to the alpha when
// toAlpha (see packClamped).
inline uint32_t finishPixel(int32_t b, int32_t g, int32_t r, int32_t a, bool toAlpha = true) {
    auto clamp8 = [](int32_t v, int32_t top) {
        v = (v + kOne / 2) >> kWeightBits;
        return v < 0 ? 0 : v > top ? top : v;
    };
    const int32_t top = toAlpha ? clamp8(a, 255) : 255;
    return uint32_t(clamp8(b, top)) | uint32_t(clamp8(g, top)) << 8 | uint32_t(clamp8(r, top)) << 16 |
           uint32_t(clamp8(a, 255)) << 24;
}

#if defined(__SSE2__)

inline __m128i pairWeights(const int16_t* w) {
    int32_t pair;
    std::memcpy(&pair, w, 4);
    return _mm_set1_epi32(pair);
}

// Rounds, shifts and packs int32 channel sums (b, g, r, a per pixel) to 0..255, with
// each colour clamped to its alpha when toAlpha. The horizontal pass keeps the ringing of
// colours above alpha for the vertical pass to take in; only the result is clamped.
inline __m128i packClamped(__m128i sums01, __m128i sums23, bool toAlpha = true) {
    const __m128i half = _mm_set1_epi32(kOne / 2);
    sums01 = _mm_srai_epi32(_mm_add_epi32(sums01, half), kWeightBits);
    sums23 = _mm_srai_epi32(_mm_add_epi32(sums23, half), kWeightBits);
    __m128i v = _mm_packs_epi32(sums01, sums23);  // 16-bit b g r a b g r a
    const __m128i zero = _mm_setzero_si128();
    v = _mm_max_epi16(v, zero);
    v = _mm_min_epi16(v, _mm_set1_epi16(255));
    if (toAlpha) v = _mm_min_epi16(v, _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF));
    return v;
}

void horizontalRow(const uint8_t* src, const Axis& axis, uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const int taps = axis.taps;
    const size_t count = axis.start.size();
    const int16_t* w = axis.weights.data();
    size_t i = 0;
    // Two outputs at a time, so one pack stores both.
    for (; i + 1 < count; i += 2, w += 2 * taps) {
        __m128i acc[2];
        for (int o = 0; o < 2; ++o) {
            const uint8_t* p = src + size_t(axis.start[i + size_t(o)]) * 4;
            const int16_t* wo = w + o * taps;
            __m128i sum = zero;
            for (int k = 0; k < taps; k += 2, p += 8) {
                const __m128i px = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)p), zero);
                // b0 b1 g0 g1 r0 r1 a0 a1: one multiply-add per channel pair.
                const __m128i inter = _mm_unpacklo_epi16(px, _mm_srli_si128(px, 8));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(inter, pairWeights(wo + k)));
            }
            acc[o] = sum;
        }
        const __m128i v = packClamped(acc[0], acc[1], false);
        _mm_storel_epi64((__m128i*)(out + i * 4), _mm_packus_epi16(v, v));
    }
    for (; i < count; ++i, w += taps) {
        const uint8_t* p = src + size_t(axis.start[i]) * 4;
        int32_t s[4] = {0, 0, 0, 0};
        for (int k = 0; k < taps; ++k, p += 4)
            for (int c = 0; c < 4; ++c) s[c] += p[c] * w[k];
        const uint32_t v = finishPixel(s[0], s[1], s[2], s[3], false);
        std::memcpy(out + i * 4, &v, 4);
    }
}

// `bytes` is a multiple of 16: rows are padded to whole groups of four pixels.
void verticalRow(const uint8_t* const* rows, const int16_t* w, int taps, size_t bytes,
                 uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    for (size_t i = 0; i < bytes; i += 16) {
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m128i a = _mm_loadu_si128((const __m128i*)(rows[k] + i));
            const __m128i b = _mm_loadu_si128((const __m128i*)(rows[k + 1] + i));
            const __m128i wk = pairWeights(w + k);
            const __m128i lo = _mm_unpacklo_epi8(a, b);  // a0 b0 a1 b1 ...: row pairs
            const __m128i hi = _mm_unpackhi_epi8(a, b);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), wk));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), wk));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), wk));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), wk));
        }
        const __m128i v = _mm_packus_epi16(packClamped(s0, s1), packClamped(s2, s3));
        _mm_storeu_si128((__m128i*)(out + i), v);
    }
}

#else

void horizontalRow(const uint8_t* src, const Axis& axis, uint8_t* out) {
    const int taps = axis.taps;
    const int16_t* w = axis.weights.data();
    for (size_t i = 0; i < axis.start.size(); ++i, w += taps) {
        const uint8_t* p = src + size_t(axis.start[i]) * 4;
        int32_t s[4] = {0, 0, 0, 0};
        for (int k = 0; k < taps; ++k, p += 4)
            for (int c = 0; c < 4; ++c) s[c] += p[c] * w[k];
        const uint32_t v = finishPixel(s[0], s[1], s[2], s[3], false);
        std::memcpy(out + i * 4, &v, 4);
    }
}

void verticalRow(const uint8_t* const* rows, const int16_t* w, int taps, size_t bytes,
                 uint8_t* out) {
    for (size_t i = 0; i < bytes; i += 4) {
        int32_t s[4] = {0, 0, 0, 0};
        for (int k = 0; k < taps; ++k)
            for (int c = 0; c < 4; ++c) s[c] += rows[k][i + size_t(c)] * w[k];
        const uint32_t v = finishPixel(s[0], s[1], s[2], s[3]);
        std::memcpy(out + i, &v, 4);
    }
}

#endif

// Pixel index of output i along an axis for nearest-neighbour: the input pixel that
// holds the output pixel's centre.
int nearestIndex(int64_t i, int64_t srcLen, int64_t dstLen) {
    return int(std::min((2 * i + 1) * srcLen / (2 * dstLen), srcLen - 1));
}

void copyPixels(const PixelView& source, int y, const std::vector<int>& xs, uint8_t* out) {
    for (size_t i = 0; i < xs.size(); ++i) std::memcpy(out + i * 4, source.at(xs[i], y), 4);
}

void resampleNearest(const PixelView& source, int dstWidth, int dstHeight, const IntRect& clip,
                     const RowSink& sink) {
    std::vector<int> xs(size_t(clip.right - clip.left));
    for (int x = clip.left; x < clip.right; ++x)
        xs[size_t(x - clip.left)] = nearestIndex(x, source.width, dstWidth);
    const bool contiguous = source.xstep == 4 && dstWidth == source.width;
    std::vector<uint8_t> row(xs.size() * 4);
    for (int y = clip.top; y < clip.bottom; ++y) {
        const int sy = nearestIndex(y, source.height, dstHeight);
        if (contiguous) {
            sink(y, source.at(clip.left, sy));
        } else {
            copyPixels(source, sy, xs, row.data());
            sink(y, row.data());
        }
    }
}

void resampleBicubic(const PixelView& source, int dstWidth, int dstHeight, const IntRect& clip,
                     const RowSink& sink) {
    const Axis ax = bicubicAxis(source.width, dstWidth, clip.left, clip.right);
    const Axis ay = bicubicAxis(source.height, dstHeight, clip.top, clip.bottom);

    // Input columns the outputs read, with zero padding when taps exceed the width.
    const int firstCol = *std::min_element(ax.start.begin(), ax.start.end());
    const int lastCol = *std::max_element(ax.start.begin(), ax.start.end()) + ax.taps;
    const int readable = std::min(lastCol, source.width) - firstCol;
    const bool gather = source.xstep != 4 || lastCol > source.width;
    std::vector<uint8_t> gathered(gather ? size_t(lastCol - firstCol) * 4 : 0, 0);
    Axis axLocal = ax;
    for (int& s : axLocal.start) s -= firstCol;

    const int outWidth = clip.right - clip.left;
    const size_t rowBytes = (size_t(outWidth) + 3) / 4 * 16;  // padded to groups of four
    const int ringSize = ay.taps;
    std::vector<uint8_t> ring(size_t(ringSize) * rowBytes, 0);
    std::vector<int> ringRow(size_t(ringSize), -1);
    const std::vector<uint8_t> zeroRow(rowBytes, 0);
    std::vector<uint8_t> out(rowBytes, 0);
    std::vector<const uint8_t*> rows(size_t(ay.taps));

    auto intermediate = [&](int r) -> const uint8_t* {
        if (r >= source.height) return zeroRow.data();
        uint8_t* slot = &ring[size_t(r % ringSize) * rowBytes];
        if (ringRow[size_t(r % ringSize)] == r) return slot;
        ringRow[size_t(r % ringSize)] = r;
        const uint8_t* src;
        if (gather) {
            for (int x = 0; x < readable; ++x)
                std::memcpy(&gathered[size_t(x) * 4], source.at(firstCol + x, r), 4);
            src = gathered.data();
        } else {
            src = source.at(firstCol, r);
        }
        horizontalRow(src, axLocal, slot);
        return slot;
    };

    for (int y = clip.top; y < clip.bottom; ++y) {
        const size_t i = size_t(y - clip.top);
        for (int k = 0; k < ay.taps; ++k) rows[size_t(k)] = intermediate(ay.start[i] + k);
        verticalRow(rows.data(), &ay.weights[i * size_t(ay.taps)], ay.taps, rowBytes, out.data());
        sink(y, out.data());
    }
}

}  // namespace

void resample(const PixelView& source, int dstWidth, int dstHeight, const IntRect& clip,
              Filter filter, const RowSink& sink) {
    if (source.empty() || dstWidth <= 0 || dstHeight <= 0 || clip.empty()) return;
    // At the same size the cubic's weights are 1 and 0: a copy either way.
    if (filter == Filter::Nearest || (dstWidth == source.width && dstHeight == source.height))
        resampleNearest(source, dstWidth, dstHeight, clip, sink);
    else
        resampleBicubic(source, dstWidth, dstHeight, clip, sink);
}

}  // namespace gdiplus::detail
