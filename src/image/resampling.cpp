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

namespace {

// One interpolated row: the left and right taps of every column from the lower and upper
// source rows, weighed by `weigh`.
template <class Weigh>
void interpolateRow(const uint8_t* lower, const uint8_t* upper, double fy, const uint32_t* left, const uint32_t* right,
                    const double* leftWeight, const double* rightWeight, int64_t width, uint8_t* out, Weigh weigh) {
    const double lowerWeight = 1.0 - fy;
    for (int64_t i = 0; i < width; ++i, out += 4) {
        const uint8_t* p00 = lower + left[i];
        const double fx = rightWeight[i], notFx = leftWeight[i];
        if (fy == 0) {
            // Weights 1 - fx and fx; at fx = 0 the pixel itself.
            if (fx == 0) std::memcpy(out, p00, 4);
            else weigh(p00, notFx, lower + right[i], fx, nullptr, 0, nullptr, 0, out);
        } else if (fx == 0) {
            weigh(p00, notFx * lowerWeight, nullptr, 0, upper + left[i], notFx * fy, nullptr, 0, out);
        } else {
            weigh(p00, notFx * lowerWeight, lower + right[i], fx * lowerWeight, upper + left[i], notFx * fy,
                  upper + right[i], fx * fy, out);
        }
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"), flatten)) void interpolateRowAvx2(const uint8_t* lower, const uint8_t* upper, double fy,
                                                                 const uint32_t* left, const uint32_t* right,
                                                                 const double* leftWeight, const double* rightWeight,
                                                                 int64_t width, uint8_t* out) {
    interpolateRow(lower, upper, fy, left, right, leftWeight, rightWeight, width, out, WeighTapsAvx2{});
}
#endif

}  // namespace

void RowResampler::interpolatedRow(const RowTaps& taps, uint8_t* out) const {
    const uint8_t *lower = sourceRow(taps.yi), *upper = sourceRow(taps.yn);
#if defined(__x86_64__)
    if (wideKernels())
        return interpolateRowAvx2(lower, upper, taps.fy, left_.data(), right_.data(), leftWeight_.data(),
                                  rightWeight_.data(), g_.width, out);
#endif
    interpolateRow(lower, upper, taps.fy, left_.data(), right_.data(), leftWeight_.data(), rightWeight_.data(), g_.width,
                   out, WeighTaps{});
}

}  // namespace compositing
