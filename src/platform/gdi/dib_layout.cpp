#include "platform/gdi/dib_layout.h"

#include <cstring>

namespace gdi {

namespace detail {

namespace {

bool headerShape(const BITMAPINFOHEADER& h, int64_t& stride, int64_t& bytes) {
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biPlanes != 1)
        return false;
    switch (h.biBitCount) {
    case 1: case 4: case 8: case 24:
        if (h.biCompression != BI_RGB) return false;
        break;
    case 16: case 32:
        if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
        break;
    default: return false;
    }
    const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : int64_t{h.biHeight};
    stride = rowBytes(h.biWidth, h.biBitCount, 4);
    if (stride > kMaxImageBytes / rows) return false;
    bytes = stride * rows;
    return bytes <= kMaxImageBytes;
}

int64_t tableEntries(const BITMAPINFOHEADER& h) {
    if (h.biBitCount > 8) return 0;
    const int64_t full = int64_t{1} << h.biBitCount;
    return h.biClrUsed == 0 || h.biClrUsed > full ? full : int64_t{h.biClrUsed};
}

}  // namespace

std::optional<DibLayout> parseDib(const BITMAPINFO* info, UINT usage) {
    if (!info) return std::nullopt;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    DibLayout d;
    if (!headerShape(h, d.stride, d.imageBytes)) return std::nullopt;
    if (usage != DIB_RGB_COLORS && !(usage == DIB_PAL_COLORS && h.biBitCount > 8))
        return std::nullopt;
    d.width = h.biWidth;
    d.topDown = h.biHeight < 0;
    d.height = int(d.topDown ? -int64_t{h.biHeight} : int64_t{h.biHeight});
    d.bpp = h.biBitCount;
    d.compression = h.biCompression;
    const int64_t entries = tableEntries(h);
    d.colors.assign(info->bmiColors, info->bmiColors + entries);
    if (d.bpp == 16 || d.bpp == 32) {
        if (h.biCompression == BI_BITFIELDS) {
            std::memcpy(d.masks, info->bmiColors, sizeof(d.masks));
        } else if (d.bpp == 16) {
            d.masks[0] = 0x7C00, d.masks[1] = 0x03E0, d.masks[2] = 0x001F;
        } else {
            d.masks[0] = 0xFF0000, d.masks[1] = 0xFF00, d.masks[2] = 0xFF;
        }
        if (d.bpp == 32 &&
            (d.masks[0] != 0xFF0000 || d.masks[1] != 0xFF00 || d.masks[2] != 0xFF))
            return std::nullopt;
        if (d.bpp == 16) {
            Surface probe;
            if (!setMasks(probe, d.masks[0], d.masks[1], d.masks[2])) return std::nullopt;
        }
    }
    return d;
}

Surface dibView(const DibLayout& layout, const uint8_t* bits, int64_t firstScan, int64_t rows,
                int64_t& topRow) {
    Surface s;
    s.width = layout.width;
    s.height = int(rows);
    s.bpp = layout.bpp;
    s.stride = layout.stride;
    s.colors = layout.colors;
    if (s.bpp == 16) setMasks(s, layout.masks[0], layout.masks[1], layout.masks[2]);
    // DIB memory always speaks through its colour table, never the DC colour rules.
    s.mono = false;
    // Writable only for GetDIBits, whose caller hands in writable memory.
    attachMemory(s, const_cast<uint8_t*>(bits), layout.topDown);
    topRow = layout.topDown ? firstScan : layout.height - (firstScan + rows);
    return s;
}

}  // namespace detail

int64_t DibInfoBytes(const BITMAPINFOHEADER& header, UINT usage) {
    int64_t stride, bytes;
    if (!detail::headerShape(header, stride, bytes)) return 0;
    if (header.biBitCount <= 8) {
        if (usage != DIB_RGB_COLORS) return 0;
        return int64_t{sizeof(BITMAPINFOHEADER)} + 4 * detail::tableEntries(header);
    }
    return int64_t{sizeof(BITMAPINFOHEADER)} + (header.biCompression == BI_BITFIELDS ? 12 : 0);
}

int64_t DibImageBytes(const BITMAPINFOHEADER& header) {
    int64_t stride, bytes;
    return detail::headerShape(header, stride, bytes) ? bytes : -1;
}

}  // namespace gdi
