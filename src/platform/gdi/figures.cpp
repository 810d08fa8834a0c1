// Curves flattened into figures: ellipses, arcs, rounded rectangles and Bezier curves.
// Each curve gets enough vertices that no chord strays more than about a tenth of a
// pixel from it, within a bound that keeps hostile sizes cheap.

#include <algorithm>
#include <cmath>
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

Figure BezierFigure(const PointD* p, size_t count) {
    Figure f;
    if (count == 0) return f;
    f.push_back(p[0]);
    for (size_t i = 0; i + 3 < count; i += 3) {
        const PointD a = p[i], b = p[i + 1], c = p[i + 2], d = p[i + 3];
        const double length = std::hypot(b.x - a.x, b.y - a.y) + std::hypot(c.x - b.x, c.y - b.y) +
                              std::hypot(d.x - c.x, d.y - c.y);
        const int n = int(std::clamp(std::ceil(std::sqrt(std::max(0.0, length)) * 2), 1.0, 1024.0));
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, u = 1 - t;
            const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
            f.push_back({w0 * a.x + w1 * b.x + w2 * c.x + w3 * d.x,
                         w0 * a.y + w1 * b.y + w2 * c.y + w3 * d.y});
        }
    }
    return f;
}

}  // namespace gdi
