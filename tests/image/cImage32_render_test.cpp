// cImage32::Render: the choice of painter, the normalisation of its arguments, the three
// painters side by side, the turned drawing, and ScaleImage.

#include <QImage>
#include <QTransform>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <utility>

#include "qimage_support.h"
#include "image/compositing.h"
#include "platform/gdi/dib_surface.h"
#include "platform/sys/row_bands.h"
#include "render_access.h"

using namespace imagetest;

namespace {

enum class Painter { AlphaBlend, GdiPlus, Own, Several };

const char* nameOf(Painter p) {
    switch (p) {
    case Painter::AlphaBlend: return "AlphaBlend";
    case Painter::GdiPlus: return "GDI+";
    case Painter::Own: return "own pipeline";
    default: return "several";
    }
}

// Which painter drew since it was made, from the stand-ins' call counters.
class PainterWatch {
public:
    Painter painter() const {
        const bool alphaBlend = gdi::testing::alphaBlendCalls() != alphaBlend_;
        const bool gdiplus = gdiplus::testing::drawImageCalls() != gdiplus_;
        if (alphaBlend && gdiplus) return Painter::Several;
        return alphaBlend ? Painter::AlphaBlend : gdiplus ? Painter::GdiPlus : Painter::Own;
    }

private:
    uint64_t alphaBlend_ = gdi::testing::alphaBlendCalls();
    uint64_t gdiplus_ = gdiplus::testing::drawImageCalls();
};

class Render : public ImageTest {
protected:
    // Only GDI+ (falling back to the own pipeline) or only the image's own pipeline is left
    // to paint.
    static void onlyPainter(cImage32& image, bool gdiplus) {
        image.isAlphaBlendFriendly(false);
        image.isGDIplusEnabled(gdiplus);
    }
    static void ownPipelineOnly(cImage32& image) { onlyPainter(image, false); }
    static void clear(cImage32& image) { image.EraseDIB(); }
};

TEST_F(Render, ThePainterFollowsSettingsAndArguments) {
    struct Case {
        const char* name;
        bool keep, token, alphaBlend, gdiplus;
        int32_t destWidth, grayScale;
        float light;
        bool highQuality;
        Painter expected;
    };
    const Case cases[] = {
        {"defaults", false, false, true, true, 4, -1, 0, true, Painter::AlphaBlend},
        {"GDI+ kept active", true, false, true, true, 4, -1, 0, true, Painter::GdiPlus},
        {"a lent session", false, true, true, true, 4, -1, 0, true, Painter::GdiPlus},
        {"a lent session, GDI+ off", false, true, true, false, 4, -1, 0, true, Painter::AlphaBlend},
        {"AlphaBlend off", false, false, false, true, 4, -1, 0, true, Painter::GdiPlus},
        {"mirrored", false, false, true, true, -4, -1, 0, true, Painter::GdiPlus},
        {"grayscale", false, false, true, true, 4, 0, 0, true, Painter::GdiPlus},
        {"light", false, false, true, true, 4, -1, 20, true, Painter::GdiPlus},
        {"interpolating stretch", false, false, true, true, 8, -1, 0, true, Painter::GdiPlus},
        {"nearest stretch", false, false, true, true, 8, -1, 0, false, Painter::AlphaBlend},
        {"neither", false, false, false, false, 4, -1, 0, true, Painter::Own},
        {"mirrored, GDI+ off", false, false, true, false, -4, -1, 0, true, Painter::Own},
        {"interpolating stretch, GDI+ off", false, false, true, false, 8, -1, 0, true, Painter::Own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        placeImage(image, 4, 3);
        image.isGDIplusEnabled(c.gdiplus);
        image.isAlphaBlendFriendly(c.alphaBlend);
        image.HighQualityInterpolation(c.highQuality);
        image.KeepGDIplusActive(c.keep);
        const int32_t token = c.token ? image.CreateGDIplusToken() : 0;
        image.gdiToken(token);
        gdi::DibSurface canvas(16, 16, 32);
        const PainterWatch watch;
        EXPECT_TRUE(image.Render(canvas.dc(), 1, 1, c.destWidth, 3, 0, 0, 0, 0, 100, true, true, nullptr,
                                 c.grayScale, c.light));
        EXPECT_STREQ(nameOf(watch.painter()), nameOf(c.expected));
        EXPECT_NE(onSurface(canvas, 2, 2), (Px{0, 0, 0, 0})) << "drawn";
        image.gdiToken(0);
        if (token) EXPECT_TRUE(image.DestroyGDIplusToken(token));
        image.KeepGDIplusActive(false);
    }
}

TEST_F(Render, OpacityAndLightAreNormalised) {
    struct Case {
        int32_t opacity;
        float light;
        Px expected;  // every case answers True
    };
    const Px source{200, 100, 50, 255};
    const Case cases[] = {
        {0, 0, {0, 0, 0, 0}},      {-5, 0, {0, 0, 0, 0}},    {100, 0, source},
        {150, 0, {99, 49, 24, 127}}, {200, 0, source},         {101, 0, {1, 0, 0, 2}},
        {100, 150, source},          {100, -101, source},      {100, 20, {251, 151, 101, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Opacity " << c.opacity << ", light " << c.light);
        cImage32 image, target;
        fill(image, {{source, source}});
        ownPipelineOnly(image);
        ASSERT_TRUE(target.InitializeDIB(2, 1));
        EXPECT_TRUE(image.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, c.opacity, true, true, &target, -1, c.light));
        EXPECT_EQ(at(target, 1, 0), c.expected);
        EXPECT_EQ(at(target, 0, 0), c.expected);
    }
    cImage32 none, target;
    ASSERT_TRUE(target.InitializeDIB(2, 1));
    EXPECT_FALSE(none.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, true, true, &target)) << "no image, opacity 0";
    EXPECT_FALSE(none.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, 100, true, true, &target)) << "no image";
    cImage32 image;
    placeImage(image, 2, 2);
    EXPECT_FALSE(image.Render(0)) << "no destination";
}

TEST_F(Render, RectanglesAreNormalised) {
    struct Case {
        const char* name;
        int imageWidth;
        int32_t destX, destWidth, destHeight, srcx, srcwidth;
        bool center, drawn;
        int firstX;       // the first destination column drawn on the top row
        int firstColumn;  // the image column it shows
        int nextColumn;   // the one the next destination column shows
    };
    const Case cases[] = {
        {"srcwidth -W mirrors", 4, 2, 0, 0, 0, -4, false, true, 2, 3, 2},
        {"srcwidth -W with DestWidth -W does not", 4, 2, -4, 0, 0, -4, false, true, 2, 0, 1},
        {"a negative srcx reads as 0", 4, 2, 0, 0, -3, 0, false, true, 2, 0, 1},
        {"centred on DestX 100, DestWidth 50", 50, 100, 50, 3, 0, 0, true, true, 75, 0, 1},
        {"cut at the right edge", 4, 2, 2, 3, 2, 10, false, true, 2, 2, 3},
        {"stretched from x = -30", 10, -30, 100, 3, 0, 0, false, true, 0, 3, 3},
        {"starting at the right edge", 4, 2, 0, 0, 4, 0, false, false, 0, 0, 0},
        {"starting beyond it", 4, 2, 0, 0, 9, 2, false, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cImage32 image, target;
        placeImage(image, c.imageWidth, 3);
        ownPipelineOnly(image);
        image.HighQualityInterpolation(false);
        ASSERT_TRUE(target.InitializeDIB(140, 8));
        EXPECT_EQ(image.Render(0, c.destX, c.center ? 4 : 3, c.destWidth, c.destHeight, c.srcx, 0, c.srcwidth, 0,
                               100, true, true, &target, -1, 0, 0, c.center),
                  c.drawn);
        if (!c.drawn) {
            EXPECT_EQ(memoryOf(target), std::vector<uint8_t>(140 * 8 * 4, 0)) << "nothing drawn";
            continue;
        }
        if (c.firstX > 0) EXPECT_EQ(at(target, c.firstX - 1, 3), (Px{0, 0, 0, 0}));
        EXPECT_EQ(at(target, c.firstX, 3), at(image, c.firstColumn, 0));
        EXPECT_EQ(at(target, c.firstX + 1, 3), at(image, c.nextColumn, 0));
    }
    // Top to bottom, of a rectangle cut at the bottom edge: a top-bottom mirror of a part
    // takes that part as it lies in the mirrored image.
    cImage32 image, target;
    placeImage(image, 4, 3);
    ownPipelineOnly(image);
    ASSERT_TRUE(target.InitializeDIB(8, 8));
    ASSERT_TRUE(image.Render(0, 0, 0, 0, 2, 0, 1, 0, -5, 100, true, true, &target));
    EXPECT_EQ(at(target, 0, 0), at(image, 0, 1));
    EXPECT_EQ(at(target, 0, 1), at(image, 0, 0));
    EXPECT_EQ(at(target, 0, 2), (Px{0, 0, 0, 0}));
}

TEST_F(Render, ThePaintersAgreeOnAnOpaquePicture) {
    std::mt19937 random(7);
    cImage32 image;
    randomImage(image, 13, 7, false, random);
    cImage32 background;
    randomImage(background, 20, 12, true, random);

    struct Drawn {
        Painter painter;
        std::vector<uint8_t> deviceColours, imagePixels;
    };
    std::vector<Drawn> results;
    for (Painter painter : {Painter::AlphaBlend, Painter::GdiPlus, Painter::Own}) {
        SCOPED_TRACE(nameOf(painter));
        image.isGDIplusEnabled(painter != Painter::Own);
        image.isAlphaBlendFriendly(painter == Painter::AlphaBlend);
        gdi::DibSurface canvas(20, 12, 32);
        for (int y = 0; y < 12; ++y) std::memcpy(canvas.row(y), addressOf(background, 0, y), 20 * 4);
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(20, 12));
        std::memcpy(target.BitsPointer(), background.BitsPointer(), 20 * 12 * 4);

        const PainterWatch watch;
        ASSERT_TRUE(image.Render(canvas.dc(), 5, 3));
        ASSERT_TRUE(image.Render(0, 5, 3, 0, 0, 0, 0, 0, 0, 100, true, true, &target));
        ASSERT_STREQ(nameOf(watch.painter()), nameOf(painter));

        Drawn drawn{painter, {}, memoryOf(target)};
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x) {
                const Px p = onSurface(canvas, x, y);
                drawn.deviceColours.insert(drawn.deviceColours.end(), {p.b, p.g, p.r});
            }
        EXPECT_EQ(onSurface(canvas, 5 + 12, 3 + 6).r, at(image, 12, 6).r);
        EXPECT_EQ(at(target, 5, 3), at(image, 0, 0));
        results.push_back(std::move(drawn));
    }
    for (size_t i = 1; i < results.size(); ++i) {
        EXPECT_EQ(results[i].deviceColours, results[0].deviceColours) << nameOf(results[i].painter);
        EXPECT_EQ(results[i].imagePixels, results[0].imagePixels) << nameOf(results[i].painter);
    }
}

