#pragma once
// The private drawing members of cImage32, reached by the tests of the pipeline and of
// Render, and the pixels of a device surface.

#include "image/cImage32.h"
#include "image_support.h"
#include "platform/gdi/dib_surface.h"

struct cImage32PrivateAccess {
    using Block = cImage32::PixelBlock;
    static bool mirror(cImage32& i, int32_t& x, int32_t& y, int32_t w, int32_t h, int32_t& dw, int32_t& dh,
                       Block& out, cImage32* dest, float& light) {
        return i.MirrorDIBRegion(x, y, w, h, dw, dh, out, dest, light);
    }
    static bool resample(cImage32& i, Block& out, Block& src, cImage32* dest, int32_t x, int32_t y, int32_t w,
                         int32_t h, int32_t dx, int32_t dy, int32_t& dw, int32_t& dh, float& light) {
        return i.ResampleDIBRegion(out, src, dest, x, y, w, h, dx, dy, dw, dh, light);
    }
    static void adjust(cImage32& i, const cImage32* source, float light, Block& block, int32_t& x, int32_t& y,
                       int32_t& w, int32_t& h) {
        i.AdjustDIBLightness(source, light, block, x, y, w, h);
    }
    static bool blend(cImage32& i, gdi::HDC dc, Block& src, int32_t sx, int32_t sy, int32_t dx, int32_t dy,
                      int32_t dw, int32_t dh, int32_t opacity, cImage32* dest, int32_t gray, float light) {
        return i.BlendDIBOntoDestination(dc, src, sx, sy, dx, dy, dw, dh, opacity, dest, gray, light);
    }
    static gdi::HDC ownDC(const cImage32& i) { return i.ownDC_; }
    static bool loaded(const cImage32& i) { return i.previousBitmap_ != 0; }
};

namespace imagetest {

// A block pixel at (column, row from the top).
inline Px blockAt(const cImage32PrivateAccess::Block& b, size_t x, size_t yFromTop) {
    const size_t row = b.countA() - 1 - yFromTop;
    return {b(x * 4, row), b(x * 4 + 1, row), b(x * 4 + 2, row), b(x * 4 + 3, row)};
}

inline Px onSurface(const gdi::DibSurface& s, int x, int y) {
    const uint8_t* p = s.row(y) + size_t(x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

inline void paintSurface(gdi::DibSurface& s, Px px) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) std::memcpy(s.row(y) + size_t(x) * 4, &px, 4);
}

// An image of w x h opaque pixels that tell their place: blue x, green y.
inline void placeImage(cImage32& image, int w, int h, uint8_t red = 90) {
    std::vector<std::vector<Px>> rows(static_cast<size_t>(h), std::vector<Px>(static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[size_t(y)][size_t(x)] = {uint8_t(x), uint8_t(y), red, 255};
    fill(image, rows);
}

}  // namespace imagetest
