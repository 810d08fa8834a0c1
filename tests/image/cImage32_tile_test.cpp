// cImage32::TileImage against a plain painter that places every tile by itself.

#include <cstdlib>

#include "platform/sys/row_bands.h"
#include "render_access.h"

using namespace imagetest;

namespace {

class Tile : public ImageTest {};

constexpr Px kBackground{7, 8, 9, 255};
constexpr int kLeft = 2, kTop = 1;  // where the destination rectangle lies on the surface

struct TileCase {
    const char* name;
    int32_t destWidth, destHeight, tileWidth, tileHeight, columnGap, rowGap;
    bool stagger, flipX, flipY;
};

// One tile of the image as TileImage's own renders make it, the opaque image drawn
// without interpolation.
void renderTile(cImage32& image, cImage32& tile, int32_t w, int32_t h) {
    ASSERT_TRUE(tile.InitializeDIB(std::abs(w), std::abs(h)));
    const bool highQuality = image.HighQualityInterpolation();
    image.HighQualityInterpolation(false);
    ASSERT_TRUE(image.Render(0, 0, 0, w, h, 0, 0, 0, 0, 100, true, true, &tile));
    image.HighQualityInterpolation(highQuality);
}

// The destination as the tiles are meant to lie: rows of tiles one row step apart, tiles
// one column step apart and every second one the alternate tile when tiles flip; with
// stagger, every second row starts with the right half of the alternate (else the plain)
// tile, columns TW \ 2 to 2 x (TW \ 2) - 1, followed after the column gap by a whole row.
std::vector<std::vector<Px>> paintTiles(cImage32& image, const TileCase& c) {
    const int32_t tw = c.tileWidth ? c.tileWidth : image.Width(), th = c.tileHeight ? c.tileHeight : image.Height();
    const bool flips = c.flipX || c.flipY;
    cImage32 plain, alternate;
    renderTile(image, plain, tw, th);
    renderTile(image, alternate, c.flipX ? -tw : tw, c.flipY ? -th : th);
    const int TW = std::abs(tw), TH = std::abs(th);
    const int columnStep = TW + std::abs(c.columnGap), rowStep = TH + std::abs(c.rowGap);

    std::vector<std::vector<Px>> canvas(size_t(c.destHeight), std::vector<Px>(size_t(c.destWidth), Px{0, 0, 0, 0}));
    auto place = [&](const cImage32& tile, int fromColumn, int columns, int x0, int y0) {
        for (int ty = 0; ty < TH && y0 + ty < c.destHeight; ++ty)
            for (int tx = 0; tx < columns && x0 + tx < c.destWidth; ++tx)
                canvas[size_t(y0 + ty)][size_t(x0 + tx)] = at(tile, fromColumn + tx, ty);
    };
    auto tileNumber = [&](int k) -> const cImage32& { return flips && k % 2 ? alternate : plain; };
    for (int band = 0; band * rowStep < c.destHeight; ++band) {
        const int y0 = band * rowStep;
        int start = 0;
        if (c.stagger && band % 2) {
            place(flips ? alternate : plain, TW / 2, TW / 2, 0, y0);
            start = TW / 2 + std::abs(c.columnGap);
        }
        for (int k = 0; start + k * columnStep < c.destWidth; ++k) place(tileNumber(k), 0, TW, start + k * columnStep, y0);
    }
    return canvas;
}

// The surface shows the canvas over the background inside the destination, and only the
// background outside it.
void expectSurface(const gdi::DibSurface& surface, const std::vector<std::vector<Px>>& canvas) {
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const int cx = x - kLeft, cy = y - kTop;
            Px expected = kBackground;
            if (cy >= 0 && cy < int(canvas.size()) && cx >= 0 && cx < int(canvas[0].size()) &&
                canvas[size_t(cy)][size_t(cx)].a != 0) {
                ASSERT_EQ(canvas[size_t(cy)][size_t(cx)].a, 255) << "the fixture is opaque";
                expected = canvas[size_t(cy)][size_t(cx)];
            }
            const Px shown = onSurface(surface, x, y);
            ASSERT_EQ((Px{shown.b, shown.g, shown.r, 255}), expected) << "at " << cx << ", " << cy;
        }
}

