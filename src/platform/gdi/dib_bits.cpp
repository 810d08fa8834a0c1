// GetDIBits, SetDIBits, SetDIBitsToDevice and StretchDIBits.
//
// Scan lines are numbered in the DIB's memory order: from the bottom for a bottom-up DIB
// (positive height), from the top for a top-down one. The caller's memory must hold the
// header and colour table that DibInfoBytes reports and scanLines rows of the DIB's
// stride; these functions take raw pointers and cannot check that for themselves.

#include <algorithm>
#include <cstring>

#include "platform/gdi/blit.h"
#include "platform/gdi/dib_bits.h"
#include "platform/gdi/objects.h"

namespace gdi {

namespace detail {

int copyDibToSurface(const DibLayout& layout, const uint8_t* bits, int64_t startScan,
                     int64_t scanLines, Surface& dst) {
    if (!bits || startScan >= layout.height) return 0;
    const int64_t count = std::min<int64_t>(scanLines, layout.height - startScan);
    if (count <= 0) return 0;
    int64_t topRow = 0;
    Surface view = dibView(layout, bits, startScan, count, topRow);
    BlitRequest r;
    r.dst = &dst;
    r.src = &view;
    r.xDst = 0, r.yDst = topRow, r.wDst = view.width, r.hDst = count;
    r.xSrc = 0, r.ySrc = 0, r.wSrc = view.width, r.hSrc = count;
    blitSameSize(r);
    return int(count);
}

std::vector<RGBQUAD> defaultPalette(int bpp) {
    std::vector<RGBQUAD> t;
    auto add = [&t](int r, int g, int b) {
        t.push_back({BYTE(b), BYTE(g), BYTE(r), 0});
    };
    if (bpp == 1) return blackWhiteTable();
    if (bpp == 4) {
        static const int vga[16][3] = {
            {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& c : vga) add(c[0], c[1], c[2]);
        return t;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) add(r * 51, g * 51, b * 51);
    for (int k = 0; k < 40; ++k) {
        const int v = (k + 1) * 255 / 41;
        add(v, v, v);
    }
    return t;
}

}  // namespace detail

using namespace detail;

namespace {

void writeTable(BITMAPINFO& info, const std::vector<RGBQUAD>& table) {
    std::copy(table.begin(), table.end(), info.bmiColors);
}

}  // namespace

int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits,
              BITMAPINFO* info, UINT usage) {
    Dc* d = registry().get<Dc>(dc);
    Bitmap* b = registry().get<Bitmap>(bitmap);
    if (!d || !b || !info || info->bmiHeader.biSize != sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    const Surface& s = b->surface;

    if (!bits && h.biBitCount == 0) {
        const bool fields = s.bpp == 16 && s.masks[1].mask != 0x03E0;
        h.biWidth = s.width;
        h.biHeight = s.height;
        h.biPlanes = 1;
        h.biBitCount = WORD(s.bpp);
        h.biCompression = fields ? BI_BITFIELDS : BI_RGB;
        h.biSizeImage = DWORD(rowBytes(s.width, s.bpp, 4) * s.height);
        h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
        h.biClrUsed = h.biClrImportant = 0;
        if (fields) {
            const DWORD m[3] = {s.masks[0].mask, s.masks[1].mask, s.masks[2].mask};
            std::memcpy(info->bmiColors, m, sizeof(m));
        }
        return s.height;
    }

    if (usage != DIB_RGB_COLORS) return 0;
    if (h.biBitCount == 1) {
        writeTable(*info, blackWhiteTable());
        h.biClrUsed = 0;
    } else if (h.biBitCount == 4 || h.biBitCount == 8) {
        const size_t full = size_t{1} << h.biBitCount;
        const bool own = s.bpp == h.biBitCount && !s.colors.empty();
        const std::vector<RGBQUAD> table = own ? s.colors : defaultPalette(h.biBitCount);
        writeTable(*info, table);
        h.biClrUsed = table.size() < full ? DWORD(table.size()) : 0;
    }
    auto layout = parseDib(info, usage);
    if (!layout) return 0;
    h.biSizeImage = DWORD(layout->imageBytes);
    if (!bits) return s.height;

    if (startScan >= UINT(s.height)) return 0;
    const int64_t count = std::min<int64_t>(scanLines, int64_t{s.height} - startScan);
    if (count <= 0) return 0;
    // Lines are the bitmap's, counted in the requested row order.
    layout->height = s.height;
    int64_t topRow = 0;
    Surface out = dibView(*layout, static_cast<uint8_t*>(bits), startScan, count, topRow);
    std::memset(bits, 0, size_t(layout->stride * count));
    BlitRequest r;
    r.dst = &out;
    r.src = &s;
    r.xDst = 0, r.yDst = 0, r.wDst = s.width, r.hDst = count;
    r.xSrc = 0, r.ySrc = topRow, r.wSrc = s.width, r.hSrc = count;
    blitSameSize(r);
    return int(count);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
    Bitmap* b = registry().get<Bitmap>(bitmap);
    if (!b || b->stock) return 0;
    const auto layout = parseDib(info, usage);
    if (!layout) return 0;
    return copyDibToSurface(*layout, static_cast<const uint8_t*>(bits), startScan, scanLines,
                            b->surface);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                      int ySrc, UINT startScan, UINT scanLines, const void* bits,
                      const BITMAPINFO* info, UINT usage) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || !bits) return 0;
    const auto layout = parseDib(info, usage);
    if (!layout || startScan >= UINT(layout->height)) return 0;
    const int64_t count = std::min<int64_t>(scanLines, int64_t{layout->height} - startScan);
    if (count <= 0) return 0;
    Surface* dst = dcSurface(*d);
    if (!dst) return int(count);
    int64_t bandTop = 0;
    Surface view = dibView(*layout, static_cast<const uint8_t*>(bits), startScan, count, bandTop);
    // ySrc counts from the DIB's bottom edge for a bottom-up DIB, from its top otherwise.
    const int64_t uprightTop =
        layout->topDown ? int64_t{ySrc} : int64_t{layout->height} - ySrc - int64_t{height};
    BlitRequest r;
    r.dst = dst;
    r.src = &view;
    r.xDst = xDest, r.yDst = yDest, r.wDst = width, r.hDst = height;
    r.xSrc = xSrc, r.ySrc = uprightTop - bandTop, r.wSrc = width, r.hSrc = height;
    blitSameSize(r);
    return int(count);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return 0;
    const bool usesS = ropUsesSource(ropCode(rop));
    const auto layout = parseDib(info, usage);
    if (!layout || (usesS && !bits)) return 0;
    const int lines = srcHeight < 0 ? -srcHeight : srcHeight;
    Surface* dst = dcSurface(*d);
    if (!dst) return lines;
    int64_t top = 0;
    Surface view;
    if (usesS) view = dibView(*layout, static_cast<const uint8_t*>(bits), 0, layout->height, top);
    BlitRequest r;
    r.dst = dst;
    r.src = usesS ? &view : nullptr;
    r.xDst = xDest, r.yDst = yDest, r.wDst = destWidth, r.hDst = destHeight;
    r.xSrc = xSrc;
    r.ySrc = layout->topDown ? int64_t{ySrc} : int64_t{layout->height} - ySrc - srcHeight;
    r.wSrc = srcWidth, r.hSrc = srcHeight;
    r.rop = rop;
    r.stretchMode = d->stretchMode;
    r.brush = &dcBrush(*d);
    r.rules.dstBk = d->bkColor;
    return blit(r) ? lines : 0;
}

}  // namespace gdi
