#include "platform/gdi/polygon_scan.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/division.h"

namespace gdi::detail {

namespace {

// Half a pixel less 1/64: the sample point of a pixel, in 64ths, lies 32 past its
// corner after this shift.
constexpr double kCentreShift = 0.5 - 1.0 / 64;

int64_t fixed(double v) { return std::llround((v + kCentreShift) * 64); }

}  // namespace

PolygonScan::PolygonScan(const std::vector<Figure>& figures, bool winding, int top, int bottom)
    : winding_(winding), top_(top), bottom_(bottom) {
    for (const Figure& f : figures) {
        if (f.size() < 3) continue;
        for (size_t i = 0; i < f.size(); ++i) {
            int64_t xa = fixed(f[i].x), ya = fixed(f[i].y);
            const PointD& next = f[i + 1 < f.size() ? i + 1 : 0];
            int64_t xb = fixed(next.x), yb = fixed(next.y);
            if (ya == yb) continue;
            int direction = 1;
            if (ya > yb) std::swap(xa, xb), std::swap(ya, yb), direction = -1;
            // Rows whose sample 64 y + 32, nudged up, lies in [ya, yb): ya < 64 y + 32 <= yb.
            const int64_t first = int64_t(floorDiv(ya - 32, 64)) + 1, last = int64_t(floorDiv(yb - 32, 64)) + 1;
            const int rowTop = int(std::max<int64_t>(first, top)), rowBottom = int(std::min<int64_t>(last, bottom));
            if (rowTop >= rowBottom) continue;
            // The crossing on row y lies at n / d with d = yb - ya and
            // n = xa d + (64 y + 32 - ya)(xb - xa); the first pixel right of it, nudged left,
            // is floor((n - 32 d) / 64 d) + 1. Each row adds 64 (xb - xa) to n.
            const int64_t d = yb - ya, dx = xb - xa;
            const __int128 n = __int128(xa) * d + __int128(64 * int64_t{rowTop} + 32 - ya) * dx - 32 * __int128(d);
            const __int128 big = 64 * __int128(d);
            const __int128 q = floorDiv(n, big), step = 64 * __int128(dx);
            const __int128 stepQ = floorDiv(step, big);
            Edge e;
            e.top = rowTop, e.bottom = rowBottom, e.direction = direction;
            e.denominator = int64_t(big);
            e.x = int64_t(q) + 1, e.rest = int64_t(n - q * big);
            e.stepX = int64_t(stepQ), e.stepRest = int64_t(step - stepQ * big);
            edges_.push_back(e);
        }
    }
    std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.top < b.top; });
}

void PolygonScan::crossings(int y) {
    // Edges that ended leave; those that begin on this row join.
    active_.erase(std::remove_if(active_.begin(), active_.end(), [y](const Edge* e) { return e->bottom <= y; }),
                  active_.end());
    while (next_ < edges_.size() && edges_[next_].top <= y) active_.push_back(&edges_[next_++]);
    // Edges that do not cross keep their order from row to row: sorting is then a check.
    const auto left = [](const Edge* a, const Edge* b) { return a->x < b->x; };
    if (!std::is_sorted(active_.begin(), active_.end(), left)) std::sort(active_.begin(), active_.end(), left);
    row_.clear();
    for (Edge* e : active_) {
        row_.push_back({e->x, e->direction});
        e->x += e->stepX;
        e->rest += e->stepRest;
        if (e->rest >= e->denominator) e->rest -= e->denominator, ++e->x;
    }
}

}  // namespace gdi::detail
