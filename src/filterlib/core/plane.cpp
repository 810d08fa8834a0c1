#include "filterlib/core/plane.h"

#include <algorithm>
#include <cstring>

#include "filterlib/core/bands.h"
#include "filterlib/core/channel_maps.h"

namespace filterlib {

Plane::Plane(int width, int height, int margin)
    : width_(width), height_(height), margin_(margin), stride_(ptrdiff_t(width) + 2 * ptrdiff_t(margin)),
      values_(new uint8_t[size_t(stride_) * (size_t(height) + 2 * size_t(margin))]),
      origin_(values_.get() + ptrdiff_t(margin) * stride_ + margin) {}

void Plane::repeatEdges() {
    eachRow(height_, 2 * int64_t(margin_), [&](int y) {
        uint8_t* r = row(y);
        std::memset(r - margin_, r[0], size_t(margin_));
        std::memset(r + width_, r[width_ - 1], size_t(margin_));
    });
    const size_t whole = size_t(stride_);
    for (int y = 1; y <= margin_; ++y) {
        std::memcpy(row(-y) - margin_, row(0) - margin_, whole);
        std::memcpy(row(height_ - 1 + y) - margin_, row(height_ - 1) - margin_, whole);
    }
}

namespace {

// A plane whose rows fillRow(row of the image, row of the plane) fills.
template <class FillRow>
Plane planeOf(const Image& image, int margin, FillRow fillRow) {
    Plane plane(image.width, image.height, margin);
    eachRow(image.height, image.width, [&](int y) { fillRow(image.row(y), plane.row(y)); });
    plane.repeatEdges();
    return plane;
}

}  // namespace

Plane channelPlane(const Image& image, int shift, int margin) {
    return planeOf(image, margin, [&image, shift](const uint32_t* in, uint8_t* out) {
        for (int x = 0; x < image.width; ++x) out[x] = uint8_t((in[x] >> shift) & 0xFF);
    });
}

Plane lumaPlane(const Image& image, int margin) {
    return planeOf(image, margin, [&image](const uint32_t* in, uint8_t* out) { lumaRow(in, out, image.width); });
}

}  // namespace filterlib
