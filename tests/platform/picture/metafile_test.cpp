// WMF and EMF pictures: sizes, saving, playback checked pixel by pixel against the
// fixtures' own coordinates, and against reference renderings (libwmf's wmf2gd for WMF;
// emf2svg-conv's SVG rasterised by rsvg-convert for EMF).

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "oracles.h"
#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/costly_metafiles.h"
#include "platform/picture/metafile_builder.h"
#include "platform/picture/metafile_player.h"
#include "platform/picture/picture.h"

namespace picture::test {
namespace {

using namespace gdi;
using picture::testing::EmfBuilder;
using picture::testing::emfFont;
using picture::testing::emfText;
using picture::testing::WmfBuilder;

constexpr uint32_t kUntouched = 0xFFFFFFFF;  // white with alpha 255: playback never writes it

// A picture played upright into a DIB of its own pixel size, prefilled untouched.
struct Played {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    uint32_t rgb(int x, int y) const { return at(x, y) & 0xFFFFFF; }
};

Played play(const Picture& p) {
    const SIZE size = p.pixelSize();
    DibSurface s(size.cx, size.cy, 32);
    EXPECT_TRUE(s.valid());
    Played out{size.cx, size.cy, {}};
    for (int y = 0; y < size.cy; ++y) std::fill_n(reinterpret_cast<uint32_t*>(s.row(y)), size.cx, kUntouched);
    EXPECT_TRUE(p.Render(s.dc(), 0, 0, size.cx, size.cy, 0, p.Height(), p.Width(), -p.Height()));
    for (int y = 0; y < size.cy; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(s.row(y));
        out.pixels.insert(out.pixels.end(), row, row + size.cx);
    }
    return out;
}

Picture load(const std::string& relative) { return LoadPicture(fixture(relative)); }

// Both formats carry the same drawing in each family.
class Family : public ::testing::TestWithParam<const char*> {
protected:
    Played played(const std::string& name) { return play(load(std::string(GetParam()) + "/" + name + "." + GetParam())); }
};

// Every pixel of [l, r) x [t, b) has the colour (alpha 0), or is untouched.
void expectBox(const Played& p, int l, int t, int r, int b, uint32_t color, const char* what) {
    int wrong = 0;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            if (p.at(x, y) != color && wrong++ < 3) ADD_FAILURE() << what << " at " << x << "," << y << ": " << std::hex << p.at(x, y);
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00A000, kBlue = 0x0000FF, kBlack = 0;

TEST_P(Family, SizesAndTypes) {
    const bool wmf = std::string(GetParam()) == "wmf";
    const Picture p = load(std::string(GetParam()) + "/shapes." + GetParam());
    EXPECT_EQ(p.Type(), wmf ? kPicTypeMetafile : kPicTypeEnhMetafile);
    EXPECT_EQ(GetObjectType(p.Handle()), wmf ? OBJ_METAFILE : OBJ_ENHMETAFILE);
    EXPECT_EQ(p.pixelSize().cx, 192);
    EXPECT_EQ(p.pixelSize().cy, 144);
    EXPECT_EQ(p.Width(), 5080);  // 192 pixels at 96 DPI
    // No bitmap lies behind a metafile handle.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    const HDC dc = CreateCompatibleDC(0);
    EXPECT_EQ(GetDIBits(dc, p.Handle(), 0, 1, nullptr, &info, DIB_RGB_COLORS), 0);
    DeleteDC(dc);
}

TEST_P(Family, SavingWritesTheBytesAsLoaded) {
    for (const char* name : {"shapes", "bitmaps", "text"}) {
        const std::string path = fixture(std::string(GetParam()) + "/" + name + "." + GetParam());
        EXPECT_EQ(SavePictureToBytes(LoadPicture(path)), readBytes(path)) << name;
    }
}

TEST_P(Family, PensAndLines) {
    const Played p = played("pens");
    expectBox(p, 10, 10, 180, 11, kRed, "solid line");
    EXPECT_EQ(p.at(180, 10), kUntouched);  // the end point is not drawn
    EXPECT_EQ(p.at(9, 10), kUntouched);
    // Dashes: 18 on, 6 off from the start.
    expectBox(p, 10, 20, 28, 21, kBlue, "dash");
    expectBox(p, 28, 20, 34, 21, kUntouched, "dash gap");
    expectBox(p, 50, 68, 150, 73, kGreen, "wide pen");
    expectBox(p, 10, 90, 180, 91, kUntouched, "null pen");
    EXPECT_EQ(p.at(10, 110), kBlack);  // the polyline's first point
}

TEST_P(Family, ShapesWithEachBrush) {
    const Played p = played("shapes");
    expectBox(p, 10, 10, 60, 11, kBlack, "solid rectangle's top edge");
    expectBox(p, 59, 10, 60, 50, kBlack, "solid rectangle's right edge");
    expectBox(p, 11, 11, 59, 49, kRed, "solid brush");
    EXPECT_EQ(p.at(60, 30), kUntouched);
    EXPECT_EQ(p.at(30, 50), kUntouched);
    // Hatch: 8 x 8 cells anchored at the surface origin, lines at x % 8 == 0 and y % 8 == 0.
    EXPECT_EQ(p.at(80, 30), kBlue);
    EXPECT_EQ(p.at(81, 32), kBlue);
    EXPECT_EQ(p.at(81, 31), kUntouched);  // transparent hatch gap
    expectBox(p, 131, 11, 179, 49, kUntouched, "null brush");
    EXPECT_EQ(p.at(140, 95), 0xFFDC00u);  // the ellipse's centre
    EXPECT_EQ(p.at(101, 61), kUntouched); // outside the ellipse, inside its box
    EXPECT_EQ(p.at(50, 95), kGreen);      // rounded rectangle
    EXPECT_EQ(p.at(11, 61), kUntouched);  // its rounded corner
}

TEST_P(Family, PolygonsInBothFillModes) {
    const Played p = played("polygons");
    EXPECT_EQ(p.at(48, 62), kUntouched);  // a pentagram's centre winds twice: a hole
    EXPECT_EQ(p.at(144, 62), kBlue);      // but not in winding mode
    EXPECT_EQ(p.at(48, 30), kBlue);       // a point of the star
    expectBox(p, 20, 112, 172, 120, kBlue, "poly-polygon band");
    expectBox(p, 60, 120, 132, 132, kUntouched, "poly-polygon hole");
}

TEST_P(Family, BitmapsThroughEachBlit) {
    const Played p = played("bitmaps");
    const auto checker = [](int x, int y) -> uint32_t {
        return y < 8 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : 0xFFFFFF);
    };
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            wrong += p.at(10 + x, 10 + y) != checker(x, y);           // 1:1
            wrong += p.at(40 + 2 * x, 10 + 2 * y) != checker(x, y);   // stretched twice
            wrong += p.at(90 + 3 * x, 10 + y) != checker(x, y);       // three times as wide
        }
    EXPECT_EQ(wrong, 0);
    expectBox(p, 10, 60, 50, 80, kGreen, "pattern blit");
    EXPECT_EQ(p.at(50, 70), kUntouched);
    if (std::string(GetParam()) == "emf") {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) EXPECT_EQ(p.at(150 + x, 10 + y), checker(x, y)) << "SetDIBitsToDevice";
    }
}

