// Pens, LineTo and Rectangle.

#include <algorithm>

#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/stroke.h"

namespace gdi {

using namespace detail;

namespace detail {

Ink inkFor(const Dc& d, const Surface& s, COLORREF color) {
    ColorMatcher match(s);
    Ink ink;
    ink.mode = d.rop2;
    ink.pen = match(colorrefToBgra(color));
    ink.gap = match(colorrefToBgra(d.bkColor));
    ink.paintGaps = d.opaque();
    ink.colorBits = colorBits(s);
    ink.clearBits = d.strokesClearAlpha && s.bpp == 32 ? 0xFF000000u : 0;
    // A clip that passes the whole surface costs nothing per pixel.
    ink.clip = d.clip.covers(0, 0, s.width, s.height) ? nullptr : &d.clip;
    return ink;
}

}  // namespace detail

namespace {

int penWidth(const LOGPEN& pen) { return std::max<int>(1, pen.lopnWidth.x); }

// Fills [l, r) x [t, b) with the brush in the DC's draw mode; hatch gaps take the
// background colour when the background mode is opaque and are skipped otherwise.
void fillRop2(Surface& s, const Dc& d, const LOGBRUSH& brush, int64_t l, int64_t t, int64_t r,
              int64_t b) {
    Pattern pattern(brush, s, d.bkColor);
    if (pattern.empty()) return;
    l = std::max<int64_t>(l, 0), t = std::max<int64_t>(t, 0);
    r = std::min<int64_t>(r, s.width), b = std::min<int64_t>(b, s.height);
    if (l >= r || t >= b) return;
    Ink ink = inkFor(d, s, brush.lbColor);
    ink.clip = nullptr;  // each row keeps to the clip's spans instead
    std::vector<uint32_t> p(static_cast<size_t>(r - l));
    std::vector<std::pair<int, int>> spans;
    for (int64_t y = t; y < b; ++y) {
        d.clip.spans(int(y), int(l), int(r), spans);
        if (spans.empty()) continue;
        pattern.row(int(y), int(l), int(r - l), p.data());
        for (const auto& [from, to] : spans)
            for (int64_t x = from; x < to; ++x) {
                if (!pattern.on(int(x), int(y)) && !d.opaque()) continue;
                plot(s, x, y, p[size_t(x - l)], ink);
            }
    }
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style < int(PS_SOLID) || style > int(PS_INSIDEFRAME)) return 0;
    auto pen = std::make_unique<Pen>();
    pen->log = {UINT(style), {std::max(0, width), 0}, color & 0x00FFFFFF};
    return registry().add(std::move(pen), OBJ_PEN);
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    return pen ? CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : 0;
}

BOOL LineTo(HDC dc, int x, int y) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    const POINT from = d->position, to{x, y};
    d->position = to;
    Surface* s = dcSurface(*d);
    const LOGPEN& pen = dcPen(*d);
    if (!s || pen.lopnStyle == PS_NULL) return TRUE;
    const Ink ink = inkFor(*d, *s, pen.lopnColor);
    const int width = penWidth(pen);
    if (width == 1) d->penPhase = thinLine(*s, from, to, pen.lopnStyle, d->penPhase, ink);
    else wideStroke(*s, {from, to}, width, ink);  // wide pens draw solid whatever their style
    return TRUE;
}

// The outline runs through the pixels (left, top) .. (right - 1, bottom - 1); a wide pen
// is centred on it, or kept inside the rectangle for PS_INSIDEFRAME. The brush fills
// what the outline encloses; with a null pen, [left, right - 1) x [top, bottom - 1).
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    Surface* s = dcSurface(*d);
    if (!s) return TRUE;
    int64_t l = std::min(left, right), r = std::max(left, right);
    int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    if (r - l < 1 || b - t < 1) return TRUE;
    const LOGPEN& pen = dcPen(*d);
    const LOGBRUSH& brush = dcBrush(*d);

    if (pen.lopnStyle == PS_NULL) {
        fillRop2(*s, *d, brush, l, t, r - 1, b - 1);
        return TRUE;
    }
    const Ink ink = inkFor(*d, *s, pen.lopnColor);
    const int width = std::min(penWidth(pen), kMaxPenWidth);
    if (width == 1) {
        fillRop2(*s, *d, brush, l + 1, t + 1, r - 1, b - 1);
        const POINT p0{LONG(l), LONG(t)}, p1{LONG(r - 1), LONG(t)}, p2{LONG(r - 1), LONG(b - 1)},
            p3{LONG(l), LONG(b - 1)};
        if (r - l == 1 || b - t == 1) {
            // One row or column: its path would retrace itself.
            thinLine(*s, p0, p2, pen.lopnStyle, 0, ink);
            plot(*s, p2.x, p2.y, ink.pen, ink);
            return TRUE;
        }
        int phase = thinLine(*s, p0, p1, pen.lopnStyle, 0, ink);
        phase = thinLine(*s, p1, p2, pen.lopnStyle, phase, ink);
        phase = thinLine(*s, p2, p3, pen.lopnStyle, phase, ink);
        thinLine(*s, p3, p0, pen.lopnStyle, phase, ink);
        return TRUE;
    }
    const int lo = brushLo(width), hi = brushHi(width);
    int64_t pl = l, pt = t, pr = r - 1, pb = b - 1;
    if (pen.lopnStyle == PS_INSIDEFRAME) {
        pl = l - lo, pt = t - lo, pr = r - 1 - hi, pb = b - 1 - hi;
        if (pr < pl) pl = pr = (l + r - 1) / 2;
        if (pb < pt) pt = pb = (t + b - 1) / 2;
    }
    fillRop2(*s, *d, brush, pl + hi + 1, pt + hi + 1, pr + lo, pb + lo);
    const POINT p0{LONG(pl), LONG(pt)}, p1{LONG(pr), LONG(pt)}, p2{LONG(pr), LONG(pb)},
        p3{LONG(pl), LONG(pb)};
    if (pl == pr && pt == pb) {
        // A single point still paints the brush once.
        wideStroke(*s, {p0, POINT{p0.x + 1, p0.y}}, width, ink);
        return TRUE;
    }
    wideStroke(*s, {p0, p1, p2, p3, p0}, width, ink);
    return TRUE;
}

}  // namespace gdi
