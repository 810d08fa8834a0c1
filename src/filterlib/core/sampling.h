#pragma once
// Reading a picture at any point: whole pixels with coordinates clamped to the edges, and
// bilinear samples at continuous coordinates, where pixel (i, j) covers [i, i+1) x [j, j+1)
// and so has its centre at (i + 0.5, j + 0.5); the picture's centre is (width/2, height/2).

#include <algorithm>
#include <cmath>

#include "filterlib/core/image.h"
#include "filterlib/core/pixel.h"

namespace filterlib {

inline uint32_t clampedAt(const Image& image, int x, int y) {
    x = std::clamp(x, 0, image.width - 1);
    y = std::clamp(y, 0, image.height - 1);
    return image.row(y)[x];
}

// Bilinear samples before rounding: each channel's weighted sum in units of 1/65536 (room
// for the sums of 128 samples).
struct ChannelSums {
    int32_t red = 0, green = 0, blue = 0;
};

// Adds the sample at (u, v) to `sums`. Weights are taken in 1/256 steps each way; points
// outside the picture take the nearest edge pixels.
inline void addBilinearAt(const Image& image, double u, double v, ChannelSums& sums) {
    const double fx = std::clamp(u - 0.5, 0.0, double(image.width - 1));
    const double fy = std::clamp(v - 0.5, 0.0, double(image.height - 1));
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const int wx = static_cast<int>(std::lrint((fx - x0) * 256)),
              wy = static_cast<int>(std::lrint((fy - y0) * 256));
    const int x1 = std::min(x0 + 1, image.width - 1), y1 = std::min(y0 + 1, image.height - 1);
    const uint32_t* r0 = image.row(y0);
    const uint32_t* r1 = image.row(y1);
    const uint32_t p00 = r0[x0], p01 = r0[x1], p10 = r1[x0], p11 = r1[x1];
    const int w00 = (256 - wx) * (256 - wy), w01 = wx * (256 - wy), w10 = (256 - wx) * wy, w11 = wx * wy;
    auto channel = [&](int shift) {
        return w00 * int((p00 >> shift) & 0xFF) + w01 * int((p01 >> shift) & 0xFF) + w10 * int((p10 >> shift) & 0xFF) +
               w11 * int((p11 >> shift) & 0xFF);
    };
    sums.red += channel(16);
    sums.green += channel(8);
    sums.blue += channel(0);
}

// The sample at (u, v), each channel rounded halves to even, so a point at a pixel's
// centre gives that pixel exactly.
inline uint32_t bilinearAt(const Image& image, double u, double v) {
    ChannelSums sums;
    addBilinearAt(image, u, v, sums);
    return pack(int(divRound(sums.red, 65536)), int(divRound(sums.green, 65536)), int(divRound(sums.blue, 65536)));
}

}  // namespace filterlib