TEST_P(Family, SaveRestoreAndClipping) {
    const Played p = played("clip");
    expectBox(p, 20, 20, 172, 60, kRed, "inside the clip");
    expectBox(p, 80, 60, 112, 84, kUntouched, "the excluded hole");
    expectBox(p, 172, 20, 192, 124, kUntouched, "right of the clip");
    if (std::string(GetParam()) == "wmf") {
        // A rectangle drawn with the null pen fills one pixel less each way.
        expectBox(p, 0, 0, 10, 10, kBlue, "after restore");
        EXPECT_EQ(p.at(10, 5), kUntouched);
    } else {
        expectBox(p, 0, 130, 20, 140, kBlue, "region rectangle");
        expectBox(p, 20, 130, 30, 140, kUntouched, "between the region's rectangles");
        expectBox(p, 0, 120, 20, 130, kUntouched, "above the region");
    }
}

TEST(Metafile, WindowRecordsMapOntoTheBoundingBox) {
    const Played p = play(load("wmf/mapping.wmf"));
    // Null-pen rectangles: logical 100..900 is pixels 10..90, filled 10..88.
    expectBox(p, 10, 10, 89, 69, kRed, "window extent");
    EXPECT_EQ(p.at(89, 40), kUntouched);
    expectBox(p, 100, 100, 139, 129, kBlue, "offset window origin");
    EXPECT_EQ(p.at(139, 110), kUntouched);
}

