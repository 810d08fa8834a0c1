// Drawing: compositing onto 32 and 24 bpp, nearest and bicubic scaling (against a plain
// double-precision model), the shrinking prefilter, mirroring, the colour matrix, world
// transforms and clipping.

#include <cmath>
#include <random>

#include "gdiplus_support.h"
#include "platform/gdi/gdi.h"

using namespace gdiplustest;

namespace {

class Drawing : public GdiplusTest {};

Pixels randomPixels(int w, int h, unsigned seed, bool translucent) {
    std::mt19937 rng(seed);
    Pixels p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t a = translucent ? uint8_t(rng() % 256) : 255;
            auto c = [&] { return uint8_t(a ? rng() % (a + 1u) : 0); };
            p.set(x, y, {c(), c(), c(), a});
        }
    return p;
}

Status drawScaled(GpGraphics* g, GpImage* image, int x, int y, int w, int h, InterpolationMode mode) {
    EXPECT_EQ(GdipSetInterpolationMode(g, mode), Ok);
    return GdipDrawImageRectI(g, image, x, y, w, h);
}

// Catmull-Rom resampling of one channel the plain way: doubles, the kernel widened by the
// shrink factor, edge pixels repeated.
std::vector<double> modelResample(const Pixels& p, int dw, int dh, int channel) {
    auto cubic = [](double t) {
        t = std::fabs(t);
        if (t < 1) return 1.5 * t * t * t - 2.5 * t * t + 1;
        if (t < 2) return -0.5 * t * t * t + 2.5 * t * t - 4 * t + 2;
        return 0.0;
    };
    auto weights = [&](int src, int dst, int i) {
        const double scale = double(src) / dst, widen = std::max(1.0, scale), centre = (i + 0.5) * scale;
        std::vector<double> w(size_t(src), 0.0);
        double sum = 0;
        for (int j = int(centre - 3 * widen) - 1; j <= int(centre + 3 * widen) + 1; ++j) {
            const double k = cubic((j + 0.5 - centre) / widen);
            w[size_t(std::clamp(j, 0, src - 1))] += k;
            sum += k;
        }
        for (double& v : w) v /= sum;
        return w;
    };
    std::vector<double> out(size_t(dw) * size_t(dh));
    for (int y = 0; y < dh; ++y) {
        const std::vector<double> wy = weights(p.height, dh, y);
        for (int x = 0; x < dw; ++x) {
            const std::vector<double> wx = weights(p.width, dw, x);
            double v = 0;
            for (int sy = 0; sy < p.height; ++sy)
                for (int sx = 0; sx < p.width; ++sx) {
                    const Px px = p.get(sx, sy);
                    const uint8_t values[4] = {px.b, px.g, px.r, px.a};
                    v += wy[size_t(sy)] * wx[size_t(sx)] * values[channel];
                }
            out[size_t(y) * size_t(dw) + size_t(x)] = v;
        }
    }
    return out;
}

TEST_F(Drawing, SourceOverOnto32AndColourOnlyOnto24) {
    Pixels p(2, 1);
    p.set(0, 0, opaque(200, 100, 50));
    p.set(1, 0, {20, 40, 60, 128});  // premultiplied
    Image image = viewOf(p);
    for (int bpp : {32, 24}) {
        Canvas canvas(4, 2, bpp);
        canvas.fill({100, 100, 100, 200});
        Graphics g(canvas.dc());
        ASSERT_EQ(drawScaled(g.get(), image.get(), 1, 1, 2, 1, InterpolationModeNearestNeighbor), Ok);
        EXPECT_EQ(canvas.get(0, 0), (Px{100, 100, 100, uint8_t(bpp == 32 ? 200 : 0)})) << "untouched";
        EXPECT_EQ(canvas.get(1, 1), (Px{50, 100, 200, uint8_t(bpp == 32 ? 255 : 0)}));
        // s + d x (255 - 128) / 255, rounded
        const uint8_t keep = uint8_t(std::lrint(100 * 127 / 255.0));
        const Px blended = canvas.get(2, 1);
        EXPECT_EQ(blended.b, 20 + keep);
        EXPECT_EQ(blended.g, 40 + keep);
        EXPECT_EQ(blended.r, 60 + keep);
        if (bpp == 32) EXPECT_EQ(blended.a, 128 + std::lrint(200 * 127 / 255.0));
    }
}

