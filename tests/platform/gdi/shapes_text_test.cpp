// Filled shapes, clipping, fonts and text, metafile handles.

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "platform/gdi/device_drawing.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/qt_fonts.h"
#include "platform/gdi/regions.h"
#include "canvas.h"

namespace gdi::test {
namespace {

constexpr uint32_t kUntouched = 0xFF123456;  // alpha 255: no gdi call writes that

TEST(Shapes, PolygonFillModesDifferOnlyInTheInnerSquare) {
    // One outer and one inner square, both clockwise: ALTERNATE leaves a hole, WINDING not.
    const POINT points[] = {{2, 2}, {18, 2}, {18, 18}, {2, 18}, {6, 6}, {14, 6}, {14, 14}, {6, 14}};
    const INT counts[] = {4, 4};
    for (int mode : {ALTERNATE, WINDING}) {
        Canvas c(20, 20, 32);
        c.fill(kUntouched);
        Selected brush(c.dc(), CreateSolidBrush(RGB(255, 0, 0)));
        Selected pen(c.dc(), GetStockObject(NULL_PEN));
        SetPolyFillMode(c.dc(), mode);
        ASSERT_TRUE(PolyPolygon(c.dc(), points, counts, 2));
        EXPECT_EQ(c.at(4, 4), 0x00FF0000u);          // between the squares: red, alpha 0
        EXPECT_EQ(c.at(10, 10), mode == WINDING ? 0x00FF0000u : kUntouched);
        EXPECT_EQ(c.at(18, 10), kUntouched);         // right edge is outside the fill
        EXPECT_EQ(c.at(1, 1), kUntouched);
    }
}

TEST(Shapes, EllipseIsSymmetricAndLeavesTheCornersAlone) {
    Canvas c(21, 15, 32);
    c.fill(kUntouched);
    Selected brush(c.dc(), CreateSolidBrush(RGB(0, 0, 255)));
    Selected pen(c.dc(), GetStockObject(NULL_PEN));
    ASSERT_TRUE(Ellipse(c.dc(), 0, 0, 21, 15));
    EXPECT_EQ(c.at(10, 7), 0x000000FFu);
    EXPECT_EQ(c.at(1, 7), 0x000000FFu);
    for (auto [x, y] : {std::pair{0, 0}, {20, 0}, {0, 14}, {20, 14}}) EXPECT_EQ(c.at(x, y), kUntouched);
    // Pixels exactly on the outline may go either way; all others mirror.
    int differ = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 21; ++x) differ += c.at(x, y) != c.at(20 - x, 14 - y);
    EXPECT_LE(differ, 8);
}

TEST(Shapes, ClipRectanglesConfineFillsAndStrokes) {
    Canvas c(20, 20, 32);
    c.fill(kUntouched);
    Selected brush(c.dc(), CreateSolidBrush(RGB(0, 255, 0)));
    EXPECT_EQ(IntersectClipRect(c.dc(), 5, 5, 15, 15), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(c.dc(), 8, 8, 12, 12), COMPLEXREGION);
    ASSERT_TRUE(FillFigures(c.dc(), {{{0, 0}, {19, 0}, {19, 19}, {0, 19}}}, ALTERNATE));
    EXPECT_EQ(c.at(4, 10), kUntouched);
    EXPECT_EQ(c.at(5, 10), 0x0000FF00u);
    EXPECT_EQ(c.at(10, 10), kUntouched);  // the excluded hole
    EXPECT_EQ(c.at(15, 10), kUntouched);
    SelectClipRgn(c.dc(), 0);
    MoveToEx(c.dc(), 0, 19, nullptr);
    LineTo(c.dc(), 20, 19);
    EXPECT_EQ(c.at(0, 19) & 0xFFFFFF, 0u);  // unclipped again
}

TEST(Shapes, PlaybackStrokesClearTheAlphaByte) {
    Canvas c(10, 3, 32);
    c.fill(kUntouched);
    MoveToEx(c.dc(), 0, 1, nullptr);
    LineTo(c.dc(), 5, 1);
    EXPECT_EQ(c.at(2, 1), 0xFF000000u);  // pens keep the alpha byte by default
    SetStrokesClearAlpha(c.dc(), true);
    LineTo(c.dc(), 10, 1);
    EXPECT_EQ(c.at(7, 1), 0u);
}

TEST(Shapes, HugeAndNonFiniteCoordinatesAreHandled) {
    Canvas c(16, 16, 32);
    c.fill(kUntouched);
    Selected brush(c.dc(), CreateSolidBrush(RGB(1, 2, 3)));
    EXPECT_TRUE(FillFigures(c.dc(), {{{-1e12, -1e12}, {1e12, -1e12}, {1e12, 1e12}, {-1e12, 1e12}}}, WINDING));
    EXPECT_EQ(c.at(8, 8), 0x00010203u);
    EXPECT_FALSE(FillFigures(c.dc(), {{{0, 0}, {NAN, 1}, {5, 5}}}, WINDING));
    EXPECT_TRUE(Ellipse(c.dc(), -2000000000, -2000000000, 2000000000, 2000000000));
}

TEST(Fonts, LogfontRoundTripsAndFacesMapToTheInstalledOnes) {
    LOGFONTW log{};
    log.lfHeight = -20;
    log.lfWeight = FW_BOLD;
    const std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), log.lfFaceName);
    const HFONT font = CreateFontIndirectW(&log);
    ASSERT_NE(font, 0u);
    EXPECT_EQ(GetObjectType(font), OBJ_FONT);
    LOGFONTW back{};
    EXPECT_EQ(GetObject(font, sizeof(back), &back), int(sizeof(LOGFONTW)));
    EXPECT_EQ(back.lfHeight, -20);
    EXPECT_EQ(std::u16string(back.lfFaceName), u"Arial");
    ASSERT_TRUE(detail::fontSystemReady());
    EXPECT_EQ(QFontInfo(detail::qtFont(log)).family(), "Liberation Sans");
    const std::u16string times = u"Times New Roman";
    std::fill(std::begin(log.lfFaceName), std::end(log.lfFaceName), 0);
    std::copy(times.begin(), times.end(), log.lfFaceName);
    EXPECT_EQ(QFontInfo(detail::qtFont(log)).family(), "Liberation Serif");
    EXPECT_TRUE(DeleteObject(font));
}

