// cImage32: effects that change the pixels in place — checkerboard, grayscale, inversion,
// a transparent colour key and back, mirroring, light and a tint towards a colour.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "image/cImage32.h"
#include "image/compositing.h"
#include "image/modParsers.h"
#include "image/ScopedImageDC.h"
#include "platform/runtime/error.h"

namespace {

// The blue, green and red bytes of a colour &HBBGGRR.
std::array<uint32_t, 3> channelsOf(int32_t color) {
    return {uint32_t(color >> 16) & 0xFF, uint32_t(color >> 8) & 0xFF, uint32_t(color) & 0xFF};
}

// The opaque pixel of a colour as a 32-bit value: blue in the low byte, alpha in the high.
uint32_t opaquePixelOf(int32_t color) {
    const auto c = channelsOf(color);
    return c[0] | c[1] << 8 | c[2] << 16 | 0xFF000000u;
}

template <class Change>
void forEachPixel(uint8_t* pixels, size_t count, Change change) {
    for (uint8_t* p = pixels; p != pixels + count * 4; p += 4) change(p);
}

template <class Change>
void forEachVisiblePixel(uint8_t* pixels, size_t count, Change change) {
    forEachPixel(pixels, count, [&](uint8_t* p) {
        if (p[3] != 0) change(p);
    });
}

// Replaces every pixel equal to `from` by `to`; whether any was.
bool replacePixels(uint8_t* pixels, size_t count, uint32_t from, uint32_t to) {
    bool any = false;
    forEachPixel(pixels, count, [&](uint8_t* p) {
        uint32_t value;
        std::memcpy(&value, p, 4);
        if (value != from) return;
        std::memcpy(p, &to, 4);
        any = true;
    });
    return any;
}

}  // namespace

bool cImage32::CreateCheckerBoard(int32_t CheckerSize, int32_t FirstColor, int32_t SecondColor) {
    // A size of 0 or less would never leave the first square.
    if (!dib_ || CheckerSize <= 0) return false;
    {
        const ScopedImageDC dc(*this);
        const gdi::HBRUSH brushes[2] = {gdi::CreateSolidBrush(gdi::COLORREF(FirstColor) & 0xFFFFFF),
                                        gdi::CreateSolidBrush(gdi::COLORREF(SecondColor) & 0xFFFFFF)};
        const int64_t size = CheckerSize;
        for (int64_t top = 0, band = 0; top < height_; top += size, ++band) {
            size_t brush = size_t(band % 2);
            for (int64_t left = 0; left < width_; left += size, brush ^= 1) {
                // Squares reaching past the edge are cut there by the DC.
                const gdi::RECT square{int32_t(left), int32_t(top), int32_t(std::min<int64_t>(left + size, width_)),
                                       int32_t(std::min<int64_t>(top + size, height_))};
                gdi::FillRect(dc.dc(), &square, brushes[brush]);
            }
        }
        for (const gdi::HBRUSH brush : brushes) gdi::DeleteObject(brush);
    }
    forEachPixel(bits_, size_t(width_) * size_t(height_), [](uint8_t* p) { p[3] = 255; });
    alpha_ = AlphaOpaque;
    imageType_ = ImageTypeCheckerBoard;
    return true;
}

bool cImage32::MakeGrayScale(int32_t Formula) {
    if (!dib_ || Formula == -1) return false;
    compositing::grayPixels(bits_, size_t(width_) * size_t(height_), modParsers::GetGrayScaleWeights(Formula));
    return true;
}

bool cImage32::MakeImageInverse() {
    if (!dib_) return false;
    forEachVisiblePixel(bits_, size_t(width_) * size_t(height_), [](uint8_t* p) {
        // A colour above its alpha breaks the premultiplied form and is left as it is.
        for (int c = 0; c < 3; ++c)
            if (p[c] <= p[3]) p[c] = uint8_t(p[3] - p[c]);
    });
    return true;
}

bool cImage32::MakeTransparent(int32_t TransparentColor, bool Revert) {
    if (!dib_) return false;
    const uint32_t key = opaquePixelOf(TransparentColor);
    const size_t count = size_t(width_) * size_t(height_);
    if (!Revert) {
        if (replacePixels(bits_, count, key, 0)) {
            // Partly transparent pixels elsewhere keep the image AlphaPartial.
            if (alpha_ == AlphaOpaque) alpha_ = AlphaBinary;
            if (imageType_ == ImageTypeBitmap) imageType_ = ImageTypeBitmapPARGB;
        }
        return true;
    }
    replacePixels(bits_, count, 0, key);
    int32_t kind = AlphaOpaque, typeFound = ImageTypeBlank;
    modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(*this), false, kind, typeFound);
    alpha_ = kind;
    if (kind == AlphaOpaque && (imageType_ == ImageTypeBitmapARGB || imageType_ == ImageTypeBitmapPARGB))
        imageType_ = ImageTypeBitmap;
    return true;
}

bool cImage32::MirrorImage(bool MirrorAxisX, bool MirrorAxisY) {
    if (!dib_ || (!MirrorAxisX && !MirrorAxisY)) return false;
    int32_t x = 0, y = 0, w = MirrorAxisX ? -width_ : width_, h = MirrorAxisY ? -height_ : height_;
    float noLight = 0;
    PixelBlock mirrored;
    if (!MirrorDIBRegion(x, y, width_, height_, w, h, mirrored, nullptr, noLight))
        runtime::raise(runtime::kErrOutOfMemory);
    std::memcpy(bits_, mirrored.data(), mirrored.size());
    return true;
}

bool cImage32::MakeLighterDarker(float Percent) {
    if (!(Percent >= -100 && Percent <= 100)) Percent = 0;
    if (!dib_ || Percent == 0) return false;
    // The pipeline's light kernel, applied to the pixels where they lie.
    compositing::adjustLightness(bits_, size_t(width_) * size_t(height_), compositing::lightStep(Percent));
    return true;
}

bool cImage32::BlendToColor(int32_t BlendColor, int32_t BlendOpacity) {
    if (!dib_) return false;
    if (BlendOpacity <= 0) return true;
    // A premultiplied pixel (c <= a) stays within its alpha: the two shares together are
    // at most 25500 x a.
    compositing::tintPixels(bits_, size_t(width_) * size_t(height_), channelsOf(BlendColor).data(),
                            uint32_t(std::min(BlendOpacity, int32_t{100})));
    return true;
}