TEST_F(Drawing, NearestNeighbourAndMirrors) {
    Pixels p(2, 2);
    p.set(0, 0, opaque(1, 0, 0)), p.set(1, 0, opaque(2, 0, 0));
    p.set(0, 1, opaque(3, 0, 0)), p.set(1, 1, opaque(4, 0, 0));
    Image image = viewOf(p);
    Canvas canvas(4, 4);
    Graphics g(canvas.dc());
    auto red = [&](int x, int y) { return canvas.get(x, y).r; };
    ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, 4, 4, InterpolationModeNearestNeighbor), Ok);
    EXPECT_EQ(red(0, 0), 1);
    EXPECT_EQ(red(1, 1), 1);
    EXPECT_EQ(red(2, 1), 2);
    EXPECT_EQ(red(3, 3), 4);
    // A negative width mirrors left to right over the rectangle left of x.
    ASSERT_EQ(GdipDrawImageRectRectI(g.get(), image.get(), 4, 0, -4, 4, 0, 0, 2, 2, UnitPixel, nullptr, nullptr,
                                     nullptr),
              Ok);
    EXPECT_EQ(red(0, 0), 2);
    EXPECT_EQ(red(3, 0), 1);
    EXPECT_EQ(red(0, 3), 4);
    // Both negative: a half turn; a negative source size mirrors the same way.
    ASSERT_EQ(GdipDrawImageRectRectI(g.get(), image.get(), 0, 0, 4, 4, 2, 2, -2, -2, UnitPixel, nullptr, nullptr,
                                     nullptr),
              Ok);
    EXPECT_EQ(red(0, 0), 4);
    EXPECT_EQ(red(3, 3), 1);
    EXPECT_EQ(red(3, 0), 3);
    EXPECT_EQ(GdipDrawImageRectRectI(g.get(), image.get(), 0, 0, 4, 4, 0, 0, 2, 2, UnitWorld, nullptr, nullptr,
                                     nullptr),
              InvalidParameter);
}

// Noise within mid-range levels, so that no ringing leaves 0..255 and the comparison sees
// the filter, not the clamping.
Pixels midRangeNoise(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Pixels p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.set(x, y, {uint8_t(30 + rng() % 110), uint8_t(30 + rng() % 110), uint8_t(30 + rng() % 110),
                         uint8_t(150 + rng() % 70)});
    return p;
}

TEST_F(Drawing, BicubicFollowsThePlainModel) {
    for (const auto& [sw, sh, dw, dh] : {std::array{7, 5, 17, 11}, {40, 30, 9, 7}, {12, 12, 30, 5}}) {
        Pixels p = midRangeNoise(sw, sh, unsigned(sw * 100 + dw));
        Image image = viewOf(p);
        Canvas canvas(dw, dh);
        Graphics g(canvas.dc());
        ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, dw, dh, InterpolationModeHighQualityBicubic), Ok);
        for (int c = 0; c < 4; ++c) {
            const std::vector<double> model = modelResample(p, dw, dh, c);
            for (int y = 0; y < dh; ++y)
                for (int x = 0; x < dw; ++x) {
                    const Px got = canvas.get(x, y);
                    const double want = std::clamp(model[size_t(y * dw + x)], 0.0, 255.0);
                    // Colours are clamped to alpha, so a ringing colour may sit below the model.
                    if (c < 3 && want > got.a) continue;
                    EXPECT_NEAR(c == 0 ? got.b : c == 1 ? got.g : c == 2 ? got.r : got.a, want, 2.0) << sw << "x" << sh << "->" << dw << "x" << dh
                                                        << " channel " << c << " at " << x << "," << y;
                }
        }
    }
    // Wild translucent noise rings hard; the result still never has a colour above alpha.
    Pixels wild = randomPixels(9, 9, 3, true);
    Image image = viewOf(wild);
    Canvas canvas(31, 23);
    Graphics g(canvas.dc());
    ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, 31, 23, InterpolationModeHighQualityBicubic), Ok);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 31; ++x) {
            const Px q = canvas.get(x, y);
            ASSERT_TRUE(q.b <= q.a && q.g <= q.a && q.r <= q.a) << x << "," << y;
        }
}

