#pragma once
// The one blit engine behind BitBlt, StretchBlt, PatBlt and the DIB transfers.

#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/surface.h"

namespace gdi::detail {

struct BlitRequest {
    Surface* dst = nullptr;
    const Surface* src = nullptr;  // may be null when the operation ignores the source
    int64_t xDst = 0, yDst = 0, wDst = 0, hDst = 0;  // negative extents mirror (stretching)
    int64_t xSrc = 0, ySrc = 0, wSrc = 0, hSrc = 0;
    DWORD rop = SRCCOPY;
    int stretchMode = COLORONCOLOR;
    const LOGBRUSH* brush = nullptr;
    ColorRules rules;
};

// Clips to both surfaces and draws; false only for a request it cannot serve.
bool blit(const BlitRequest& request);

// Same-size transfer with non-negative extents.
bool blitSameSize(const BlitRequest& request);
// Differing extents or mirroring.
bool blitStretched(const BlitRequest& request);

// Nearest-neighbour source index for destination index i of a span of `dst` pixels
// drawn from `src` pixels: floor((i + 1/2) * src / dst), reflected when mirrored.
int64_t nearestSource(int64_t i, int64_t src, int64_t dst, bool mirror);

}  // namespace gdi::detail
