// The edge effects, from 3x3 gradients: dark edges on white, a two-colour edge map, and
// glowing edges on black.

#include <algorithm>
#include <cmath>

#include "filterlib/core/bands.h"
#include "filterlib/core/box_filter.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/gradients.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

// Writes, channel by channel, value(channel magnitude) into out: the gradient's length
// of each channel's plane.
template <class Value>
void channelMagnitudes(const Image& in, Image& out, EdgeKernel kernel, Value value) {
    eachRow(out.height, out.width, [&](int y) { std::fill_n(out.row(y), out.width, 0u); });
    for (const int shift : kChannelShifts)
        forEachGradient(channelPlane(in, shift, 1), kernel, [&](int x, int y, int gx, int gy) {
            out.row(y)[x] |= uint32_t(value(std::sqrt(double(gx * gx + gy * gy)))) << shift;
        });
}

}  // namespace

void FxFindEdges(HDC d, HDC s, int16_t gain, int32_t kernel, int32_t& fxResult) {
    const double factor = (1 + std::clamp<int>(gain, 0, 5)) / 4.0;
    const EdgeKernel k = kernel == 1 ? EdgeKernel::Prewitt : EdgeKernel::Sobel;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        channelMagnitudes(in, out, k, [factor](double m) { return roundChannel(255 - factor * m); });
    });
}

void FxDetectBorders(HDC d, HDC s, int32_t threshold, COLORREF edge, COLORREF rest, int32_t& fxResult) {
    // T runs from 20 to 147: the strongest luma step, black to white, measures 1020 = 4 x 255,
    // so a T reaching 255 would leave the top of the slider's range with almost no edges.
    const int64_t t = 4 * (20 + int64_t(std::clamp(threshold, 0, 255)) / 2);
    const uint32_t on = pixelOf(edge), off = pixelOf(rest);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        forEachGradient(lumaPlane(in, 1), EdgeKernel::Sobel, [&](int x, int y, int gx, int gy) {
            out.row(y)[x] = int64_t(gx) * gx + int64_t(gy) * gy > t * t ? on : off;
        });
    });
}

void FxNeon(HDC d, HDC s, int16_t strength, int32_t glowRadius, int32_t& fxResult) {
    const double factor = (1 + std::clamp<int>(strength, 0, 5)) / 4.0;
    const int radius = std::clamp(glowRadius, 0, 20);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        WorkPicture edges(in.width, in.height);
        Image& e = edges.image;
        channelMagnitudes(in, e, EdgeKernel::Sobel, [factor](double m) { return roundChannel(factor * m); });
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