TEST(Metafile, MetricModesAndWorldTransforms) {
    const Played p = play(load("emf/mapping.emf"));
    EXPECT_EQ(p.rgb(50, 40), kRed);         // MM_LOMETRIC with y up
    EXPECT_EQ(p.at(50, 80), kUntouched);
    EXPECT_EQ(p.rgb(140, 40), kBlue);       // turned about (140, 40)
    EXPECT_EQ(p.rgb(140, 100), kBlue);      // and moved down by 60
    EXPECT_EQ(p.at(162, 40), kUntouched);   // the turn shortens its reach along x
    EXPECT_EQ(p.rgb(155, 50), kBlue);       // and lifts its corner
}

TEST(Metafile, WmfFixedMappingModesIgnoreTheDestinationsSize) {
    // A 192 x 144 picture (96 units per inch) played into 384 x 288 pixels: the box would
    // scale by 2, but each fixed mode maps its own unit at 96 pixels per inch, from the
    // window origin, y up in the metric ones. Every case fills device (48, 48)-(144, 96),
    // which a null-pen rectangle covers one pixel short on the right and bottom.
    struct Case {
        const char* name;
        int mode;
        int16_t orgX, orgY;                        // window origin
        int16_t left, top, right, bottom;          // the rectangle, logical
    };
    const Case cases[] = {
        {"MM_TEXT", 1, -38, -38, 10, 10, 106, 58},
        {"MM_LOMETRIC", 2, 0, 381, 127, 254, 381, 127},       // 254 units per inch
        {"MM_HIMETRIC", 3, 0, 3810, 1270, 2540, 3810, 1270},  // 2540
        {"MM_LOENGLISH", 4, 0, 150, 50, 100, 150, 50},        // 100
        {"MM_HIENGLISH", 5, 0, 1500, 500, 1000, 1500, 500},   // 1000
        {"MM_TWIPS", 6, 0, 2160, 720, 1440, 2160, 720},       // 1440
    };
    for (const Case& c : cases) {
        WmfBuilder w(0, 0, 192, 144, 96, 2);
        w.record(0x0103, {c.mode});                                   // SetMapMode
        w.record(0x020B, {c.orgY, c.orgX});                           // SetWindowOrg
        w.record(0x020C, {1000, 1000}).record(0x020E, {7, 7});        // extents: ignored
        w.record(0x02FA, {5, 1, 0, 0, 0}).record(0x012D, {0});        // null pen
        w.record(0x02FC, {0, 0x00FF, 0, 0}).record(0x012D, {1});      // red brush
        w.record(0x041B, {c.bottom, c.right, c.top, c.left});         // Rectangle
        const Picture picture = TryLoadPictureFromBytes(w.bytes());
        ASSERT_TRUE(picture) << c.name;
        DibSurface s(384, 288, 32);
        for (int y = 0; y < 288; ++y) std::fill_n(reinterpret_cast<uint32_t*>(s.row(y)), 384, kUntouched);
        ASSERT_TRUE(picture.Render(s.dc(), 0, 0, 384, 288, 0, picture.Height(), picture.Width(), -picture.Height()));
        const auto at = [&](int x, int y) { return reinterpret_cast<const uint32_t*>(s.row(y))[x]; };
        for (const auto& [x, y] : {std::pair{48, 48}, {142, 48}, {48, 94}, {142, 94}, {95, 70}})
            EXPECT_EQ(at(x, y), kRed) << c.name << " at " << x << "," << y;
        for (const auto& [x, y] : {std::pair{47, 60}, {143, 60}, {95, 47}, {95, 95}, {200, 150}})
            EXPECT_EQ(at(x, y), kUntouched) << c.name << " at " << x << "," << y;
    }
}

