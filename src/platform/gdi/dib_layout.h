#pragma once
// What a BITMAPINFO describes, checked once: the functions that take DIB memory from a
// caller read the header and colour table through this and nothing else.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

struct DibLayout {
    int width = 0;
    int height = 0;  // rows, positive
    bool topDown = false;
    int bpp = 0;
    DWORD compression = BI_RGB;
    int64_t stride = 0;
    int64_t imageBytes = 0;
    std::vector<RGBQUAD> colors;  // <= 8 bpp
    uint32_t masks[3] = {0, 0, 0};  // 16 and 32 bpp
};

// Accepts a 40-byte header, width > 0, height != 0, one plane, 1/4/8/16/24/32 bpp,
// BI_RGB, or BI_BITFIELDS for 16 bpp (contiguous masks of up to 8 bits) and 32 bpp (the
// standard masks only), an image of at most 2^31 - 1 bytes, and DIB_RGB_COLORS (or
// DIB_PAL_COLORS where there is no colour table). Reads at most 256 table entries, so a
// whole BITMAPINFO is always enough memory.
std::optional<DibLayout> parseDib(const BITMAPINFO* info, UINT usage);

// A surface over `rows` rows of DIB memory holding scans [firstScan, firstScan + rows),
// scans numbered in memory order (from the bottom for bottom-up DIBs). The view's row 0 is
// the band's top row; `topRow` receives its row index in the whole upright image.
Surface dibView(const DibLayout& layout, const uint8_t* bits, int64_t firstScan, int64_t rows,
                int64_t& topRow);

}  // namespace gdi::detail
