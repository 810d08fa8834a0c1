// cImage32: text drawn with a gdi font, through a text image of its own that is either
// filled or premultiplied text colour over the glyph coverage, then rendered onto this
// image or taking its place. The last few text images rendered are kept with what made
// them: the same text drawn again (a caption painted on every picture of a show) only
// renders the image kept.

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/ScopedImageDC.h"
#include "image/StdFont.h"
#include "image/cImage32.h"
#include "platform/runtime/error.h"

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";
constexpr int kTransparentBackgroundMode = 3;  // any mode but OPAQUE leaves text cells unfilled
constexpr gdi::COLORREF kWhite = 0xFFFFFF, kBlack = 0;

// Lines at every CR LF pair and nowhere else; a text ending in CR LF ends in an empty line.
std::vector<std::u16string_view> splitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    size_t start = 0;
    for (size_t at; (at = text.find(kLineBreak, start)) != std::u16string_view::npos; start = at + kLineBreak.size())
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

int countOf(std::u16string_view line) { return int(std::min<size_t>(line.size(), INT_MAX)); }

struct TextMeasure {
    int64_t width = 0;       // the widest line
    int64_t lineHeight = 0;  // the tallest line
    int64_t overhang = 0;
    bool fontSelected = false;
};

TextMeasure measure(gdi::HDC dc, gdi::HFONT font, const std::vector<std::u16string_view>& lines) {
    TextMeasure m;
    const gdi::HGDIOBJ previous = gdi::SelectObject(dc, font);
    if (!previous) return m;
    m.fontSelected = true;
    for (const std::u16string_view line : lines) {
        gdi::SIZE size{};
        gdi::GetTextExtentPoint32W(dc, line.data(), countOf(line), &size);
        m.width = std::max<int64_t>(m.width, size.cx);
        m.lineHeight = std::max<int64_t>(m.lineHeight, size.cy);
    }
    gdi::TEXTMETRICW metrics{};
    gdi::GetTextMetricsW(dc, &metrics);
    m.overhang = metrics.tmOverhang;
    gdi::SelectObject(dc, previous);
    return m;
}

// White glyphs on black become Forecolor premultiplied by the coverage that the blue byte
// holds: colour x c \ 255 and alpha c, so c = 0 is four zero bytes.
void coverageToTextColor(uint8_t* pixels, size_t count, int32_t Forecolor) {
    const uint32_t red = uint32_t(Forecolor) & 0xFF, green = uint32_t(Forecolor) >> 8 & 0xFF,
                   blue = uint32_t(Forecolor) >> 16 & 0xFF;
    std::array<uint32_t, 256> pixelOf{};
    for (uint32_t c = 0; c < 256; ++c)
        pixelOf[c] = blue * c / 255 | (green * c / 255) << 8 | (red * c / 255) << 16 | c << 24;
    const auto convert = [&](size_t i) {
        const uint32_t pixel = pixelOf[pixels[i * 4]];
        std::memcpy(pixels + i * 4, &pixel, 4);
    };
    // Most of a text image lies between the glyphs: runs of four pixels without ink stay 0.
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        uint64_t four[2];
        std::memcpy(four, pixels + i * 4, 16);
        if ((four[0] | four[1]) == 0) continue;
        for (size_t k = i; k < i + 4; ++k) convert(k);
    }
    for (; i < count; ++i) convert(i);
}

void makeOpaque(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = 255;
}

// What a text image is made of: it is the same image whenever these are.
struct TextImageKey {
    gdi::LOGFONTW font{};
    std::u16string text;
    int32_t alignment = 0, forecolor = 0, backColor = 0;

    bool operator==(const TextImageKey& o) const {
        return std::memcmp(&font, &o.font, sizeof font) == 0 && text == o.text && alignment == o.alignment &&
               forecolor == o.forecolor && backColor == o.backColor;
    }
};

struct KeptTextImage {
    TextImageKey key;
    std::unique_ptr<cImage32> image;
};