TEST(Metafile, EmfExtentsChangeOnlyInTheScalableModes) {
    EmfBuilder e(192, 144, 2);
    e.record(9, {1000, 1000}).record(11, {7, 7});            // extents in MM_TEXT: ignored
    e.record(37, {int32_t(0x80000008)});                     // the null pen
    e.record(39, {1, 0, 0x0000FF, 0}).record(37, {1});       // a red brush
    e.record(43, {10, 10, 50, 50});                          // pixels 10..48
    e.record(17, {8});                                       // MM_ANISOTROPIC
    e.record(9, {2, 2}).record(11, {1, 1});                  // half size
    e.record(43, {200, 200, 280, 280});                      // pixels 100..138
    const Played p = play(TryLoadPictureFromBytes(e.bytes()));
    expectBox(p, 10, 10, 49, 49, kRed, "1:1 in MM_TEXT");
    EXPECT_EQ(p.at(49, 30), kUntouched);
    expectBox(p, 100, 100, 139, 139, kRed, "halved in MM_ANISOTROPIC");
    EXPECT_EQ(p.at(139, 120), kUntouched);
}

TEST(Metafile, ArcToDrawsFromThePositionAndMovesItToTheArcsEnd) {
    // From (10, 80), ArcTo on the circle in (40, 40)-(120, 120), counter-clockwise from its
    // rightmost point to its top, then LineTo(80, 10): drawn directly and as a stroked path.
    for (const bool path : {false, true}) {
        EmfBuilder e(192, 144);
        if (path) e.record(59, {});                           // BeginPath
        e.record(27, {10, 80});                               // MoveToEx
        e.record(55, {40, 40, 120, 120, 120, 80, 80, 40});    // ArcTo: box, start, end
        e.record(54, {80, 10});                               // LineTo
        if (path) e.record(60, {}).record(64, {0, 0, 0, 0});  // EndPath, StrokePath
        const Played p = play(TryLoadPictureFromBytes(e.bytes()));
        expectBox(p, 10, 80, 119, 81, kBlack, "line to the arc's start");
        expectBox(p, 80, 11, 81, 41, kBlack, "line on from the arc's end");
        int arc = 0;  // the arc's middle, near (107.4, 51.6)
        for (int y = 51; y <= 53; ++y)
            for (int x = 106; x <= 108; ++x) arc += p.at(x, y) == kBlack;
        EXPECT_GT(arc, 0) << path;
        EXPECT_EQ(p.at(45, 45), kUntouched) << path;  // no line from (10, 80) to (80, 10)
    }
}

TEST(Metafile, TextThatUpdatesThePositionStartsWhereTheLastEnded) {
    // From (10, 20), "Quill" twice with TA_UPDATECP (the records' own points are ignored),
    // beside "QuillQuill" at (10, 20) in one record: the same ink, to a pixel.
    const auto played = [](bool updateCp) {
        EmfBuilder e(192, 144, 2);
        emfFont(e, -16);
        e.record(18, {1});                                          // transparent
        if (updateCp) {
            e.record(22, {1});                                      // TA_UPDATECP
            e.record(27, {10, 20});                                 // MoveToEx
            emfText(e, 150, 100, u"Quill"), emfText(e, 150, 100, u"Quill");
        } else {
            emfText(e, 10, 20, u"QuillQuill");
        }
        return play(TryLoadPictureFromBytes(e.bytes()));
    };
    const auto inked = [](const Played& p) {
        RECT r{p.width, p.height, -1, -1};
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.at(x, y) != kUntouched)
                    r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x),
                         std::max<LONG>(r.bottom, y)};
        return r;
    };
    const RECT moved = inked(played(true)), whole = inked(played(false));
    EXPECT_GT(whole.right - whole.left, 60);
    EXPECT_EQ(moved.left, whole.left);
    EXPECT_NEAR(moved.right, whole.right, 1);
    EXPECT_EQ(moved.top, whole.top);
    EXPECT_EQ(moved.bottom, whole.bottom);
}

