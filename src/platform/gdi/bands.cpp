// Band sets (see bands.h). Every operation walks its inputs' bands from the top at once:
// each stretch of rows where neither input changes gets one merge of the two span lists,
// so the work is the size of the inputs and the result, never their product.

#include "platform/gdi/bands.h"

#include <algorithm>
#include <limits>
#include <new>

#include "platform/gdi/regions.h"

namespace gdi::detail {

// Appends bands from the top down and keeps the form canonical: spans that meet join, a
// band without spans is dropped, and a band that continues the one above with the same
// spans extends it.
class BandWriter {
public:
    explicit BandWriter(Bands& out) : out_(out) {}

    // Spans of the band being written, from the left; they go straight into the set.
    void span(LONG left, LONG right) {
        std::vector<Bands::Span>& spans = out_.spans_;
        if (spans.size() > mark_ && spans.back().right >= left) {
            spans.back().right = std::max(spans.back().right, right);
            return;
        }
        spans.push_back({left, right});
    }

    // Spans in order that neither touch nor overlap one another; the first may join the
    // one written last.
    void spans(std::span<const Bands::Span> run) {
        if (run.empty()) return;
        span(run.front().left, run.front().right);
        out_.spans_.insert(out_.spans_.end(), run.begin() + 1, run.end());
    }

