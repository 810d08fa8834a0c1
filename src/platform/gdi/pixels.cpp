// Single pixels. SetPixel writes the nearest colour the surface holds, alpha 0, without
// regard to the draw mode; GetPixel never reports the alpha byte.

#include "platform/gdi/objects.h"

namespace gdi {

using namespace detail;

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return CLR_INVALID;
    Surface* s = dcSurface(*d);
    if (!s || !s->contains(x, y)) return CLR_INVALID;
    ColorMatcher match(*s);
    const uint32_t raw = match(colorrefToBgra(color & 0x00FFFFFF));
    writePixel(*s, x, y, raw);
    return bgraToColorref(rawToBgra(*s, raw) & 0x00FFFFFF);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) {
    return SetPixel(dc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d) return CLR_INVALID;
    const Surface* s = dcSurface(*d);
    if (!s || !s->contains(x, y)) return CLR_INVALID;
    return bgraToColorref(rawToBgra(*s, readPixel(*s, x, y)) & 0x00FFFFFF);
}

}  // namespace gdi