TEST_F(Render, ADestinationImageKeepsItsOwnDCAsFound) {
    struct Painting {
        const char* name;
        bool alphaBlend, gdiplus;
        float angle;
    };
    const Painting paintings[] = {
        {"AlphaBlend", true, true, 0},    {"GDI+", false, true, 0},          {"own pipeline", false, false, 0},
        {"GDI+ turned", false, true, 30}, {"own turn", false, false, 30},
    };
    enum class State { NoDC, KeptDC, Loaded };
    for (const Painting& p : paintings)
        for (State state : {State::NoDC, State::KeptDC, State::Loaded}) {
            SCOPED_TRACE(testing::Message() << p.name << ", state " << int(state));
            cImage32 image, target;
            placeImage(image, 4, 3);
            image.isGDIplusEnabled(p.gdiplus);
            image.isAlphaBlendFriendly(p.alphaBlend);
            if (state == State::KeptDC) target.ManageOwnDC(true);
            ASSERT_TRUE(target.InitializeDIB(10, 10));
            const gdi::HDC loadedDC = state == State::Loaded ? target.LoadDIBinDC(true) : 0;
            const gdi::HDC dcBefore = cImage32PrivateAccess::ownDC(target);

            EXPECT_TRUE(image.Render(0, 3, 3, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, p.angle));
            EXPECT_NE(at(target, 4, 4), (Px{0, 0, 0, 0})) << "drawn";
            EXPECT_EQ(cImage32PrivateAccess::ownDC(target), dcBefore);
            EXPECT_EQ(cImage32PrivateAccess::loaded(target), state == State::Loaded);
            EXPECT_EQ(cImage32PrivateAccess::ownDC(image), 0u) << "the source's DC for AlphaBlend went again";
            if (loadedDC) target.LoadDIBinDC(false);
        }
}

