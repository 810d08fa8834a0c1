// Curves flattened into figures: ellipses, arcs, rounded rectangles and Bezier curves.
// Each curve gets enough vertices that no chord strays more than about a tenth of a
// pixel from it, within bounds that keep hostile sizes cheap.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/gdi/device_drawing.h"

namespace gdi {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMaxSegments = 4096;

// Segments for a sweep of `angle` radians on an ellipse of these radii.
int segmentsFor(double rx, double ry, double angle) {
    const double r = std::max(std::fabs(rx), std::fabs(ry));
    if (!(r > 0.5)) return std::max(1, int(std::ceil(angle / (kPi / 2))));
    // A chord of angle a deviates r (1 - cos(a/2)) from the arc; keep that below 0.1.
    const double step = 2 * std::acos(std::max(-1.0, 1 - 0.1 / r));
    const double n = std::ceil(angle / step);
    return int(std::clamp(n, 4.0, double(kMaxSegments)));
}

void appendArc(Figure& f, double cx, double cy, double rx, double ry, double from, double sweep) {
    const int n = segmentsFor(rx, ry, std::fabs(sweep));
    for (int i = 0; i <= n; ++i) {
        const double t = from + sweep * i / n;
        f.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
}

// The ellipse's parameter of the point where the radial towards p meets it.
double radialAngle(double cx, double cy, double rx, double ry, PointD p) {
    const double dx = p.x - cx, dy = p.y - cy;
    if (dx == 0 && dy == 0) return 0;
    return std::atan2(-dy * std::fabs(rx), dx * std::fabs(ry));
}

}  // namespace

Figure EllipseFigure(double left, double top, double right, double bottom) {
    Figure f;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    appendArc(f, cx, cy, (right - left) / 2, (bottom - top) / 2, 0, -2 * kPi);
    f.pop_back();  // the closing point repeats the first
    return f;
}

Figure ArcFigure(double left, double top, double right, double bottom, PointD start, PointD end,
                 ArcKind kind) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double rx = std::fabs(right - left) / 2, ry = std::fabs(bottom - top) / 2;
    const double a0 = radialAngle(cx, cy, rx, ry, start);
    double a1 = radialAngle(cx, cy, rx, ry, end);
    while (a1 <= a0) a1 += 2 * kPi;  // the same radial twice draws the whole ellipse
    Figure f;
    appendArc(f, cx, cy, rx, ry, a0, a1 - a0);
    if (kind == ArcKind::Pie) f.push_back({cx, cy});
    return f;
}

Figure RoundRectFigure(double left, double top, double right, double bottom, double width,
                       double height) {
    const double l = std::min(left, right), r = std::max(left, right);
    const double t = std::min(top, bottom), b = std::max(top, bottom);
    const double rx = std::min(std::fabs(width) / 2, (r - l) / 2);
    const double ry = std::min(std::fabs(height) / 2, (b - t) / 2);
    Figure f;
    appendArc(f, r - rx, t + ry, rx, ry, 0, kPi / 2);
    appendArc(f, l + rx, t + ry, rx, ry, kPi / 2, kPi / 2);
    appendArc(f, l + rx, b - ry, rx, ry, kPi, kPi / 2);
    appendArc(f, r - rx, b - ry, rx, ry, 3 * kPi / 2, kPi / 2);
    return f;
}

