#include "platform/picture/dib_builder.h"

#include <algorithm>
#include <memory>

#include "platform/picture/invalid_picture.h"
#include "platform/picture/limits.h"

namespace picture::detail {

DibBuilder::DibBuilder(const char* format, int64_t width, int64_t height, int bpp,
                       std::span<const gdi::RGBQUAD> table)
    : width_(0), height_(0), bpp_(bpp), stride_(0) {
    checkPictureSize(format, width, height, bpp);
    width_ = int(width);
    height_ = int(height);
    stride_ = dibStride(width, bpp);
    auto info = std::make_unique<gdi::BITMAPINFO>();
    info->bmiHeader = {sizeof(gdi::BITMAPINFOHEADER), width_, height_, 1, gdi::WORD(bpp),
                       gdi::BI_RGB, 0, 0, 0, 0, 0};
    if (bpp <= 8) {
        const size_t full = size_t{1} << bpp;
        const size_t n = std::min(table.size(), full);
        std::copy_n(table.begin(), n, info->bmiColors);
        info->bmiHeader.biClrUsed = n == full ? 0 : gdi::DWORD(n);
    }
    void* bits = nullptr;
    bitmap_ = gdi::CreateDIBSection(0, info.get(), gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) throw PictureOutOfMemory("no memory for a " + std::to_string(width) + "x" +
                                           std::to_string(height) + " bitmap");
    bits_ = static_cast<uint8_t*>(bits);
}

DibBuilder::~DibBuilder() {
    if (bitmap_) gdi::DeleteObject(bitmap_);
}

gdi::HBITMAP DibBuilder::release() {
    const gdi::HBITMAP b = bitmap_;
    bitmap_ = 0;
    return b;
}

}  // namespace picture::detail