TEST_F(Render, WholeTurnsAreNotTurnedAndFractionsAre) {
    struct Case {
        float angle;
        bool gdiplus;
        Painter expected;
    };
    const Case cases[] = {
        {360, true, Painter::AlphaBlend}, {-720, true, Painter::AlphaBlend}, {0.4f, true, Painter::GdiPlus},
        {0.4f, false, Painter::Own},      {359.6f, false, Painter::Own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Angle " << c.angle << (c.gdiplus ? "" : ", GDI+ off"));
        cImage32 image, target;
        placeImage(image, 4, 3);
        image.isGDIplusEnabled(c.gdiplus);
        image.HighQualityInterpolation(false);
        ASSERT_TRUE(target.InitializeDIB(10, 10));
        const PainterWatch watch;
        ASSERT_TRUE(image.Render(0, 2, 3, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, c.angle));
        EXPECT_STREQ(nameOf(watch.painter()), nameOf(c.expected));
        // The own turn rounds to whole degrees: 0 here, the picture where it would be unturned.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(at(target, 2 + x, 3 + y), at(image, x, y)) << x << "," << y;
        EXPECT_EQ(at(target, 1, 3), (Px{0, 0, 0, 0}));
        EXPECT_EQ(at(target, 2, 2), (Px{0, 0, 0, 0}));
    }
}

TEST_F(Render, TheOwnQuarterTurnPutsTheTopEdgeOnTheRight) {
    for (bool interpolate : {false, true}) {
        SCOPED_TRACE(interpolate ? "interpolating" : "nearest");
        cImage32 image, target;
        placeImage(image, 6, 4);
        ownPipelineOnly(image);
        image.HighQualityInterpolation(interpolate);
        ASSERT_TRUE(target.InitializeDIB(20, 20));
        ASSERT_TRUE(image.Render(0, 5, 5, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 90));

        // The square: side nearest(sqrt(36 + 16)) = 7, centred on the destination rectangle
        // (5 + 6 \ 2 - 7 \ 2, 5 + 4 \ 2 - 7 \ 2) = (5, 4).
        int left = 20, right = -1, top = 20, bottom = -1;
        std::vector<int> seen(24, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const Px p = at(target, x, y);
                if (p.a == 0) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                ASSERT_LT(p.b * 4 + p.g, 24);
                ++seen[size_t(p.b * 4 + p.g)];
            }
        EXPECT_GE(left, 5);
        EXPECT_LE(right, 11);
        EXPECT_GE(top, 4);
        EXPECT_LE(bottom, 10);
        EXPECT_EQ(right - left + 1, 4) << "as wide as the image was high";
        EXPECT_EQ(bottom - top + 1, 6);
        EXPECT_EQ(seen, std::vector<int>(24, 1)) << "every pixel once";
        for (int y = top; y <= bottom; ++y) {
            EXPECT_EQ(at(target, right, y).g, 0) << "the top row on the right";
            EXPECT_EQ(at(target, right, y).b, y - top) << "read downwards from its left end";
        }
        for (int x = left; x <= right; ++x) EXPECT_EQ(at(target, x, top).b, 0) << "the left column on top";
    }
}

// Mean absolute difference per channel over the pixels where every image in `all` is
// opaque together with its eight neighbours; `count` receives how many there were.
double meanDifference(const QImage& a, const QImage& b, const std::vector<const QImage*>& all, int& count) {
    double sum = 0;
    count = 0;
    for (int y = 1; y + 1 < a.height(); ++y)
        for (int x = 1; x + 1 < a.width(); ++x) {
            bool inside = true;
            for (const QImage* image : all)
                for (int dy = -1; dy <= 1 && inside; ++dy)
                    for (int dx = -1; dx <= 1 && inside; ++dx)
                        inside = qAlpha(image->pixel(x + dx, y + dy)) == 255;
            if (!inside) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            ++count;
        }
    return count ? sum / (3.0 * count) : 1e9;
}

TEST_F(Render, TheOwnTurnFallsBackFromGdiplusAndIsCutToTheDestination) {
    cImage32 image, target;
    placeImage(image, 6, 4);
    ASSERT_TRUE(image.isGDIplusEnabled());
    ASSERT_TRUE(target.InitializeDIB(20, 20));
    // GDI+ cannot start a session: the own turn draws instead.
    gdiplus::testing::failStartup(gdiplus::GenericError);
    ASSERT_TRUE(image.Render(0, 5, 5, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 90));
    gdiplus::testing::failStartup(gdiplus::Ok);
    EXPECT_EQ(at(target, 10, 5).g, 0) << "the top row on the right";

    // A turn far larger than the destination is cut to it; a square of side 56569 would
    // take more than 2^31 - 1 bytes, but only its part on the destination is made.
    ownPipelineOnly(image);
    for (int32_t size : {1000, 40000}) {
        SCOPED_TRACE(size);
        target.EraseDIB();
        EXPECT_TRUE(image.Render(0, 10 - size / 2, 10 - size / 2, size, size, 0, 0, 0, 0, 100, true, true, &target, -1,
                                 0, 30));
        EXPECT_EQ(at(target, 10, 10).a, 255);
    }
    // A square wholly left of the destination draws nothing.
    target.EraseDIB();
    EXPECT_FALSE(image.Render(0, -60000, 0, 40000, 40000, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 30));
    EXPECT_EQ(memoryOf(target), std::vector<uint8_t>(20 * 20 * 4, 0));
}

// The own turn makes only the columns it shows, its position there stepped on from the
// row's first column in one go: the value of that many steps of the row's loop.
TEST_F(Render, TheTurnStepsOnToItsFirstShownColumnAsItsRowLoopWould) {
    struct Case {
        double x, step;
        int64_t n;
    };
    const double third = 1.0 / 3, two53 = 9007199254740992.0;
    const Case cases[] = {
        {0, 0.1, 3000000},            // across binades from 0
        {-1e6, 0.0732, 20000000},     // through 0 and out again
        {12345.678, -third, 5000000}, // towards 0
        {two53, 3, 1000000},          // every sum a tie between two neighbours
        {two53, 1, 1000},             // ties that round back: the sum stays
        {-two53, -5, 1000000},
        {1e-300, 1e-303, 10000000},   // tiny binades
        {-28284.5, 0.00173205, 20000000},
        {1e15, 1e300, 5},             // to infinity
        {7, 0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " + " << c.n << " x " << c.step);
        double looped = c.x;
        for (int64_t i = 0; i < c.n; ++i) {
            // Spot checks along the way, each against a fresh sum.
            if (i % 999983 == 0) ASSERT_EQ(compositing::repeatedSum(c.x, c.step, i), looped) << "after " << i;
            looped += c.step;
        }
        EXPECT_EQ(compositing::repeatedSum(c.x, c.step, c.n), looped);
    }
}

// A drawing cut by the destination's edges gives the pixels of the same drawing onto a
// larger destination, cropped: each drawing into (and onto) a window of the larger one that
// cuts it at its left, top, right or bottom edge, or at all four.
TEST_F(Render, TheOwnPipelineCutAtEveryEdgeGivesThePixelsOfTheWholeDrawing) {
    std::mt19937 random(21);
    cImage32 image;
    randomImage(image, 37, 23, true, random);
    ownPipelineOnly(image);
    constexpr int BW = 170, BH = 130;  // the larger destination
    struct Drawing {
        const char* name;
        bool interpolate;
        int32_t x, y, w, h, srcx, srcy, srcw, srch, opacity, gray;
        float light, angle;
    };
    const Drawing drawings[] = {
        {"scaled up", true, 20, 15, 113, 71, 0, 0, 0, 0, 100, -1, 0, 0},
        {"scaled up, nearest", false, 20, 15, 113, 71, 0, 0, 0, 0, 100, -1, 0, 0},
        {"a rectangle scaled, mirrored, at 80 %", true, 30, 25, -93, 57, 3, 2, 30, 19, 80, -1, 0, 0},
        {"scaled down, gray and lighter", false, 20, 15, 29, 17, 0, 0, 0, 0, 100, 0, 25, 0},
        {"same size", false, 50, 40, 0, 0, 0, 0, 0, 0, 100, -1, 0, 0},
        {"turned by 33 degrees", true, 40, 30, 90, 70, 0, 0, 0, 0, 100, -1, 0, 33},
        {"turned by -120 degrees, nearest, darker", false, 40, 30, 80, 60, 0, 0, 0, 0, 60, -1, -30, -120},
    };
    for (const Drawing& d : drawings) {
        image.HighQualityInterpolation(d.interpolate);
        const int w = d.w == 0 ? 37 : std::abs(d.w), h = d.h == 0 ? 23 : std::abs(d.h);
        struct Window {
            const char* edge;
            int x, y, w, h;
        };
        const Window windows[] = {{"left", d.x + w / 3, 0, BW - d.x - w / 3, BH},
                                  {"top", 0, d.y + h / 3, BW, BH - d.y - h / 3},
                                  {"right", 0, 0, d.x + 2 * w / 3, BH},
                                  {"bottom", 0, 0, BW, d.y + 2 * h / 3},
                                  {"all four", d.x + w / 4, d.y + h / 4, w / 2, h / 2}};
        for (const Window& win : windows)
            for (bool device : {false, true}) {
                SCOPED_TRACE(testing::Message() << d.name << ", cut at the " << win.edge << " edge "
                                                << (device ? "of a device" : "of an image"));
                auto draw = [&](gdi::HDC dc, cImage32* into, int32_t x, int32_t y) {
                    return image.Render(dc, x, y, d.w, d.h, d.srcx, d.srcy, d.srcw, d.srch, d.opacity, true, true, into,
                                        d.gray, d.light, d.angle);
                };
                std::mt19937 fill(5);
                cImage32 whole, cut;
                randomImage(whole, BW, BH, true, fill);
                ASSERT_TRUE(cut.InitializeDIB(win.w, win.h));
                gdi::DibSurface wholeDevice(BW, BH, 32), cutDevice(win.w, win.h, 32);
                for (int y = 0; y < BH; ++y) std::memcpy(wholeDevice.row(y), addressOf(whole, 0, y), size_t(BW) * 4);
                for (int y = 0; y < win.h; ++y) {
                    std::memcpy(addressOf(cut, 0, y), addressOf(whole, win.x, win.y + y), size_t(win.w) * 4);
                    std::memcpy(cutDevice.row(y), addressOf(whole, win.x, win.y + y), size_t(win.w) * 4);
                }
                if (device) {
                    ASSERT_TRUE(draw(wholeDevice.dc(), nullptr, d.x, d.y));
                    ASSERT_TRUE(draw(cutDevice.dc(), nullptr, d.x - win.x, d.y - win.y));
                } else {
                    ASSERT_TRUE(draw(0, &whole, d.x, d.y));
                    ASSERT_TRUE(draw(0, &cut, d.x - win.x, d.y - win.y));
                }
                for (int y = 0; y < win.h; ++y) {
                    const uint8_t* want = device ? wholeDevice.row(win.y + y) + size_t(win.x) * 4 : addressOf(whole, win.x, win.y + y);
                    const uint8_t* got = device ? cutDevice.row(y) : addressOf(cut, 0, y);
                    ASSERT_EQ(std::memcmp(got, want, size_t(win.w) * 4), 0) << "row " << y;
                }
            }
    }
}

// The pixels of a 32-bit device as an opaque QImage.
QImage opaqueImageOf(const gdi::DibSurface& s) {
    QImage out(s.width(), s.height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const Px p = onSurface(s, x, y);
            out.setPixel(x, y, qRgba(p.r, p.g, p.b, 255));
        }
    return out;
}

// Requests far larger than their destination (a turned square or a scaled row of many
// gigabytes) draw the part that lands on it, as the GDI+ painter draws it. The picture is
// even along its columns and in its middle, where the painters' ways of placing pixel
// centres cannot differ at these scales.
TEST_F(Render, FarLargerRequestsDrawWhatLandsOnTheDestinationAsGdiplusDoes) {
    constexpr int N = 64;
    std::vector<std::vector<Px>> rows(N, std::vector<Px>(N));
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const bool middle = x >= 16 && x < 48 && y >= 16 && y < 48;
            rows[size_t(y)][size_t(x)] = middle ? Px{60, 120, 180, 255} : Px{uint8_t(4 * x), 150, 100, 255};
        }
    cImage32 image;
    fill(image, rows);
    struct Request {
        const char* name;
        int32_t x, y, w, h;
        float angle;
        int top, bottom;  // the rows drawn on
    };
    const Request requests[] = {
        {"2^31 - 1 wide, 2 high", 0, 20, INT32_MAX, 2, 0, 20, 22},
        {"300,000,000 wide", 0, 0, 300000000, N, 0, 0, N},
        {"300,000,000 wide, its right end", N - 300000000, 0, 300000000, N, 0, 0, N},
        {"turned by 30 degrees, a square of side 56569", N / 2 - 20000, N / 2 - 20000, 40000, 40000, 30, 0, N},
    };
    const Px background{70, 70, 70, 255};
    for (const Request& r : requests)
        for (bool device : {false, true})
            for (bool interpolate : {false, true}) {
                SCOPED_TRACE(testing::Message() << r.name << (device ? " onto a device" : " into an image")
                                                << (interpolate ? ", interpolating" : ", nearest"));
                image.HighQualityInterpolation(interpolate);
                QImage drawn[2];
                for (bool gdiplus : {false, true}) {
                    onlyPainter(image, gdiplus);
                    cImage32 target;
                    ASSERT_TRUE(target.InitializeDIB(N, N));
                    gdi::DibSurface surface(N, N, 32);
                    paintSurface(surface, background);
                    for (int y = 0; y < N; ++y)
                        for (int x = 0; x < N; ++x) put(target, x, y, background);
                    const PainterWatch watch;
                    ASSERT_TRUE(image.Render(device ? surface.dc() : 0, r.x, r.y, r.w, r.h, 0, 0, 0, 0, 100, true, true,
                                             device ? nullptr : &target, -1, 0, r.angle));
                    EXPECT_STREQ(nameOf(watch.painter()), nameOf(gdiplus ? Painter::GdiPlus : Painter::Own));
                    const QImage all = device ? opaqueImageOf(surface) : toQImage(target);
                    // The rows drawn on with one more above and below where there are any, so
                    // that each drawn pixel is compared.
                    const int top = std::max(r.top - 1, 0), bottom = std::min(r.bottom + 1, N);
                    drawn[gdiplus] = all.copy(0, top, N, bottom - top);
                    for (int y = r.top; y < r.bottom; ++y)
                        ASSERT_NE(device ? onSurface(surface, N / 2, y) : at(target, N / 2, y), background)
                            << "drawn on row " << y;
                }
                int count = 0;
                const double difference = meanDifference(drawn[0], drawn[1], {&drawn[0], &drawn[1]}, count);
                EXPECT_GE(count, (N - 2) * std::min(r.bottom - r.top, N - 2)) << "every drawn pixel inside is compared";
                EXPECT_LT(difference, 0.5) << "own pipeline and GDI+";
            }
}

