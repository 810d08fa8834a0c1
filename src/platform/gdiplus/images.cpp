// Bitmaps: over caller memory, copied from gdi bitmaps and icons; their size, format,
// pixels, turning and mirroring, and their end.

#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdiplus/objects.h"
#include "platform/gdiplus/session.h"

namespace gdiplus {

using namespace detail;

namespace {

bool isViewFormat(PixelFormat f) {
    return f == PixelFormat32bppPARGB || f == PixelFormat32bppARGB || f == PixelFormat32bppRGB;
}

// Composes one step's new-to-old coordinate map (old = n applied to new) into the
// memory map.
void compose(GpImage& image, int64_t na, int64_t nb, int64_t nc, int64_t nd, int64_t ne, int64_t nf) {
    Orientation& m = image.orientation;
    const Orientation o = m;
    m.a = o.a * na + o.b * nd;
    m.b = o.a * nb + o.b * ne;
    m.c = o.a * nc + o.b * nf + o.c;
    m.d = o.d * na + o.e * nd;
    m.e = o.d * nb + o.e * ne;
    m.f = o.d * nc + o.e * nf + o.f;
}

void rotateFlip(GpImage& image, int type) {
    const int64_t w = image.width, h = image.height;
    switch (type & 3) {
    case 1:  // a quarter turn clockwise: the new top-left pixel was the bottom-left one
        compose(image, 0, 1, 0, -1, 0, h - 1);
        std::swap(image.width, image.height);
        break;
    case 2: compose(image, -1, 0, w - 1, 0, -1, h - 1); break;
    case 3:
        compose(image, 0, -1, w - 1, 1, 0, 0);
        std::swap(image.width, image.height);
        break;
    default: break;
    }
    if (type & 4) compose(image, -1, 0, image.width - 1, 0, 1, 0);
}

Status finish(std::unique_ptr<GpImage> made, GpImage** out) {
    if (!made) return OutOfMemory;
    *out = registerImage(std::move(made));
    return Ok;
}

}  // namespace

namespace detail {

std::unique_ptr<GpImage> imageFromBitmap(uint32_t bitmapHandle, std::optional<int> transparentIndex,
                                         bool straightAlpha) {
    const auto* source = gdi::detail::registry().get<gdi::detail::Bitmap>(bitmapHandle);
    if (!source) return nullptr;
    const gdi::detail::Surface& s = source->surface;
    bool alpha = false;
    std::vector<uint32_t> raw(size_t(s.width));
    if (s.bpp == 32 && straightAlpha) {
        for (int y = 0; y < s.height && !alpha; ++y) {
            gdi::detail::readRaw(s, y, 0, s.width, raw.data());
            for (uint32_t v : raw) alpha = alpha || (v >> 24) != 0;
        }
    }
    const bool keyed = transparentIndex && s.bpp <= 8;
    const PixelFormat format = alpha   ? PixelFormat32bppARGB
                               : s.bpp == 32 ? PixelFormat32bppRGB
                               : s.bpp == 1  ? PixelFormat1bppIndexed
                               : s.bpp == 4  ? PixelFormat4bppIndexed
                               : s.bpp == 8  ? PixelFormat8bppIndexed
                                             : PixelFormat24bppRGB;
    auto image = makeOwnedImage(s.width, s.height, format);
    if (!image) return nullptr;
    std::vector<uint32_t> bgra(size_t(s.width));
    for (int y = 0; y < s.height; ++y) {
        gdi::detail::readRaw(s, y, 0, s.width, raw.data());
        gdi::detail::rawRowToBgra(s, raw.data(), s.width, bgra.data());
        uint8_t* d = image->scan0 + ptrdiff_t(y) * image->stride;
        for (int x = 0; x < s.width; ++x, d += 4) {
            const uint32_t v = bgra[size_t(x)];
            if (keyed && int(raw[size_t(x)]) == *transparentIndex) continue;  // stays 0
            const unsigned a = alpha ? v >> 24 : 255;
            d[0] = premultiply(v & 0xFF, a);
            d[1] = premultiply((v >> 8) & 0xFF, a);
            d[2] = premultiply((v >> 16) & 0xFF, a);
            d[3] = uint8_t(a);
        }
    }
    return image;
}

std::unique_ptr<GpImage> imageFromIcon(uint32_t iconHandle) {
    const auto* icon = gdi::detail::registry().get<gdi::detail::Icon>(iconHandle);
    if (!icon || !icon->andForm || !icon->xorForm) return nullptr;
    auto image = makeOwnedImage(icon->width, icon->height, PixelFormat32bppARGB);
    if (!image) return nullptr;
    const gdi::detail::Surface& andForm = icon->andForm->surface;
    const gdi::detail::Surface& xorForm = icon->xorForm->surface;
    for (int y = 0; y < icon->height; ++y) {
        const uint8_t* m = andForm.row(y);
        const uint8_t* c = xorForm.row(y);
        uint8_t* d = image->scan0 + ptrdiff_t(y) * image->stride;
        for (int x = 0; x < icon->width; ++x, m += 4, c += 4, d += 4) {
            if (icon->alpha) {
                d[0] = c[0], d[1] = c[1], d[2] = c[2], d[3] = c[3];  // already premultiplied
            } else if (m[0] == 0) {
                d[0] = c[0], d[1] = c[1], d[2] = c[2], d[3] = 255;
            }
            // Under a set mask bit the screen shows through (or is inverted, which a
            // bitmap cannot hold): transparent.
        }
    }
    return image;
}

}  // namespace detail

extern "C" Status GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format,
                                            BYTE* scan0, GpBitmap** bitmap) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (width <= 0 || height <= 0) return InvalidParameter;
    if (!isViewFormat(format)) return NotImplemented;
    if (!scan0) {
        auto image = makeOwnedImage(width, height, format);
        if (image) image->memoryFormat = format;
        return finish(std::move(image), bitmap);
    }
    const int64_t rowBytes = int64_t{width} * 4;
    const int64_t magnitude = stride < 0 ? -int64_t{stride} : stride;
    if (magnitude < rowBytes || stride % 4 != 0) return InvalidParameter;
    auto image = std::make_unique<GpImage>();
    image->memoryWidth = image->width = width;
    image->memoryHeight = image->height = height;
    image->scan0 = scan0;
    image->stride = stride;
    image->memoryFormat = image->format = format;
    return finish(std::move(image), bitmap);
}