TEST(Metafile, PlaybackStopsWhenItsWorkBudgetIsSpent) {
    // Full-size red rectangles, then a blue one: a few hundred fit the budget of a 64 x 64
    // target, twenty thousand do not, and playback stops with the red ones drawn.
    for (const int rectangles : {300, 20000}) {
        EmfBuilder e(64, 64, 3);
        e.record(39, {1, 0, 0x0000FF, 0}).record(37, {1});   // red brush
        for (int i = 0; i < rectangles; ++i) e.record(43, {0, 0, 64, 64});
        e.record(39, {2, 0, 0xFF0000, 0}).record(37, {2});   // blue brush
        e.record(43, {10, 10, 20, 20});
        const std::vector<uint8_t> bytes = e.bytes();
        DibSurface s(64, 64, 32);
        std::string reason;
        const bool finished = detail::playEmf(s.dc(), bytes, {0, 0, 64, 64, {0, 0, 64, 64}}, &reason);
        const uint32_t centre = reinterpret_cast<const uint32_t*>(s.row(15))[15] & 0xFFFFFF;
        EXPECT_EQ(finished, rectangles == 300) << reason;
        EXPECT_EQ(centre, rectangles == 300 ? kBlue : kRed);
        if (!finished) {
            EXPECT_NE(reason.find("work budget"), std::string::npos) << reason;
        }
    }
}

