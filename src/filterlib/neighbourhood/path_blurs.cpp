// The blurs along a path: a straight line (motion), an arc about the centre (radial) and a
// ray towards the centre (zoom). Each pixel takes a fixed number of bilinear samples,
// whatever the length of the path.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

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
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/sampling.h"
#include "filterlib/core/tap_filter.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

namespace {

constexpr int kPathSamples = 16;

// The bilinear weights (in 1/256 steps each way) of a sample at the offset (ox, oy) from
// a pixel's centre, as taps; the same for every pixel.
void addBilinearTaps(double ox, double oy, std::vector<Tap>& taps) {
    const double fx = std::floor(ox), fy = std::floor(oy);
    const int wx = int(std::lrint((ox - fx) * 256)), wy = int(std::lrint((oy - fy) * 256));
    const int x0 = int(fx), y0 = int(fy);
    taps.push_back({x0, y0, uint32_t((256 - wx) * (256 - wy))});
    taps.push_back({x0 + 1, y0, uint32_t(wx * (256 - wy))});
    taps.push_back({x0, y0 + 1, uint32_t((256 - wx) * wy)});
    taps.push_back({x0 + 1, y0 + 1, uint32_t(wx * wy)});
}

// The points of a path blur relative to the picture's centre, for a pixel at (u, v) from
// it: on an arc, (u, v) turned by each angle; on a ray, (u, v) scaled by each factor.
struct PathSteps {
    bool turns = false;
    double cosines[kPathSamples] = {}, sines[kPathSamples] = {};  // or the factors in `cosines`
};

void stepAt(const PathSteps& steps, double u, double v, int k, double& su, double& sv) {
    if (steps.turns) {
        su = u * steps.cosines[k] + v * steps.sines[k];
        sv = v * steps.cosines[k] - u * steps.sines[k];
    } else {
        su = u * steps.cosines[k];
        sv = v * steps.cosines[k];
    }
}

constexpr int64_t kWhole = int64_t(kPathSamples) * 65536;

#if defined(__x86_64__)
// Four pixels of a row at a time from `x` on, with the scalar rule's operations in the same
// order on doubles (no fused multiply-add), the bilinear corners gathered; returns where
// it stopped.
__attribute__((target("avx2"))) int samplePathAvx2(const Image& in, const PathSteps& steps, double cx, double cy,
                                                   int y, int x, int right, uint32_t* dst) {
    const __m256d v = _mm256_set1_pd(y + 0.5 - cy), half = _mm256_set1_pd(0.5), zero = _mm256_setzero_pd();
    const __m256d centreX = _mm256_set1_pd(cx), centreY = _mm256_set1_pd(cy), step = _mm256_set1_pd(256);
    const __m256d lastX = _mm256_set1_pd(double(in.width - 1)), lastY = _mm256_set1_pd(double(in.height - 1));
    const __m128i lastColumn = _mm_set1_epi32(in.width - 1), lastRow = _mm_set1_epi32(in.height - 1);
    const __m128i one = _mm_set1_epi32(1), full = _mm_set1_epi32(256), byte = _mm_set1_epi32(0xFF);
    const __m256i stride = _mm256_set1_epi64x(in.stride);
    const int* top = reinterpret_cast<const int*>(in.top);
    for (; x + 4 <= right; x += 4) {
        const __m256d u = _mm256_sub_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm_setr_epi32(x, x + 1, x + 2, x + 3)), half),
                                        centreX);
        __m128i red = _mm_setzero_si128(), green = red, blue = red;
        for (int k = 0; k < kPathSamples; ++k) {
            const __m256d c = _mm256_set1_pd(steps.cosines[k]);
            __m256d su, sv;
            if (steps.turns) {
                const __m256d s = _mm256_set1_pd(steps.sines[k]);
                su = _mm256_add_pd(_mm256_mul_pd(u, c), _mm256_mul_pd(v, s));
                sv = _mm256_sub_pd(_mm256_mul_pd(v, c), _mm256_mul_pd(u, s));
            } else {
                su = _mm256_mul_pd(u, c);
                sv = _mm256_mul_pd(v, c);
            }
            const __m256d fx =
                _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(_mm256_add_pd(centreX, su), half), zero), lastX);
            const __m256d fy =
                _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(_mm256_add_pd(centreY, sv), half), zero), lastY);
            const __m128i x0 = _mm256_cvttpd_epi32(fx), y0 = _mm256_cvttpd_epi32(fy);
            const __m128i wx = _mm256_cvtpd_epi32(_mm256_mul_pd(_mm256_sub_pd(fx, _mm256_cvtepi32_pd(x0)), step));
            const __m128i wy = _mm256_cvtpd_epi32(_mm256_mul_pd(_mm256_sub_pd(fy, _mm256_cvtepi32_pd(y0)), step));
            const __m128i x1 = _mm_min_epi32(_mm_add_epi32(x0, one), lastColumn);
            const __m128i y1 = _mm_min_epi32(_mm_add_epi32(y0, one), lastRow);
            const __m256i row0 = _mm256_mul_epi32(_mm256_cvtepi32_epi64(y0), stride);
            const __m256i row1 = _mm256_mul_epi32(_mm256_cvtepi32_epi64(y1), stride);
            const __m256i left = _mm256_cvtepi32_epi64(x0), right1 = _mm256_cvtepi32_epi64(x1);
            const __m128i p00 = _mm256_i64gather_epi32(top, _mm256_add_epi64(row0, left), 4);
            const __m128i p01 = _mm256_i64gather_epi32(top, _mm256_add_epi64(row0, right1), 4);
            const __m128i p10 = _mm256_i64gather_epi32(top, _mm256_add_epi64(row1, left), 4);
            const __m128i p11 = _mm256_i64gather_epi32(top, _mm256_add_epi64(row1, right1), 4);
            const __m128i rx = _mm_sub_epi32(full, wx), ry = _mm_sub_epi32(full, wy);
            const __m128i w00 = _mm_mullo_epi32(rx, ry), w01 = _mm_mullo_epi32(wx, ry);
            const __m128i w10 = _mm_mullo_epi32(rx, wy), w11 = _mm_mullo_epi32(wx, wy);
            auto channel = [&](int shift) __attribute__((target("avx2"))) {
                const __m128i count = _mm_cvtsi32_si128(shift);
                auto of = [&](__m128i p) __attribute__((target("avx2"))) {
                    return _mm_and_si128(_mm_srl_epi32(p, count), byte);
                };
                return _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(w00, of(p00)), _mm_mullo_epi32(w01, of(p01))),
                                     _mm_add_epi32(_mm_mullo_epi32(w10, of(p10)), _mm_mullo_epi32(w11, of(p11))));
            };
            red = _mm_add_epi32(red, channel(16));
            green = _mm_add_epi32(green, channel(8));
            blue = _mm_add_epi32(blue, channel(0));
        }
        alignas(16) int32_t r[4], g[4], b[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(r), red);
        _mm_store_si128(reinterpret_cast<__m128i*>(g), green);
        _mm_store_si128(reinterpret_cast<__m128i*>(b), blue);
        for (int i = 0; i < 4; ++i)
            dst[x + i] = pack(int(divRound(r[i], kWhole)), int(divRound(g[i], kWhole)), int(divRound(b[i], kWhole)));
    }
    return x;
}
#endif

