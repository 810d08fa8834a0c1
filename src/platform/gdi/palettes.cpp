// Logical palettes: a list of colours to look colours up in. Nothing here realises a
// palette into a device; the virtual screen is true-colour.

#include <algorithm>

#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0) return 0;
    auto p = std::make_unique<Palette>();
    const PALETTEENTRY* e = palette->palPalEntry;
    for (WORD i = 0; i < palette->palNumEntries; ++i) {
        p->entries.push_back(e[i]);
        p->colors.push_back({e[i].peBlue, e[i].peGreen, e[i].peRed, 0});
    }
    return registry().add(std::move(p), OBJ_PAL);
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
    const Palette* p = registry().get<Palette>(palette);
    if (!p) return CLR_INVALID;
    return UINT(nearestIndex(p->colors, colorrefToBgra(color)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    const Palette* p = registry().get<Palette>(palette);
    if (!p) return 0;
    const size_t size = p->entries.size();
    if (!entries) return UINT(size);
    if (start >= size) return 0;
    const size_t n = std::min<size_t>(count, size - start);
    std::copy_n(p->entries.begin() + ptrdiff_t(start), n, entries);
    return UINT(n);
}

}  // namespace gdi
