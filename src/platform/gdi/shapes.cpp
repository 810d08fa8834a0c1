// Filled shapes and curves: figures filled by our own scan conversion without
// antialiasing, outlines stroked by the pen's own line walker.

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/polygon_scan.h"
#include "platform/gdi/raster.h"
#include "platform/gdi/stroke.h"

namespace gdi {

using namespace detail;

namespace {

// Furthest a rounded vertex may lie from the surface; the line walker clips the rest.
constexpr double kCoordinateLimit = 1 << 28;

bool finite(const PointD& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Sutherland-Hodgman against one edge of the window; keeps the winding of every point
// inside the window, so both fill modes see the same coverage there.
template <class Inside, class Cross>
Figure clipEdge(const Figure& in, Inside inside, Cross cross) {
    Figure out;
    if (in.empty()) return out;
    PointD prev = in.back();
    bool prevIn = inside(prev);
    for (const PointD& p : in) {
        const bool pIn = inside(p);
        if (pIn != prevIn) out.push_back(cross(prev, p));
        if (pIn) out.push_back(p);
        prev = p, prevIn = pIn;
    }
    return out;
}

Figure clipToWindow(Figure f, double x0, double y0, double x1, double y1) {
    auto atX = [](double x) {
        return [x](PointD a, PointD b) { return PointD{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
    };
    auto atY = [](double y) {
        return [y](PointD a, PointD b) { return PointD{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
    };
    f = clipEdge(f, [x0](PointD p) { return p.x >= x0; }, atX(x0));
    f = clipEdge(f, [x1](PointD p) { return p.x <= x1; }, atX(x1));
    f = clipEdge(f, [y0](PointD p) { return p.y >= y0; }, atY(y0));
    f = clipEdge(f, [y1](PointD p) { return p.y <= y1; }, atY(y1));
    return f;
}

// Writes the brush over runs of pixels, within the DC's clip.
class SpanPainter {
public:
    SpanPainter(Surface& s, const Dc& d)
        : s_(s), d_(d), pattern_(dcBrush(d), s, d.bkColor), bits_(colorBits(s)),
          clear_(s.bpp == 32 ? 0xFF000000u : 0), skipGaps_(pattern_.hatched() && !d.opaque()),
          direct_(s.bpp == 32 && d.rop2 == R2_COPYPEN && !pattern_.hatched()) {
        if (direct_) pattern_.row(0, 0, 1, &solid_);
    }

    // Row y, pixels [x0, x1), already within the surface.
    void paint(int y, int x0, int x1) {
        d_.clip.spans(y, x0, x1, clipSpans_);
        for (const auto& [start, end] : clipSpans_) {
            const int n = end - start;
            if (n <= 0) continue;
            if (direct_) {
                // The common case, a solid brush copied onto 32 bpp.
                std::fill_n(reinterpret_cast<uint32_t*>(s_.row(y)) + start, n, solid_ & ~clear_);
                continue;
            }
            p_.resize(size_t(n)), dst_.resize(size_t(n));
            pattern_.row(y, start, n, p_.data());
            readRaw(s_, y, start, n, dst_.data());
            for (int i = 0; i < n; ++i) {
                if (skipGaps_ && !pattern_.on(start + i, y)) continue;
                const uint32_t old = dst_[size_t(i)];
                const uint32_t v = d_.rop2 == R2_COPYPEN ? p_[size_t(i)] : rop2(d_.rop2, p_[size_t(i)], old);
                dst_[size_t(i)] = ((v & bits_) | (old & ~bits_)) & ~clear_;
            }
            writeRaw(s_, y, start, n, dst_.data());
        }
    }

private:
    Surface& s_;
    const Dc& d_;
    Pattern pattern_;
    uint32_t bits_, clear_;
    bool skipGaps_, direct_;
    uint32_t solid_ = 0;
    std::vector<uint32_t> p_, dst_;
    std::vector<std::pair<int, int>> clipSpans_;
};

std::vector<POINT> rounded(const Figure& f, bool closed) {
    std::vector<POINT> out;
    out.reserve(f.size() + 1);
    for (const PointD& p : f) {
        const POINT q{LONG(std::llround(std::clamp(p.x, -kCoordinateLimit, kCoordinateLimit))),
                      LONG(std::llround(std::clamp(p.y, -kCoordinateLimit, kCoordinateLimit)))};
        if (!out.empty() && out.back().x == q.x && out.back().y == q.y) continue;
        out.push_back(q);
    }
    if (closed && out.size() > 1) out.push_back(out.front());
    return out;
}

Figure figureOf(const POINT* points, size_t count) {
    Figure f(count);
    for (size_t i = 0; i < count; ++i) f[i] = {double(points[i].x), double(points[i].y)};
    return f;
}

int penWidth(const LOGPEN& pen) { return std::clamp<int>(pen.lopnWidth.x, 1, kMaxPenWidth); }

}  // namespace

BOOL FillFigures(HDC dc, const std::vector<Figure>& figures, int fillMode) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    Surface* s = dcSurface(*d);
    if (!s || dcBrush(*d).lbStyle == BS_NULL || d->rop2 == R2_NOP) return TRUE;
    // The window reaches a little past the surface so that clipped edges stay outside it.
    const double wx0 = -2, wy0 = -2, wx1 = s->width + 1.0, wy1 = s->height + 1.0;
    std::vector<Figure> clipped;
    double minY = wy1, maxY = wy0;
    for (const Figure& figure : figures) {
        if (figure.size() < 3) continue;
        if (!std::all_of(figure.begin(), figure.end(), finite)) return FALSE;
        Figure f = clipToWindow(figure, wx0, wy0, wx1, wy1);
        if (f.size() < 3) continue;
        for (const PointD& p : f) minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        clipped.push_back(std::move(f));
    }
    const int y0 = std::max(0, int(std::floor(minY))), y1 = std::min(s->height, int(std::ceil(maxY)) + 1);
    if (y0 >= y1) return TRUE;
    PolygonScan scan(clipped, fillMode == WINDING, y0, y1);
    SpanPainter painter(*s, *d);
    const int64_t width = s->width;
    scan.run([&](int y, int64_t x0, int64_t x1) {
        x0 = std::max<int64_t>(x0, 0), x1 = std::min(x1, width);
        if (x0 < x1) painter.paint(y, int(x0), int(x1));
    });
    return TRUE;
}

BOOL StrokeFigures(HDC dc, const std::vector<Figure>& figures, bool closed) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    Surface* s = dcSurface(*d);
    const LOGPEN& pen = dcPen(*d);
    if (!s || pen.lopnStyle == PS_NULL) return TRUE;
    const Ink ink = inkFor(*d, *s, pen.lopnColor);
    const int width = penWidth(pen);
    for (const Figure& figure : figures) {
        if (!std::all_of(figure.begin(), figure.end(), finite)) return FALSE;
        const std::vector<POINT> points = rounded(figure, closed);
        if (points.size() == 1) {
            wideStroke(*s, {points[0], POINT{points[0].x + 1, points[0].y}}, width, ink);
            continue;
        }
        if (width > 1) {
            wideStroke(*s, points, width, ink);
            continue;
        }
        int phase = 0;
        for (size_t i = 0; i + 1 < points.size(); ++i)
            phase = thinLine(*s, points[i], points[i + 1], pen.lopnStyle, phase, ink);
    }
    return TRUE;
}

bool SetStrokesClearAlpha(HDC dc, bool clear) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return false;
    const bool previous = d->strokesClearAlpha;
    d->strokesClearAlpha = clear;
    return previous;
}

int SetPolyFillMode(HDC dc, int mode) {
    Dc* d = registry().get<Dc>(dc);
    if (!d || (mode != ALTERNATE && mode != WINDING)) return 0;
    const int previous = d->polyFillMode;
    d->polyFillMode = mode;
    return previous;
}

int GetPolyFillMode(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? d->polyFillMode : 0;
}

namespace {

// Fills then outlines one closed figure, as every filled shape does.
BOOL filledShape(HDC dc, const Figure& figure) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    return FillFigures(dc, {figure}, d->polyFillMode) && StrokeFigures(dc, {figure}, true);
}

struct Box {
    double l, t, r, b;
};

// The pixels a bounding box covers run from left/top to right - 1 / bottom - 1.
Box pixelBox(int left, int top, int right, int bottom) {
    return {double(std::min(left, right)), double(std::min(top, bottom)),
            double(std::max(left, right)) - 1, double(std::max(top, bottom)) - 1};
}

BOOL arcShape(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye,
              ArcKind kind) {
    const Box b = pixelBox(left, top, right, bottom);
    const Figure f = ArcFigure(b.l, b.t, b.r, b.b, {double(xs), double(ys)}, {double(xe), double(ye)}, kind);
    if (kind == ArcKind::Open) return StrokeFigures(dc, {f}, false);
    return filledShape(dc, f);
}

}  // namespace

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    const Box b = pixelBox(left, top, right, bottom);
    return filledShape(dc, EllipseFigure(b.l, b.t, b.r, b.b));
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
    const Box b = pixelBox(left, top, right, bottom);
    return filledShape(dc, RoundRectFigure(b.l, b.t, b.r, b.b, width, height));
}

BOOL Arc(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(dc, l, t, r, b, xs, ys, xe, ye, ArcKind::Open);
}

BOOL Chord(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(dc, l, t, r, b, xs, ys, xe, ye, ArcKind::Chord);
}

BOOL Pie(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(dc, l, t, r, b, xs, ys, xe, ye, ArcKind::Pie);
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
    if (!points || count < 2) return FALSE;
    return filledShape(dc, figureOf(points, size_t(count)));
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
    if (!points || count < 2) return FALSE;
    return StrokeFigures(dc, {figureOf(points, size_t(count))}, false);
}

BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygons) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d || !points || !counts || polygons <= 0) return FALSE;
    std::vector<Figure> figures;
    size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) return FALSE;
        figures.push_back(figureOf(points + at, size_t(counts[i])));
        at += size_t(counts[i]);
    }
    return FillFigures(dc, figures, d->polyFillMode) && StrokeFigures(dc, figures, true);
}

BOOL PolyBezier(HDC dc, const POINT* points, DWORD count) {
    const Dc* d = registry().get<Dc>(dc);
    if (!d || !points || count < 4 || (count - 1) % 3 != 0) return FALSE;
    std::vector<PointD> p(count);
    for (DWORD i = 0; i < count; ++i) p[i] = {double(points[i].x), double(points[i].y)};
    const CurveWindow window = CurveWindowAround(surfaceBounds(*d), penWidth(dcPen(*d)) / 2.0 + 2);
    return StrokeFigures(dc, {BezierFigure(p.data(), p.size(), window)}, false);
}

}  // namespace gdi