TEST(Metafile, CostlyDrawingEndsAtTheWorkBudget) {
    // Files whose drawing costs far more than their size, at 256 KB and 400 pixels: each
    // plays to its end or stops at the budget, never for another reason.
    using namespace picture::testing;
    struct Case {
        const char* name;
        std::vector<uint8_t> (*make)(int, size_t);
        bool stops;
    };
    const Case cases[] = {
        {"far bezier", farBezierEmf, false},          {"zigzag polygon", zigzagPolygonEmf, true},
        {"whole rectangles", wholeRectanglesEmf, true}, {"huge ellipses", hugeEllipsesEmf, true},
        {"wide pen lines", widePenLinesEmf, true},    {"wide pen polyline", widePenPolylineEmf, true},
        {"huge font text", hugeFontTextEmf, true},    {"spaced text", spacedTextEmf, false},
        {"lacking characters text", lackingCharactersTextEmf, true},
        {"one-pixel stretches", onePixelStretchesEmf, true}, {"halftoned bitmap", halftonedBitmapEmf, false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = c.make(400, 256 * 1024);
        ASSERT_LE(bytes.size(), 256u * 1024) << c.name;
        DibSurface s(400, 400, 32);
        std::string reason;
        const bool finished = detail::playEmf(s.dc(), bytes, {0, 0, 400, 400, {0, 0, 400, 400}}, &reason);
        EXPECT_EQ(finished, !c.stops) << c.name << ": " << reason;
        if (!finished) {
            EXPECT_NE(reason.find("work budget"), std::string::npos) << c.name << ": " << reason;
        }
    }
    std::string reason;
    const std::vector<uint8_t> wmf = wholeRectanglesWmf(400, 256 * 1024);
    DibSurface s(400, 400, 32);
    EXPECT_FALSE(detail::playWmf(s.dc(), std::span<const uint8_t>(wmf).subspan(detail::WmfHeader::kPlaceableBytes),
                                 detail::readWmfHeader(wmf), {0, 0, 400, 400, {0, 0, 400, 400}}, &reason));
    EXPECT_NE(reason.find("work budget"), std::string::npos) << reason;
}

TEST(Metafile, GoodFilesPlayToTheirEndAtAnySize) {
    for (const char* folder : {"wmf", "emf"})
        for (const std::string& path : filesIn(fixture(folder))) {
            const std::vector<uint8_t> bytes = readBytes(path);
            const bool wmf = std::string(folder) == "wmf";
            for (const int size : {16, 192, 1000}) {
                DibSurface s(size, size, 32);
                const detail::PlayTarget target{0, 0, double(size), double(size), {0, 0, size, size}};
                std::string reason;
                const auto records = std::span<const uint8_t>(bytes).subspan(wmf ? detail::WmfHeader::kPlaceableBytes : 0);
                const bool finished = wmf ? detail::playWmf(s.dc(), records, detail::readWmfHeader(bytes), target, &reason)
                                          : detail::playEmf(s.dc(), records, target, &reason);
                EXPECT_TRUE(finished) << baseName(path) << " at " << size << ": " << reason;
            }
        }
}

TEST(Metafile, DeclaredSizes) {
    const Picture wmf = load("wmf/inch.wmf");  // 1440 units at 1440 per inch
    EXPECT_EQ(wmf.Width(), 2540);
    EXPECT_EQ(wmf.pixelSize().cx, 96);
    const Picture emf = load("emf/frame_5000.emf");
    EXPECT_EQ(emf.Width(), 5000);
    EXPECT_EQ(emf.Height(), 2500);
}

TEST(Metafile, WmfWithoutPlaceableHeaderIsRefused) {
    std::string reason;
    EXPECT_FALSE(TryLoadPictureFromBytes(readBytes(fixture("wmf/malformed/no_placeable_header.wmf")), &reason));
    EXPECT_NE(reason.find("placeable"), std::string::npos) << reason;
}

TEST(Metafile, MalformedFilesStopPlaybackCleanly) {
    for (const char* folder : {"wmf/malformed", "emf/malformed"}) {
        for (const std::string& path : filesIn(fixture(folder))) {
            const std::vector<uint8_t> bytes = readBytes(path);
            const Picture p = TryLoadPictureFromBytes(bytes);
            if (!p) continue;  // refused at the header
            const Played out = play(p);
            std::string reason;
            DibSurface s(64, 64, 32);
            const detail::PlayTarget target{0, 0, 64, 64, {0, 0, 64, 64}};
            const bool wmf = p.Type() == kPicTypeMetafile;
            const auto records = std::span<const uint8_t>(bytes).subspan(wmf ? detail::WmfHeader::kPlaceableBytes : 0);
            const bool finished = wmf ? detail::playWmf(s.dc(), records, detail::readWmfHeader(bytes), target, &reason)
                                      : detail::playEmf(s.dc(), records, target, &reason);
            EXPECT_FALSE(finished) << baseName(path);
            EXPECT_FALSE(reason.empty()) << baseName(path);
            // What was drawn before the bad record stays: the line from (0, 0).
            const std::string name = baseName(path);
            if (name.find("overflow") != std::string::npos || name.find("out_of_range") != std::string::npos) {
                EXPECT_EQ(out.rgb(1, 1), wmf ? kRed : kBlack) << name;
            }
        }
    }
}

// ---- reference renderings ------------------------------------------------------------------

std::optional<Rgba> reference(const std::string& path, bool wmf) {
    const std::string png = (std::filesystem::temp_directory_path() / ("qm_ref_" + baseName(path) + ".png")).string();
    std::string command;
    if (wmf) {
        command = "wmf2gd --maxwidth=192 --maxheight=144 --maxsize -o '" + png + "' '" + path + "' >/dev/null 2>&1";
    } else {
        const std::string svg = png + ".svg";
        command = "emf2svg-conv -i '" + path + "' -o '" + svg + "' >/dev/null 2>&1 && rsvg-convert -b white -w 192 -h 144 -o '" +
                  png + "' '" + svg + "' >/dev/null 2>&1";
    }
    if (std::system(command.c_str()) != 0) return std::nullopt;
    return magickRgba(png);
}

// The share of pixels whose colour differs by more than 96 in a channel from every
// reference pixel within one pixel of it (renderers antialias and place outlines half a
// pixel apart), our untouched pixels counting as white, outside the rectangles where the
// reference renderer is known to draw otherwise.
double mismatch(const Played& ours, const Rgba& ref, const std::vector<RECT>& ignored) {
    if (ref.width != ours.width || ref.height != ours.height) return 1;
    int differ = 0, compared = 0;
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x) {
            if (std::any_of(ignored.begin(), ignored.end(), [&](const RECT& r) {
                    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                }))
                continue;
            ++compared;
            const uint32_t v = ours.rgb(x, y);
            const int rgb[3] = {int(v >> 16), int((v >> 8) & 255), int(v & 255)};
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    const int rx = x + dx, ry = y + dy;
                    if (rx < 0 || ry < 0 || rx >= ref.width || ry >= ref.height) continue;
                    const uint8_t* r = ref.at(rx, ry);
                    near = std::abs(rgb[0] - r[0]) <= 96 && std::abs(rgb[1] - r[1]) <= 96 &&
                           std::abs(rgb[2] - r[2]) <= 96;
                }
            differ += !near;
        }
    return compared ? double(differ) / compared : 1;
}