// The own turn made a row at a time, with the AVX2 kernel and with the plain one, onto a
// device and into an image: the same bytes.
TEST_F(Render, TheOwnTurnGivesTheSameBytesWithEveryKernel) {
    std::mt19937 random(4);
    constexpr int W = 57, H = 31, D = 90;
    cImage32 image;
    randomImage(image, W, H, true, random);
    ownPipelineOnly(image);
    const bool wide = compositing::wideKernels();
    for (bool interpolate : {true, false})
        for (float angle : {30.0f, -47.0f, 200.0f}) {
            SCOPED_TRACE(testing::Message() << (interpolate ? "interpolating " : "nearest ") << angle);
            image.HighQualityInterpolation(interpolate);
            std::vector<uint8_t> images[2], devices[2];
            for (bool kernels : {false, wide}) {
                compositing::useWideKernels(kernels);
                cImage32 target;
                ASSERT_TRUE(target.InitializeDIB(D, D));
                ASSERT_TRUE(image.Render(0, 10, 20, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, angle));
                images[kernels] = memoryOf(target);
                gdi::DibSurface surface(D, D, 32);
                paintSurface(surface, {40, 80, 120, 255});
                ASSERT_TRUE(image.Render(surface.dc(), -5, 7, 0, 0, 0, 0, 0, 0, 60, true, true, nullptr, -1, 0, angle));
                for (int y = 0; y < D; ++y) devices[kernels].insert(devices[kernels].end(), surface.row(y), surface.row(y) + D * 4);
            }
            compositing::useWideKernels(wide);
            EXPECT_EQ(images[0], images[wide]);
            EXPECT_EQ(devices[0], devices[wide]);
        }
}

