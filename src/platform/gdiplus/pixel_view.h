#pragma once
// A read view over premultiplied BGRA pixels with any step between neighbours, so that a
// sub-rectangle, a mirror or a quarter turn of an image is a view, not a copy.

#include <cstddef>
#include <cstdint>

namespace gdiplus::detail {

struct PixelView {
    const uint8_t* base = nullptr;  // pixel (0, 0)
    ptrdiff_t xstep = 4;            // bytes from (x, y) to (x + 1, y)
    ptrdiff_t ystep = 0;            // bytes from (x, y) to (x, y + 1)
    int width = 0, height = 0;

    const uint8_t* at(int x, int y) const { return base + x * xstep + y * ystep; }
    bool empty() const { return width <= 0 || height <= 0; }

    PixelView sub(int x, int y, int w, int h) const { return {at(x, y), xstep, ystep, w, h}; }
    PixelView mirroredX() const { return {at(width - 1, 0), -xstep, ystep, width, height}; }
    PixelView mirroredY() const { return {at(0, height - 1), xstep, -ystep, width, height}; }
    PixelView transposed() const { return {base, ystep, xstep, height, width}; }
};

// Premultiplied colour from straight, rounded to nearest.
inline uint8_t premultiply(unsigned c, unsigned a) { return uint8_t((c * a + 127) / 255); }
// Straight colour from premultiplied, rounded to nearest; 0 under alpha 0.
inline uint8_t unpremultiply(unsigned c, unsigned a) {
    if (a == 0) return 0;
    const unsigned v = (c * 255 + a / 2) / a;
    return uint8_t(v > 255 ? 255 : v);
}

}  // namespace gdiplus::detail
