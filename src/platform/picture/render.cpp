// Picture::Render: a picture draws itself into a DC; asBitmap draws one into a bitmap.
//
// The source rectangle is in HIMETRIC with y growing upwards from the picture's bottom
// edge, so the rows it names are counted from the top as (height - y). Bitmaps are
// stretched by StretchBlt in COLORONCOLOR; a transparent GIF goes through two 32-bpp
// forms (AND with all ones where transparent, then OR with the colours, black where
// transparent), which leave transparent pixels untouched, alpha byte included.

#include <algorithm>
#include <vector>

#include "platform/gdi/dib_surface.h"
#include "platform/picture/picture_object.h"

namespace picture {

namespace {

using namespace gdi;

// HIMETRIC length to source pixels, rounded as MulDiv rounds, in 64 bits so that no
// caller's value can overflow.
int scale(int64_t v, int pixels, int himetric) {
    if (himetric == 0) return 0;
    const int64_t num = v * pixels;
    const int64_t mag = ((num < 0 ? -num : num) + himetric / 2) / himetric;
    const int64_t r = num < 0 ? -mag : mag;
    return int(r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : r);
}

struct Placement {
    int x, y, cx, cy;     // destination, pixels
    int sx, sy, sw, sh;   // source, pixels from the top-left corner
};

bool stretchFrom(HDC dc, HBITMAP bitmap, const Placement& p, DWORD rop) {
    const HDC mem = CreateCompatibleDC(dc);
    if (!mem) return false;
    bool ok = false;
    if (const HGDIOBJ old = SelectObject(mem, bitmap)) {
        ok = StretchBlt(dc, p.x, p.y, p.cx, p.cy, mem, p.sx, p.sy, p.sw, p.sh, rop) != FALSE;
        SelectObject(mem, old);
    } else {
        // The bitmap is selected into some other DC: draw from a copy of its pixels.
        BITMAP bm{};
        if (GetObject(bitmap, sizeof(bm), &bm)) {
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB,
                              0, 0, 0, 0, 0};
            std::vector<uint8_t> pixels(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 4);
            if (GetDIBits(mem, bitmap, 0, UINT(bm.bmHeight), pixels.data(), &info, DIB_RGB_COLORS))
                ok = StretchDIBits(dc, p.x, p.y, p.cx, p.cy, p.sx, p.sy, p.sw, p.sh, pixels.data(),
                                   &info, DIB_RGB_COLORS, rop) != 0;
        }
    }
    DeleteDC(mem);
    return ok;
}

HBITMAP makeForm(int width, int height, uint32_t** pixels) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP b = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    *pixels = static_cast<uint32_t*>(bits);
    return b;
}

// The AND and colour forms of an indexed bitmap with a transparent index; false when the
// bitmap is not indexed (its transparency is then ignored).
bool makeTransparencyForms(const detail::PictureObject& o) {
    if (o.andForm) return true;
    DIBSECTION ds{};
    if (GetObject(o.handle, sizeof(ds), &ds) != int(sizeof(ds)) || ds.dsBm.bmBitsPixel > 8)
        return false;
    const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight, bpp = ds.dsBm.bmBitsPixel;
    const HDC mem = CreateCompatibleDC(0);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, WORD(bpp), BI_RGB, 0, 0, 0, 0, 0};
    const int64_t stride = (int64_t{w} * bpp + 31) / 32 * 4;
    std::vector<uint8_t> indices(size_t(stride * h));
    const bool read = GetDIBits(mem, o.handle, 0, UINT(h), indices.data(), &info, DIB_RGB_COLORS) == h;
    DeleteDC(mem);
    if (!read) return false;
    const size_t entries = info.bmiHeader.biClrUsed ? info.bmiHeader.biClrUsed : size_t{1} << bpp;

    uint32_t *andBits = nullptr, *colorBits = nullptr;
    const HBITMAP andForm = makeForm(w, h, &andBits);
    const HBITMAP colorForm = makeForm(w, h, &colorBits);
    if (!andForm || !colorForm) {
        if (andForm) DeleteObject(andForm);
        if (colorForm) DeleteObject(colorForm);
        return false;
    }
    const int mask = (1 << bpp) - 1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = indices.data() + y * stride;
        for (int x = 0; x < w; ++x) {
            const int bit = x * bpp;
            const int index = (row[bit >> 3] >> (8 - bpp - (bit & 7))) & mask;
            const size_t at = size_t(y) * size_t(w) + size_t(x);
            if (index == *o.transparentIndex) {
                andBits[at] = 0xFFFFFFFFu;
                colorBits[at] = 0;
            } else if (size_t(index) < entries) {
                const RGBQUAD& q = info.bmiColors[index];
                colorBits[at] = (uint32_t{q.rgbRed} << 16) | (uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
            }
        }
    }
    o.andForm = andForm;
    o.colorForm = colorForm;
    return true;
}

}  // namespace

