// modParsers: alpha classification and premultiplication, grayscale weights, and
// compositing over a background colour.

#include <algorithm>
#include <cstring>

#include "image/cImage32.h"
#include "image/modParsers.h"

namespace modParsers {

namespace {

enum class Violation { none, colourUnderZeroAlpha, stop };

void premultiplyAll(const ByteView2D& pixels, int32_t& alphaKind) {
    bool partial = false;
    for (size_t row = 0; row < pixels.rows(); ++row) {
        uint8_t* p = pixels.row(row).data();
        for (size_t i = 0; i < pixels.rowLength(); i += 4, p += 4) {
            const unsigned a = p[3];
            if (a == 255) continue;
            if (a == 0) {
                std::memset(p, 0, 4);
                continue;
            }
            partial = true;
            p[0] = uint8_t(p[0] * a / 255);
            p[1] = uint8_t(p[1] * a / 255);
            p[2] = uint8_t(p[2] * a / 255);
        }
    }
    alphaKind = partial ? cImage32::AlphaPartial : cImage32::AlphaBinary;
}

void makeOpaque(const ByteView2D& pixels) {
    for (size_t row = 0; row < pixels.rows(); ++row) {
        uint8_t* p = pixels.row(row).data();
        for (size_t i = 3; i < pixels.rowLength(); i += 4) p[i] = 255;
    }
}

}  // namespace

void ValidateAlphaChannel(const ByteView2D& pixels, bool bPremultiply, int32_t& alphaKind,
                          int32_t& imageType) {
    if (pixels.rowLength() % 4 != 0) runtime::raise(runtime::kErrSubscriptOutOfRange);
    bool opaque = imageType == cImage32::ImageTypeNone;
    Violation violation = Violation::none;
    int32_t kind = cImage32::AlphaOpaque;
    if (!opaque) {
        uint64_t zeroCount = 0, fullCount = 0;
        for (size_t row = 0; row < pixels.rows() && violation != Violation::stop; ++row) {
            const uint8_t* p = pixels.row(row).data();
            for (size_t i = 0; i < pixels.rowLength(); i += 4, p += 4) {
                const uint8_t a = p[3];
                if (a == 0) {
                    // Colour under a transparent pixel: straight alpha, unless every pixel
                    // turns out transparent (a fourth byte the file does not use).
                    if (violation == Violation::none && (p[2] || p[1] || p[0]))
                        violation = Violation::colourUnderZeroAlpha;
                    ++zeroCount;
                } else if (violation == Violation::colourUnderZeroAlpha) {
                    violation = Violation::stop;
                } else if (a == 255) {
                    ++fullCount;
                } else if (p[0] > a || p[1] > a || p[2] > a) {
                    violation = Violation::stop;  // a colour above its alpha
                } else {
                    kind = cImage32::AlphaPartial;
                }
                if (violation == Violation::stop) break;
            }
        }
        const uint64_t total = uint64_t(pixels.rowLength() / 4) * pixels.rows();
        opaque = violation != Violation::stop && (zeroCount == total || fullCount == total);
    }
    if (opaque) {
        imageType = cImage32::ImageTypeBitmap;
        alphaKind = cImage32::AlphaOpaque;
        if (bPremultiply) makeOpaque(pixels);
        return;
    }
    if (kind == cImage32::AlphaOpaque) kind = cImage32::AlphaBinary;
    if (violation == Violation::none) {
        imageType = cImage32::ImageTypeBitmapPARGB;
        alphaKind = kind;
        return;
    }
    imageType = cImage32::ImageTypeBitmapARGB;
    if (bPremultiply) premultiplyAll(pixels, alphaKind);
    else alphaKind = kind;
}

GrayScaleWeights GetGrayScaleWeights(int32_t Formula) {
    switch (Formula) {
    case -1: return {1.0f, 1.0f, 1.0f};
    case 1: return {0.213f, 0.715f, 0.072f};
    case 2: return {0.333f, 0.334f, 0.333f};
    case 3: return {0.8f, 0.1f, 0.1f};
    case 4: return {0.1f, 0.8f, 0.1f};
    case 5: return {0.1f, 0.1f, 0.8f};
    case 6: return {0.45f, 0.45f, 0.1f};
    case 7: return {0.1f, 0.45f, 0.45f};
    default: return {0.299f, 0.587f, 0.114f};
    }
}

void BlendRowToBackgroundColor(const uint8_t* source, uint8_t* out, int32_t width, int32_t BackgroundColor,
                               bool as24bpp) {
    const unsigned background[3] = {unsigned(BackgroundColor >> 16) & 0xFF,
                                    unsigned(BackgroundColor >> 8) & 0xFF,
                                    unsigned(BackgroundColor) & 0xFF};
    const size_t bytesPerPixel = as24bpp ? 3 : 4;
    for (int32_t x = 0; x < width; ++x, source += 4, out += bytesPerPixel) {
        const unsigned a = source[3];
        for (int c = 0; c < 3; ++c) {
            if (a == 255) out[c] = source[c];
            else if (a == 0) out[c] = uint8_t(background[c]);
            else out[c] = uint8_t(std::min(255u, source[c] + background[c] * (255 - a) / 255));
        }
        if (!as24bpp) out[3] = 255;
    }
}

void BlendToBackgroundColor(const cImage32& host, int32_t BackgroundColor, ByteArray& pixels,
                            bool as24bpp) {
    if (!host.Handle()) {
        pixels.erase();
        return;
    }
    const size_t rowLength = as24bpp ? size_t(DWordAlignedScanWidth(24, host.Width()))
                                     : size_t(host.scanWidth());
    const ByteView2D source = OverlayDIBBits(host);
    pixels = ByteArray::twoDim(rowLength, source.rows());
    for (size_t row = 0; row < source.rows(); ++row)
        BlendRowToBackgroundColor(source.row(row).data(), &pixels(0, row), host.Width(), BackgroundColor, as24bpp);
}

}  // namespace modParsers