extern "C" Status GdipCreateBitmapFromHBITMAP(gdi::HBITMAP hbm, gdi::HPALETTE, GpBitmap** bitmap) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (!gdi::detail::registry().get<gdi::detail::Bitmap>(hbm)) return InvalidParameter;
    return finish(imageFromBitmap(hbm, std::nullopt, false), bitmap);
}

extern "C" Status GdipCreateBitmapFromHICON(gdi::HICON icon, GpBitmap** bitmap) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (!gdi::detail::registry().get<gdi::detail::Icon>(icon)) return InvalidParameter;
    return finish(imageFromIcon(icon), bitmap);
}

extern "C" Status GdipDisposeImage(GpImage* image) {
    if (const Status s = requireSession(); s != Ok) return s;
    return releaseImage(image) ? Ok : InvalidParameter;
}

extern "C" Status GdipGetImageBounds(GpImage* image, GpRectF* rect, Unit* unit) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(image) || !rect || !unit) return InvalidParameter;
    *rect = {0, 0, REAL(image->width), REAL(image->height)};
    *unit = UnitPixel;
    return Ok;
}

extern "C" Status GdipGetImageWidth(GpImage* image, UINT* width) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(image) || !width) return InvalidParameter;
    *width = UINT(image->width);
    return Ok;
}

extern "C" Status GdipGetImageHeight(GpImage* image, UINT* height) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(image) || !height) return InvalidParameter;
    *height = UINT(image->height);
    return Ok;
}

extern "C" Status GdipGetImagePixelFormat(GpImage* image, PixelFormat* format) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(image) || !format) return InvalidParameter;
    *format = image->format;
    return Ok;
}

extern "C" Status GdipImageRotateFlip(GpImage* image, RotateFlipType type) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(image) || type < 0 || type > 7) return InvalidParameter;
    rotateFlip(*image, type);
    return Ok;
}

extern "C" Status GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color) {
    if (const Status s = requireSession(); s != Ok) return s;
    if (!isLiveImage(bitmap) || !color) return InvalidParameter;
    if (x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) return InvalidParameter;
    const Orientation& o = bitmap->orientation;
    const int64_t mx = o.a * x + o.b * y + o.c, my = o.d * x + o.e * y + o.f;
    const uint8_t* p = bitmap->scan0 + my * bitmap->stride + mx * 4;
    ARGB a = p[3], r = p[2], g = p[1], b = p[0];
    if (bitmap->memoryFormat == PixelFormat32bppRGB) a = 255;
    else if (bitmap->memoryFormat == PixelFormat32bppPARGB)
        r = unpremultiply(r, a), g = unpremultiply(g, a), b = unpremultiply(b, a);
    *color = a << 24 | r << 16 | g << 8 | b;
    return Ok;
}

}  // namespace gdiplus
