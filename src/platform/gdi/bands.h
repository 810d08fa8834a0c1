#pragma once
// Sets of pixels in the form the platform keeps its regions: bands of rows from the top,
// each a run of rows [top, bottom) over the same sorted x-spans [left, right).
//
// The form is canonical: no band is empty, bands do not overlap, spans within a band
// neither overlap nor touch, and two bands that meet never hold the same spans. So two
// sets of the same pixels are equal member by member, and a set's size follows its shape
// rather than the operations that made it (a clip with 300 strips cut out each way is
// about 300 bands of about 300 spans, whatever order the cuts came in).
//
// A set never changes once built: operations make new sets, so the regions, clips and
// saved drawing states that hold one can share it.

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/regions.h"

namespace gdi::detail {

class Bands {
public:
    struct Span {
        LONG left, right;
        bool operator==(const Span&) const = default;
    };
    struct Band {
        LONG top, bottom;
        uint32_t first, count;  // its spans in spans()
        bool operator==(const Band&) const = default;
    };
    enum class Op { And, Or, Xor, Diff };

    Bands() = default;  // no pixels
    explicit Bands(const RECT& r);  // swapped edges give no pixels
    // Rectangles in any order, overlapping as they like; empty ones add nothing.
    static Bands fromRects(std::span<const RECT> rects);
    static Bands combine(const Bands& a, const Bands& b, Op op);
    // Moved; none when a coordinate would leave the 32-bit range.
    std::optional<Bands> offset(int64_t dx, int64_t dy) const;

    bool empty() const { return bands_.empty(); }
    std::span<const Band> bands() const { return bands_; }
    std::span<const Span> spans(const Band& b) const { return {spans_.data() + b.first, b.count}; }
    // Spans over all bands: the rectangles of the platform's region data.
    size_t rectCount() const { return spans_.size(); }
    RECT bound() const { return bound_; }  // zeros when empty
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int complexity() const;
    // What the set holds in memory.
    size_t bytes() const { return sizeof(*this) + bands_.capacity() * sizeof(Band) + spans_.capacity() * sizeof(Span); }

    bool contains(int64_t x, int64_t y) const;
    // Whether every pixel of [l, r) x [t, b) is in the set (an empty area is).
    bool covers(int64_t l, int64_t t, int64_t r, int64_t b) const;
    // The parts of [x0, x1) on row y in the set, left to right.
    void rowSpans(int64_t y, int64_t x0, int64_t x1, std::vector<std::pair<int, int>>& out) const;

    bool operator==(const Bands& o) const { return bands_ == o.bands_ && spans_ == o.spans_; }

private:
    friend class BandWriter;
    // The band holding row y, or nullptr.
    const Band* bandAt(int64_t y) const;

    std::vector<Band> bands_;
    std::vector<Span> spans_;
    RECT bound_{0, 0, 0, 0};
};

// The operation of a region combining mode, RGN_AND .. RGN_DIFF.
constexpr Bands::Op regionOp(int mode) {
    constexpr Bands::Op ops[] = {Bands::Op::And, Bands::Op::Or, Bands::Op::Xor, Bands::Op::Diff};
    return ops[mode - RGN_AND];
}

}  // namespace gdi::detail
