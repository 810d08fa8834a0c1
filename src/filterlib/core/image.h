#pragma once
// The pixels an effect reads and writes: 32-bit words 0x00RRGGBB (blue in the lowest
// byte, as a 32-bpp DIB holds them), rows addressed from the top whatever the order in
// memory. Effects ignore the high byte they read and write 0 there, as gdi's drawing does.

#include <cstddef>
#include <cstdint>

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

}  // namespace filterlib
