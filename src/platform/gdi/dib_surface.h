#pragma once
// A DIB section selected into a memory DC of its own, for code that draws into pixels
// it then reads (or reads pixels that gdi drew): made together, released together.

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace gdi {

class DibSurface {
public:
    // A zero-filled width x height DIB section of 1, 4, 8, 24 or 32 bpp, rows top-down
    // unless bottomUp; colours are the first 2^bpp entries of `colors` for <= 8 bpp
    // (greys when none are given). valid() is false when gdi refuses the size.
    DibSurface(int width, int height, int bitsPerPixel, bool bottomUp = false,
               const RGBQUAD* colors = nullptr);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    bool valid() const { return dc_ != 0; }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bpp_; }
    int64_t stride() const;
    uint8_t* bits() const { return static_cast<uint8_t*>(bits_); }
    // Row y counted from the top, whatever the order in memory.
    uint8_t* row(int y) const;

    // Hands the bitmap to a new owner (a picture object); the DC goes, valid() turns false.
    HBITMAP releaseBitmap();

private:
    int width_, height_, bpp_;
    bool bottomUp_;
    void* bits_ = nullptr;
    HBITMAP bitmap_ = 0;
    HDC dc_ = 0;
    HGDIOBJ previous_ = 0;
};

}  // namespace gdi
