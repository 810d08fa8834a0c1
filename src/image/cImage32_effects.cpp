// cImage32: effects that change the pixels in place — checkerboard, grayscale, inversion,
// a transparent colour key and back, mirroring, light and a tint towards a colour.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/cImage32.h"
#include "image/compositing.h"
#include "image/modParsers.h"
#include "image/ScopedImageDC.h"
#include "platform/runtime/error.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    const modParsers::GrayScaleWeights weights = modParsers::GetGrayScaleWeights(Formula);
    const size_t count = size_t(width_) * size_t(height_);
    size_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time, two per double-precision operation: the same products, summed
    // in the same order and rounded the same way as compositing::grayValue.
    const __m128d wb = _mm_set1_pd(double(weights.blue)), wg = _mm_set1_pd(double(weights.green)),
                  wr = _mm_set1_pd(double(weights.red));
    const __m128i byteMask = _mm_set1_epi32(0xFF), alphaMask = _mm_set1_epi32(int(0xFF000000u));
    auto grayOfTwo = [&](__m128i b, __m128i g, __m128i r) {
        const __m128d sum = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(b), wb), _mm_mul_pd(_mm_cvtepi32_pd(g), wg)),
                                       _mm_mul_pd(_mm_cvtepi32_pd(r), wr));
        return _mm_cvtpd_epi32(sum);
    };
    for (; i + 4 <= count; i += 4) {
        uint8_t* p = bits_ + i * 4;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_and_si128(v, byteMask), g = _mm_and_si128(_mm_srli_epi32(v, 8), byteMask),
                      r = _mm_and_si128(_mm_srli_epi32(v, 16), byteMask);
        const __m128i low = grayOfTwo(b, g, r);
        const __m128i high = grayOfTwo(_mm_srli_si128(b, 8), _mm_srli_si128(g, 8), _mm_srli_si128(r, 8));
        const __m128i gray = _mm_min_epi16(_mm_unpacklo_epi64(low, high), byteMask);
        const __m128i alpha = _mm_and_si128(v, alphaMask);
        const __m128i grayPixels =
            _mm_or_si128(_mm_or_si128(gray, _mm_slli_epi32(gray, 8)), _mm_or_si128(_mm_slli_epi32(gray, 16), alpha));
        // Invisible pixels are left as they are.
        const __m128i invisible = _mm_cmpeq_epi32(alpha, _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                         _mm_or_si128(_mm_and_si128(invisible, v), _mm_andnot_si128(invisible, grayPixels)));
    }
#endif
    forEachVisiblePixel(bits_ + i * 4, count - i, [&](uint8_t* p) {
        p[0] = p[1] = p[2] = uint8_t(std::min(compositing::grayValue(p, weights), int32_t{255}));
    });
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
    const uint32_t o = uint32_t(std::min(BlendOpacity, int32_t{100}));
    // The pixel's own, premultiplied share: 255 x c x (100 - o) ...
    std::array<uint32_t, 256> ownShare;
    for (uint32_t c = 0; c < 256; ++c) ownShare[c] = 255 * c * (100 - o);
    // ... and the colour's, premultiplied by the pixel's alpha: a x o x C. For a
    // premultiplied pixel (c <= a) both together stay within 25500 x a, so the result stays
    // within the alpha.
    const std::array<uint32_t, 3> color = channelsOf(BlendColor);
    // Every result by alpha, channel and colour byte: 192 KB made once, a few table reads
    // a pixel afterwards.
    std::vector<uint8_t> result(size_t(256) * 3 * 256);
    for (uint32_t a = 1; a < 256; ++a)
        for (size_t k = 0; k < 3; ++k) {
            uint8_t* row = &result[(size_t(a) * 3 + k) * 256];
            const uint32_t colorShare = a * o * color[k];
            for (uint32_t c = 0; c < 256; ++c) row[c] = uint8_t((colorShare + ownShare[c]) / 25500);
        }
    forEachVisiblePixel(bits_, size_t(width_) * size_t(height_), [&](uint8_t* p) {
        const uint8_t* row = &result[size_t(p[3]) * 3 * 256];
        p[0] = row[p[0]];
        p[1] = row[256 + p[1]];
        p[2] = row[512 + p[2]];
    });
    return true;
}