constexpr size_t kKeptTextImages = 4;
constexpr int64_t kLargestKeptTextImage = int64_t{1} << 20;  // pixels
bool keepingTextImages = true;

// The most recently used first. Never destroyed: its bitmaps must not outlive gdi at exit.
std::vector<KeptTextImage>& keptTextImages() {
    static auto* kept = new std::vector<KeptTextImage>;
    return *kept;
}

// The kept image made of `key`, now the most recently used, or nullptr.
cImage32* keptTextImage(const TextImageKey& key) {
    std::vector<KeptTextImage>& kept = keptTextImages();
    for (size_t i = 0; i < kept.size(); ++i) {
        if (!(kept[i].key == key)) continue;
        std::rotate(kept.begin(), kept.begin() + ptrdiff_t(i), kept.begin() + ptrdiff_t(i) + 1);
        return kept.front().image.get();
    }
    return nullptr;
}

cImage32* keepTextImage(TextImageKey key, std::unique_ptr<cImage32> image) {
    std::vector<KeptTextImage>& kept = keptTextImages();
    if (kept.size() == kKeptTextImages) kept.pop_back();
    kept.insert(kept.begin(), KeptTextImage{std::move(key), std::move(image)});
    return kept.front().image.get();
}

}  // namespace

bool cImage32::DrawText_stdFont(const StdFont* theFont, std::u16string_view theText, int32_t Alignment,
                                int32_t DestX, int32_t DestY, int32_t DestWidth, int32_t DestHeight,
                                int32_t Forecolor, int32_t BackColor, int32_t Opacity, int32_t grayScale,
                                float Angle, bool CenterOnDestXY) {
    if (!theFont) return false;
    const gdi::LOGFONTW log = LogFontOf(*theFont);
    const gdi::OwnedObject font(gdi::CreateFontIndirectW(&log));  // made for this call
    if (!font.handle) return false;
    return DrawTextToDIB(font.handle, theText, Alignment, DestX, DestY, DestWidth, DestHeight, Forecolor, BackColor,
                         Opacity, grayScale, Angle, CenterOnDestXY);
}

bool cImage32::DrawText_hFont(gdi::HFONT theFontHandle, std::u16string_view theText, int32_t Alignment,
                              int32_t DestX, int32_t DestY, int32_t DestWidth, int32_t DestHeight,
                              int32_t Forecolor, int32_t BackColor, int32_t Opacity, int32_t grayScale,
                              float Angle, bool CenterOnDestXY) {
    gdi::LOGFONTW log{};
    if (!theFontHandle || gdi::GetObjectType(theFontHandle) != gdi::OBJ_FONT ||
        gdi::GetObject(theFontHandle, int(sizeof log), &log) != int(sizeof log))
        return false;
    // Turns come from Angle; a turned font is drawn through an unturned copy, and the
    // caller's own font, should the copy fail.
    gdi::OwnedObject unturned;
    if (log.lfEscapement != 0 || log.lfOrientation != 0) {
        log.lfEscapement = log.lfOrientation = 0;
        unturned.handle = gdi::CreateFontIndirectW(&log);
    }
    return DrawTextToDIB(unturned.handle ? unturned.handle : theFontHandle, theText, Alignment, DestX, DestY,
                         DestWidth, DestHeight, Forecolor, BackColor, Opacity, grayScale, Angle, CenterOnDestXY);
}

void cImage32::KeepTextImages(bool keep) {
    keepingTextImages = keep;
    keptTextImages().clear();
}

