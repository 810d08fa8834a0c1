// Curves flattened for the window they can show in: Bezier pieces outside it become
// chords, pieces inside keep their vertices, and hostile curves stay within a bound.

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/gdi.h"
#include "canvas.h"

namespace gdi::test {
namespace {

constexpr uint32_t kUntouched = 0xFF123456;

PointD at(const PointD* q, double t) {
    const double u = 1 - t;
    return {u * u * u * q[0].x + 3 * u * u * t * q[1].x + 3 * u * t * t * q[2].x + t * t * t * q[3].x,
            u * u * u * q[0].y + 3 * u * u * t * q[1].y + 3 * u * t * t * q[2].y + t * t * t * q[3].y};
}

// The pixels of a one-pixel black stroke along the figure.
std::vector<uint32_t> stroked(const Figure& f, int size) {
    Canvas c(size, size, 32);
    c.fill(kUntouched);
    EXPECT_TRUE(StrokeFigures(c.dc(), {f}, false));
    std::vector<uint32_t> out;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) out.push_back(c.at(x, y));
    return out;
}

TEST(Beziers, ACurveOutsideTheWindowIsItsChord) {
    const CurveWindow window{0, 0, 100, 100};
    // All control points left of the window, and all below it.
    for (const auto& q : {std::vector<PointD>{{-10, 0}, {-5000, 300}, {-9000, -700}, {-20, 90}},
                          std::vector<PointD>{{0, 101}, {50, 9000}, {90, 4000}, {100, 150}}}) {
        const Figure f = BezierFigure(q.data(), q.size(), window);
        ASSERT_EQ(f.size(), 2u);
        EXPECT_EQ(f[1].x, q[3].x);
        EXPECT_EQ(f[1].y, q[3].y);
    }
}

TEST(Beziers, ACurveAcrossTheWindowIsDrawnThereAsFinelyAsAFineFlattening) {
    // Control points some 20,000 pixels away; the curve crosses the 100 x 100 window.
    const PointD q[] = {{-14841, -14531}, {-18109, -21841}, {15462, 14697}, {-8674, -6810}};
    Figure fine;
    for (int k = 0; k <= 200000; ++k) fine.push_back(at(q, k / 200000.0));
    const std::vector<uint32_t> reference = stroked(fine, 100);
    const Figure f = BezierFigure(q, 4, CurveWindow{-2, -2, 102, 102});
    EXPECT_LT(f.size(), 400u);
    const std::vector<uint32_t> ours = stroked(f, 100);
    // Vertices round to pixels, so the strokes may run a pixel apart, never more.
    const auto strays = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                if (a[size_t(y) * 100 + x] == kUntouched) continue;
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int u = x + dx, v = y + dy;
                        near = near || (u >= 0 && v >= 0 && u < 100 && v < 100 && b[size_t(v) * 100 + u] != kUntouched);
                    }
                n += !near;
            }
        return n;
    };
    EXPECT_GT(100 * 100 - std::count(reference.begin(), reference.end(), kUntouched), 100);
    EXPECT_EQ(strays(ours, reference), 0);
    EXPECT_EQ(strays(reference, ours), 0);
}

TEST(Beziers, AClosedCurveFarAroundTheWindowFillsAllOfIt) {
    // A circle of radius 10^6 around the window's centre, from four quarter curves.
    const double r = 1e6, k = 0.5523 * r, cx = 32, cy = 32;
    const PointD q[] = {{cx + r, cy},     {cx + r, cy - k}, {cx + k, cy - r}, {cx, cy - r},
                        {cx - k, cy - r}, {cx - r, cy - k}, {cx - r, cy},     {cx - r, cy + k},
                        {cx - k, cy + r}, {cx, cy + r},     {cx + k, cy + r}, {cx + r, cy + k},
                        {cx + r, cy}};
    const Figure f = BezierFigure(q, 13, CurveWindow{-2, -2, 66, 66});
    EXPECT_LT(f.size(), 40u);
    Canvas c(64, 64, 32);
    c.fill(kUntouched);
    Selected brush(c.dc(), CreateSolidBrush(RGB(0, 0, 255)));
    ASSERT_TRUE(FillFigures(c.dc(), {f}, ALTERNATE));
    int filled = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) filled += c.at(x, y) == 0x000000FFu;
    EXPECT_EQ(filled, 64 * 64);
}

TEST(Beziers, ManyCurvesAcrossTheWindowStayWithinThePointBound) {
    // 3,000 curves swinging far out and back through a 100 x 100 window, then one inside.
    Figure q{{50, 50}};
    for (int i = 0; i < 3000; ++i) {
        const double s = (i % 2 ? 1 : -1) * (20000 + i);
        q.insert(q.end(), {{s, -s}, {-s, s}, {50.0 + i % 7, 50}});
    }
    q.insert(q.end(), {{10, 10}, {90, 10}, {90, 90}});
    const size_t bound = 20000;
    const Figure f = BezierFigure(q.data(), q.size(), CurveWindow{0, 0, 100, 100}, bound);
    EXPECT_LE(f.size(), bound + 3001 + 1);
    EXPECT_GT(f.size(), 3001u);
    EXPECT_EQ(f.back().x, 90);
    EXPECT_EQ(f.back().y, 90);
}

TEST(Beziers, PolyBezierDrawsWhatAWidePenReachesFromOutside) {
    // The curve lies wholly above the surface; the pen's 10 pixels reach rows 0 to 3.
    Canvas c(50, 20, 32);
    c.fill(kUntouched);
    Selected pen(c.dc(), CreatePen(PS_SOLID, 21, RGB(255, 0, 0)));
    const POINT q[] = {{0, -20}, {10, -2}, {40, -2}, {50, -20}};
    ASSERT_TRUE(PolyBezier(c.dc(), q, 4));
    EXPECT_EQ(c.at(25, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(c.at(25, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(c.at(25, 10), kUntouched);
}

}  // namespace
}  // namespace gdi::test
