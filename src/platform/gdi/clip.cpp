// The clip of a DC and the clip functions.

#include "platform/gdi/clip.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdi/device_drawing.h"
#include "platform/gdi/regions.h"

namespace gdi {

namespace detail {

void Clip::spans(int y, int x0, int x1, std::vector<std::pair<int, int>>& out) const {
    if (bands_) {
        bands_->rowSpans(y, x0, x1, out);
        return;
    }
    out.clear();
    if (x0 < x1) out.emplace_back(x0, x1);
}

void Clip::combine(const Bands& other, Bands::Op op, const RECT& whole) {
    if (!bands_ && op == Bands::Op::And) {
        bands_ = std::make_shared<const Bands>(other);
        return;
    }
    Bands result = Bands::combine(bands_ ? *bands_ : Bands(whole), other, op);
    // An unchanged clip stays the set it was, still shared with whoever holds it.
    if (!bands_ || !(result == *bands_)) bands_ = std::make_shared<const Bands>(std::move(result));
}

RECT surfaceBounds(const Dc& d, const RECT& otherwise) {
    const Surface* s = dcSurface(d);
    return s ? RECT{0, 0, s->width, s->height} : otherwise;
}

}  // namespace detail

using namespace detail;

namespace {

// The screen keeps no pixels; its clip only needs to be large enough.
constexpr RECT kScreen{0, 0, 1920, 1080};

Bands ordered(int left, int top, int right, int bottom) {
    return Bands(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
}

}  // namespace

RECT SurfaceBounds(HDC dc) {
    const Dc* d = registry().get<Dc>(dc);
    return d ? surfaceBounds(*d) : RECT{};
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    d->clip.combine(ordered(left, top, right, bottom), Bands::Op::And, surfaceBounds(*d, kScreen));
    return d->clip.complexity();
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    d->clip.combine(ordered(left, top, right, bottom), Bands::Op::Diff, surfaceBounds(*d, kScreen));
    return d->clip.complexity();
}

int SelectClipRgn(HDC dc, HRGN region) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return ERROR;
    if (region == 0) {
        d->clip.reset();
        return SIMPLEREGION;
    }
    const Region* r = registry().get<Region>(region);
    if (!r) return ERROR;
    // Sets never change, so sharing the region's is as good as a copy.
    d->clip.set(r->bands);
    return d->clip.complexity();
}

int GetClipRgn(HDC dc, HRGN region) {
    const Dc* d = registry().get<Dc>(dc);
    Region* r = registry().get<Region>(region);
    if (!d || !r) return -1;
    if (!d->clip.active()) return 0;
    r->bands = d->clip.bands();
    return 1;
}

}  // namespace gdi

namespace gdi {

using namespace detail;

BOOL SetClipBands(HDC dc, std::shared_ptr<const Bands> bands) {
    Dc* d = registry().get<Dc>(dc);
    if (!d) return FALSE;
    d->clip.set(std::move(bands));
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
    std::vector<std::pair<int, int>> spans;
    for (int y = t; y < b; ++y) {
        // Outside the clip's spans the old pixels go back.
        const uint32_t* old = before.data() + size_t(y - t) * w;
        readRaw(*s, y, l, int(w), row.data());
        d->clip.spans(y, l, r, spans);
        int x = l;
        for (const auto& [from, to] : spans) {
            std::copy(old + (x - l), old + (from - l), row.data() + (x - l));
            for (int i = from; i < to; ++i) row[size_t(i - l)] &= ~clear;
            x = to;
        }
        std::copy(old + (x - l), old + w, row.data() + (x - l));
        writeRaw(*s, y, l, int(w), row.data());
    }
    return TRUE;
}

}  // namespace gdi
