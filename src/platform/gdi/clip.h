#pragma once
// A DC's clip: a band set shared with whoever else holds it (a region, a saved drawing
// state of the metafile player), or none: the whole surface. Shapes, curves and text
// consult it pixel by pixel or span by span. Changing it makes a new set, so the other
// holders keep the one they had.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gdi/bands.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/regions.h"

namespace gdi::detail {

class Clip {
public:
    using Shared = std::shared_ptr<const Bands>;

    bool active() const { return bool(bands_); }
    const Shared& bands() const { return bands_; }

    bool contains(int64_t x, int64_t y) const { return !bands_ || bands_->contains(x, y); }
    // Whether every pixel of [l, r) x [t, b) passes.
    bool covers(int64_t l, int64_t t, int64_t r, int64_t b) const { return !bands_ || bands_->covers(l, t, r, b); }
    // The parts of [x0, x1) on row y that lie inside the clip, left to right.
    void spans(int y, int x0, int x1, std::vector<std::pair<int, int>>& out) const;
    // For the clip functions' results: NULLREGION, SIMPLEREGION, COMPLEXREGION.
    int complexity() const { return bands_ ? bands_->complexity() : SIMPLEREGION; }

    void set(Shared bands) { bands_ = std::move(bands); }
    void reset() { bands_.reset(); }
    // The clip becomes itself `op` `other`. No clip counts as `whole` (intersecting with
    // no clip gives `other` itself).
    void combine(const Bands& other, Bands::Op op, const RECT& whole);

private:
    Shared bands_;
};

struct Dc;
// The pixels of the DC's surface, (0, 0, width, height); `otherwise` when it has none.
RECT surfaceBounds(const Dc& dc, const RECT& otherwise = RECT{});

}  // namespace gdi::detail
