#include "platform/gdi/dib_surface.h"

namespace gdi {

DibSurface::DibSurface(int width, int height, int bitsPerPixel, bool bottomUp, const RGBQUAD* colors)
    : width_(width), height_(height), bpp_(bitsPerPixel), bottomUp_(bottomUp) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = bottomUp ? height : -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    if (bitsPerPixel <= 8) {
        const int entries = 1 << bitsPerPixel;
        for (int i = 0; i < entries; ++i) {
            const auto grey = static_cast<BYTE>(i * 255 / (entries - 1));
            info.bmiColors[i] = colors ? colors[i] : RGBQUAD{grey, grey, grey, 0};
        }
    }
    bitmap_ = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!bitmap_) return;
    dc_ = CreateCompatibleDC(0);
    previous_ = SelectObject(dc_, bitmap_);
}

DibSurface::~DibSurface() {
    if (dc_) {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
}

int64_t DibSurface::stride() const { return (int64_t{width_} * bpp_ + 31) / 32 * 4; }

uint8_t* DibSurface::row(int y) const {
    const int64_t line = bottomUp_ ? height_ - 1 - y : y;
    return bits() + line * stride();
}

HBITMAP DibSurface::releaseBitmap() {
    if (dc_) {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        dc_ = 0;
    }
    const HBITMAP bitmap = bitmap_;
    bitmap_ = 0;
    return bitmap;
}

}  // namespace gdi