// Each pixel the mean of kPathSamples bilinear samples at the points `steps` gives for
// its centre relative to the picture's centre (u, v) and the sample's number k; the
// samples are summed unrounded and divided once.
//
// A band goes through its rows in strips of columns: the samples of neighbouring pixels
// lie close together, so a strip's rows read the same few source lines again while they
// are still in the cache; whole rows of a large picture would have pushed them out.
void samplePath(const Image& in, Image& out, const PathSteps& steps) {
    constexpr int kStrip = 64;
    const double cx = in.width / 2.0, cy = in.height / 2.0;
    inBands(out.height, int64_t(kPathSamples) * out.width, [&](int first, int end) {
        for (int left = 0; left < out.width; left += kStrip) {
            const int right = std::min(left + kStrip, out.width);
            for (int y = first; y < end; ++y) {
                uint32_t* dst = out.row(y);
                const double v = y + 0.5 - cy;
                int x = left;
#if defined(__x86_64__)
                if (hasAvx2()) x = samplePathAvx2(in, steps, cx, cy, y, x, right, dst);
#endif
                for (; x < right; ++x) {
                    const double u = x + 0.5 - cx;
                    ChannelSums sums;
                    for (int k = 0; k < kPathSamples; ++k) {
                        double su, sv;
                        stepAt(steps, u, v, k, su, sv);
                        addBilinearAt(in, cx + su, cy + sv, sums);
                    }
                    dst[x] = pack(int(divRound(sums.red, kWhole)), int(divRound(sums.green, kWhole)),
                                  int(divRound(sums.blue, kWhole)));
                }
            }
        }
    });
}

}  // namespace

void FxMotionBlur(HDC d, HDC s, double angle, int32_t length, int32_t& fxResult) {
    const double degrees = std::isfinite(angle) ? angle : 0;
    const int samples = std::clamp(length, 1, 101);
    // A positive angle turns counterclockwise on the screen, where y grows downwards.
    const double radians = degrees * std::numbers::pi / 180;
    const double dx = std::cos(radians), dy = -std::sin(radians);
    std::vector<Tap> taps;
    for (int k = 0; k < samples; ++k) {
        const double t = k - (samples - 1) / 2.0;
        addBilinearTaps(t * dx, t * dy, taps);
    }
    apply(d, s, fxResult, [&](const Image& in, Image& out) { filterTaps(in, out, taps, 65536u * uint32_t(samples)); });
}

void FxRadialBlur(HDC d, HDC s, int32_t degrees, int32_t& fxResult) {
    const int spread = std::clamp(degrees, 0, 360);
    PathSteps arc;
    arc.turns = true;
    for (int k = 0; k < kPathSamples; ++k) {
        const double turn = (-spread / 2.0 + spread * k / double(kPathSamples - 1)) * std::numbers::pi / 180;
        arc.cosines[k] = std::cos(turn);
        arc.sines[k] = std::sin(turn);
    }
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (spread == 0) return keep(in, out);
        samplePath(in, out, arc);
    });
}

void FxZoomBlur(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const double a = std::clamp(amount / 400.0, 0.0, 1.0);
    PathSteps ray;
    for (int k = 0; k < kPathSamples; ++k) ray.cosines[k] = 1 - a * k / (kPathSamples - 1);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (a == 0) return keep(in, out);
        samplePath(in, out, ray);
    });
}

}  // namespace filterlib
