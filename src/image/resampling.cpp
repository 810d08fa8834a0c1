// Rows of a scaled rectangle for the own pipeline.

#include "image/resampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/compositing.h"

namespace compositing {

RowResampler::RowResampler(const ByteView2D& source, const ResampleGeometry& g, bool interpolate)
    : source_(source), g_(g), interpolate_(interpolate), topRow_(g.sy0 + g.srcHeight - 1) {
    const size_t n = size_t(g.width);
    const int64_t lastColumn = g.srcX + g.srcWidth - 1;
    left_.resize(n);
    if (!interpolate) {
        for (int64_t i = 0; i < g.width; ++i) {
            const int64_t sx = int64_t(std::floor(double(i + g.offX) * g.xScale + g.srcX));
            left_[size_t(i)] = uint32_t(std::clamp<int64_t>(sx, g.srcX, lastColumn) * 4);
        }
        return;
    }
    right_.resize(n), leftWeight_.resize(n), rightWeight_.resize(n);
    for (int64_t i = 0; i < g.width; ++i) {
        const double x = std::clamp(double(i + g.offX) * g.xScale + g.srcX, double(g.srcX), double(lastColumn) + 0.5);
        const double xFloor = std::floor(x);
        const int64_t xi = int64_t(xFloor);
        const double fx = xi < lastColumn ? x - xFloor : 0.0;
        left_[size_t(i)] = uint32_t(xi * 4);
        right_[size_t(i)] = uint32_t((xi < lastColumn ? xi + 1 : xi) * 4);
        leftWeight_[size_t(i)] = 1.0 - fx;
        rightWeight_[size_t(i)] = fx;
    }
}

RowResampler::RowTaps RowResampler::tapsOf(int64_t r) const {
    if (!interpolate_) {
        const int64_t sy = int64_t(std::floor(double(r + g_.offY) * g_.yScale)) + g_.sy0;
        const int64_t yi = std::clamp<int64_t>(sy, g_.sy0, topRow_);
        return {yi, yi, 0.0};
    }
    const double y = std::clamp(double(r + g_.offY) * g_.yScale + double(g_.sy0), double(g_.sy0), double(topRow_) + 0.5);
    const double yFloor = std::floor(y);
    const int64_t yi = int64_t(yFloor);
    return {yi, yi < topRow_ ? yi + 1 : yi, yi < topRow_ ? y - yFloor : 0.0};
}

bool RowResampler::repeats(int64_t r, int64_t other) const {
    const RowTaps a = tapsOf(r), b = tapsOf(other);
    return a.yi == b.yi && a.yn == b.yn && a.fy == b.fy;
}

const uint8_t* RowResampler::sourceRow(int64_t memoryRow) const { return source_.row(size_t(memoryRow)).data(); }

void RowResampler::row(int64_t r, uint8_t* out) const {
    const RowTaps taps = tapsOf(r);
    if (interpolate_) return interpolatedRow(taps, out);
    const uint8_t* from = sourceRow(taps.yi);
    const uint32_t* left = left_.data();
    for (int64_t i = 0; i < g_.width; ++i) std::memcpy(out + i * 4, from + left[i], 4);
}

void RowResampler::interpolatedRow(const RowTaps& taps, uint8_t* out) const {
    const uint8_t* lower = sourceRow(taps.yi);
    const uint8_t* upper = sourceRow(taps.yn);
    const double fy = taps.fy, lowerWeight = 1.0 - fy;
    for (int64_t i = 0; i < g_.width; ++i, out += 4) {
        const uint8_t* p00 = lower + left_[size_t(i)];
        const double fx = rightWeight_[size_t(i)], notFx = leftWeight_[size_t(i)];
        if (fy == 0) {
            // Weights 1 - fx and fx; at fx = 0 the pixel itself.
            if (fx == 0) {
                std::memcpy(out, p00, 4);
                continue;
            }
            const uint8_t* p01 = lower + right_[size_t(i)];
            for (int c = 0; c < 4; ++c) out[c] = truncateTap(notFx * p00[c] + fx * p01[c]);
            continue;
        }
        const double w00 = notFx * lowerWeight, w10 = notFx * fy;
        const uint8_t* p10 = upper + left_[size_t(i)];
        if (fx == 0) {
            for (int c = 0; c < 4; ++c) out[c] = truncateTap(w00 * p00[c] + w10 * p10[c]);
            continue;
        }
        const double w01 = fx * lowerWeight, w11 = fx * fy;
        const uint8_t* p01 = lower + right_[size_t(i)];
        const uint8_t* p11 = upper + right_[size_t(i)];
        for (int c = 0; c < 4; ++c)
            out[c] = truncateTap(w00 * p00[c] + w01 * p01[c] + w10 * p10[c] + w11 * p11[c]);
    }
}

}  // namespace compositing
