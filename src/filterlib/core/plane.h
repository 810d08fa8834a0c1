#pragma once
// One 8-bit value per pixel (a channel, or luma) with a margin of repeated edge values
// around it, so that window filters read their neighbours without clamping coordinates.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "filterlib/core/image.h"

namespace filterlib {

class Plane {
public:
    // Values for -margin <= x < width + margin, and the same for y; unset until filled (the
    // rows are filled in bands, so each page is first touched by the thread filling it).
    Plane(int width, int height, int margin);

    int width() const { return width_; }
    int height() const { return height_; }
    int margin() const { return margin_; }
    ptrdiff_t stride() const { return stride_; }
    // The value at x = 0 of row y (y may lie in the margin, and so may the x read from it).
    uint8_t* row(int y) { return origin_ + ptrdiff_t(y) * stride_; }
    const uint8_t* row(int y) const { return origin_ + ptrdiff_t(y) * stride_; }

    // Fills the margin with the nearest values of the picture's edges.
    void repeatEdges();

private:
    int width_, height_, margin_;
    ptrdiff_t stride_;
    std::unique_ptr<uint8_t[]> values_;
    uint8_t* origin_;
};

// A picture's channel (shift 16 red, 8 green, 0 blue) or its luma, with repeated edges.
Plane channelPlane(const Image& image, int shift, int margin);
Plane lumaPlane(const Image& image, int margin);

// The shifts of the three channels, red first.
constexpr int kChannelShifts[3] = {16, 8, 0};

}  // namespace filterlib
