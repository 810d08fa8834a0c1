#pragma once
// Moving pixels between DIB memory and bitmaps.

#include <cstdint>

#include "platform/gdi/dib_layout.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

// Copies scans [startScan, startScan + scanLines) of a DIB into the surface, the DIB's top
// row on the surface's top row; returns the scans taken from the DIB.
int copyDibToSurface(const DibLayout& layout, const uint8_t* bits, int64_t startScan,
                     int64_t scanLines, Surface& dst);

// The colour table GetDIBits writes for 4 and 8 bpp when the bitmap has none of that depth:
// the 16 standard VGA colours, or a 6x6x6 cube followed by 40 greys.
std::vector<RGBQUAD> defaultPalette(int bpp);

}  // namespace gdi::detail
