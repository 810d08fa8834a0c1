// cImage32's text drawing: the LOGFONT of a font record, the text image's shape, line
// alignment, colour and coverage, where the text lands, and that an image with pixels stays
// premultiplied. Glyph shapes are the font library's: only structure is checked.
// With QM_SCREENSHOT_DIR set, the sample of three fonts and alignments is written there
// as text-sample.bmp.

#include <QDir>
#include <QString>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "image/StdFont.h"
#include "render_access.h"
#include "support/error_number.h"

using namespace imagetest;
using testsupport::errorNumber;

namespace {

constexpr gdi::COLORREF kRed = 0x0000FF;
constexpr int32_t kWhite = 0xFFFFFF;

// A font of the given face and character height, owned by the test.
class Font {
public:
    explicit Font(const std::u16string& face, int height = -20, int escapement = 0, int weight = 0) {
        gdi::LOGFONTW log{};
        log.lfHeight = height;
        log.lfWeight = weight;
        log.lfEscapement = log.lfOrientation = escapement;
        std::copy(face.begin(), face.end(), log.lfFaceName);
        handle_ = gdi::CreateFontIndirectW(&log);
        EXPECT_NE(handle_, 0u);
    }
    ~Font() {
        if (handle_) gdi::DeleteObject(handle_);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    gdi::HFONT handle() const { return handle_; }

private:
    gdi::HFONT handle_ = 0;
};

// What gdi says of one line in that font on the screen.
gdi::SIZE extentOf(const Font& font, std::u16string_view line) {
    const gdi::HDC screen = gdi::GetDC(0);
    const gdi::HGDIOBJ previous = gdi::SelectObject(screen, font.handle());
    gdi::SIZE size{};
    EXPECT_TRUE(gdi::GetTextExtentPoint32W(screen, line.data(), int(line.size()), &size));
    gdi::SelectObject(screen, previous);
    gdi::ReleaseDC(0, screen);
    return size;
}

// The bounding box of the pixels whose alpha differs from `background` in rows
// [top, bottom); left > right when there are none.
struct Box {
    int left, top, right, bottom;  // inclusive
    bool empty() const { return left > right; }
};
Box inkedBox(const cImage32& image, int top, int bottom, uint8_t background = 0) {
    Box b{image.Width(), image.Height(), -1, -1};
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (at(image, x, y).a != background) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// Colour bytes never above alpha.
bool premultipliedEverywhere(const cImage32& image) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const Px p = at(image, x, y);
            if (p.b > p.a || p.g > p.a || p.r > p.a) return false;
        }
    return true;
}

// An image filled with one pixel.
void filled(cImage32& image, int width, int height, Px px) {
    ASSERT_TRUE(image.InitializeDIB(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put(image, x, y, px);
    image.Alpha(px.a == 255 ? cImage32::AlphaOpaque : cImage32::AlphaPartial);
}

class DrawText : public ImageTest {};

TEST_F(DrawText, FontRecordBecomesTheLogfont) {
    struct Case {
        double points;
        int32_t height;
    };
    // Twips are rounded halves to even before the truncating division by 15.
    for (const Case c : {Case{10, -13}, Case{8.25, -11}, Case{12, -16}, Case{7.5, -10}, Case{0.725, 0},
                         Case{0.775, -1}, Case{-10, 13}}) {
        StdFont font;
        font.Size = FontSize::points(c.points);
        EXPECT_EQ(LogFontOf(font).lfHeight, c.height) << c.points << " points";
    }

    StdFont font;
    font.Name = u"A face name longer than thirty-one characters";
    font.Weight = 700;
    font.Italic = font.Strikethrough = true;
    font.Charset = 2;
    const gdi::LOGFONTW log = LogFontOf(font);
    EXPECT_EQ(std::u16string(log.lfFaceName), font.Name.substr(0, 31));
    EXPECT_EQ(log.lfWeight, 700);
    EXPECT_EQ(log.lfItalic, 1);
    EXPECT_EQ(log.lfUnderline, 0);
    EXPECT_EQ(log.lfStrikeOut, 1);
    EXPECT_EQ(log.lfCharSet, 2);
    EXPECT_EQ(log.lfQuality, 6);
    EXPECT_EQ(log.lfWidth | log.lfEscapement | log.lfOrientation, 0);
    EXPECT_EQ(log.lfOutPrecision | log.lfClipPrecision | log.lfPitchAndFamily, 0);

    // A pair of surrogates is not cut in half at the 31st unit.
    font.Name = std::u16string(30, u'x') + u"\U0001F600";
    EXPECT_EQ(std::u16string(LogFontOf(font).lfFaceName), std::u16string(30, u'x'));

    // What a font record cannot hold reaches the caller as Overflow, the image unchanged.
    cImage32 image;
    filled(image, 8, 8, {1, 2, 3, 255});
    const std::vector<uint8_t> before = memoryOf(image);
    font = StdFont{};
    font.Charset = 256;
    EXPECT_EQ(errorNumber([&] { image.DrawText_stdFont(&font, u"A"); }), runtime::kErrOverflow);
    font = StdFont{};
    font.Size = FontSize::points(2e8);  // 4e9 twips
    EXPECT_EQ(errorNumber([&] { image.DrawText_stdFont(&font, u"A"); }), runtime::kErrOverflow);
    EXPECT_EQ(memoryOf(image), before);
    EXPECT_FALSE(image.DrawText_stdFont(nullptr, u"A"));
}

TEST_F(DrawText, LinesSplitOnlyAtCarriageReturnLineFeed) {
    const Font font(u"Arial");
    const int lineHeight = extentOf(font, u"A").cy;
    ASSERT_GT(lineHeight, 15);
    struct Case {
        const char16_t* text;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {u"A\r\nBC", {u"A", u"BC"}},
        {u"A\r\nBC\r\n", {u"A", u"BC", u""}},
        {u"A\nBC", {u"A\nBC"}},
        {u"A\rBC", {u"A\rBC"}},
        {u"\r\r\nW\n\r", {u"\r", u"W\n\r"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        int width = 0;
        for (const std::u16string& line : c.lines) width = std::max<int>(width, extentOf(font, line).cx);
        cImage32 image;
        ASSERT_TRUE(image.DrawText_hFont(font.handle(), c.text, 0, 0, 0, 0, 0, 0, kWhite));
        // Outline fonts have no overhang.
        EXPECT_EQ(image.Width(), width);
        EXPECT_EQ(image.Height(), int(c.lines.size()) * lineHeight);
    }
    // Nothing but line breaks: no text image can be made.
    cImage32 image;
    EXPECT_FALSE(image.DrawText_hFont(font.handle(), u"\r\n\r\n"));
    EXPECT_EQ(image.Handle(), 0u);
}

TEST_F(DrawText, AlignmentPlacesEveryLineAgainstTheWidestLine) {
    const Font font(u"Arial", -24);
    const std::u16string text = u"I\r\nWWWWWWWW\r\nHHH";
    const int width = extentOf(font, u"WWWWWWWW").cx;
    struct Case {
        int32_t alignment;
        const char* name;
    };
    for (const Case c : {Case{0, "left"}, Case{6, "centre"}, Case{2, "right"}}) {
        SCOPED_TRACE(c.name);
        cImage32 image;
        ASSERT_TRUE(image.DrawText_hFont(font.handle(), text, c.alignment, 0, 0, 0, 0, int32_t(kRed)));
        ASSERT_EQ(image.Width(), width);
        const int lineHeight = image.Height() / 3;
        for (int line = 0; line < 3; ++line) {
            SCOPED_TRACE(line);
            const Box b = inkedBox(image, line * lineHeight, (line + 1) * lineHeight);
            ASSERT_FALSE(b.empty());
            // Glyphs sit within a few pixels of their advance box (side bearings).
            if (c.alignment == 0) { EXPECT_LE(b.left, 3); }
            if (c.alignment == 6) { EXPECT_LE(std::abs(b.left + b.right + 1 - width), 3); }
            if (c.alignment == 2) { EXPECT_GE(b.right, width - 4); }
        }
        // The narrow lines move with the alignment: "I" lies left, in the middle or right.
        const Box first = inkedBox(image, 0, lineHeight);
        if (c.alignment == 0) { EXPECT_LT(first.right, width / 4); }
        if (c.alignment == 6) { EXPECT_GT(first.left, width / 3); }
        if (c.alignment == 2) { EXPECT_GT(first.left, width * 3 / 4); }
    }
}

TEST_F(DrawText, TransparentBackgroundIsTextColourPremultipliedByCoverage) {
    const Font font(u"Times New Roman", -30);
    for (const int32_t color : {int32_t(kRed), int32_t(0x336699), int32_t(0xFFFFFF), 0}) {
        SCOPED_TRACE(color);
        cImage32 image;
        ASSERT_TRUE(image.DrawText_hFont(font.handle(), u"Ag\r\nWy", 0, 0, 0, 0, 0, color, -1));
        EXPECT_EQ(image.ImageType(), cImage32::ImageTypeBitmapPARGB);
        EXPECT_EQ(image.Alpha(), cImage32::AlphaBinary);
        const uint32_t red = uint32_t(color) & 0xFF, green = uint32_t(color) >> 8 & 0xFF, blue = uint32_t(color) >> 16;
        int full = 0, partial = 0, empty = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x) {
                const Px p = at(image, x, y);
                ASSERT_EQ(p, (Px{uint8_t(blue * p.a / 255), uint8_t(green * p.a / 255), uint8_t(red * p.a / 255), p.a}))
                    << "at " << x << ", " << y;
                (p.a == 255 ? full : p.a == 0 ? empty : partial)++;
            }
        EXPECT_GT(full, 20);
        EXPECT_GT(partial, 20) << "grey antialiasing";
        EXPECT_GT(empty, full);
    }
}

TEST_F(DrawText, FilledBackgroundGivesAnOpaqueImage) {
    const Font font(u"Arial");
    cImage32 image;
    ASSERT_TRUE(image.DrawText_hFont(font.handle(), u"Opaque", 0, 0, 0, 0, 0, 0x000000, kWhite));
    EXPECT_EQ(image.ImageType(), cImage32::ImageTypeBitmap);
    EXPECT_EQ(image.Alpha(), cImage32::AlphaOpaque);
    int dark = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const Px p = at(image, x, y);
            ASSERT_EQ(p.a, 255);
            ASSERT_TRUE(p.b == p.g && p.g == p.r) << "black on white is grey";
            dark += p.r < 64;
        }
    EXPECT_EQ(at(image, 0, 0), (Px{255, 255, 255, 255}));
    EXPECT_GT(dark, 20);
}

TEST_F(DrawText, WithoutPixelsTheImageBecomesTheTextImage) {
    const Font font(u"Arial");
    cImage32 plain;
    ASSERT_TRUE(plain.DrawText_hFont(font.handle(), u"Same\r\ntext", 0, 0, 0, 0, 0, int32_t(kRed)));
    cImage32 moved;
    // Position, size, opacity, grayscale and angle play no part.
    ASSERT_TRUE(moved.DrawText_hFont(font.handle(), u"Same\r\ntext", 0, 40, 30, 300, 90, int32_t(kRed), -1, 50, 0,
                                     33.0f, true));
    EXPECT_EQ(moved.Width(), plain.Width());
    EXPECT_EQ(moved.Height(), plain.Height());
    EXPECT_EQ(memoryOf(moved), memoryOf(plain));
}

TEST_F(DrawText, WithPixelsTheTextLandsAtTheDestination) {
    const Font font(u"Arial");
    cImage32 probe;
    ASSERT_TRUE(probe.DrawText_hFont(font.handle(), u"Here", 0, 0, 0, 0, 0, kWhite, 0));
    cImage32 image;
    filled(image, 200, 100, {255, 255, 255, 255});
    // White on black, so the text image is a black rectangle with white glyphs.
    ASSERT_TRUE(image.DrawText_hFont(font.handle(), u"Here", 0, 50, 30, 0, 0, kWhite, 0));
    int changedLeft = 200, changedTop = 100, changedRight = -1, changedBottom = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (at(image, x, y) != Px{255, 255, 255, 255}) {
                changedLeft = std::min(changedLeft, x), changedRight = std::max(changedRight, x);
                changedTop = std::min(changedTop, y), changedBottom = std::max(changedBottom, y);
            }
    EXPECT_EQ(changedLeft, 50);
    EXPECT_EQ(changedTop, 30);
    EXPECT_EQ(changedRight, 50 + probe.Width() - 1);
    EXPECT_EQ(changedBottom, 30 + probe.Height() - 1);
    EXPECT_EQ(at(image, 50, 30), (Px{0, 0, 0, 255}));
}

TEST_F(DrawText, TextOnAHalfTransparentImageKeepsItPremultiplied) {
    const Font font(u"Arial", -28);
    struct Case {
        const char* name;
        int32_t opacity, grayScale;
        float angle;
        bool loadedBefore;
    };
    const Case cases[] = {
        {"plain (AlphaBlend)", 100, -1, 0, false},
        {"half opacity", 50, -1, 0, true},
        {"grayscale", 100, 0, 0, false},
        {"grayscale, own DC loaded", 100, 3, 0, true},
        {"turned", 100, -1, 30, false},
        {"turned and gray, own DC loaded", 70, 1, -45, true},
    };
    const Px background{20, 40, 60, 128};
    // Without GDI+ the own pipeline paints what AlphaBlend cannot; with it, GDI+ does.
    for (const bool gdiplus : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (gdiplus ? ", GDI+" : ", no GDI+"));
        sys::setLibraryAbsent("gdiplus.dll", !gdiplus);
        cImage32 image;
        ASSERT_EQ(image.isGDIplusEnabled(), gdiplus);
        filled(image, 160, 120, background);
        if (c.loadedBefore) image.LoadDIBinDC(true);
        ASSERT_TRUE(image.DrawText_hFont(font.handle(), u"Wax\r\nIt", 0, 80, 60, 0, 0, 0x3080F0, -1, c.opacity,
                                         c.grayScale, c.angle, true));
        EXPECT_EQ(cImage32PrivateAccess::loaded(image), c.loadedBefore) << "the own DC as the caller had it";
        if (c.loadedBefore) image.LoadDIBinDC(false);
        EXPECT_TRUE(premultipliedEverywhere(image));
        // Source-over never lowers alpha; the text raised it somewhere near the middle, and
        // nothing far from it changed.
        int raised = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x) {
                const Px p = at(image, x, y);
                ASSERT_GE(p.a, 128) << "at " << x << ", " << y;
                raised += p.a > 128;
                if (std::abs(x - 80) > 70 || std::abs(y - 60) > 55) {
                    ASSERT_EQ(p, background) << x << ", " << y;
                }
            }
        EXPECT_GT(raised, 30);
        const Box b = inkedBox(image, 0, image.Height(), 128);
        EXPECT_LT(b.left, 80);
        EXPECT_GT(b.right, 80);
    }
}

TEST_F(DrawText, TurnedFontsAreDrawnUnturnedAndStayTheCallers) {
    const Font upright(u"Arial", -22), turned(u"Arial", -22, 900);
    cImage32 expected, image;
    ASSERT_TRUE(expected.DrawText_hFont(upright.handle(), u"Level", 0, 0, 0, 0, 0, 0, kWhite));
    ASSERT_TRUE(image.DrawText_hFont(turned.handle(), u"Level", 0, 0, 0, 0, 0, 0, kWhite));
    EXPECT_GT(image.Width(), image.Height());
    EXPECT_EQ(memoryOf(image), memoryOf(expected));
    // The caller's font is still a font with its escapement, and still draws.
    gdi::LOGFONTW log{};
    ASSERT_EQ(gdi::GetObject(turned.handle(), sizeof log, &log), int(sizeof log));
    EXPECT_EQ(log.lfEscapement, 900);
    EXPECT_TRUE(image.DrawText_hFont(turned.handle(), u"Again", 0, 0, 0, 0, 0, 0, kWhite));

    // No handle, a handle that is no font, an empty text: False, the image unchanged.
    const std::vector<uint8_t> before = memoryOf(image);
    EXPECT_FALSE(image.DrawText_hFont(0, u"Text"));
    EXPECT_FALSE(image.DrawText_hFont(turned.handle(), u""));
    EXPECT_FALSE(image.DrawText_hFont(gdi::GetStockObject(gdi::BLACK_BRUSH), u"Text"));
    gdi::LOGFONTW stale{};
    stale.lfHeight = -10;
    const gdi::HFONT gone = gdi::CreateFontIndirectW(&stale);
    gdi::DeleteObject(gone);
    EXPECT_FALSE(image.DrawText_hFont(gone, u"Text"));
    EXPECT_EQ(memoryOf(image), before);
}

// Text images are kept and drawn again for the same font, text, alignment and colours. Each
// case differs from the one before it in one of those, so a kept image served for the wrong
// one shows as bytes that differ from the same text drawn with nothing kept.
TEST_F(DrawText, KeptTextImagesDrawTheBytesOfTextDrawnAfresh) {
    const Font arial(u"Arial", -18), bold(u"Arial", -18, 0, 700), times(u"Times New Roman", -18);
    struct Case {
        const Font* font;
        std::u16string text;
        int32_t alignment, forecolor, backColor, opacity;
        float angle;
    };
    const Case cases[] = {
        {&arial, u"Caption\r\nsecond line", 0, 0x2040F0, -1, 100, 0},
        {&arial, u"Caption\r\nsecond line", 0, 0x2040F0, -1, 60, 20},   // drawn differently only
        {&arial, u"Caption\r\nsecond line", 0, 0x30F020, -1, 100, 0},   // colour
        {&arial, u"Caption\r\nsecond line", 6, 0x30F020, -1, 100, 0},   // alignment
        {&arial, u"Caption\r\nsecond line", 6, 0x30F020, 0x101010, 100, 0},  // filled
        {&arial, u"Caption\r\nsecond line", 6, 0x30F020, 0x202020, 100, 0},  // another fill
        {&bold, u"Caption\r\nsecond line", 6, 0x30F020, 0x202020, 100, 0},
        {&times, u"Caption\r\nsecond line", 6, 0x30F020, 0x202020, 100, 0},
        {&times, u"Caption\r\nsecond lime", 6, 0x30F020, 0x202020, 100, 0},  // text
    };
    const auto draw = [](const Case& c) {
        cImage32 image;
        filled(image, 320, 140, {40, 60, 80, 160});
        EXPECT_TRUE(image.DrawText_hFont(c.font->handle(), c.text, c.alignment, 5, 7, 0, 0, c.forecolor, c.backColor,
                                         c.opacity, -1, c.angle));
        return memoryOf(image);
    };
    cImage32::KeepTextImages(false);
    std::vector<std::vector<uint8_t>> afresh;
    for (const Case& c : cases) afresh.push_back(draw(c));
    cImage32::KeepTextImages(true);
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(::testing::Message() << "case " << i << ", round " << round);
            EXPECT_EQ(draw(cases[i]), afresh[i]);
        }
    for (size_t i = 1; i < std::size(cases); ++i) EXPECT_NE(afresh[i], afresh[i - 1]) << "case " << i;
}

