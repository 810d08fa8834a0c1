// Icons and cursors: a mask and an image, drawn by AND then XOR, or blended by the
// image's own alpha when it has one.
//
// Both bitmaps are turned into 32-bpp drawing forms once, when the icon is made: the AND
// form holds 0 or all ones per pixel and the XOR form the image with alpha 0. Raster
// operations from a 32-bpp source combine all 32 bits, so a pixel under a set mask bit
// and a black image keeps its alpha byte too, and a drawn pixel ends with alpha 0.

#include <algorithm>
#include <vector>

#include "platform/gdi/blend_math.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

namespace {

// A pixel of any format counts as set when it is not black, as a mask's white is.
bool maskBit(const Surface& mask, int x, int y) {
    if (!mask.contains(x, y)) return false;
    return (rawToBgra(mask, readPixel(mask, x, y)) & 0x00FFFFFF) != 0;
}

bool buildForms(Icon& icon) {
    const int w = icon.width, h = icon.height;
    icon.andForm = makeBitmap(w, h, 32, 4, true);
    icon.xorForm = makeBitmap(w, h, 32, 4, true);
    if (!icon.andForm || !icon.xorForm) return false;
    const Surface& mask = icon.mask->surface;
    Surface& andS = icon.andForm->surface;
    Surface& xorS = icon.xorForm->surface;
    std::vector<uint32_t> row(size_t(w), 0);

    if (icon.color) {
        const Surface& c = icon.color->surface;
        if (c.bpp == 32) {
            for (int y = 0; y < h && !icon.alpha; ++y) {
                readRaw(c, y, 0, w, row.data());
                icon.alpha = std::any_of(row.begin(), row.end(),
                                         [](uint32_t v) { return (v >> 24) != 0; });
            }
        }
        for (int y = 0; y < h; ++y) {
            readRaw(c, y, 0, w, row.data());
            rawRowToBgra(c, row.data(), w, row.data());
            for (uint32_t& v : row) {
                if (!icon.alpha) {
                    v &= 0x00FFFFFF;
                    continue;
                }
                // Icon alpha is straight; the blend wants it premultiplied.
                const uint32_t a = v >> 24;
                v = (a << 24) | (div255(((v >> 16) & 0xFF) * a) << 16) |
                    (div255(((v >> 8) & 0xFF) * a) << 8) | div255((v & 0xFF) * a);
            }
            writeRaw(xorS, y, 0, w, row.data());
        }
    } else {
        // Monochrome: the upper half of the mask is the AND mask, the lower the image.
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) row[size_t(x)] = maskBit(mask, x, h + y) ? 0x00FFFFFFu : 0u;
            writeRaw(xorS, y, 0, w, row.data());
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) row[size_t(x)] = maskBit(mask, x, y) ? 0xFFFFFFFFu : 0u;
        writeRaw(andS, y, 0, w, row.data());
    }
    return true;
}

// Nearest-neighbour stretch of a premultiplied 32-bpp form, blended as AlphaBlend does.
void blendForm(Surface& dst, const Surface& form, int x, int y, int w, int h) {
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + w, dst.width);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(int64_t{y} + h, dst.height);
    if (x0 >= x1 || y0 >= y1) return;
    const int n = int(x1 - x0);
    std::vector<uint32_t> src(size_t(form.width)), sbuf(static_cast<size_t>(n)),
        dbuf(static_cast<size_t>(n));
    ColorMatcher match(dst);
    for (int64_t yy = y0; yy < y1; ++yy) {
        readRaw(form, int(nearestSource(yy - y, form.height, h, false)), 0, form.width, src.data());
        for (int k = 0; k < n; ++k)
            sbuf[size_t(k)] = src[size_t(nearestSource(x0 + k - x, form.width, w, false))];
        if (dst.bpp == 32) {
            blendRow(reinterpret_cast<uint32_t*>(dst.row(int(yy))) + x0, sbuf.data(), n, 255, true);
            continue;
        }
        readRaw(dst, int(yy), int(x0), n, dbuf.data());
        rawRowToBgra(dst, dbuf.data(), n, dbuf.data());
        blendRow(dbuf.data(), sbuf.data(), n, 255, true);
        for (uint32_t& v : dbuf) v = match(v & 0x00FFFFFF);
        writeRaw(dst, int(yy), int(x0), n, dbuf.data());
    }
}