// The columns and rows text touched (alpha byte cleared) on a canvas filled untouched.
RECT inked(const Canvas& c) {
    RECT r{c.width(), c.height(), -1, -1};
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if ((c.at(x, y) >> 24) == 0) {
                r.left = std::min<LONG>(r.left, x), r.right = std::max<LONG>(r.right, x);
                r.top = std::min<LONG>(r.top, y), r.bottom = std::max<LONG>(r.bottom, y);
            }
    return r;
}

TEST(Text, AlignmentPlacesTheTextAroundTheReferencePoint) {
    LOGFONTW log{};
    log.lfHeight = -16;
    const std::u16string text = u"HHHH";
    struct Case {
        UINT align;
        bool right;  // text lies left of x
        int where;   // -1 above y, 1 below y, 0 across it
    };
    for (const Case& k : {Case{TA_LEFT | TA_TOP, false, 1}, Case{TA_RIGHT | TA_TOP, true, 1},
                          Case{TA_LEFT | TA_BASELINE, false, -1}, Case{TA_LEFT | TA_BOTTOM, false, -1},
                          Case{TA_CENTER | TA_TOP, false, 1}}) {
        Canvas c(120, 60, 32);
        c.fill(kUntouched);
        Selected font(c.dc(), CreateFontIndirectW(&log));
        SetBkMode(c.dc(), TRANSPARENT);
        SetTextColor(c.dc(), RGB(0, 0, 0));
        SetTextAlign(c.dc(), k.align);
        ASSERT_TRUE(TextOutW(c.dc(), 60, 30, text.data(), int(text.size())));
        const RECT r = inked(c);
        ASSERT_GE(r.right, r.left) << k.align;
        if ((k.align & TA_CENTER) == TA_CENTER) {
            EXPECT_LT(r.left, 60);
            EXPECT_GT(r.right, 60);
        } else if (k.right) {
            EXPECT_LE(r.right, 60);
        } else {
            EXPECT_GE(r.left, 60);
        }
        if (k.where > 0) EXPECT_GE(r.top, 30) << k.align;
        else EXPECT_LE(r.bottom, 30) << k.align;
        // Glyph cores are the text colour, the pixels around them untouched.
        EXPECT_EQ(c.at(0, 0), kUntouched);
    }
}