TEST_F(DrawText, FontRecordDrawsAsItsLogfont) {
    StdFont record;
    record.Name = u"Times New Roman";
    record.Size = FontSize::points(15);
    record.Weight = 700;
    gdi::LOGFONTW log = LogFontOf(record);
    ASSERT_EQ(log.lfHeight, -20);
    const gdi::HFONT handle = gdi::CreateFontIndirectW(&log);
    cImage32 fromRecord, fromHandle;
    ASSERT_TRUE(fromRecord.DrawText_stdFont(&record, u"Bold\r\nSerif", 6, 0, 0, 0, 0, 0x102030));
    ASSERT_TRUE(fromHandle.DrawText_hFont(handle, u"Bold\r\nSerif", 6, 0, 0, 0, 0, 0x102030));
    EXPECT_EQ(memoryOf(fromRecord), memoryOf(fromHandle));
    gdi::DeleteObject(handle);
}

TEST_F(DrawText, TooManyLinesForThirtyTwoBitsRaiseOverflow) {
    // About 4,700 pixels a line at the largest size: half a million lines pass 2^31.
    const Font huge(u"Arial", -4096);
    const int lineHeight = extentOf(huge, u"").cy;
    ASSERT_GT(lineHeight, 4096);
    std::u16string text;
    for (int64_t lines = 1; lines * lineHeight <= INT32_MAX; ++lines) text += u"\r\n";
    cImage32 image;
    filled(image, 4, 4, {1, 2, 3, 255});
    const std::vector<uint8_t> before = memoryOf(image);
    EXPECT_EQ(errorNumber([&] { image.DrawText_hFont(huge.handle(), text); }), runtime::kErrOverflow);
    EXPECT_EQ(memoryOf(image), before);
    EXPECT_FALSE(cImage32PrivateAccess::loaded(image));
}

