#pragma once
// The pixels an effect reads and writes: 32-bit words 0x00RRGGBB (blue in the lowest
// byte, as a 32-bpp DIB holds them), rows addressed from the top whatever the order in
// memory. Effects ignore the high byte they read and write 0 there, as gdi's drawing does.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace filterlib {

struct Image {
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;     // pixels from a row to the one below it (negative bottom-up)
    uint32_t* top = nullptr;  // first pixel of the top row

    uint32_t* row(int y) { return top + static_cast<ptrdiff_t>(y) * stride; }
    const uint32_t* row(int y) const { return top + static_cast<ptrdiff_t>(y) * stride; }
    int64_t pixelCount() const { return int64_t(width) * height; }
};

// A picture of an effect's own between passes, its pixels unset until written: the pass
// that writes it does so in bands, so each page is first touched by the thread that fills
// it, not cleared beforehand by one.
struct WorkPicture {
    std::unique_ptr<uint32_t[]> pixels;
    Image image;
    WorkPicture(int width, int height)
        : pixels(new uint32_t[size_t(width) * size_t(height)]), image{width, height, width, pixels.get()} {}
};

}  // namespace filterlib