TEST_F(Tile, TilesLieWhereAPerTilePainterPutsThem) {
    const TileCase cases[] = {
        {"whole tiles", 17, 11, 0, 0, 0, 0, false, false, false},
        {"gaps", 23, 14, 0, 0, 2, -1, false, false, false},
        {"stagger with a column gap", 26, 15, 0, 0, 3, 1, true, false, false},
        {"stagger without gaps", 19, 13, 0, 0, 0, 0, true, false, false},
        {"alternate tiles flipped left-right", 24, 9, 0, 0, 1, 0, false, true, false},
        {"alternate tiles flipped top-bottom", 21, 12, 0, 0, 0, 2, false, false, true},
        {"flipped both ways and staggered", 33, 17, 0, 0, 1, 1, true, true, true},
        {"as high as one tile", 40, 4, 0, 0, 0, 0, false, false, false},
        {"as high as one tile, staggered and flipped", 40, 4, 0, 0, 2, 0, true, true, false},
        {"room for part of the alternate tile", 8, 10, 0, 0, 0, 0, false, true, false},
        {"narrower than a tile, staggered", 3, 13, 0, 0, 0, 1, true, false, false},
        {"narrower than half a tile, staggered", 1, 9, 0, 0, 0, 0, true, false, false},
        {"lower than a tile", 12, 3, 0, 0, 1, 0, true, false, false},
        {"scaled tiles", 30, 20, 7, 3, 1, 1, false, false, false},
        {"mirrored tiles, every second one back", 30, 20, -6, 4, 0, 0, false, true, false},
        {"many doublings", 203, 97, 0, 0, 1, 2, true, true, false},
    };
    for (const TileCase& c : cases) {
        for (const bool highQuality : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.name << (highQuality ? ", interpolation on" : ""));
            cImage32 image;
            placeImage(image, 5, 4);
            image.Alpha(cImage32::AlphaOpaque);
            image.HighQualityInterpolation(highQuality);
            const std::vector<std::vector<Px>> expected = paintTiles(image, c);

            gdi::DibSurface surface(c.destWidth + 5, c.destHeight + 3, 32);
            paintSurface(surface, kBackground);
            ASSERT_TRUE(image.TileImage(surface.dc(), kLeft, kTop, c.destWidth, c.destHeight, c.tileWidth, c.tileHeight,
                                        c.columnGap, c.rowGap, c.stagger, c.flipX, c.flipY));
            expectSurface(surface, expected);
            EXPECT_EQ(image.HighQualityInterpolation(), highQuality);
        }
    }
}

// The first row of tiles is filled across in bands of rows side by side: cut into bands of a
// row or two on several threads, every drawing gives the bytes of one thread.
TEST_F(Tile, BandsOfRowsOnSeveralThreadsGiveTheBytesOfOne) {
    const TileCase cases[] = {
        {"gaps", 203, 97, 0, 0, 2, 1, false, false, false},
        {"staggered and flipped", 211, 90, 0, 0, 1, 2, true, true, false},
        {"scaled and mirrored, flipped top-bottom", 150, 61, -9, 13, 0, 3, false, false, true},
    };
    cImage32 image;
    placeImage(image, 37, 23);
    image.Alpha(cImage32::AlphaOpaque);
    for (const TileCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> results[2];
        for (const int threads : {1, 3}) {
            sys::setRowBandThreads(threads);
            sys::setMinimumBandPixels(1);
            gdi::DibSurface surface(c.destWidth + 5, c.destHeight + 3, 32);
            paintSurface(surface, kBackground);
            ASSERT_TRUE(image.TileImage(surface.dc(), kLeft, kTop, c.destWidth, c.destHeight, c.tileWidth, c.tileHeight,
                                        c.columnGap, c.rowGap, c.stagger, c.flipX, c.flipY));
            results[threads > 1].assign(surface.bits(), surface.bits() + surface.stride() * surface.height());
        }
        sys::setRowBandThreads(0);
        sys::setMinimumBandPixels(0);
        EXPECT_EQ(results[0], results[1]);
    }
}

// The three painters: AlphaBlend (Windows 2000), the own pipeline (NT 4 without
// gdiplus.dll) and the GDI+ bridge (NT 4 with it).
struct TilePainter {
    const char* name;
    sys::VersionRecord version;
    bool gdiplus;
};
const TilePainter kTilePainters[] = {{"AlphaBlend", {5, 0, 2195, sys::kPlatformNT, "", 0, 0}, true},
                                     {"pipeline", {4, 0, 1381, sys::kPlatformNT, "Service Pack 6", 6, 0}, false},
                                     {"GDI+", {4, 0, 1381, sys::kPlatformNT, "Service Pack 6", 6, 0}, true}};