// Three fonts and alignments on one picture: the sample to look at.
TEST_F(DrawText, SampleOfFacesAndAlignments) {
    cImage32 image;
    filled(image, 480, 300, {250, 250, 250, 255});
    struct Block {
        const char16_t* face;
        int16_t weight;
        int32_t alignment, color;
        const char16_t* text;
    };
    const Block blocks[] = {
        {u"Arial", 400, 0, 0x202020, u"Liberation Sans, left\r\nThe quick brown fox\r\njumps over"},
        {u"Times New Roman", 400, 6, 0x101080, u"Liberation Serif, centred\r\nThe quick brown fox\r\njumps over"},
        {u"Arial", 700, 2, 0x106010, u"Bold sans, right\r\nThe quick brown fox\r\njumps over"},
    };
    int y = 10;
    for (const Block& b : blocks) {
        StdFont font;
        font.Name = b.face;
        font.Size = FontSize::points(12);
        font.Weight = b.weight;
        cImage32 probe;  // the text image's size, to place the block
        ASSERT_TRUE(probe.DrawText_stdFont(&font, b.text, b.alignment));
        const int x = b.alignment == 0 ? 10 : b.alignment == 6 ? (480 - probe.Width()) / 2 : 470 - probe.Width();
        ASSERT_TRUE(image.DrawText_stdFont(&font, b.text, b.alignment, x, y, 0, 0, b.color));
        const Box opacity = inkedBox(image, y, y + probe.Height(), 255);
        EXPECT_TRUE(opacity.empty()) << "text over an opaque picture keeps it opaque";
        int inked = 0;
        for (int row = y; row < y + probe.Height(); ++row)
            for (int column = x; column < x + probe.Width(); ++column) inked += at(image, column, row).g < 200;
        EXPECT_GT(inked, 100);
        y += probe.Height() + 20;
    }
    EXPECT_LT(y, 300);
    EXPECT_EQ(image.Alpha(), cImage32::AlphaOpaque);
    const QByteArray folder = qgetenv("QM_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        const QString file = QDir(QString::fromLocal8Bit(folder)).filePath("text-sample.bmp");
        EXPECT_TRUE(image.SaveToFile_Bitmap(file.toStdString()));
    }
}

}  // namespace