TEST_F(Drawing, ShrinkingIsPrefiltered) {
    // One-pixel stripes shrunk four times: every source pixel counts, so the result is an
    // even grey, not a sampled pattern.
    Pixels p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) p.set(x, y, (x + y) % 2 ? opaque(255, 255, 255) : opaque(0, 0, 0));
    Image image = viewOf(p);
    Canvas canvas(16, 16);
    Graphics g(canvas.dc());
    ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, 16, 16, InterpolationModeHighQualityBicubic), Ok);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_NEAR(canvas.get(x, y).g, 127.5, 3) << x << "," << y;
            EXPECT_EQ(canvas.get(x, y).a, 255);
        }
    // A flat colour stays flat to the edges, enlarged or shrunk.
    Pixels flat(5, 3, {10, 20, 30, 40});
    Image f = viewOf(flat);
    Canvas big(23, 2);
    Graphics gb(big.dc());
    ASSERT_EQ(drawScaled(gb.get(), f.get(), 0, 0, 23, 2, InterpolationModeHighQualityBicubic), Ok);
    for (int x = 0; x < 23; ++x) EXPECT_EQ(big.get(x, 1), (Px{10, 20, 30, 40})) << x;
}

TEST_F(Drawing, ColourMatrixOnStraightColour) {
    Pixels p(1, 1, {30, 60, 90, 128});  // straight 59.8, 119.5, 179.3 at half alpha
    Image image = viewOf(p);
    GpImageAttributes* attributes = nullptr;
    ASSERT_EQ(GdipCreateImageAttributes(&attributes), Ok);
    ColorMatrix m{};
    for (int i = 0; i < 5; ++i) m.m[i][i] = 1;
    m.m[3][3] = 0.5f;   // half the opacity
    m.m[4][0] = 0.2f;   // red + 20 % of full scale
    ASSERT_EQ(GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeBitmap, 1, &m, &m, ColorMatrixFlagsDefault),
              Ok);
    Canvas canvas(1, 1);
    Graphics g(canvas.dc());
    ASSERT_EQ(GdipDrawImageRectRectI(g.get(), image.get(), 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, attributes, nullptr,
                                     nullptr),
              Ok);
    const double alpha = 128 / 255.0 * 0.5;
    const Px got = canvas.get(0, 0);
    EXPECT_EQ(got.a, std::lrint(alpha * 255));
    EXPECT_NEAR(got.r, (90.0 / 128 + 0.2) * alpha * 255, 1);
    EXPECT_NEAR(got.g, 60.0 / 128 * alpha * 255, 1);
    EXPECT_NEAR(got.b, 30.0 / 128 * alpha * 255, 1);

    EXPECT_EQ(GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeBitmap, 1, &m, &m,
                                                ColorMatrixFlagsSkipGrays),
              NotImplemented);
    EXPECT_EQ(GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeBitmap, 1, nullptr, nullptr,
                                                ColorMatrixFlagsDefault),
              InvalidParameter);
    EXPECT_EQ(GdipDisposeImageAttributes(attributes), Ok);
}