// The platform on which the painter draws, and the opaque 5 x 4 picture the tests tile.
void paintWith(const TilePainter& painter, cImage32& image) {
    sys::testing::overrideVersion(painter.version, false);
    sys::setLibraryAbsent("gdiplus.dll", !painter.gdiplus);
    placeImage(image, 5, 4);
    image.Alpha(cImage32::AlphaOpaque);
}

TEST_F(Tile, EveryPainterDrawsTheCanvasAsOneRenderOfItWouldDraw) {
    // Every painter at 60 % onto 32- and 24-bpp devices: the same bytes and the same answer
    // as one Render of the whole canvas the per-tile painter makes, also where the first rows
    // of tiles, or all of them, lie above the device.
    const TileCase c{"flipped both ways and staggered", 33, 17, 0, 0, 1, 1, true, true, true};
    for (const TilePainter& painter : kTilePainters)
        for (const int bitsPerPixel : {32, 24})
            for (const int top : {kTop, -12, -17}) {
                SCOPED_TRACE(testing::Message() << painter.name << ", " << bitsPerPixel << " bpp, at " << top);
                cImage32 image;
                paintWith(painter, image);
                const std::vector<std::vector<Px>> tiles = paintTiles(image, c);
                cImage32 canvas;
                ASSERT_TRUE(canvas.InitializeDIB(c.destWidth, c.destHeight));
                for (int y = 0; y < c.destHeight; ++y)
                    for (int x = 0; x < c.destWidth; ++x) put(canvas, x, y, tiles[size_t(y)][size_t(x)]);

                gdi::DibSurface tiled(c.destWidth + 5, c.destHeight + 3, bitsPerPixel),
                    rendered(c.destWidth + 5, c.destHeight + 3, bitsPerPixel);
                const size_t bytes = size_t(bitsPerPixel / 8);
                for (const gdi::DibSurface* surface : {&tiled, &rendered})
                    for (int y = 0; y < surface->height(); ++y)
                        for (size_t x = 0; x < size_t(surface->width()); ++x)
                            std::memcpy(surface->row(y) + x * bytes, &kBackground, bytes);
                EXPECT_EQ(image.TileImage(tiled.dc(), kLeft, top, c.destWidth, c.destHeight, c.tileWidth, c.tileHeight,
                                          c.columnGap, c.rowGap, c.stagger, c.flipX, c.flipY, 60),
                          canvas.Render(rendered.dc(), kLeft, top, c.destWidth, c.destHeight, 0, 0, 0, 0, 60));
                const size_t size = size_t(tiled.stride()) * size_t(tiled.height());
                EXPECT_EQ(std::memcmp(tiled.bits(), rendered.bits(), size), 0);
            }
}

// The device shows the tiles of `expected` from its column x0 and row y0 on.
void expectTilesFrom(const gdi::DibSurface& surface, const std::vector<std::vector<Px>>& expected, int x0, int y0) {
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            const Px want = expected[size_t(y0 + y)][size_t(x0 + x)], shown = onSurface(surface, x, y);
            ASSERT_EQ((Px{shown.b, shown.g, shown.r, 255}), want.a ? want : kBackground) << "at " << x << ", " << y;
        }
}