bool Picture::Render(HDC dc, int x, int y, int cx, int cy, int32_t xSrc, int32_t ySrc,
                     int32_t cxSrc, int32_t cySrc) const {
    if (!object_) return false;
    const detail::PictureObject& o = *object_;
    if (GetObjectType(dc) != OBJ_DC && GetObjectType(dc) != OBJ_MEMDC) return false;

    if (o.type == kPicTypeIcon) {
        // Icons do not mirror: a negative extent only moves the rectangle.
        if (cx < 0) x += cx, cx = -cx;
        if (cy < 0) y += cy, cy = -cy;
        if (cx == 0 || cy == 0) return true;
        return DrawIconEx(dc, x, y, o.handle, cx, cy, 0, 0, DI_NORMAL) != FALSE;
    }
    if (o.type == kPicTypeMetafile || o.type == kPicTypeEnhMetafile) {
        if (cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return true;
        // The source rectangle picks the part of the picture that fills the destination;
        // the whole picture lands where that puts it, clipped to the destination.
        const double w = o.himetricWidth, h = o.himetricHeight;
        const double sx = double(cx) / cxSrc, sy = double(cy) / -double(cySrc);
        detail::PlayTarget t;
        t.x = x - double(xSrc) * sx;
        t.y = y - (h - double(ySrc)) * sy;
        t.width = w * sx;
        t.height = h * sy;
        t.clip = {std::min(x, x + cx), std::min(y, y + cy), std::max(x, x + cx), std::max(y, y + cy)};
        return detail::playMetafilePicture(o, dc, t);
    }
    if (o.type != kPicTypeBitmap) return false;  // none

    Placement p{x, y, cx, cy, 0, 0, 0, 0};
    p.sx = scale(xSrc, o.pixelWidth, o.himetricWidth);
    p.sw = scale(cxSrc, o.pixelWidth, o.himetricWidth);
    p.sy = scale(int64_t{o.himetricHeight} - ySrc, o.pixelHeight, o.himetricHeight);
    p.sh = scale(-int64_t{cySrc}, o.pixelHeight, o.himetricHeight);
    if (cx == 0 || cy == 0 || p.sw == 0 || p.sh == 0) return true;

    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    bool ok;
    if (o.transparentIndex && makeTransparencyForms(o))
        ok = stretchFrom(dc, o.andForm, p, SRCAND) && stretchFrom(dc, o.colorForm, p, SRCPAINT);
    else
        ok = stretchFrom(dc, o.handle, p, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
    return ok;
}

Picture asBitmap(const Picture& source) {
    if (source.Type() == kPicTypeBitmap || !source) return source;
    const SIZE size = source.pixelSize();
    DibSurface surface(size.cx, size.cy, 24);
    if (!surface.valid()) return {};
    source.Render(surface.dc(), 0, 0, size.cx, size.cy, 0, source.Height(), source.Width(), -source.Height());
    return CreatePicture(kPicTypeBitmap, surface.releaseBitmap(), true);
}

}  // namespace picture