    void endBand(LONG top, LONG bottom) {
        std::vector<Bands::Span>& spans = out_.spans_;
        std::vector<Bands::Band>& bands = out_.bands_;
        const size_t n = spans.size() - mark_;
        if (n == 0 || top >= bottom) {
            spans.resize(mark_);
            return;
        }
        if (!bands.empty()) {
            Bands::Band& last = bands.back();
            const auto above = spans.begin() + last.first;
            if (last.bottom == top && last.count == n && std::equal(above, above + long(n), spans.begin() + long(mark_))) {
                last.bottom = bottom;
                spans.resize(mark_);
                return;
            }
        }
        if (spans.size() > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
        bands.push_back({top, bottom, uint32_t(mark_), uint32_t(n)});
        mark_ = spans.size();
    }

    // Whole bands of another set, [from, to), after the band being written ends; only the
    // first can continue the band above, the others already differ from their neighbours.
    void copy(const Bands& source, size_t from, size_t to) {
        if (from >= to) return;
        const Bands::Band& head = source.bands_[from];
        for (const Bands::Span& s : source.spans(head)) span(s.left, s.right);
        endBand(head.top, head.bottom);
        if (++from == to) return;
        std::vector<Bands::Span>& spans = out_.spans_;
        const size_t at = spans.size();
        const uint32_t skip = source.bands_[from].first;
        const Bands::Band& last = source.bands_[to - 1];
        if (at + (last.first + last.count - skip) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
        spans.insert(spans.end(), source.spans_.begin() + skip, source.spans_.begin() + (last.first + last.count));
        for (size_t k = from; k < to; ++k) {
            Bands::Band b = source.bands_[k];
            b.first = uint32_t(b.first - skip + at);
            out_.bands_.push_back(b);
        }
        mark_ = spans.size();
    }

    void finish() {
        const std::vector<Bands::Band>& bands = out_.bands_;
        if (bands.empty()) {
            out_.bound_ = {0, 0, 0, 0};
            return;
        }
        RECT b{std::numeric_limits<LONG>::max(), bands.front().top, std::numeric_limits<LONG>::min(),
               bands.back().bottom};
        for (const Bands::Band& band : bands) {
            b.left = std::min(b.left, out_.spans_[band.first].left);
            b.right = std::max(b.right, out_.spans_[band.first + band.count - 1].right);
        }
        out_.bound_ = b;
    }

private:
    Bands& out_;
    size_t mark_ = 0;
};

namespace {

using Span = Bands::Span;

bool keeps(Bands::Op op, bool inA, bool inB) {
    switch (op) {
    case Bands::Op::And: return inA && inB;
    case Bands::Op::Or: return inA || inB;
    case Bands::Op::Xor: return inA != inB;
    case Bands::Op::Diff: return inA && !inB;
    }
    return false;
}

// Edge k of a span list: the left edge of span k / 2 when k is even, else its right edge.
int64_t edge(std::span<const Span> s, size_t k) { return k % 2 ? s[k / 2].right : s[k / 2].left; }

// One row's spans of `a` op `b` into the writer, by a walk over both lists' edges.
void mergeSpans(std::span<const Span> a, std::span<const Span> b, Bands::Op op, BandWriter& out) {
    if (a.empty() || b.empty()) {
        const std::span<const Span> only = a.empty() ? b : a;
        if (keeps(op, !a.empty(), !b.empty())) out.spans(only);
        return;
    }
    constexpr int64_t kEnd = std::numeric_limits<int64_t>::max();
    const size_t na = 2 * a.size(), nb = 2 * b.size();
    size_t p = 0, q = 0;
    bool inA = false, inB = false, on = false;
    int64_t start = 0;
    const bool keepsA = keeps(op, true, false), keepsB = keeps(op, false, true), keepsBoth = keeps(op, true, true);
    // Runs of spans that lie wholly before the other list's next edge pass without the
    // edge walk: kept as they are, dropped, or (inside a span of the other list) with
    // the gaps between them kept instead.
    const auto runEnd = [](std::span<const Span> s, size_t from, int64_t limit) {
        while (from < s.size() && s[from].right < limit) ++from;
        return from;
    };
    while (p < na || q < nb) {
        if (!inA && !inB) {
            const int64_t nextA = p < na ? a[p / 2].left : kEnd, nextB = q < nb ? b[q / 2].left : kEnd;
            if (const size_t e = runEnd(a, p / 2, nextB); e > p / 2) {
                if (keepsA) out.spans(a.subspan(p / 2, e - p / 2));
                p = 2 * e;
                continue;
            }
            if (const size_t e = runEnd(b, q / 2, nextA); e > q / 2) {
                if (keepsB) out.spans(b.subspan(q / 2, e - q / 2));
                q = 2 * e;
                continue;
            }
        } else if (inA != inB) {
            const std::span<const Span> inner = inA ? b : a;
            size_t& k = inA ? q : p;
            const size_t e = runEnd(inner, k / 2, inA ? a[p / 2].right : b[q / 2].right);
            if (e > k / 2) {
                if (keepsBoth && !on) {
                    out.spans(inner.subspan(k / 2, e - k / 2));
                } else if (!keepsBoth && on) {
                    for (size_t i = k / 2; i < e; ++i) {
                        out.span(LONG(start), inner[i].left);
                        start = inner[i].right;
                    }
                }
                k = 2 * e;
                continue;
            }
        }
        const int64_t xa = p < na ? edge(a, p) : kEnd, xb = q < nb ? edge(b, q) : kEnd;
        const int64_t x = std::min(xa, xb);
        if (xa == x) inA = !inA, ++p;
        if (xb == x) inB = !inB, ++q;
        const bool now = keeps(op, inA, inB);
        if (now == on) continue;
        if (now) start = x;
        else out.span(LONG(start), LONG(x));
        on = now;
    }
}

}  // namespace

Bands::Bands(const RECT& r) {
    BandWriter w(*this);
    if (r.left < r.right) w.span(r.left, r.right);
    w.endBand(r.top, r.bottom);
    w.finish();
}

Bands Bands::fromRects(std::span<const RECT> input) {
    std::vector<RECT> rects;
    rects.reserve(input.size());
    for (const RECT& r : input)
        if (r.left < r.right && r.top < r.bottom) rects.push_back(r);
    std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) {
        return a.top != b.top ? a.top < b.top : a.bottom != b.bottom ? a.bottom < b.bottom : a.left < b.left;
    });
    // Rectangles over the same rows make one band each; the bands are then joined in
    // pairs, neighbours first, so that no step is larger than the result it builds.
    std::vector<Bands> level;
    for (size_t i = 0; i < rects.size();) {
        Bands& leaf = level.emplace_back();
        BandWriter w(leaf);
        const LONG top = rects[i].top, bottom = rects[i].bottom;
        for (; i < rects.size() && rects[i].top == top && rects[i].bottom == bottom; ++i)
            w.span(rects[i].left, rects[i].right);
        w.endBand(top, bottom);
        w.finish();
    }
    while (level.size() > 1) {
        std::vector<Bands> next;
        next.reserve((level.size() + 1) / 2);
        for (size_t i = 0; i + 1 < level.size(); i += 2) next.push_back(combine(level[i], level[i + 1], Op::Or));
        if (level.size() % 2) next.push_back(std::move(level.back()));
        level = std::move(next);
    }
    return level.empty() ? Bands{} : std::move(level.front());
}

Bands Bands::combine(const Bands& a, const Bands& b, Op op) {
    Bands out;
    BandWriter w(out);
    const std::vector<Band>&A = a.bands_, &B = b.bands_;
    constexpr int64_t kEnd = std::numeric_limits<int64_t>::max();
    size_t i = 0, j = 0;
    int64_t y = std::numeric_limits<int64_t>::min();
    while (i < A.size() || j < B.size()) {
        const Band* pa = i < A.size() ? &A[i] : nullptr;
        const Band* pb = j < B.size() ? &B[j] : nullptr;
        const int64_t aTop = pa ? std::max<int64_t>(pa->top, y) : kEnd;
        const int64_t bTop = pb ? std::max<int64_t>(pb->top, y) : kEnd;
        const int64_t top = std::min(aTop, bTop);
        const bool inA = aTop == top, inB = bTop == top;
        // The rows up to the next place where either input starts or ends a band.
        const int64_t bottom = std::min(inA ? int64_t{pa->bottom} : aTop, inB ? int64_t{pb->bottom} : bTop);
        const bool rowsCanHold = op == Op::And ? inA && inB : op == Op::Diff ? inA : inA || inB;
        if (rowsCanHold) {
            mergeSpans(inA ? a.spans(*pa) : std::span<const Span>{}, inB ? b.spans(*pb) : std::span<const Span>{},
                       op, w);
            w.endBand(LONG(top), LONG(bottom));
        }
        y = bottom;
        if (inA && pa->bottom == bottom) ++i;
        if (inB && pb->bottom == bottom) ++j;
        // Up to where the other input next starts, the rest of one input's bands come out
        // unchanged (or not at all): copied whole, not span by span.
        if (inA != inB && op != Op::And && (inA || op != Op::Diff)) {
            const std::vector<Band>& own = inA ? A : B;
            size_t& k = inA ? i : j;
            const int64_t otherTop = inA ? (j < B.size() ? int64_t{B[j].top} : kEnd) : (i < A.size() ? int64_t{A[i].top} : kEnd);
            size_t end = k;
            while (end < own.size() && own[end].bottom <= otherTop) ++end;
            if (end > k) {
                w.copy(inA ? a : b, k, end);
                y = own[end - 1].bottom;
                k = end;
            }
        }
    }
    w.finish();
    return out;
}

std::optional<Bands> Bands::offset(int64_t dx, int64_t dy) const {
    constexpr int64_t lo = std::numeric_limits<LONG>::min(), hi = std::numeric_limits<LONG>::max();
    if (empty()) return *this;
    const RECT& b = bound_;
    if (b.left + dx < lo || b.right + dx > hi || b.top + dy < lo || b.bottom + dy > hi) return std::nullopt;
    Bands moved = *this;
    for (Band& band : moved.bands_) band.top = LONG(band.top + dy), band.bottom = LONG(band.bottom + dy);
    for (Span& s : moved.spans_) s.left = LONG(s.left + dx), s.right = LONG(s.right + dx);
    moved.bound_ = {LONG(b.left + dx), LONG(b.top + dy), LONG(b.right + dx), LONG(b.bottom + dy)};
    return moved;
}

int Bands::complexity() const {
    return empty() ? NULLREGION : spans_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

const Bands::Band* Bands::bandAt(int64_t y) const {
    const auto it = std::partition_point(bands_.begin(), bands_.end(), [y](const Band& b) { return b.bottom <= y; });
    return it != bands_.end() && it->top <= y ? &*it : nullptr;
}

bool Bands::contains(int64_t x, int64_t y) const {
    const Band* band = bandAt(y);
    if (!band) return false;
    const std::span<const Span> s = spans(*band);
    const auto it = std::partition_point(s.begin(), s.end(), [x](const Span& v) { return v.right <= x; });
    return it != s.end() && it->left <= x;
}

bool Bands::covers(int64_t l, int64_t t, int64_t r, int64_t b) const {
    if (l >= r || t >= b) return true;
    auto band = std::partition_point(bands_.begin(), bands_.end(), [t](const Band& v) { return v.bottom <= t; });
    for (int64_t y = t; y < b; y = band->bottom, ++band) {
        if (band == bands_.end() || band->top > y) return false;
        const std::span<const Span> s = spans(*band);
        const auto it = std::partition_point(s.begin(), s.end(), [l](const Span& v) { return v.right <= l; });
        if (it == s.end() || it->left > l || it->right < r) return false;
    }
    return true;
}

void Bands::rowSpans(int64_t y, int64_t x0, int64_t x1, std::vector<std::pair<int, int>>& out) const {
    out.clear();
    const Band* band = x0 < x1 ? bandAt(y) : nullptr;
    if (!band) return;
    const std::span<const Span> s = spans(*band);
    auto it = std::partition_point(s.begin(), s.end(), [x0](const Span& v) { return v.right <= x0; });
    for (; it != s.end() && it->left < x1; ++it)
        out.emplace_back(int(std::max<int64_t>(x0, it->left)), int(std::min<int64_t>(x1, it->right)));
}

}  // namespace gdi::detail
