// Brushes and FillRect.

#include <algorithm>

#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

namespace gdi {

using namespace detail;

namespace {

HBRUSH addBrush(UINT style, COLORREF color, uintptr_t hatch) {
    auto brush = std::make_unique<Brush>();
    brush->log = {style, color & 0x00FFFFFF, hatch};
    return registry().add(std::move(brush), OBJ_BRUSH);
}

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color) { return addBrush(BS_SOLID, color, 0); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return 0;
    return addBrush(BS_HATCHED, color, uintptr_t(hatch));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) return 0;
    switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_NULL: return addBrush(BS_NULL, 0, 0);
    case BS_HATCHED: return CreateHatchBrush(int(brush->lbHatch), brush->lbColor);
    default: return 0;
    }
}

// The brush colour (nearest palette entry on indexed surfaces) with alpha 0, the
// destination's draw mode ignored; hatch gaps as the DC's background mode says.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    Dc* d = registry().get<Dc>(dc);
    const Brush* b = registry().get<Brush>(brush);
    if (!d || !rect || !b) return 0;
    Surface* s = dcSurface(*d);
    if (!s) return 1;
    Pattern pattern(b->log, *s, d->bkColor);
    if (pattern.empty()) return 1;
    const int64_t l = std::max<int64_t>(rect->left, 0), t = std::max<int64_t>(rect->top, 0);
    const int64_t r = std::min<int64_t>(rect->right, s->width);
    const int64_t bottom = std::min<int64_t>(rect->bottom, s->height);
    if (l >= r || t >= bottom) return 1;
    const int n = int(r - l);
    const bool keepGaps = pattern.hatched() && !d->opaque();
    std::vector<uint32_t> p(static_cast<size_t>(n)), dst(keepGaps ? static_cast<size_t>(n) : 0);
    for (int64_t y = t; y < bottom; ++y) {
        pattern.row(int(y), int(l), n, p.data());
        if (keepGaps) {
            readRaw(*s, int(y), int(l), n, dst.data());
            for (int i = 0; i < n; ++i)
                if (!pattern.on(int(l) + i, int(y))) p[size_t(i)] = dst[size_t(i)];
        }
        writeRaw(*s, int(y), int(l), n, p.data());
    }
    return 1;
}

}  // namespace gdi