// The own turn in bands of rows on several threads (three bands of unequal rows), into
// another image and onto the image itself, against the same turn on one thread.
TEST_F(Render, TheOwnTurnGivesTheSameBytesInParallelBands) {
    std::mt19937 random(9);
    constexpr int W = 641, H = 367, D = 745;  // D: a little over the diagonal
    cImage32 image;
    randomImage(image, W, H, true, random);
    ownPipelineOnly(image);
    for (bool interpolate : {true, false}) {
        SCOPED_TRACE(interpolate ? "interpolating" : "nearest");
        image.HighQualityInterpolation(interpolate);
        std::vector<uint8_t> images[2], itself[2];
        for (int threads : {1, 3}) {
            sys::setRowBandThreads(threads);
            const int k = threads > 1;
            cImage32 target;
            ASSERT_TRUE(target.InitializeDIB(D, D));
            ASSERT_TRUE(image.Render(0, 51, 193, 0, 0, 0, 0, 0, 0, 70, true, true, &target, -1, 0, 33));
            images[k] = memoryOf(target);
            cImage32 copy;
            ASSERT_TRUE(copy.InitializeDIB(W, H));
            ownPipelineOnly(copy);
            copy.HighQualityInterpolation(interpolate);
            ASSERT_TRUE(image.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, 100, true, true, &copy));
            ASSERT_TRUE(copy.Render(0, 0, 0, 0, 0, 0, 0, 0, 0, 100, true, true, &copy, -1, 0, -61));
            itself[k] = memoryOf(copy);
        }
        sys::setRowBandThreads(0);
        EXPECT_EQ(images[0], images[1]);
        EXPECT_EQ(itself[0], itself[1]);
    }
}

