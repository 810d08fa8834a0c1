// Clip rectangles of a DC and the clip functions.

#include "platform/gdi/clip.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdi/device_drawing.h"
#include "platform/gdi/regions.h"

namespace gdi {

namespace detail {

namespace {

bool empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }


}  // namespace

bool ClipRects::contains(int64_t x, int64_t y) const {
    if (!active) return true;
    for (const RECT& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

bool ClipRects::covers(int64_t l, int64_t t, int64_t r, int64_t b) const {
    if (!active) return true;
    for (const RECT& c : rects)
        if (c.left <= l && c.top <= t && c.right >= r && c.bottom >= b) return true;
    return false;
}

void ClipRects::spans(int y, int x0, int x1, std::vector<std::pair<int, int>>& out) const {
    out.clear();
    if (x0 >= x1) return;
    if (!active) {
        out.emplace_back(x0, x1);
        return;
    }
    for (const RECT& r : rects) {
        if (y < r.top || y >= r.bottom) continue;
        const int a = std::max<int>(x0, r.left), b = std::min<int>(x1, r.right);
        if (a < b) out.emplace_back(a, b);
    }
    std::sort(out.begin(), out.end());
}

int ClipRects::complexity() const {
    if (!active) return SIMPLEREGION;
    if (rects.empty()) return NULLREGION;
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void ClipRects::intersect(const RECT& c) {
    if (!active) {
        active = true;
        rects = {c};
    } else {
        for (RECT& r : rects) {
            r.left = std::max(r.left, c.left), r.top = std::max(r.top, c.top);
            r.right = std::min(r.right, c.right), r.bottom = std::min(r.bottom, c.bottom);
        }
    }
    std::erase_if(rects, empty);
}

void ClipRects::exclude(const RECT& c, const RECT& surfaceBounds) {
    if (!active) {
        active = true;
        rects = {surfaceBounds};
    }
    std::vector<RECT> out;
    for (const RECT& r : rects) {
        const RECT i{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                     std::min(r.bottom, c.bottom)};
        if (empty(i)) {
            out.push_back(r);
            continue;
        }
        // The parts above, below, left and right of the hole.
        out.push_back({r.left, r.top, r.right, i.top});
        out.push_back({r.left, i.bottom, r.right, r.bottom});
        out.push_back({r.left, i.top, i.left, i.bottom});
        out.push_back({i.right, i.top, r.right, i.bottom});
    }
    std::erase_if(out, empty);
    rects = std::move(out);
}

void ClipRects::set(std::vector<RECT> r) {
    active = true;
    rects = std::move(r);
    std::erase_if(rects, empty);
}

}  // namespace detail

using namespace detail;

namespace {

RECT surfaceBounds(const Dc& d) {
    const Surface* s = dcSurface(d);
    // The screen keeps no pixels; its clip only needs to be large enough.
    return s ? RECT{0, 0, s->width, s->height} : RECT{0, 0, 1920, 1080};
}

}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    d->clip.intersect({std::min(left, right), std::min(top, bottom), std::max(left, right),
                       std::max(top, bottom)});
    return d->clip.complexity();
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    d->clip.exclude({std::min(left, right), std::min(top, bottom), std::max(left, right),
                     std::max(top, bottom)},
                    surfaceBounds(*d));
    return d->clip.complexity();
}

int SelectClipRgn(HDC dc, HRGN region) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    if (region == 0) {
        d->clip.reset();
        return SIMPLEREGION;
    }
    const DWORD bytes = GetRegionData(region, 0, nullptr);
    if (bytes < sizeof(RGNDATAHEADER)) return ERROR;
    std::vector<uint8_t> data(bytes);
    auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
    if (GetRegionData(region, bytes, rgn) != bytes) return ERROR;
    std::vector<RECT> rects(rgn->rdh.nCount);
    std::memcpy(rects.data(), data.data() + sizeof(RGNDATAHEADER), rects.size() * sizeof(RECT));
    d->clip.set(std::move(rects));
    return d->clip.complexity();
}

}  // namespace gdi

namespace gdi {

using namespace detail;

BOOL SetClipRectangles(HDC dc, const std::vector<RECT>* rects) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    if (rects) d->clip.set(*rects);
    else d->clip.reset();
    return TRUE;
}

BOOL DrawClippedBlit(HDC dc, const RECT& bounds, const std::function<void()>& draw, bool clearAlpha) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    Surface* s = dcSurface(*d);
    if (!s) {
        draw();
        return TRUE;
    }
    const int l = std::max<LONG>(0, std::min(bounds.left, bounds.right));
    const int t = std::max<LONG>(0, std::min(bounds.top, bounds.bottom));
    const int r = std::min<LONG>(s->width, std::max(bounds.left, bounds.right));
    const int b = std::min<LONG>(s->height, std::max(bounds.top, bounds.bottom));
    if (l >= r || t >= b) return TRUE;
    const size_t w = size_t(r - l);
    const uint32_t clear = s->bpp == 32 && clearAlpha ? 0xFF000000u : 0;
    if (d->clip.covers(l, t, r, b)) {
        // Nothing to put back: only the alpha bytes need clearing.
        draw();
        if (clear)
            for (int y = t; y < b; ++y) {
                uint8_t* p = s->row(y) + size_t(l) * 4 + 3;
                for (size_t i = 0; i < w; ++i) p[4 * i] = 0;
            }
        return TRUE;
    }
    std::vector<uint32_t> before(w * size_t(b - t)), row(w);
    for (int y = t; y < b; ++y) readRaw(*s, y, l, int(w), before.data() + size_t(y - t) * w);
    draw();
    for (int y = t; y < b; ++y) {
        const uint32_t* old = before.data() + size_t(y - t) * w;
        readRaw(*s, y, l, int(w), row.data());
        for (size_t i = 0; i < w; ++i)
            row[i] = d->clip.contains(l + int64_t(i), y) ? row[i] & ~clear : old[i];
        writeRaw(*s, y, l, int(w), row.data());
    }
    return TRUE;
}

}  // namespace gdi
