#pragma once
// A DC's clip: a set of device rectangles (none active: the whole surface). Shapes,
// curves and text consult it pixel by pixel or span by span.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi::detail {

struct ClipRects {
    bool active = false;
    std::vector<RECT> rects;  // disjoint when built by the operations below

    bool contains(int64_t x, int64_t y) const;
    // Whether every pixel of [l, r) x [t, b) passes.
    bool covers(int64_t l, int64_t t, int64_t r, int64_t b) const;
    // The parts of [x0, x1) on row y that lie inside the clip, left to right.
    void spans(int y, int x0, int x1, std::vector<std::pair<int, int>>& out) const;
    // Complexity for the clip functions' results: NULLREGION, SIMPLEREGION, COMPLEXREGION.
    int complexity() const;

    void intersect(const RECT& r);
    void exclude(const RECT& r, const RECT& surfaceBounds);
    void set(std::vector<RECT> rects);
    void reset() { active = false, rects.clear(); }
};

}  // namespace gdi::detail