// Scaled, lightened, gray and turned drawings blend their rows in bands side by side, into
// an image and onto 32- and 24-bit devices (there within each band of the device's buffer):
// the bytes of one thread whatever the bands.
TEST_F(Render, ParallelBandsGiveTheBytesOfOneThreadIntoImagesAndOntoDevices) {
    std::mt19937 random(12);
    constexpr int W = 641, H = 367, TW = 1100, TH = 800;
    cImage32 image;
    randomImage(image, W, H, true, random);
    ownPipelineOnly(image);
    struct Drawing {
        const char* name;
        bool interpolate;
        std::function<bool(cImage32&, gdi::HDC, cImage32*)> draw;
    };
    const Drawing drawings[] = {
        {"scaled up at 60 %, lighter", true,
         [](cImage32& i, gdi::HDC dc, cImage32* t) { return i.Render(dc, -13, 7, 1000, 700, 0, 0, 0, 0, 60, true, true, t, -1, 15); }},
        {"scaled down, gray", false,
         [](cImage32& i, gdi::HDC dc, cImage32* t) { return i.Render(dc, 20, 30, 500, 300, 0, 0, 0, 0, 100, true, true, t, 0); }},
        {"same size at 50 %", false,
         [](cImage32& i, gdi::HDC dc, cImage32* t) { return i.Render(dc, 5, 400, 0, 0, 0, 0, 0, 0, 50, true, true, t); }},
        {"turned by 33 degrees", true,
         [](cImage32& i, gdi::HDC dc, cImage32* t) { return i.Render(dc, 51, 93, 0, 0, 0, 0, 0, 0, 70, true, true, t, -1, 0, 33); }},
    };
    for (const Drawing& drawing : drawings) {
        image.HighQualityInterpolation(drawing.interpolate);
        for (int bpp : {0, 32, 24}) {  // 0: into an image
            SCOPED_TRACE(::testing::Message() << drawing.name << ", " << (bpp ? "onto a device of " : "into an image")
                                              << (bpp ? std::to_string(bpp) + " bits" : ""));
            std::vector<uint8_t> results[2];
            for (int threads : {1, 3}) {
                sys::setRowBandThreads(threads);
                std::mt19937 fill(5);
                cImage32 target;
                gdi::DibSurface device(TW, TH, bpp ? bpp : 32);
                if (bpp == 0) {
                    randomImage(target, TW, TH, true, fill);
                    ASSERT_TRUE(drawing.draw(image, 0, &target));
                    results[threads > 1] = memoryOf(target);
                } else {
                    for (int y = 0; y < TH; ++y)
                        for (int64_t b = 0; b < device.stride(); ++b) device.row(y)[b] = uint8_t(fill());
                    ASSERT_TRUE(drawing.draw(image, device.dc(), nullptr));
                    results[threads > 1].assign(device.bits(), device.bits() + device.stride() * TH);
                }
            }
            sys::setRowBandThreads(0);
            EXPECT_EQ(results[0], results[1]);
        }
    }
}