// Only the part of the destination on the device is tiled, whatever part that is: a device
// that shows a window of the destination rectangle, cut at any of its edges and at any
// place in the pattern, shows the tiles that lie there.
TEST_F(Tile, ADeviceShowingPartOfTheDestinationShowsTheTilesThatLieThere) {
    const TileCase cases[] = {
        {"gaps", 61, 47, 0, 0, 2, 1, false, false, false},
        {"flipped both ways and staggered", 67, 53, 0, 0, 1, 1, true, true, true},
        {"staggered, alternate tiles flipped left-right", 59, 44, 0, 0, 3, 0, true, true, false},
        {"scaled tiles", 70, 50, 7, 3, 1, 1, false, false, false},
    };
    struct Window {
        const char* name;
        int x, y, w, h;  // in the destination rectangle
    };
    for (const TileCase& c : cases) {
        const Window windows[] = {{"its left part", -3, 0, 20, c.destHeight},
                                  {"its right part", c.destWidth - 17, -2, 30, c.destHeight + 4},
                                  {"its top part", 0, -4, c.destWidth, 19},
                                  {"its bottom part", 0, c.destHeight - 13, c.destWidth, 20},
                                  {"its middle", 23, 17, 19, 13},
                                  {"a part whole periods in", 48, 10, 15, 20}};
        for (const TilePainter& painter : kTilePainters)
            for (const Window& w : windows) {
                SCOPED_TRACE(testing::Message() << c.name << ", " << painter.name << ", a device showing " << w.name);
                cImage32 image;
                paintWith(painter, image);
                // The tiles of the rectangle, with the background's margin around it.
                std::vector<std::vector<Px>> expected = paintTiles(image, c);
                for (auto& row : expected) row.insert(row.begin(), 3, Px{}), row.resize(row.size() + 20);
                expected.insert(expected.begin(), 4, std::vector<Px>(expected[0].size()));
                expected.resize(expected.size() + 20, std::vector<Px>(expected[0].size()));

                gdi::DibSurface surface(w.w, w.h, 32);
                paintSurface(surface, kBackground);
                ASSERT_TRUE(image.TileImage(surface.dc(), -w.x, -w.y, c.destWidth, c.destHeight, c.tileWidth,
                                            c.tileHeight, c.columnGap, c.rowGap, c.stagger, c.flipX, c.flipY));
                expectTilesFrom(surface, expected, w.x + 3, w.y + 4);
            }
    }
}

// A destination of 2^31 - 1 pixels square on a 64 x 64 device: the tiles of the part on the
// device, there, at any place in the pattern. The pattern repeats every 12 columns and every
// 10 rows here, but for the half tile that opens every staggered row: the device shows what
// lies a period or more in.
TEST_F(Tile, AFarLargerDestinationIsTiledWhereTheDeviceShowsIt) {
    const TileCase c{"flipped left-right and staggered", 12 + 64 + 11, 64 + 9, 0, 0, 1, 1, true, true, false};
    for (const TilePainter& painter : kTilePainters)
        for (const auto& [column, row] : {std::pair{0, 0}, std::pair{5, 7}, std::pair{11, 9}}) {
            SCOPED_TRACE(testing::Message() << painter.name << ", from column " << column << " and row " << row
                                            << " of the pattern");
            cImage32 image;
            paintWith(painter, image);
            const std::vector<std::vector<Px>> expected = paintTiles(image, c);
            gdi::DibSurface surface(64, 64, 32);
            paintSurface(surface, kBackground);
            const int32_t x = -(12 * 100000000 + column), y = -(10 * 100000000 + row);
            ASSERT_TRUE(image.TileImage(surface.dc(), x, y, INT32_MAX, INT32_MAX, 0, 0, c.columnGap, c.rowGap, c.stagger,
                                        c.flipX, c.flipY));
            expectTilesFrom(surface, expected, 12 + column, row);
        }
}

TEST_F(Tile, ADestinationSmallerThanATileGetsTheWholeImageScaled) {
    cImage32 image;
    placeImage(image, 5, 4);
    image.Alpha(cImage32::AlphaOpaque);
    gdi::DibSurface tiled(9, 9, 32), rendered(9, 9, 32);
    paintSurface(tiled, kBackground);
    paintSurface(rendered, kBackground);
    ASSERT_TRUE(image.TileImage(tiled.dc(), 1, 2, 3, 2));
    ASSERT_TRUE(image.Render(rendered.dc(), 1, 2, 3, 2));
    EXPECT_EQ(std::memcmp(tiled.bits(), rendered.bits(), size_t(tiled.stride()) * 9), 0);
}

TEST_F(Tile, RefusesWhatCannotBeDrawn) {
    cImage32 image, empty;
    placeImage(image, 5, 4);
    gdi::DibSurface surface(8, 8, 32);
    paintSurface(surface, kBackground);
    EXPECT_FALSE(image.TileImage(0, 0, 0, 8, 8));
    EXPECT_FALSE(empty.TileImage(surface.dc(), 0, 0, 8, 8));
    for (const auto& [w, h] : {std::pair{0, 8}, std::pair{8, 0}, std::pair{-8, 8}, std::pair{8, -8}})
        EXPECT_FALSE(image.TileImage(surface.dc(), 0, 0, w, h)) << w << " x " << h;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(onSurface(surface, x, y), kBackground);
}

}  // namespace