TEST(Text, OpaqueBackgroundAndExtentsAgree) {
    Canvas c(100, 30, 32);
    c.fill(kUntouched);
    LOGFONTW log{};
    log.lfHeight = 20;  // cell height
    Selected font(c.dc(), CreateFontIndirectW(&log));
    SetBkColor(c.dc(), RGB(0, 0, 255));
    SetBkMode(c.dc(), OPAQUE);
    const std::u16string text = u"ab";
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), text.data(), 2, &size));
    EXPECT_GE(size.cy, 19);
    EXPECT_LE(size.cy, 21);
    ASSERT_TRUE(TextOutW(c.dc(), 10, 5, text.data(), 2));
    const RECT r = inked(c);
    EXPECT_NEAR(r.left, 10, 1);
    EXPECT_NEAR(r.right - r.left + 1, size.cx, 1);
    EXPECT_NEAR(r.bottom - r.top + 1, size.cy, 1);
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, size.cy);
}

TEST(Text, EscapementTurnsTheTextByWholeTurnsAlike) {
    // Escapements (tenths of a degree) that differ by whole turns draw the same pixels, the
    // most negative 32-bit value included (it is -848 plus 596,523 turns).
    const auto draw = [](LONG escapement) {
        Canvas c(80, 80, 32);
        c.fill(kUntouched);
        LOGFONTW log{};
        log.lfHeight = -16;
        log.lfEscapement = escapement;
        Selected font(c.dc(), CreateFontIndirectW(&log));
        SetBkMode(c.dc(), TRANSPARENT);
        const std::u16string text = u"Quill";
        EXPECT_TRUE(ExtTextOutW(c.dc(), 40, 40, 0, nullptr, text.data(), UINT(text.size()), nullptr));
        std::vector<uint32_t> pixels;
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) pixels.push_back(c.at(x, y));
        return pixels;
    };
    const std::vector<uint32_t> turned = draw(-848);
    EXPECT_NE(turned, draw(0));
    EXPECT_EQ(draw(INT32_MIN), turned);
    EXPECT_EQ(draw(-848 + 3600 * 2), turned);
    EXPECT_EQ(draw(INT32_MAX), draw(INT32_MAX % 3600));
}

TEST(Text, ExplicitAdvancesPlaceEachCharacterAsItsOwnTextWould) {
    // ExtTextOutW with advances against one TextOutW per character at the same origins,
    // the advances wide enough that no two glyphs share a pixel.
    struct Case {
        const char16_t* face;
        LONG height, width, weight;
        BYTE italic, underline;
        std::u16string text;
    };
    const Case cases[] = {
        {u"Arial", -16, 0, FW_NORMAL, 0, 0, u"Quill, 12!"},
        {u"Arial", -23, 0, FW_BOLD, 1, 0, u"Wgjy"},
        {u"Times New Roman", -20, 0, FW_NORMAL, 0, 0, u"fi AV"},
        {u"Arial", -16, 12, FW_NORMAL, 0, 0, u"wide"},    // stretched
        {u"Arial", -16, 0, FW_NORMAL, 0, 1, u"line"},     // underlined
        {u"Arial", -16, 0, FW_NORMAL, 0, 0, u"a\u4E2Db"}, // a character from another font
    };
    for (const Case& k : cases) {
        LOGFONTW log{};
        log.lfHeight = k.height, log.lfWidth = k.width, log.lfWeight = k.weight;
        log.lfItalic = k.italic, log.lfUnderline = k.underline;
        std::copy(k.face, k.face + std::char_traits<char16_t>::length(k.face), log.lfFaceName);
        Canvas placed(260, 50, 32), single(260, 50, 32);
        const int advance = int(-k.height * 3 / 2);
        const std::vector<INT> dx(k.text.size(), advance);
        for (Canvas* c : {&placed, &single}) {
            c->fill(kUntouched);
            SetBkMode(c->dc(), TRANSPARENT);
        }
        Selected a(placed.dc(), CreateFontIndirectW(&log)), b(single.dc(), CreateFontIndirectW(&log));
        ASSERT_TRUE(ExtTextOutW(placed.dc(), 5, 10, 0, nullptr, k.text.data(), UINT(k.text.size()), dx.data()));
        for (size_t i = 0; i < k.text.size(); ++i) ASSERT_TRUE(TextOutW(single.dc(), 5 + int(i) * advance, 10, &k.text[i], 1));
        int differ = 0, inked = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 260; ++x) differ += placed.at(x, y) != single.at(x, y), inked += placed.at(x, y) != kUntouched;
        EXPECT_GT(inked, 20) << int(&k - cases);
        EXPECT_EQ(differ, 0) << int(&k - cases);
    }
}