// On a device whose bitmap is a 24- or 32-bit DIB section the own pipeline blends in the
// device's pixels; anywhere else it goes through a 24-bit buffer (BitBlt out, SetDIBitsToDevice
// back). Both give the same bytes: the colours blended alike, 0 in the alpha bytes of the
// rectangle, on rows stored either way up. The source holds colours above their alpha too.
TEST_F(Render, BlendingInADibSectionGivesTheBytesOfTheWayThroughTheBuffer) {
    std::mt19937 random(21);
    constexpr int W = 301, H = 203, TW = 420, TH = 310;
    cImage32 image;
    randomImage(image, W, H, true, random);
    for (int y = 0; y < H; y += 3)
        for (int x = y % 7; x < W; x += 7) put(image, x, y, {200, 10, 250, 100});
    ownPipelineOnly(image);
    struct Drawing {
        const char* name;
        bool interpolate;
        std::function<bool(cImage32&, gdi::HDC)> draw;
    };
    const Drawing drawings[] = {
        {"same size at 50 %, cut at the left", false,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, -13, 7, 0, 0, 0, 0, 0, 0, 50); }},
        {"same size, opaque, cut at the right and bottom", false,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, 250, 200, 0, 0, 0, 0, 0, 0, 100); }},
        {"scaled up at 60 %, lighter", true,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, 3, 5, 500, 330, 0, 0, 0, 0, 60, true, true, nullptr, -1, 15); }},
        {"scaled down, gray", false,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, 20, 30, 150, 100, 0, 0, 0, 0, 100, true, true, nullptr, 0); }},
        {"mirrored", false,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, 40, 9, -W, H, 0, 0, 0, 0, 80); }},
        {"turned by 33 degrees", true,
         [](cImage32& i, gdi::HDC dc) { return i.Render(dc, 51, 33, 0, 0, 0, 0, 0, 0, 70, true, true, nullptr, -1, 0, 33); }},
    };
    const bool wide = compositing::wideKernels();
    std::vector<uint8_t> start(size_t(TW) * TH * 4);
    for (uint8_t& b : start) b = uint8_t(random());
    gdi::BITMAPINFO info{};
    info.bmiHeader = {sizeof(gdi::BITMAPINFOHEADER), TW, -TH, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    for (const Drawing& drawing : drawings) {
        SCOPED_TRACE(drawing.name);
        image.HighQualityInterpolation(drawing.interpolate);
        // The way through the buffer: a device-dependent bitmap, whose pixels no one reaches.
        std::vector<uint8_t> expected(start.size());
        {
            const gdi::HDC screen = gdi::GetDC(0);
            const gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(screen, TW, TH);
            const gdi::HDC dc = gdi::CreateCompatibleDC(screen);
            gdi::ReleaseDC(0, screen);
            ASSERT_EQ(gdi::SetDIBits(dc, bitmap, 0, TH, start.data(), &info, gdi::DIB_RGB_COLORS), TH);
            const gdi::HGDIOBJ previous = gdi::SelectObject(dc, bitmap);
            ASSERT_TRUE(drawing.draw(image, dc));
            gdi::SelectObject(dc, previous);
            ASSERT_EQ(gdi::GetDIBits(dc, bitmap, 0, TH, expected.data(), &info, gdi::DIB_RGB_COLORS), TH);
            gdi::DeleteDC(dc);
            gdi::DeleteObject(bitmap);
        }
        for (const auto& [bpp, bottomUp, kernels] :
             {std::tuple{32, false, wide}, std::tuple{32, true, wide}, std::tuple{24, true, wide}, std::tuple{24, false, wide},
              std::tuple{32, false, false},
              std::tuple{24, true, false}}) {
            SCOPED_TRACE(::testing::Message() << bpp << " bits, " << (bottomUp ? "bottom-up" : "top-down")
                                              << (kernels ? "" : ", plain kernels"));
            compositing::useWideKernels(kernels);
            gdi::DibSurface device(TW, TH, bpp, bottomUp);
            const int bytes = bpp / 8;
            for (int y = 0; y < TH; ++y)
                for (int x = 0; x < TW; ++x)
                    std::memcpy(device.row(y) + x * bytes, &start[(size_t(y) * TW + size_t(x)) * 4], size_t(bytes));
            ASSERT_TRUE(drawing.draw(image, device.dc()));
            int differing = 0;
            for (int y = 0; y < TH; ++y)
                for (int x = 0; x < TW; ++x)
                    differing += std::memcmp(device.row(y) + x * bytes, &expected[(size_t(y) * TW + size_t(x)) * 4],
                                             size_t(bytes)) != 0;
            EXPECT_EQ(differing, 0);
        }
        compositing::useWideKernels(wide);
    }
}

