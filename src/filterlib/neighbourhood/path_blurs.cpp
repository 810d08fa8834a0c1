// The blurs along a path: a straight line (motion), an arc about the centre (radial) and a
// ray towards the centre (zoom). Each pixel takes a fixed number of bilinear samples,
// whatever the length of the path.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
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

// Each pixel the mean of kPathSamples bilinear samples at the points `along` gives for
// its centre relative to the picture's centre (u, v) and the sample's number k; the
// samples are summed unrounded and divided once.
//
// A band goes through its rows in strips of columns: the samples of neighbouring pixels
// lie close together, so a strip's rows read the same few source lines again while they
// are still in the cache; whole rows of a large picture would have pushed them out.
template <class Along>
void samplePath(const Image& in, Image& out, Along along) {
    constexpr int64_t kWhole = int64_t(kPathSamples) * 65536;
    constexpr int kStrip = 64;
    const double cx = in.width / 2.0, cy = in.height / 2.0;
    inBands(out.height, int64_t(kPathSamples) * out.width, [&](int first, int end) {
        for (int left = 0; left < out.width; left += kStrip) {
            const int right = std::min(left + kStrip, out.width);
            for (int y = first; y < end; ++y) {
                uint32_t* dst = out.row(y);
                const double v = y + 0.5 - cy;
                for (int x = left; x < right; ++x) {
                    const double u = x + 0.5 - cx;
                    ChannelSums sums;
                    for (int k = 0; k < kPathSamples; ++k) {
                        double su, sv;
                        along(u, v, k, su, sv);
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
    double cosines[kPathSamples], sines[kPathSamples];
    for (int k = 0; k < kPathSamples; ++k) {
        const double turn = (-spread / 2.0 + spread * k / double(kPathSamples - 1)) * std::numbers::pi / 180;
        cosines[k] = std::cos(turn);
        sines[k] = std::sin(turn);
    }
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (spread == 0) return keep(in, out);
        samplePath(in, out, [&](double u, double v, int k, double& su, double& sv) {
            su = u * cosines[k] + v * sines[k];
            sv = v * cosines[k] - u * sines[k];
        });
    });
}

void FxZoomBlur(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const double a = std::clamp(amount / 400.0, 0.0, 1.0);
    double scales[kPathSamples];
    for (int k = 0; k < kPathSamples; ++k) scales[k] = 1 - a * k / (kPathSamples - 1);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        if (a == 0) return keep(in, out);
        samplePath(in, out, [&](double u, double v, int k, double& su, double& sv) {
            su = u * scales[k];
            sv = v * scales[k];
        });
    });
}

}  // namespace filterlib
