// cImage32: single pixels, rectangles to and from byte arrays, the alpha mask and the
// region of the visible pixels. Coordinates count from the top row; the pixel memory is
// stored bottom-up, so image row y is memory row Height - 1 - y.

#include <algorithm>
#include <cstring>
#include <optional>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/gdi/regions.h"

namespace {

struct Area {
    int32_t x, y, width, height;
};

// Straight colour from premultiplied; a colour above its alpha (not pARGB) gives 255.
inline uint8_t unpremultiply(uint8_t c, uint8_t a) {
    return uint8_t(std::min(255, c * 255 / a));
}

inline uint8_t premultiply(int c, int a) { return uint8_t(c * a / 255); }

inline int32_t colorOf(uint8_t blue, uint8_t green, uint8_t red) {
    return int32_t(blue) << 16 | int32_t(green) << 8 | red;
}

bool alphaAllZero(const ByteView2D& pixels) {
    for (size_t row = 0; row < pixels.rows(); ++row) {
        const uint8_t* p = pixels.row(row).data();
        for (size_t i = 3; i < pixels.rowLength(); i += 4)
            if (p[i]) return false;
    }
    return true;
}

// Transparent, premultiplied: colour 0 under alpha 0.
void clearPixels(const ByteView2D& pixels) {
    for (size_t row = 0; row < pixels.rows(); ++row)
        std::memset(pixels.row(row).data(), 0, pixels.rowLength());
}

int64_t arrayRowLength(int32_t width, bool is32bpp, bool isWordAligned) {
    if (is32bpp) return int64_t{width} * 4;
    return isWordAligned ? modParsers::DWordAlignedScanWidth(24, width) : int64_t{width} * 3;
}

}  // namespace

// The rectangle of an array member: 0 stands for the whole width or height, and a
// rectangle past the right or bottom edge is cut there. One that is negative or starts at
// or beyond an edge has nothing to read or write and is refused.
static std::optional<Area> arrayArea(const cImage32& image, int32_t x, int32_t y,
                                     int32_t width, int32_t height) {
    if (!image.Handle() || x < 0 || y < 0 || width < 0 || height < 0) return std::nullopt;
    if (width == 0) width = image.Width();
    if (height == 0) height = image.Height();
    if (int64_t{x} + width > image.Width()) width = image.Width() - x;
    if (int64_t{y} + height > image.Height()) height = image.Height() - y;
    if (width <= 0 || height <= 0) return std::nullopt;
    return Area{x, y, width, height};
}

int32_t cImage32::GetPixel(int32_t x, int32_t y, int32_t* AlphaValue, bool asPreMultiplied) const {
    if (AlphaValue) *AlphaValue = 0;
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return -1;
    const uint8_t* p = bits_ + size_t(height_ - 1 - y) * size_t(scanWidth()) + size_t(x) * 4;
    const uint8_t a = p[3];
    if (AlphaValue) *AlphaValue = a;
    if (asPreMultiplied || a == 0 || a == 255) return colorOf(p[0], p[1], p[2]);
    return colorOf(unpremultiply(p[0], a), unpremultiply(p[1], a), unpremultiply(p[2], a));
}

uint8_t* cImage32::SetPixel(int32_t x, int32_t y, int32_t Color, int32_t AlphaValue,
                            bool isPreMultiplied) {
    if (!dib_ || AlphaValue < 0 || AlphaValue > 255) return nullptr;
    if (x < 0 || x >= width_ || y < 0 || y >= height_) return nullptr;
    uint8_t* p = bits_ + size_t(height_ - 1 - y) * size_t(scanWidth()) + size_t(x) * 4;
    if (AlphaValue == 0) {
        std::memset(p, 0, 4);
        alpha_ = AlphaPartial;
        return p;
    }
    const int a = AlphaValue;
    const int channels[3] = {(Color >> 16) & 0xFF, (Color >> 8) & 0xFF, Color & 0xFF};
    for (int i = 0; i < 3; ++i) {
        const int c = channels[i];
        const bool scale = (!isPreMultiplied && a != 255) || c > a;
        p[i] = scale ? premultiply(c, a) : uint8_t(c);
    }
    p[3] = uint8_t(a);
    if (a != 255) alpha_ = AlphaPartial;
    return p;
}