struct ReferenceCase {
    const char* name;
    double tolerance;            // share of the compared pixels that may differ
    std::vector<RECT> ignored;   // where the reference renderer is known to differ
};

// libwmf (0.2.12) fills no ellipses or rounded rectangles, ignores the winding fill mode
// and draws our frame rectangle; emf2svg (1.1.0) draws hatched brushes solid, fills every
// polygon as if winding, sweeps pies the other way, uses the whole width as a rounded
// rectangle's corner radius and plays no clipping (so the EMF clip fixture is compared
// by its exact pixels only). Dash lengths and glyph shapes differ between all three.
std::vector<ReferenceCase> referenceCases(bool wmf) {
    const RECT roundAndEllipse[] = {{0, 55, 192, 144}};
    if (wmf)
        return {{"arcs", 0.025, {}},
                {"polygons", 0.005, {{96, 10, 192, 108}}},
                {"shapes", 0.035, {roundAndEllipse[0]}},
                {"pens", 0.005, {}},
                {"text", 0.01, {}},
                {"clip", 0.012, {}}};
    return {{"arcs", 0.005, {{125, 5, 192, 75}}},
            {"polygons", 0.015, {{0, 10, 96, 108}, {55, 115, 137, 137}}},
            {"shapes", 0.02, {{65, 5, 125, 55}, {5, 55, 95, 135}}},
            {"pens", 0.02, {}},
            {"text", 0.01, {}}};
}

TEST_P(Family, CurvesPiesAndTextMatchTheReferenceRenderer) {
    const bool wmf = std::string(GetParam()) == "wmf";
    for (const ReferenceCase& c : referenceCases(wmf)) {
        const std::string path = fixture(std::string(GetParam()) + "/" + c.name + "." + GetParam());
        const auto ref = reference(path, wmf);
        ASSERT_TRUE(ref) << "reference renderer failed on " << path;
        const Picture picture = LoadPicture(path);
        EXPECT_LE(mismatch(play(picture), *ref, c.ignored), c.tolerance) << c.name;
        // The comparison sees a picture drawn upside down.
        Played flipped = play(picture);
        for (int y = 0; y < flipped.height / 2; ++y)
            std::swap_ranges(flipped.pixels.begin() + y * flipped.width, flipped.pixels.begin() + (y + 1) * flipped.width,
                             flipped.pixels.begin() + (flipped.height - 1 - y) * flipped.width);
        EXPECT_GT(mismatch(flipped, *ref, c.ignored), c.tolerance) << c.name << " upside down";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Family, ::testing::Values("wmf", "emf"));

}  // namespace
}  // namespace picture::test