// White text on black shows, in each colour byte, exactly the coverage that QPainter's
// antialiased text leaves in an 8-bit alpha image at the same place: glyphs of one font and
// of fallback fonts, overlapping italics, lines under and through, a turn.
TEST(Text, CoverageIsQtsAntialiasedCoverageExactly) {
    struct Case {
        const char* name;
        const char16_t* text;
        LONG height, weight, escapement;
        BYTE italic, underline, strikeOut;
    };
    const Case cases[] = {
        {"plain", u"The quick brown fox jumps over the lazy dog, 0123456789", -16, 400, 0, 0, 0, 0},
        {"bold italic, overlapping", u"ffj AVAWAy fjord Wolf", -13, 700, 0, 1, 0, 0},
        {"fallback fonts", u"\u00C4\u00D6 caf\u00E9 \u2192 \u2713 \u4E2D\u6587", -18, 400, 0, 0, 0, 0},
        {"lined", u"Under and through", -15, 400, 0, 0, 1, 1},
        {"turned", u"Turned by 33 degrees", -17, 400, 330, 0, 0, 0},
    };
    constexpr int W = 560, H = 240, X = 23, Y = 151;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        LOGFONTW log{};
        log.lfHeight = k.height, log.lfWeight = k.weight, log.lfEscapement = k.escapement;
        log.lfItalic = k.italic, log.lfUnderline = k.underline, log.lfStrikeOut = k.strikeOut;
        const std::u16string text(k.text);
        Canvas c(W, H, 32);
        c.fill(0);
        Selected font(c.dc(), CreateFontIndirectW(&log));
        SetBkMode(c.dc(), TRANSPARENT);
        SetTextColor(c.dc(), RGB(255, 255, 255));
        ASSERT_TRUE(TextOutW(c.dc(), X, Y, text.data(), int(text.size())));

        const QFont qfont = detail::qtFont(log);
        QImage expected(W, H, QImage::Format_Alpha8);
        expected.fill(0);
        {
            QPainter p(&expected);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(X, Y);
            p.rotate(-k.escapement / 10.0);
            p.translate(0, QFontMetricsF(qfont).ascent());  // the reference point at the top
            p.setFont(qfont);
            p.drawText(QPointF(0, 0), QString::fromStdU16String(text));
        }
        int inked = 0, differing = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint32_t shown = c.at(x, y);
                const uint8_t want = expected.constScanLine(y)[x];
                inked += want != 0;
                differing += (shown & 0xFF) != want || ((shown >> 8) & 0xFF) != want || (shown >> 24) != 0;
            }
        EXPECT_GT(inked, 500);
        EXPECT_EQ(differing, 0);
    }
}