bool cImage32::DrawTextToDIB(gdi::HFONT theFont, std::u16string_view theText, int32_t Alignment, int32_t DestX,
                             int32_t DestY, int32_t DestWidth, int32_t DestHeight, int32_t Forecolor,
                             int32_t BackColor, int32_t Opacity, int32_t grayScale, float Angle,
                             bool CenterOnDestXY) {
    if (!theFont || theText.empty()) return false;

    // Measured on this image's own DC when there is an image (left as it was found when the
    // call ends), else on the screen's; both are the same 96-DPI device.
    std::optional<ScopedImageDC> own;
    if (dib_) own.emplace(*this);
    TextImageKey key{{}, std::u16string(theText), Alignment, Forecolor, BackColor < 0 ? -1 : BackColor};
    const bool keyed = keepingTextImages && dib_ &&
                       gdi::GetObject(theFont, int(sizeof key.font), &key.font) == int(sizeof key.font);
    // Straight into this image's pixels, whichever painter Render picks, so that colour and
    // alpha are blended together and the image stays premultiplied.
    const auto renderHere = [&](cImage32& text) {
        releaseBridge();
        return text.Render(own->dc(), DestX, DestY, DestWidth, DestHeight, 0, 0, 0, 0, Opacity, true, true, this,
                           grayScale, 0, Angle, CenterOnDestXY);
    };
    if (cImage32* kept = keyed ? keptTextImage(key) : nullptr) return renderHere(*kept);
    const std::vector<std::u16string_view> lines = splitLines(theText);
    const gdi::HDC screen = own ? 0 : gdi::GetDC(0);
    const TextMeasure m = measure(own ? own->dc() : screen, theFont, lines);
    if (screen) gdi::ReleaseDC(0, screen);
    if (!m.fontSelected) return false;

    const int64_t width = m.width + m.overhang, height = int64_t(lines.size()) * m.lineHeight;
    if (width > INT32_MAX || width < INT32_MIN || height > INT32_MAX) runtime::raise(runtime::kErrOverflow);

    auto made = std::make_unique<cImage32>();
    cImage32& text = *made;
    if (!text.InitializeDIB(int32_t(width), int32_t(height))) return false;
    const gdi::HDC dc = text.LoadDIBinDC(true);
    if (BackColor >= 0) {
        gdi::SetTextColor(dc, gdi::COLORREF(Forecolor));
        const gdi::RECT all{0, 0, text.width_ + 1, text.height_ + 1};
        const gdi::HBRUSH brush = gdi::CreateSolidBrush(gdi::COLORREF(BackColor));
        gdi::FillRect(dc, &all, brush);
        gdi::DeleteObject(brush);
        text.imageType_ = ImageTypeBitmap;
        text.alpha_ = AlphaOpaque;
    } else {
        gdi::SetTextColor(dc, kWhite);
        gdi::SetBkColor(dc, kBlack);
        text.imageType_ = ImageTypeBitmapPARGB;
    }
    const gdi::HGDIOBJ previousFont = gdi::SelectObject(dc, theFont);
    gdi::SetBkMode(dc, kTransparentBackgroundMode);
    // gdi places each line about x; the widest line, without the overhang, sets it.
    const int32_t x = (Alignment & gdi::TA_CENTER) == gdi::TA_CENTER ? int32_t(m.width / 2)
                      : (Alignment & gdi::TA_RIGHT) != 0             ? int32_t(m.width)
                                                                     : 0;
    const gdi::UINT previousAlign = gdi::SetTextAlign(dc, gdi::UINT(Alignment));
    for (size_t i = 0; i < lines.size(); ++i)
        gdi::TextOutW(dc, x, int32_t(int64_t(i) * m.lineHeight), lines[i].data(), countOf(lines[i]));
    gdi::SelectObject(dc, previousFont);
    gdi::SetTextAlign(dc, previousAlign);
    text.LoadDIBinDC(false);

    const size_t pixelCount = size_t(text.width_) * size_t(text.height_);
    if (BackColor >= 0) makeOpaque(text.bits_, pixelCount);
    else coverageToTextColor(text.bits_, pixelCount, Forecolor);

    if (!dib_) {
        SwapDIBs(&text);
        return true;
    }
    if (!keyed || pixelCount > size_t(kLargestKeptTextImage)) return renderHere(text);
    return renderHere(*keepTextImage(std::move(key), std::move(made)));
}
