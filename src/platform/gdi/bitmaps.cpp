// Creating bitmaps. DIB sections keep the caller's layout (row order, DWORD-aligned rows,
// colour table); device-dependent bitmaps are top-down with WORD-aligned rows, as their
// callers hand in and expect their bits.

#include <cstring>
#include <optional>

#include "platform/gdi/dib_bits.h"
#include "platform/gdi/dib_layout.h"
#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

namespace {

constexpr int kDdbAlign = 2;

HBITMAP addBitmap(std::unique_ptr<Bitmap> b) {
    return b ? registry().add(std::move(b), OBJ_BITMAP) : 0;
}

// A zero-sized device bitmap is a 1x1 monochrome one, so callers that size a buffer from
// an empty picture still get a handle they can select and delete.
std::unique_ptr<Bitmap> makeDdb(int width, int height, const Surface* like) {
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return makeBitmap(1, 1, 1, kDdbAlign, true);
    auto b = makeBitmap(width, height, like ? like->bpp : 32, kDdbAlign, true);
    if (b && like) {
        b->surface.colors = like->colors;
        b->surface.masks = like->masks;
        updateMono(b->surface);
    }
    return b;
}

}  // namespace

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset) {
    if (bits) *bits = nullptr;
    if (section) return 0;  // no file mappings here
    const auto layout = parseDib(info, usage);
    if (!layout) return 0;
    auto b = makeBitmap(layout->width, layout->height, layout->bpp, 4, layout->topDown);
    if (!b) return 0;
    b->dibSection = true;
    b->header = info->bmiHeader;
    b->header.biSizeImage = DWORD(layout->imageBytes);
    Surface& s = b->surface;
    if (s.bpp <= 8) s.colors = layout->colors;
    if (s.bpp == 16) setMasks(s, layout->masks[0], layout->masks[1], layout->masks[2]);
    if (layout->compression == BI_BITFIELDS) std::memcpy(b->bitfields, layout->masks, 12);
    updateMono(s);
    void* memory = s.base;
    const HBITMAP handle = addBitmap(std::move(b));
    if (handle && bits) *bits = memory;
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return 0;
    return addBitmap(makeDdb(width, height, dcSurface(*d)));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) return 0;
    Surface mono;
    mono.bpp = 1;
    mono.colors = blackWhiteTable();
    auto b = makeDdb(width, height, bitsPerPixel == 1 ? &mono : nullptr);
    if (!b) return 0;
    if (bits && width > 0 && height > 0)
        std::memcpy(b->surface.base, bits, size_t(b->surface.stride * b->surface.height));
    return addBitmap(std::move(b));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    if (!header || header->biWidth <= 0 || header->biHeight == 0) return 0;
    const int64_t rows = header->biHeight < 0 ? -int64_t{header->biHeight} : header->biHeight;
    if (rows > kMaxImageBytes) return 0;
    // Bits that cannot be read are refused before the bitmap is made for the header's size.
    std::optional<DibLayout> layout;
    if (init & CBM_INIT) {
        layout = parseDib(info, usage);
        if (!layout || !bits) return 0;
    }
    auto b = makeDdb(header->biWidth, int(rows), nullptr);
    if (!b) return 0;
    if (layout)
        copyDibToSurface(*layout, static_cast<const uint8_t*>(bits), 0, uint32_t(layout->height), b->surface);
    return addBitmap(std::move(b));
}

}  // namespace gdi
