#pragma once
// The bitmap a reader decodes into: a zero-filled bottom-up DIB section, deleted again
// unless the reader hands it on. Readers write rows through rowFromTop, so none of them
// needs to know the row order.

#include <cstdint>
#include <span>

#include "platform/gdi/gdi.h"

namespace picture::detail {

class DibBuilder {
public:
    // Checks the size against the limits (refusing with the format's name) and allocates;
    // up to 2^bpp table entries for <= 8 bpp.
    DibBuilder(const char* format, int64_t width, int64_t height, int bpp,
               std::span<const gdi::RGBQUAD> table = {});
    ~DibBuilder();
    DibBuilder(const DibBuilder&) = delete;
    DibBuilder& operator=(const DibBuilder&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int bpp() const { return bpp_; }
    int64_t stride() const { return stride_; }
    uint8_t* bits() const { return bits_; }
    uint8_t* rowFromTop(int64_t y) const { return bits_ + (height_ - 1 - y) * stride_; }

    gdi::HBITMAP bitmap() const { return bitmap_; }
    // The bitmap, now the caller's to delete.
    gdi::HBITMAP release();

private:
    int width_, height_, bpp_;
    int64_t stride_;
    gdi::HBITMAP bitmap_ = 0;
    uint8_t* bits_ = nullptr;
};

}  // namespace picture::detail