TEST_F(Drawing, WorldTransforms) {
    Pixels p(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) p.set(x, y, opaque(uint8_t(10 * x + y + 1), 0, 0));
    Image image = viewOf(p);
    {
        // A quarter turn about the origin, then moved right: a turned copy, pixel for pixel.
        Canvas canvas(2, 3);
        Graphics g(canvas.dc());
        ASSERT_EQ(GdipRotateWorldTransform(g.get(), 90, MatrixOrderPrepend), Ok);
        ASSERT_EQ(GdipTranslateWorldTransform(g.get(), 2, 0, MatrixOrderAppend), Ok);
        ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, 3, 2, InterpolationModeHighQualityBicubic), Ok);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(canvas.get(x, y), p.get(y, 1 - x)) << x << "," << y;
    }
    {
        // The same steps in the other order move first, then turn: off the canvas.
        Canvas canvas(2, 3);
        Graphics g(canvas.dc());
        ASSERT_EQ(GdipRotateWorldTransform(g.get(), 90, MatrixOrderAppend), Ok);
        ASSERT_EQ(GdipTranslateWorldTransform(g.get(), 2, 0, MatrixOrderPrepend), Ok);
        ASSERT_EQ(drawScaled(g.get(), image.get(), 0, 0, 3, 2, InterpolationModeNearestNeighbor), Ok);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(canvas.get(x, y), Px{}) << x << "," << y;
    }
    {
        // 30 degrees about the centre of a flat square: the middle keeps its colour, the
        // canvas corners stay untouched, the turned edges are soft.
        Pixels square(20, 20, opaque(0, 200, 0));
        Image s = viewOf(square);
        Canvas canvas(40, 40);
        Graphics g(canvas.dc());
        ASSERT_EQ(GdipRotateWorldTransform(g.get(), 30, MatrixOrderPrepend), Ok);
        ASSERT_EQ(GdipTranslateWorldTransform(g.get(), 20, 20, MatrixOrderAppend), Ok);
        ASSERT_EQ(drawScaled(g.get(), s.get(), -10, -10, 20, 20, InterpolationModeHighQualityBicubic), Ok);
        EXPECT_EQ(canvas.get(20, 20), opaque(0, 200, 0));
        EXPECT_EQ(canvas.get(0, 0), Px{});
        EXPECT_EQ(canvas.get(39, 39), Px{});
        int partial = 0;
        for (int x = 0; x < 40; ++x) partial += canvas.get(x, 20).a > 0 && canvas.get(x, 20).a < 255;
        EXPECT_GT(partial, 0);
        EXPECT_EQ(GdipResetWorldTransform(g.get()), Ok);
    }
}

// A turned drawing reads only the part of its scaled picture that the bitmap shows: cut by
// a smaller bitmap it gives the pixels of the whole drawing on a larger one, cropped; a world
// far larger than the bitmap (here 40000 pixels square) is drawn where it lands.
TEST_F(Drawing, TurnedDrawingsAreMadeWhereTheBitmapShowsThem) {
    Pixels p = randomPixels(13, 9, 11, true);
    Image image = viewOf(p);
    struct Window {
        const char* name;
        int x, y, w, h;
    };
    const Window windows[] = {{"left", 30, 0, 50, 80}, {"top", 0, 35, 80, 45}, {"right", 0, 0, 41, 80},
                              {"bottom", 0, 0, 80, 38}, {"all four", 28, 31, 17, 12}};
    for (auto mode : {InterpolationModeNearestNeighbor, InterpolationModeHighQualityBicubic})
        for (float angle : {30.0f, -47.0f, 200.0f})
            for (const Window& w : windows) {
                SCOPED_TRACE(::testing::Message() << w.name << ", " << angle << " degrees, mode " << int(mode));
                auto draw = [&](Canvas& canvas, int dx, int dy) {
                    Graphics g(canvas.dc());
                    ASSERT_EQ(GdipRotateWorldTransform(g.get(), angle, MatrixOrderPrepend), Ok);
                    ASSERT_EQ(GdipTranslateWorldTransform(g.get(), REAL(40 - dx), REAL(40 - dy), MatrixOrderAppend), Ok);
                    ASSERT_EQ(drawScaled(g.get(), image.get(), -30, -20, 61, 43, mode), Ok);
                };
                Canvas whole(80, 80), cut(w.w, w.h);
                whole.fill({9, 8, 7, 255});
                cut.fill({9, 8, 7, 255});
                draw(whole, 0, 0);
                draw(cut, w.x, w.y);
                for (int y = 0; y < w.h; ++y)
                    for (int x = 0; x < w.w; ++x) ASSERT_EQ(cut.get(x, y), whole.get(w.x + x, w.y + y)) << x << "," << y;
            }

    Pixels flat(16, 16, opaque(0, 200, 0));
    Image f = viewOf(flat);
    for (auto mode : {InterpolationModeNearestNeighbor, InterpolationModeHighQualityBicubic}) {
        Canvas canvas(30, 30);
        Graphics g(canvas.dc());
        ASSERT_EQ(GdipRotateWorldTransform(g.get(), 30, MatrixOrderPrepend), Ok);
        ASSERT_EQ(GdipTranslateWorldTransform(g.get(), 15, 15, MatrixOrderAppend), Ok);
        ASSERT_EQ(drawScaled(g.get(), f.get(), -20000, -20000, 40000, 40000, mode), Ok);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) ASSERT_EQ(canvas.get(x, y), opaque(0, 200, 0)) << x << "," << y;
    }
}

