// Regions: each keeps a band set (see bands.h), replaced whole by every change, so a
// clip made from a region shares it without a copy.

#include "platform/gdi/regions.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

namespace {

int64_t g_maxRects = -1;

HRGN addRegion(Bands bands) {
    auto region = std::make_unique<Region>();
    region->bands = std::make_shared<const Bands>(std::move(bands));
    return registry().add(std::move(region), OBJ_REGION);
}

Region* regionOf(HRGN handle) { return registry().get<Region>(handle); }

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return addRegion(Bands(RECT{left, top, right, bottom}));
}

HRGN ExtCreateRegion(const XFORM* xform, DWORD count, const RGNDATA* data) {
    if (xform || !data || count < sizeof(RGNDATAHEADER)) return 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data);
    RGNDATAHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES) return 0;
    const uint64_t room = (uint64_t{count} - sizeof(RGNDATAHEADER)) / sizeof(RECT);
    if (header.nCount > room) return 0;
    if (g_maxRects >= 0 && int64_t{header.nCount} > g_maxRects) return 0;
    try {
        std::vector<RECT> rects(header.nCount);
        if (!rects.empty())
            std::memcpy(rects.data(), bytes + sizeof header, rects.size() * sizeof(RECT));
        return addRegion(Bands::fromRects(rects));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    Region* d = regionOf(dest);
    const Region* a = regionOf(src1);
    if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode == RGN_COPY) {
        d->bands = a->bands;
        return d->bands->complexity();
    }
    const Region* b = regionOf(src2);
    if (!b) return ERROR;
    try {
        d->bands = std::make_shared<const Bands>(Bands::combine(*a->bands, *b->bands, regionOp(mode)));
    } catch (const std::bad_alloc&) {
        return ERROR;
    }
    return d->bands->complexity();
}

int OffsetRgn(HRGN region, int dx, int dy) {
    Region* r = regionOf(region);
    if (!r) return ERROR;
    if (r->bands->empty()) return NULLREGION;
    std::optional<Bands> moved = r->bands->offset(dx, dy);
    if (!moved) return ERROR;
    r->bands = std::make_shared<const Bands>(std::move(*moved));
    return r->bands->complexity();
}

DWORD GetRegionData(HRGN region, DWORD count, RGNDATA* data) {
    const Region* r = regionOf(region);
    if (!r) return 0;
    const Bands& bands = *r->bands;
    const uint64_t need = sizeof(RGNDATAHEADER) + uint64_t{bands.rectCount()} * sizeof(RECT);
    if (need > std::numeric_limits<DWORD>::max()) return 0;
    if (!data) return DWORD(need);
    if (count < need) return 0;
    const RGNDATAHEADER header{sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(bands.rectCount()),
                               DWORD(bands.rectCount() * sizeof(RECT)), bands.bound()};
    auto* bytes = reinterpret_cast<uint8_t*>(data);
    std::memcpy(bytes, &header, sizeof header);
    bytes += sizeof header;
    for (const Bands::Band& band : bands.bands())
        for (const Bands::Span& span : bands.spans(band)) {
            const RECT r{span.left, band.top, span.right, band.bottom};
            std::memcpy(bytes, &r, sizeof r);
            bytes += sizeof r;
        }
    return DWORD(need);
}

BOOL EqualRgn(HRGN a, HRGN b) {
    const Region* x = regionOf(a);
    const Region* y = regionOf(b);
    if (!x || !y) return FALSE;
    return *x->bands == *y->bands ? TRUE : FALSE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
    const Region* r = regionOf(region);
    return r && r->bands->contains(x, y) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
    const Region* r = regionOf(region);
    if (!r || !box) return ERROR;
    *box = r->bands->bound();
    return r->bands->complexity();
}

namespace testing {
void setMaxRegionRectangles(int64_t count) { g_maxRects = count; }
}  // namespace testing

}  // namespace gdi
