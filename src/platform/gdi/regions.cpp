// Regions as canonical band lists (see regions.h). Building one sweeps the rectangles'
// top and bottom edges: each slice between two edges gets the union of the columns of
// the rectangles covering it, and a slice with the same columns as the one right above
// it extends that band instead of starting a new one.

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

struct Region : Object {
    static bool accepts(DWORD kind) { return kind == OBJ_REGION; }
    std::vector<RECT> rects;  // canonical
    RECT bound{0, 0, 0, 0};
};

int64_t g_maxRects = -1;

bool isEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

using Span = std::pair<LONG, LONG>;

std::vector<RECT> canonical(std::vector<RECT> input) {
    std::erase_if(input, isEmpty);
    if (input.empty()) return {};
    std::sort(input.begin(), input.end(),
              [](const RECT& a, const RECT& b) { return a.top < b.top; });
    std::vector<LONG> edges;
    edges.reserve(input.size() * 2);
    for (const RECT& r : input) {
        edges.push_back(r.top);
        edges.push_back(r.bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<RECT> out;
    std::vector<const RECT*> active;
    std::vector<Span> spans, previous;
    size_t next = 0, bandStart = 0;
    bool haveBand = false;
    LONG bandBottom = 0;
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const LONG y0 = edges[e], y1 = edges[e + 1];
        std::erase_if(active, [y0](const RECT* r) { return r->bottom <= y0; });
        while (next < input.size() && input[next].top <= y0) active.push_back(&input[next++]);
        if (active.empty()) {
            haveBand = false;
            continue;
        }
        spans.clear();
        for (const RECT* r : active) spans.emplace_back(r->left, r->right);
        std::sort(spans.begin(), spans.end());
        size_t merged = 0;
        for (size_t i = 1; i < spans.size(); ++i) {
            if (spans[i].first <= spans[merged].second)
                spans[merged].second = std::max(spans[merged].second, spans[i].second);
            else
                spans[++merged] = spans[i];
        }
        spans.resize(merged + 1);
        if (haveBand && bandBottom == y0 && spans == previous) {
            for (size_t i = bandStart; i < out.size(); ++i) out[i].bottom = y1;
        } else {
            bandStart = out.size();
            for (const Span& s : spans) out.push_back({s.first, y0, s.second, y1});
            previous = spans;
            haveBand = true;
        }
        bandBottom = y1;
    }
    return out;
}

RECT boundOf(const std::vector<RECT>& rects) {
    if (rects.empty()) return {0, 0, 0, 0};
    RECT b = rects.front();
    for (const RECT& r : rects) {
        b.left = std::min(b.left, r.left);
        b.right = std::max(b.right, r.right);
    }
    b.bottom = rects.back().bottom;
    return b;
}

int complexity(const Region& r) {
    return r.rects.empty() ? NULLREGION : r.rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void assign(Region& region, std::vector<RECT> rects) {
    region.rects = std::move(rects);
    region.bound = boundOf(region.rects);
}

HRGN addRegion(std::vector<RECT> rects) {
    auto region = std::make_unique<Region>();
    assign(*region, canonical(std::move(rects)));
    return registry().add(std::move(region), OBJ_REGION);
}

Region* regionOf(HRGN handle) { return registry().get<Region>(handle); }

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return addRegion({RECT{left, top, right, bottom}});
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
        return addRegion(std::move(rects));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    Region* d = regionOf(dest);
    const Region* a = regionOf(src1);
    if (!d || !a) return ERROR;
    if (mode == RGN_COPY) {
        if (d != a) assign(*d, a->rects);
        return complexity(*d);
    }
    const Region* b = regionOf(src2);
    if (mode != RGN_OR || !b) return ERROR;
    std::vector<RECT> all;
    all.reserve(a->rects.size() + b->rects.size());
    all.insert(all.end(), a->rects.begin(), a->rects.end());
    all.insert(all.end(), b->rects.begin(), b->rects.end());
    assign(*d, canonical(std::move(all)));
    return complexity(*d);
}

int OffsetRgn(HRGN region, int dx, int dy) {
    Region* r = regionOf(region);
    if (!r) return ERROR;
    if (r->rects.empty()) return NULLREGION;
    constexpr int64_t lo = std::numeric_limits<LONG>::min(), hi = std::numeric_limits<LONG>::max();
    const RECT& b = r->bound;
    if (int64_t{b.left} + dx < lo || int64_t{b.right} + dx > hi || int64_t{b.top} + dy < lo ||
        int64_t{b.bottom} + dy > hi)
        return ERROR;
    for (RECT& x : r->rects) {
        x.left += dx;
        x.right += dx;
        x.top += dy;
        x.bottom += dy;
    }
    r->bound = boundOf(r->rects);
    return complexity(*r);
}

DWORD GetRegionData(HRGN region, DWORD count, RGNDATA* data) {
    const Region* r = regionOf(region);
    if (!r) return 0;
    const uint64_t need = sizeof(RGNDATAHEADER) + uint64_t{r->rects.size()} * sizeof(RECT);
    if (need > std::numeric_limits<DWORD>::max()) return 0;
    if (!data) return DWORD(need);
    if (count < need) return 0;
    const RGNDATAHEADER header{sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(r->rects.size()),
                               DWORD(r->rects.size() * sizeof(RECT)), r->bound};
    auto* bytes = reinterpret_cast<uint8_t*>(data);
    std::memcpy(bytes, &header, sizeof header);
    if (!r->rects.empty())
        std::memcpy(bytes + sizeof header, r->rects.data(), r->rects.size() * sizeof(RECT));
    return DWORD(need);
}

BOOL EqualRgn(HRGN a, HRGN b) {
    const Region* x = regionOf(a);
    const Region* y = regionOf(b);
    if (!x || !y) return FALSE;
    return std::equal(x->rects.begin(), x->rects.end(), y->rects.begin(), y->rects.end(),
                      [](const RECT& p, const RECT& q) {
                          return p.left == q.left && p.top == q.top && p.right == q.right &&
                                 p.bottom == q.bottom;
                      })
               ? TRUE
               : FALSE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
    const Region* r = regionOf(region);
    if (!r) return FALSE;
    // Bands are sorted by top; the first rectangle that ends below y starts its band.
    auto it = std::partition_point(r->rects.begin(), r->rects.end(),
                                   [y](const RECT& q) { return q.bottom <= y; });
    for (; it != r->rects.end() && it->top <= y; ++it)
        if (x >= it->left && x < it->right) return TRUE;
    return FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
    const Region* r = regionOf(region);
    if (!r || !box) return ERROR;
    *box = r->bound;
    return complexity(*r);
}

namespace testing {
void setMaxRegionRectangles(int64_t count) { g_maxRects = count; }
}  // namespace testing

}  // namespace gdi