TEST_F(Render, TurnsBy30DegreesAgreeWithGdiplusAndWithQt) {
    constexpr int W = 64, H = 48, D = 120;
    cImage32 image;
    std::vector<std::vector<Px>> rows(H, std::vector<Px>(W));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) rows[size_t(y)][size_t(x)] = {uint8_t(2 * x), uint8_t(3 * y), uint8_t(100 + x + y), 255};
    fill(image, rows);
    image.HighQualityInterpolation(true);
    // The destination rectangle is centred at (60, 60).
    const int destX = D / 2 - W / 2, destY = D / 2 - H / 2;

    QImage turned[2];
    for (bool gdiplus : {true, false}) {
        onlyPainter(image, gdiplus);
        cImage32 target;
        ASSERT_TRUE(target.InitializeDIB(D, D));
        const PainterWatch watch;
        ASSERT_TRUE(image.Render(0, destX, destY, 0, 0, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 30));
        EXPECT_STREQ(nameOf(watch.painter()), nameOf(gdiplus ? Painter::GdiPlus : Painter::Own));
        turned[gdiplus ? 0 : 1] = toQImage(target);
    }

    // Qt's own turn of the picture about its centre, laid over the destination so that
    // the picture's centre lands on the destination's.
    QTransform rotation;
    rotation.rotate(30);
    const QImage qt = toQImage(image).transformed(rotation, Qt::SmoothTransformation);
    const QPointF centre = QImage::trueMatrix(rotation, W, H).map(QPointF(W / 2.0, H / 2.0));
    const int offX = int(std::lround(D / 2.0 - centre.x())), offY = int(std::lround(D / 2.0 - centre.y()));
    QImage oracle(D, D, QImage::Format_ARGB32_Premultiplied);
    oracle.fill(Qt::transparent);
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            if (QRect(0, 0, D, D).contains(x + offX, y + offY)) oracle.setPixel(x + offX, y + offY, qt.pixel(x, y));

    const std::vector<const QImage*> all{&turned[0], &turned[1], &oracle};
    int count = 0;
    const double ownToGdiplus = meanDifference(turned[1], turned[0], all, count);
    EXPECT_GT(count, W * H / 2) << "most of the picture is compared";
    const double ownToQt = meanDifference(turned[1], oracle, all, count);
    const double gdiplusToQt = meanDifference(turned[0], oracle, all, count);
    // Bilinear, bicubic and Qt's smooth turn differ by a fraction of a level on this
    // gentle gradient (measured 0.07, 0.21 and 0.24); a turn the wrong way, or by another
    // angle, differs by tens.
    EXPECT_LT(ownToGdiplus, 0.5) << "own and GDI+ turns";
    EXPECT_LT(ownToQt, 0.5) << "own turn and Qt";
    EXPECT_LT(gdiplusToQt, 0.5) << "GDI+ turn and Qt";
}

TEST_F(Render, ScaleImageFitsTheBox) {
    struct Case {
        int32_t boxWidth, boxHeight, mode, width, height;
    };
    const Case cases[] = {
        {100, 100, 0, 100, 50}, {100, 100, 1, 100, 50}, {400, 400, 0, 400, 200}, {400, 400, 1, 200, 100},
        {400, 400, 2, 400, 400}, {400, 400, 3, 200, 100}, {400, 400, -1, 200, 100}, {300, 50, 0, 100, 50},
    };
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(200, 100));
    for (const Case& c : cases) {
        int32_t w = -7, h = -7;
        image.ScaleImage(c.boxWidth, c.boxHeight, w, h, c.mode);
        EXPECT_EQ(w, c.width) << c.boxWidth << "x" << c.boxHeight << " mode " << c.mode;
        EXPECT_EQ(h, c.height) << c.boxWidth << "x" << c.boxHeight << " mode " << c.mode;
    }
    cImage32 none;
    int32_t w = 11, h = 12;
    none.ScaleImage(400, 400, w, h, 2);
    EXPECT_EQ(w, 11);
    EXPECT_EQ(h, 12);
}

}  // namespace
