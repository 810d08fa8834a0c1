#include "platform/gdi/stroke.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/gdi/raster.h"

namespace gdi::detail {

int dashLength(UINT style) { return style == PS_DOT ? 6 : 24; }

bool dashOn(UINT style, int position) {
    const int p = position % dashLength(style);
    switch (style) {
    case PS_DASH: return p < 18;
    case PS_DOT: return p < 3;
    case PS_DASHDOT: return p < 9 || (p >= 15 && p < 18);
    case PS_DASHDOTDOT: return p < 9 || (p >= 12 && p < 15) || (p >= 18 && p < 21);
    default: return true;
    }
}

void plot(Surface& s, int64_t x, int64_t y, uint32_t raw, const Ink& ink) {
    if (ink.mode == R2_NOP || !s.contains(x, y) || (ink.clip && !ink.clip->contains(x, y))) return;
    if (s.bpp == 32) {
        // The common surface, read and written in place: lines plot millions of pixels.
        uint8_t* at = s.row(int(y)) + x * 4;
        uint32_t d;
        std::memcpy(&d, at, 4);
        const uint32_t v = ((rop2(ink.mode, raw, d) & ink.colorBits) | (d & ~ink.colorBits)) & ~ink.clearBits;
        std::memcpy(at, &v, 4);
        return;
    }
    const uint32_t d = readPixel(s, int(x), int(y));
    const uint32_t v = (rop2(ink.mode, raw, d) & ink.colorBits) | (d & ~ink.colorBits);
    writePixel(s, int(x), int(y), v & ~ink.clearBits);
}

int thinLine(Surface& s, POINT a, POINT b, UINT style, int phase, const Ink& ink) {
    const bool styled = style == PS_DASH || style == PS_DOT || style == PS_DASHDOT ||
                        style == PS_DASHDOTDOT;
    if (!styled && s.bpp == 32 && ink.mode == R2_COPYPEN && !ink.clip) {
        // The common pen: copy its colour, keep or clear the alpha byte, nothing else.
        const uint32_t keep = ~ink.colorBits & ~ink.clearBits, colour = ink.pen & ink.colorBits;
        walkLine(a, b, s.width, s.height, 0, [&](int64_t x, int64_t y, int64_t) {
            if (!s.contains(x, y)) return;
            uint8_t* at = s.row(int(y)) + x * 4;
            uint32_t d;
            std::memcpy(&d, at, 4);
            d = (d & keep) | colour;
            std::memcpy(at, &d, 4);
        });
        return phase;
    }
    const int64_t n = walkLine(a, b, s.width, s.height, 0, [&](int64_t x, int64_t y, int64_t k) {
        if (!styled) {
            plot(s, x, y, ink.pen, ink);
            return;
        }
        const int position = int((phase + k) % dashLength(style));
        if (dashOn(style, position)) plot(s, x, y, ink.pen, ink);
        else if (ink.paintGaps) plot(s, x, y, ink.gap, ink);
    });
    return styled ? int((phase + n) % dashLength(style)) : phase;
}

namespace {

int64_t isqrt(int64_t v) {
    int64_t r = int64_t(std::sqrt(double(v)));
    while (r * r > v) --r;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}

// Sorts the spans [x0, x1] and merges those that overlap or touch, so that each pixel is
// in at most one; returns how many are left.
size_t mergeSpans(std::vector<std::pair<int, int>>& spans) {
    if (spans.empty()) return 0;
    std::sort(spans.begin(), spans.end());
    size_t out = 0;
    for (size_t i = 1; i < spans.size(); ++i) {
        if (int64_t{spans[i].first} <= int64_t{spans[out].second} + 1) spans[out].second = std::max(spans[out].second, spans[i].second);
        else spans[++out] = spans[i];
    }
    spans.resize(out + 1);
    return out + 1;
}

}  // namespace

void wideStroke(Surface& s, const std::vector<POINT>& points, int width, const Ink& ink) {
    const int w = std::clamp(width, 1, kMaxPenWidth);
    const int lo = brushLo(w), hi = brushHi(w), c = lo + hi;
    // Pixel (i, j) of the brush is inside when its centre lies within w/2 of the brush
    // centre ((lo + hi) / 2, (lo + hi) / 2); in doubled units: (2i-c)^2 + (2j-c)^2 <= w^2.
    std::vector<int> iMin(static_cast<size_t>(w)), iMax(static_cast<size_t>(w));
    for (int j = lo; j <= hi; ++j) {
        const int64_t q = int64_t{w} * w - int64_t(2 * j - c) * (2 * j - c);
        const int64_t root = isqrt(q);
        iMin[size_t(j - lo)] = int(ceilDiv(c - root, 2));
        iMax[size_t(j - lo)] = int(floorDiv(c + root, 2));
    }

    // Only the rows the brush can reach are tracked: [top, top + rows.size()).
    int64_t yMin = INT64_MAX, yMax = INT64_MIN;
    for (const POINT& p : points) yMin = std::min<int64_t>(yMin, p.y), yMax = std::max<int64_t>(yMax, p.y);
    const int64_t top = std::max<int64_t>(0, yMin + lo);
    const int64_t bottom = std::min<int64_t>(s.height, yMax + hi + 1);
    if (top >= bottom) return;
    const size_t count = size_t(bottom - top);
    std::vector<std::vector<std::pair<int, int>>> rows(count);
    std::vector<int> rowMin(count, INT_MAX), rowMax(count, INT_MIN);
    // Spans kept before runs that overlap are merged: many segments over the same rows
    // (a long wide polyline) would otherwise keep one span per segment and row.
    size_t kept = 0, mergeAt = size_t{1} << 20;
    for (size_t p = 0; p + 1 < points.size(); ++p) {
        // The rows this segment's brush can reach.
        const int64_t y0 = std::max<int64_t>(top, std::min<int64_t>(points[p].y, points[p + 1].y) + lo);
        const int64_t y1 = std::min<int64_t>(bottom - 1, std::max<int64_t>(points[p].y, points[p + 1].y) + hi);
        if (y0 > y1) continue;
        walkLine(points[p], points[p + 1], s.width, s.height, w,
                 [&](int64_t px, int64_t py, int64_t) {
                     const int64_t j0 = std::max<int64_t>(lo, top - py);
                     const int64_t j1 = std::min<int64_t>(hi, bottom - 1 - py);
                     for (int64_t j = j0; j <= j1; ++j) {
                         const int64_t x0 = std::max<int64_t>(0, px + iMin[size_t(j - lo)]);
                         const int64_t x1 = std::min<int64_t>(s.width - 1, px + iMax[size_t(j - lo)]);
                         if (x0 > x1) continue;
                         const size_t y = size_t(py + j - top);
                         rowMin[y] = std::min(rowMin[y], int(x0));
                         rowMax[y] = std::max(rowMax[y], int(x1));
                     }
                 });
        for (size_t y = size_t(y0 - top); y <= size_t(y1 - top); ++y) {
            if (rowMin[y] > rowMax[y]) continue;
            rows[y].push_back({rowMin[y], rowMax[y]});
            rowMin[y] = INT_MAX, rowMax[y] = INT_MIN;
            ++kept;
        }
        if (kept >= mergeAt) {
            kept = 0;
            for (auto& spans : rows) kept += mergeSpans(spans);
            mergeAt = std::max(mergeAt, 2 * kept);
        }
    }
    for (size_t y = 0; y < rows.size(); ++y) {
        mergeSpans(rows[y]);
        for (const auto& [x0, x1] : rows[y])
            for (int64_t x = x0; x <= x1; ++x) plot(s, x, top + int64_t(y), ink.pen, ink);
    }
}

}  // namespace gdi::detail