// Text hundreds of pixels high is filled from its outlines rather than drawn as glyph
// images: it covers what QPainter's text covers, and a character no font has takes the
// font's own missing-glyph box, hollow, as it would without fallback fonts.
TEST(Text, LargeTextIsFilledFromItsOutlines) {
    struct Case {
        std::u16string text;
        BYTE underline;
        bool placed;
    };
    for (const Case& k : {Case{u"Hg", 0, false}, Case{u"AV", 1, false}, Case{u"Wy", 0, true}}) {
        SCOPED_TRACE(std::string(k.text.begin(), k.text.end()));
        LOGFONTW log{};
        log.lfHeight = -600, log.lfUnderline = k.underline;
        Canvas c(900, 700, 32);
        c.fill(kUntouched);
        Selected font(c.dc(), CreateFontIndirectW(&log));
        SetBkMode(c.dc(), TRANSPARENT);
        SetTextAlign(c.dc(), TA_BASELINE);
        const std::vector<INT> dx(k.text.size(), 450);
        ASSERT_TRUE(ExtTextOutW(c.dc(), 20, 560, 0, nullptr, k.text.data(), UINT(k.text.size()),
                                k.placed ? dx.data() : nullptr));
        QImage expected(900, 700, QImage::Format_Alpha8);
        expected.fill(0);
        {
            QPainter p(&expected);
            p.setRenderHint(QPainter::Antialiasing);
            p.setFont(detail::qtFont(log));
            const QString whole = QString::fromUtf16(k.text.data(), qsizetype(k.text.size()));
            if (!k.placed) p.drawText(QPointF(20, 560), whole);
            for (qsizetype i = 0; k.placed && i < whole.size(); ++i)
                p.drawText(QPointF(20 + 450 * double(i), 560), whole.mid(i, 1));
        }
        int inked = 0, differ = 0;
        for (int y = 0; y < 700; ++y)
            for (int x = 0; x < 900; ++x) {
                const bool ours = c.at(x, y) != kUntouched, theirs = expected.constScanLine(y)[x] != 0;
                inked += ours, differ += ours != theirs;
            }
        EXPECT_GT(inked, 20000);
        EXPECT_LT(differ, inked / 500) << "beyond the glyphs' edges";
    }

    // U+0C00 is in none of the installed fonts: at 600 pixels, and turned at 3000 pixels
    // over a small canvas.
    LOGFONTW log{};
    log.lfHeight = -600;
    for (const LONG escapement : {0, 330}) {
        log.lfEscapement = escapement;
        Canvas c(300, 700, 32);
        c.fill(kUntouched);
        Selected font(c.dc(), CreateFontIndirectW(&log));
        SetBkMode(c.dc(), TRANSPARENT);
        SetTextAlign(c.dc(), TA_BASELINE);
        const char16_t lacking = u'\u0C00';
        ASSERT_TRUE(TextOutW(c.dc(), 20, 600, &lacking, 1));
        const RECT box = inked(c);
        ASSERT_GT(box.right - box.left, 60) << escapement;
        ASSERT_GT(box.bottom - box.top, 200) << escapement;
        if (escapement == 0) {
            EXPECT_EQ(c.at((box.left + box.right) / 2, (box.top + box.bottom) / 2), kUntouched) << "hollow";
        }
        log.lfHeight = -3000;
    }
}

TEST(Metafiles, HandlesAreTheirOwnKindAndHoldTheirBytes) {
    const BYTE wmf[] = {1, 0, 9, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const HMETAFILE m = SetMetaFileBitsEx(sizeof(wmf), wmf);
    const HENHMETAFILE e = SetEnhMetaFileBits(sizeof(wmf), wmf);
    EXPECT_EQ(GetObjectType(m), OBJ_METAFILE);
    EXPECT_EQ(GetObjectType(e), OBJ_ENHMETAFILE);
    EXPECT_EQ(GetMetaFileBitsEx(m, 0, nullptr), sizeof(wmf));
    EXPECT_EQ(MetafileRecords(e).size(), sizeof(wmf));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    const HDC dc = CreateCompatibleDC(0);
    EXPECT_EQ(GetDIBits(dc, m, 0, 1, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SelectObject(dc, e), 0u);
    DeleteDC(dc);
    EXPECT_FALSE(DeleteObject(m));
    EXPECT_FALSE(DeleteMetaFile(e));  // the wrong kind
    EXPECT_TRUE(DeleteMetaFile(m));
    EXPECT_TRUE(DeleteEnhMetaFile(e));
    EXPECT_EQ(GetObjectType(m), 0u);
}

}  // namespace
}  // namespace gdi::test