namespace {

struct Cubic {
    PointD a, b, c, d;
};

// Longest control polygon of a piece that still crosses the window and is split no more:
// at most 2 sqrt(256) = 32 segments.
constexpr double kSplitLength = 256;
// Halvings of a curve at most: 2^40 takes any coordinate the mappings make to pixels.
constexpr int kMaxSplits = 40;

double controlLength(const Cubic& q) {
    return std::hypot(q.b.x - q.a.x, q.b.y - q.a.y) + std::hypot(q.c.x - q.b.x, q.c.y - q.b.y) +
           std::hypot(q.d.x - q.c.x, q.d.y - q.c.y);
}

int uniformSegments(double length) {
    return int(std::clamp(std::ceil(std::sqrt(std::max(0.0, length)) * 2), 1.0, 1024.0));
}

enum class Place { Outside, Inside, Across };

Place place(const Cubic& q, const CurveWindow& w) {
    const double x0 = std::min({q.a.x, q.b.x, q.c.x, q.d.x}), x1 = std::max({q.a.x, q.b.x, q.c.x, q.d.x});
    const double y0 = std::min({q.a.y, q.b.y, q.c.y, q.d.y}), y1 = std::max({q.a.y, q.b.y, q.c.y, q.d.y});
    if (x1 < w.left || x0 > w.right || y1 < w.top || y0 > w.bottom) return Place::Outside;
    if (x0 >= w.left && x1 <= w.right && y0 >= w.top && y1 <= w.bottom) return Place::Inside;
    return Place::Across;
}

bool finite(const Cubic& q) {
    for (const PointD& p : {q.a, q.b, q.c, q.d})
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    return true;
}

PointD mid(PointD p, PointD q) { return {(p.x + q.x) / 2, (p.y + q.y) / 2}; }

// Calls visit(piece, segments) for the pieces of q in order; 0 segments: the chord.
template <class Visit>
void visitPieces(const Cubic& q, const CurveWindow& w, int splits, Visit& visit) {
    if (!finite(q)) return visit(q, 1);  // drawn as nothing by the callers
    const Place where = place(q, w);
    if (where == Place::Outside) return visit(q, 0);
    const double length = controlLength(q);
    if (where == Place::Inside || splits == 0 || length <= kSplitLength) return visit(q, uniformSegments(length));
    // Halves by de Casteljau at t = 1/2.
    const PointD ab = mid(q.a, q.b), bc = mid(q.b, q.c), cd = mid(q.c, q.d);
    const PointD abc = mid(ab, bc), bcd = mid(bc, cd), centre = mid(abc, bcd);
    visitPieces(Cubic{q.a, ab, abc, centre}, w, splits - 1, visit);
    visitPieces(Cubic{centre, bcd, cd, q.d}, w, splits - 1, visit);
}

// Vertices the pieces make at this many splits.
size_t countVertices(const PointD* p, size_t count, const CurveWindow& w, int splits) {
    size_t total = 0;
    auto add = [&](const Cubic&, int segments) { total += size_t(std::max(1, segments)); };
    for (size_t i = 0; i + 3 < count; i += 3) visitPieces(Cubic{p[i], p[i + 1], p[i + 2], p[i + 3]}, w, splits, add);
    return total;
}

// Appends the vertices of the pieces at this many splits, each piece's segments scaled by
// `thinning`. False, with f left part-way, once f holds more than `limit` after its first.
bool appendPieces(Figure& f, const PointD* p, size_t count, const CurveWindow& w, int splits, double thinning,
                  size_t limit) {
    const auto over = [&] { return f.size() - 1 > limit; };
    auto emit = [&](const Cubic& q, int segments) {
        if (over()) return;
        if (segments == 0) return f.push_back(q.d);
        const int n = std::max(1, int(segments * thinning));
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, u = 1 - t;
            const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
            f.push_back({w0 * q.a.x + w1 * q.b.x + w2 * q.c.x + w3 * q.d.x,
                         w0 * q.a.y + w1 * q.b.y + w2 * q.c.y + w3 * q.d.y});
        }
    };
    for (size_t i = 0; i + 3 < count && !over(); i += 3) visitPieces(Cubic{p[i], p[i + 1], p[i + 2], p[i + 3]}, w, splits, emit);
    return !over();
}

}  // namespace

Figure BezierFigure(const PointD* p, size_t count, const CurveWindow& window, size_t maxPoints) {
    Figure f;
    if (count == 0) return f;
    f.push_back(p[0]);
    if (appendPieces(f, p, count, window, kMaxSplits, 1, maxPoints)) return f;
    // Too many: no splits, and when even that is too many, fewer segments for each piece.
    const size_t whole = countVertices(p, count, window, 0);
    const double thinning = whole > maxPoints ? double(maxPoints) / double(whole) : 1;
    f.resize(1);
    appendPieces(f, p, count, window, 0, thinning, SIZE_MAX);
    return f;
}

}  // namespace gdi