TEST_F(Drawing, ClippedToTheBitmapAndTheImage) {
    Pixels p = randomPixels(10, 10, 7, false);
    Image image = viewOf(p);
    Canvas canvas(6, 6);
    Graphics g(canvas.dc());
    for (auto mode : {InterpolationModeNearestNeighbor, InterpolationModeHighQualityBicubic}) {
        ASSERT_EQ(drawScaled(g.get(), image.get(), -7, -3, 25, 19, mode), Ok);
        ASSERT_EQ(drawScaled(g.get(), image.get(), 5, 5, 1000, 1000, mode), Ok);
        ASSERT_EQ(drawScaled(g.get(), image.get(), 100, 100, 10, 10, mode), Ok);
    }
    // A source rectangle reaching past the image draws its inner part where it belongs.
    canvas.fill({});
    ASSERT_EQ(GdipSetInterpolationMode(g.get(), InterpolationModeNearestNeighbor), Ok);
    ASSERT_EQ(GdipDrawImageRectRectI(g.get(), image.get(), 0, 0, 6, 6, 7, 7, 6, 6, UnitPixel, nullptr, nullptr,
                                     nullptr),
              Ok);
    EXPECT_EQ(canvas.get(0, 0), p.get(7, 7));
    EXPECT_EQ(canvas.get(2, 2), p.get(9, 9));
    EXPECT_EQ(canvas.get(3, 3), Px{});
}

TEST_F(Drawing, OtherTargets) {
    Pixels p(2, 1, opaque(255, 255, 255));
    p.set(1, 0, {});
    Image image = viewOf(p);
    gdi::RGBQUAD table[256] = {};
    table[1] = {255, 255, 255, 0};
    gdi::DibSurface indexed(2, 1, 8, false, table);
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(indexed.dc(), &g), Ok);
    EXPECT_EQ(GdipDrawImageRectI(g, image.get(), 0, 0, 2, 1), Ok);
    EXPECT_EQ(indexed.row(0)[0], 1) << "the nearest palette entry";
    EXPECT_EQ(indexed.row(0)[1], 0) << "transparent leaves it";
    EXPECT_EQ(GdipDeleteGraphics(g), Ok);

    const gdi::HDC screen = gdi::GetDC(0);
    ASSERT_EQ(GdipCreateFromHDC(screen, &g), Ok);
    EXPECT_EQ(GdipDrawImageRectI(g, image.get(), 0, 0, 2, 1), Ok) << "the screen takes it and keeps nothing";
    EXPECT_EQ(GdipDeleteGraphics(g), Ok);
    gdi::ReleaseDC(0, screen);
    EXPECT_EQ(GdipCreateFromHDC(0x77777, &g), InvalidParameter);
}

}  // namespace
