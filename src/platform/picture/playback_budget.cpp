#include "platform/picture/playback_budget.h"

#include <algorithm>
#include <cmath>

namespace picture::detail {

using namespace gdi;

namespace {

constexpr int64_t kPerTargetPixel = 256, kLeastTargetPixels = 256 * 256;
constexpr double kFillPixelsPerUnit = 8, kPerEdgeRow = 16, kPerPenPixel = 2, kPerBrushPixel = 4, kPerBrushRow = 8;
constexpr double kPerText = 8192, kPerCharacter = 256, kPerTextPixel = 2;

// The part of the segment a-b inside the rectangle, as parameters [t0, t1] along it;
// t0 > t1 when it misses.
std::pair<double, double> clipped(PointD a, PointD b, double l, double t, double r, double bottom) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    for (const auto& [p, q] : {std::pair{-dx, a.x - l}, {dx, r - a.x}, {-dy, a.y - t}, {dy, bottom - a.y}}) {
        if (p == 0) {
            if (q < 0) return {1, 0};
        } else if (p < 0) {
            t0 = std::max(t0, q / p);
        } else {
            t1 = std::min(t1, q / p);
        }
    }
    return {t0, t1};
}

}  // namespace

PlaybackBudget::PlaybackBudget(const RECT& target) : target_(target) {
    const int64_t pixels = int64_t{target.right - target.left} * (target.bottom - target.top);
    left_ = kPerTargetPixel * std::max(pixels, kLeastTargetPixels);
}

bool PlaybackBudget::take(double units) {
    if (!(units <= double(left_))) return false;  // NaN too
    left_ -= int64_t(units);
    return true;
}

double PlaybackBudget::area(double l, double t, double r, double b) const {
    const double w = std::min<double>(r, target_.right) - std::max<double>(l, target_.left);
    const double h = std::min<double>(b, target_.bottom) - std::max<double>(t, target_.top);
    return w > 0 && h > 0 ? w * h : 0;
}

double PlaybackBudget::figures(const std::vector<Figure>& figures, bool closed, bool filled, int penWidth) const {
    const double tw = target_.right - target_.left, th = target_.bottom - target_.top;
    const double w = penWidth;
    double units = kPerCall, x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const Figure& f : figures) {
        units += vertices(f.size());
        const size_t n = f.size();
        const size_t segments = n < 2 ? 0 : (closed || filled) ? n : n - 1;
        for (size_t i = 0; i < n; ++i) {
            x0 = std::min(x0, f[i].x), x1 = std::max(x1, f[i].x);
            y0 = std::min(y0, f[i].y), y1 = std::max(y1, f[i].y);
        }
        for (size_t i = 0; i < segments; ++i) {
            const PointD a = f[i], b = f[(i + 1) % n];
            if (filled) {
                // Rows the edge crosses within the target.
                const double top = std::max<double>(std::min(a.y, b.y), target_.top);
                const double bottom = std::min<double>(std::max(a.y, b.y), target_.bottom);
                units += kPerEdgeRow * std::max(0.0, bottom - top);
            }
            if (penWidth <= 0) continue;
            // The pixels the pen walks: the segment within the target grown by the width.
            const auto [t0, t1] = clipped(a, b, target_.left - w, target_.top - w, target_.right + w, target_.bottom + w);
            if (!(t0 <= t1)) continue;
            const double dx = std::fabs(b.x - a.x) * (t1 - t0), dy = std::fabs(b.y - a.y) * (t1 - t0);
            const double along = std::max(dx, dy) + 1;
            if (penWidth == 1) units += kPerPenPixel * along;
            else units += kPerBrushPixel * along * std::min(w, dx >= dy ? th : tw) + kPerBrushRow * std::min(dy + w, th);
        }
    }
    if (filled) units += area(x0, y0, x1 + 1, y1 + 1) / kFillPixelsPerUnit;
    return units;
}

double PlaybackBudget::text(double boxWidth, double boxHeight, size_t characters, double glyphSide) const {
    const double whole = area(target_.left, target_.top, target_.right, target_.bottom);
    const auto within = [whole](double pixels) { return pixels <= whole ? pixels : whole; };
    // The box is cleared and blended once; each glyph is filled over its own square, and
    // glyphs set closer than their size fill the same pixels again.
    const double pixels = within(boxWidth * boxHeight) + double(characters) * within(glyphSide * glyphSide);
    return kPerText + kPerCharacter * double(characters) + kPerTextPixel * pixels;
}

double PlaybackBudget::blit(const RECT& d) const {
    return kPerCall + area(std::min(d.left, d.right), std::min(d.top, d.bottom), std::max(d.left, d.right),
                           std::max(d.top, d.bottom));
}

}  // namespace picture::detail
