// cImage32: the drop shadow, a box blur of the alpha channel in one colour, and its
// rendering in one call.
//
// The blur is exact: every shadow pixel is the window's alpha sum divided by the window's
// area, truncated. Running sums in both directions (a column sum per source column over
// the rows of the window, and a total over the columns of the window) make the cost per
// pixel the same for every depth.

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/error.h"

std::unique_ptr<cImage32> cImage32::CreateDropShadow(int32_t blurDepth, int32_t Color) {
    if (!dib_) return nullptr;
    const int64_t d = 2 * int64_t{std::clamp(blurDepth, int32_t{0}, int32_t{10})}, n = d + 1;
    const int64_t shadowWidth = int64_t{width_} + d, shadowHeight = int64_t{height_} + d;
    auto shadow = std::make_unique<cImage32>();
    if (shadowWidth > std::numeric_limits<int32_t>::max() || shadowHeight > std::numeric_limits<int32_t>::max() ||
        !shadow->InitializeDIB(int32_t(shadowWidth), int32_t(shadowHeight)))
        runtime::raise(runtime::kErrOutOfMemory);

    // The shadow pixel of every alpha: the colour premultiplied, opaque as it is.
    const uint32_t blue = uint32_t(Color >> 16) & 0xFF, green = uint32_t(Color >> 8) & 0xFF, red = uint32_t(Color) & 0xFF;
    std::array<uint32_t, 256> pixelOf{};
    for (uint32_t a = 1; a < 256; ++a)
        pixelOf[a] = a == 255 ? blue | green << 8 | red << 16 | 0xFF000000u
                              : blue * a / 255 | (green * a / 255) << 8 | (red * a / 255) << 16 | a << 24;

    // S \ (n x n) as a multiplication: with the reciprocal rounded up, the error stays below
    // S / 2^32, which is under 1 / (n x n) for every S this window can hold (S x n x n < 2^32).
    const uint64_t area = uint64_t(n * n), reciprocal = ((uint64_t{1} << 32) + area - 1) / area;

    // Column sums over the window's rows, with n zero columns before and d after, so that
    // the running total needs no tests at the edges: shadow column X adds source column X
    // (padded index X + n) and drops source column X - n (padded index X).
    std::vector<uint32_t> padded(size_t(n + width_ + d), 0);
    uint32_t* const columnSum = padded.data() + n;
    const ByteView2D source = modParsers::OverlayDIBBits(*this);
    const LongView2D target = modParsers::OverlayLongArray(shadow->bits_, size_t(shadowHeight), size_t(shadowWidth));
    auto alphaRow = [&](int64_t y) { return &source(3, size_t(height_ - 1 - y)); };

    for (int64_t Y = 0; Y < shadowHeight; ++Y) {
        if (Y < height_) {
            const uint8_t* alpha = alphaRow(Y);
            for (int64_t x = 0; x < width_; ++x) columnSum[x] += alpha[x * 4];
        }
        if (Y - n >= 0 && Y - n < height_) {
            const uint8_t* alpha = alphaRow(Y - n);
            for (int64_t x = 0; x < width_; ++x) columnSum[x] -= alpha[x * 4];
        }
        int32_t* out = &target(0, size_t(shadowHeight - 1 - Y));
        uint64_t total = 0;
        for (int64_t X = 0; X < shadowWidth; ++X) {
            total += padded[size_t(X + n)];
            total -= padded[size_t(X)];
            const uint32_t pixel = pixelOf[size_t((total * reciprocal) >> 32)];
            std::memcpy(out + X, &pixel, 4);
        }
    }
    shadow->alpha_ = AlphaPartial;
    shadow->imageType_ = ImageTypeBitmapPARGB;
    return shadow;
}

bool cImage32::RenderDropShadowDirect(gdi::HDC hdc, int32_t x, int32_t y, int32_t blurDepth, int32_t Color,
                                      int32_t Opacity, float LightAdjustment, cImage32* destHostDIB) {
    const std::unique_ptr<cImage32> shadow = CreateDropShadow(blurDepth, Color);
    if (!shadow) return false;
    return shadow->Render(hdc, x, y, 0, 0, 0, 0, 0, 0, Opacity, true, true, destHostDIB, -1, LightAdjustment);
}