bool cImage32::GetDIBbits(ByteArray& outStream, bool as2dArray, bool asBGRformat, bool as32bpp,
                          bool asWordAligned, bool asBottomUp, int32_t x, int32_t y,
                          int32_t width, int32_t height, bool asPreMultiplied) const {
    const auto area = arrayArea(*this, x, y, width, height);
    if (!area) return false;
    const size_t rowLength = size_t(arrayRowLength(area->width, as32bpp, asWordAligned));
    const size_t rows = size_t(area->height);
    outStream = as2dArray ? ByteArray::twoDim(rowLength, rows) : ByteArray::oneDim(rowLength * rows);

    const bool whole = area->width == width_ && area->height == height_;
    if (whole && as32bpp && asBGRformat && asBottomUp && asPreMultiplied) {
        std::memcpy(outStream.data(), bits_, size_t(scanWidth()) * size_t(height_));
        return true;
    }
    const ByteView2D pixels = modParsers::OverlayDIBBits(*this);
    const int bytesPerPixel = as32bpp ? 4 : 3;
    const int red = asBGRformat ? 2 : 0, blue = 2 - red;
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* s = &pixels(size_t(area->x) * 4, size_t(height_ - 1 - area->y) - r);
        uint8_t* d = outStream.data() + (asBottomUp ? rows - 1 - r : r) * rowLength;
        for (int32_t i = 0; i < area->width; ++i, s += 4, d += bytesPerPixel) {
            const uint8_t a = s[3];
            if (asPreMultiplied || a == 255) {
                d[blue] = s[0];
                d[1] = s[1];
                d[red] = s[2];
            } else if (a != 0) {
                d[blue] = unpremultiply(s[0], a);
                d[1] = unpremultiply(s[1], a);
                d[red] = unpremultiply(s[2], a);
            }
            if (as32bpp) d[3] = a;
        }
    }
    return true;
}

bool cImage32::SetDIBbits(std::span<const uint8_t> inStream, bool isBGRformat, bool is32bpp,
                          bool isWordAligned, bool isBottomUp, int32_t dstx, int32_t dsty,
                          int32_t dstwidth, int32_t dstheight) {
    const auto area = arrayArea(*this, dstx, dsty, dstwidth, dstheight);
    if (!area || inStream.empty()) return false;
    const size_t rowLength = size_t(arrayRowLength(area->width, is32bpp, isWordAligned));
    const size_t rows = size_t(area->height);
    if (inStream.size() / rowLength < rows) return false;

    const ByteView2D pixels = modParsers::OverlayDIBBits(*this);
    const int bytesPerPixel = is32bpp ? 4 : 3;
    const int red = isBGRformat ? 2 : 0, blue = 2 - red;
    const size_t bottomRow = size_t(height_ - area->y - area->height);
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* s = inStream.data() + (isBottomUp ? rows - 1 - r : r) * rowLength;
        uint8_t* d = &pixels(size_t(area->x) * 4, size_t(height_ - 1 - area->y) - r);
        for (int32_t i = 0; i < area->width; ++i, s += bytesPerPixel, d += 4) {
            d[0] = s[blue];
            d[1] = s[1];
            d[2] = s[red];
            if (is32bpp) d[3] = s[3];
        }
    }

    // Only the written rectangle may hold straight colour, so only it is premultiplied:
    // pixels elsewhere are pARGB already and would darken if multiplied again. The image
    // as a whole then tells the alpha kind.
    int32_t kind = AlphaOpaque, type = imageType_;
    if (area->width == width_ && area->height == height_) {
        modParsers::ValidateAlphaChannel(pixels, true, kind, type);
    } else {
        const ByteView2D written =
            pixels.sub(size_t(area->x) * 4, bottomRow, size_t(area->width) * 4, rows);
        // Alpha all 0 reads as "no alpha" for 24-bit input, whose alpha bytes were left as
        // they were, or when the whole image is alpha 0; 32-bit pixels written transparent
        // into an image that has visible ones stay transparent.
        if (is32bpp && alphaAllZero(written) && !alphaAllZero(pixels))
            clearPixels(written);
        else
            modParsers::ValidateAlphaChannel(written, true, kind, type);
        type = imageType_;
        modParsers::ValidateAlphaChannel(pixels, false, kind, type);
    }
    alpha_ = kind;
    return true;
}

bool cImage32::GetAlphaMask(ByteArray& outStream, bool as2dArray, bool asWordAligned,
                            bool asBottomUp, int32_t x, int32_t y, int32_t width,
                            int32_t height) const {
    const auto area = arrayArea(*this, x, y, width, height);
    if (!area) return false;
    const size_t rowLength =
        asWordAligned ? size_t(modParsers::DWordAlignedScanWidth(8, area->width)) : size_t(area->width);
    const size_t rows = size_t(area->height);
    outStream = as2dArray ? ByteArray::twoDim(rowLength, rows) : ByteArray::oneDim(rowLength * rows);
    const ByteView2D pixels = modParsers::OverlayDIBBits(*this);
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* s = &pixels(size_t(area->x) * 4 + 3, size_t(height_ - 1 - area->y) - r);
        uint8_t* d = outStream.data() + (asBottomUp ? rows - 1 - r : r) * rowLength;
        for (int32_t j = 0; j < area->width; ++j) d[j] = s[size_t(j) * 4];
    }
    return true;
}

gdi::HRGN cImage32::CreateRegion(int32_t Style, int32_t xOffset, int32_t yOffset) const {
    if (!dib_ || Style < 0 || Style > 2) return 0;
    const gdi::HRGN region = modParsers::CreateShapedRegion(*this, Style);
    if (region && (xOffset || yOffset) && gdi::OffsetRgn(region, xOffset, yOffset) == gdi::ERROR) {
        gdi::DeleteObject(region);
        return 0;
    }
    return region;
}
