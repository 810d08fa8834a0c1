// Our scan conversion of filled figures beside Qt's raster engine, the oracle of what the
// fills did before: random polygons in both fill modes at whole, half and arbitrary
// coordinates.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <random>

#include <gtest/gtest.h>

#include "platform/gdi/polygon_scan.h"

namespace gdi::test {
namespace {

constexpr int kSize = 61;

// Qt's aliased fill of the figures moved by half a pixel less 1/64.
std::vector<bool> qtCoverage(const std::vector<Figure>& figures, bool winding) {
    QPainterPath path;
    path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
    const double shift = 0.5 - 1.0 / 64;
    for (const Figure& f : figures) {
        path.moveTo(f[0].x + shift, f[0].y + shift);
        for (size_t i = 1; i < f.size(); ++i) path.lineTo(f[i].x + shift, f[i].y + shift);
        path.closeSubpath();
    }
    QImage image(kSize, kSize, QImage::Format_Alpha8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPath(path);
    }
    std::vector<bool> out;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out.push_back(image.constScanLine(y)[x] != 0);
    return out;
}

std::vector<bool> ourCoverage(const std::vector<Figure>& figures, bool winding) {
    std::vector<bool> out(size_t(kSize) * kSize);
    detail::PolygonScan scan(figures, winding, 0, kSize);
    scan.run([&](int y, int64_t x0, int64_t x1) {
        for (int64_t x = std::max<int64_t>(x0, 0); x < std::min<int64_t>(x1, kSize); ++x) out[size_t(y) * kSize + size_t(x)] = true;
    });
    return out;
}

TEST(PolygonScan, CoversThePixelsQtsRasterEngineCovers) {
    std::mt19937 random(11);
    // Whole pixels, halves, and thousandths.
    for (const double grain : {1.0, 0.5, 0.001}) {
        int64_t filled = 0, differ = 0;
        for (int n = 0; n < 200; ++n) {
            std::vector<Figure> figures(1 + random() % 2);
            const int corners = 3 + int(random() % 12);
            for (Figure& f : figures)
                for (int i = 0; i < corners; ++i)
                    f.push_back({grain * double(random() % int(60 / grain)), grain * double(random() % int(60 / grain))});
            const bool winding = random() % 2;
            const std::vector<bool> ours = ourCoverage(figures, winding), qt = qtCoverage(figures, winding);
            for (size_t i = 0; i < ours.size(); ++i) filled += qt[i], differ += ours[i] != qt[i];
        }
        // Qt works out crossings in 16.16 fixed point; ours are exact. They part only
        // where an edge passes within a few thousandths of a pixel's sample point.
        EXPECT_GT(filled, 100000) << grain;
        EXPECT_LE(differ * 20000, filled) << grain;
    }
}

TEST(PolygonScan, EdgesThroughSamplePointsFollowOneRule) {
    // A square whose sides pass exactly through sample points (x + 1/64): the left and top
    // sides leave their pixels out, the right and bottom sides take theirs in.
    const double e = 1.0 / 64;
    const std::vector<bool> square = ourCoverage({{{5 + e, 2 + e}, {15 + e, 2 + e}, {15 + e, 6 + e}, {5 + e, 6 + e}}}, false);
    const auto in = [&](int x, int y) { return bool(square[size_t(y) * kSize + size_t(x)]); };
    EXPECT_FALSE(in(5, 4));
    EXPECT_TRUE(in(6, 4));
    EXPECT_TRUE(in(15, 4));
    EXPECT_FALSE(in(16, 4));
    EXPECT_FALSE(in(10, 2));
    EXPECT_TRUE(in(10, 3));
    EXPECT_TRUE(in(10, 6));
    EXPECT_FALSE(in(10, 7));
    EXPECT_EQ(square, qtCoverage({{{5 + e, 2 + e}, {15 + e, 2 + e}, {15 + e, 6 + e}, {5 + e, 6 + e}}}, false));
}

TEST(PolygonScan, ACombOfAThousandEdgesFillsHalfItsBox) {
    // A comb of teeth 1,000 rows tall: every row has 1,000 crossings.
    Figure comb;
    for (int i = 0; i <= 1000; ++i) comb.push_back({i * 2.0, i % 2 ? 0.0 : 1000.0});
    int64_t covered = 0, runs = 0;
    detail::PolygonScan scan({comb}, false, 0, 1000);
    scan.run([&](int, int64_t x0, int64_t x1) { covered += x1 - x0, ++runs; });
    EXPECT_GT(runs, 400000);
    EXPECT_NEAR(double(covered), 1000.0 * 1000, 1000.0 * 10);
}

}  // namespace
}  // namespace gdi::test