void blitForm(Surface& dst, const Surface& form, int x, int y, int w, int h, DWORD rop) {
    BlitRequest r;
    r.dst = &dst;
    r.src = &form;
    r.xDst = x, r.yDst = y, r.wDst = w, r.hDst = h;
    r.xSrc = 0, r.ySrc = 0, r.wSrc = form.width, r.hSrc = form.height;
    r.rop = rop;
    r.stretchMode = COLORONCOLOR;
    blit(r);
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
    if (!info) return 0;
    const Bitmap* mask = registry().get<Bitmap>(info->hbmMask);
    const Bitmap* color = info->hbmColor ? registry().get<Bitmap>(info->hbmColor) : nullptr;
    if (!mask || (info->hbmColor && !color)) return 0;
    auto icon = std::make_unique<Icon>();
    icon->isIcon = info->fIcon != FALSE;
    icon->hotX = info->xHotspot;
    icon->hotY = info->yHotspot;
    if (color) {
        icon->width = color->surface.width;
        icon->height = color->surface.height;
    } else {
        if (mask->surface.height < 2) return 0;
        icon->width = mask->surface.width;
        icon->height = mask->surface.height / 2;
    }
    icon->mask = copyBitmap(*mask);
    if (!icon->mask) return 0;
    if (color && !(icon->color = copyBitmap(*color))) return 0;
    if (!buildForms(*icon)) return 0;
    return registry().add(std::move(icon), kIconKind);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    const Icon* ic = registry().get<Icon>(icon);
    if (!ic || !info) return FALSE;
    auto mask = copyBitmap(*ic->mask);
    auto color = ic->color ? copyBitmap(*ic->color) : nullptr;
    if (!mask || (ic->color && !color)) return FALSE;
    info->fIcon = ic->isIcon ? TRUE : FALSE;
    info->xHotspot = ic->hotX;
    info->yHotspot = ic->hotY;
    info->hbmMask = registry().add(std::move(mask), OBJ_BITMAP);
    info->hbmColor = color ? registry().add(std::move(color), OBJ_BITMAP) : 0;
    return TRUE;
}

BOOL DestroyIcon(HICON icon) {
    if (!registry().get<Icon>(icon)) return FALSE;
    return registry().erase(icon) ? TRUE : FALSE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, 0, DI_NORMAL);
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flickerBrush,
                UINT flags) {
    Dc* d = registry().get<Dc>(dc);
    const Icon* ic = registry().get<Icon>(icon);
    if (!d || !ic || cx < 0 || cy < 0 || (flags & DI_NORMAL) == 0) return FALSE;
    const int fallbackW = (flags & DI_DEFAULTSIZE) ? kDefaultIconSize : ic->width;
    const int fallbackH = (flags & DI_DEFAULTSIZE) ? kDefaultIconSize : ic->height;
    const int w = cx ? cx : fallbackW, h = cy ? cy : fallbackH;
    if (flickerBrush) {
        const RECT rect{x, y, x + w, y + h};
        if (!FillRect(dc, &rect, flickerBrush)) return FALSE;
    }
    Surface* dst = dcSurface(*d);
    if (!dst) return TRUE;  // the virtual screen keeps no pixels
    if (ic->alpha && (flags & DI_IMAGE)) {
        blendForm(*dst, ic->xorForm->surface, x, y, w, h);
        return TRUE;
    }
    if (flags & DI_MASK) blitForm(*dst, ic->andForm->surface, x, y, w, h, SRCAND);
    if (flags & DI_IMAGE)
        blitForm(*dst, ic->xorForm->surface, x, y, w, h, (flags & DI_MASK) ? SRCINVERT : SRCCOPY);
    return TRUE;
}

}  // namespace gdi
