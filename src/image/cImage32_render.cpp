// cImage32: Render with its choice of painter (AlphaBlend, the GDI+ bridge or the own
// pipeline), the turned drawing, and ScaleImage.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "image/cGDIPlus.h"
#include "image/cImage32.h"
#include "image/compositing.h"
#include "image/modParsers.h"
#include "image/ScopedImageDC.h"
#include "platform/sys/row_bands.h"

namespace {

int64_t magnitude(int32_t v) { return v < 0 ? -int64_t{v} : int64_t{v}; }

bool fitsLong(int64_t v) { return v >= INT_MIN && v <= INT_MAX; }

// Cosine and sine of a turn by whole degrees; quarter turns exact, so that they keep
// every pixel on the grid.
void turn(double degrees, double& c, double& s) {
    if (degrees == 0) c = 1, s = 0;
    else if (degrees == 90 || degrees == -270) c = 0, s = -1;
    else if (degrees == 180 || degrees == -180) c = -1, s = 0;
    else if (degrees == 270 || degrees == -90) c = 0, s = 1;
    else {
        const double pi = 4 * std::atan(1.0);
        const double theta = -(pi * degrees) / 180;
        c = std::cos(theta), s = std::sin(theta);
    }
}

}  // namespace

void cImage32::ScaleImage(int32_t DestWidth, int32_t DestHeight, int32_t& newWidth, int32_t& newHeight,
                          int32_t ScaleMode) const {
    if (!dib_) return;
    if (ScaleMode == 2) {
        newWidth = DestWidth, newHeight = DestHeight;
        return;
    }
    if (ScaleMode != 0 && ScaleMode != 1) {
        newWidth = width_, newHeight = height_;
        return;
    }
    float xr = float(double(DestWidth) / width_), yr = float(double(DestHeight) / height_);
    if (ScaleMode == 1 && xr > 1 && yr > 1) xr = yr = 1;
    const float s = yr < xr ? yr : xr;
    const double w = std::floor(double(s) * width_), h = std::floor(double(s) * height_);
    newWidth = fitsLong(int64_t(w)) ? int32_t(w) : (w < 0 ? INT_MIN : INT_MAX);
    newHeight = fitsLong(int64_t(h)) ? int32_t(h) : (h < 0 ? INT_MIN : INT_MAX);
}

bool cImage32::Render(gdi::HDC destinationDC, int32_t DestX, int32_t DestY, int32_t DestWidth,
                      int32_t DestHeight, int32_t srcx, int32_t srcy, int32_t srcwidth,
                      int32_t srcheight, int32_t Opacity, bool /*Blend*/, bool SetHalfTone,
                      cImage32* destHostDIB, int32_t grayScale, float LightAdjustment, float Angle,
                      bool CenterOnDestXY) {
    if (Opacity < 1) return dib_ != 0;
    if (!dib_ || (destinationDC == 0 && !destHostDIB)) return false;
    // Sizes whose magnitude has no 32-bit value cannot be drawn.
    if (DestWidth == INT_MIN || DestHeight == INT_MIN || srcwidth == INT_MIN || srcheight == INT_MIN)
        return false;

    if (DestWidth == 0) DestWidth = width_;
    if (DestHeight == 0) DestHeight = height_;
    if (srcx < 0) srcx = 0;
    if (srcy < 0) srcy = 0;
    if (srcwidth == 0) srcwidth = width_;
    else if (srcwidth < 0) srcwidth = -srcwidth, DestWidth = -DestWidth;
    if (srcheight == 0) srcheight = height_;
    else if (srcheight < 0) srcheight = -srcheight, DestHeight = -DestHeight;
    if (int64_t{srcx} + srcwidth > width_) srcwidth = width_ - srcx;
    if (int64_t{srcy} + srcheight > height_) srcheight = height_ - srcy;
    // A rectangle starting at or beyond the right or bottom edge holds nothing to draw.
    if (srcwidth < 1 || srcheight < 1) return false;

    const bool rotated = !(std::trunc(Angle) == Angle && std::fmod(Angle, 360.0f) == 0);
    const int32_t percent = Opacity % 100 == 0 ? 100 : Opacity % 100;
    if (!(LightAdjustment >= -100 && LightAdjustment <= 100)) LightAdjustment = 0;
    if (CenterOnDestXY) {
        const int64_t x = DestX - magnitude(DestWidth) / 2, y = DestY - magnitude(DestHeight) / 2;
        if (!fitsLong(x) || !fitsLong(y)) return false;
        DestX = int32_t(x), DestY = int32_t(y);
    }

    // A destination image is drawn on through its own DC, except by the own pipeline.
    std::optional<ScopedImageDC> destinationLoan;
    auto destination = [&] {
        if (!destHostDIB) return destinationDC;
        if (!destinationLoan) destinationLoan.emplace(*destHostDIB);
        return destinationLoan->dc();
    };
    if (rotated)
        return RenderDIBRotated(destination(), Angle, DestX, DestY, DestWidth, DestHeight, srcx, srcy,
                                srcwidth, srcheight, percent, destHostDIB, grayScale, LightAdjustment);

    const bool mirrored = DestWidth < 0 || DestHeight < 0;
    const bool scaled = magnitude(DestWidth) != srcwidth || magnitude(DestHeight) != srcheight;
    const bool alphaBlend = !keepGDIplusActive_ && !(gdiToken_ != 0 && isGDIplusEnabled()) &&
                            isAlphaBlendFriendly() && !mirrored && grayScale == -1 &&
                            LightAdjustment == 0 && (!scaled || !highQualityInterpolation_);
    const int32_t opacityByte = percent * 255 / 100;
    if (alphaBlend)
        return RenderWithAlphaBlend(destination(), DestX, DestY, DestWidth, DestHeight, srcx, srcy,
                                    srcwidth, srcheight, uint8_t(opacityByte), SetHalfTone);
    if (isGDIplusEnabled())
        return RenderThroughBridge(destination(), 0, percent, DestX, DestY, DestWidth, DestHeight, srcx,
                                   srcy, srcwidth, srcheight, grayScale, LightAdjustment,
                                   keepGDIplusActive_);
    return RenderWithPipeline(destinationDC, DestX, DestY, DestWidth, DestHeight, srcx, srcy, srcwidth,
                              srcheight, opacityByte, destHostDIB, grayScale, LightAdjustment);
}

bool cImage32::RenderWithAlphaBlend(gdi::HDC destinationDC, int32_t DestX, int32_t DestY,
                                    int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                                    int32_t srcwidth, int32_t srcheight, uint8_t opacityByte,
                                    bool SetHalfTone) {
    const ScopedImageDC source(*this);
    const bool halftone = SetHalfTone && (flags_ & PlatformNT);
    const int previousMode = halftone ? gdi::SetStretchBltMode(destinationDC, gdi::HALFTONE) : 0;
    const gdi::BLENDFUNCTION blend{gdi::AC_SRC_OVER, 0, opacityByte,
                                   alpha_ > AlphaOpaque ? gdi::AC_SRC_ALPHA : gdi::BYTE(0)};
    const bool drawn = gdi::AlphaBlend(destinationDC, DestX, DestY, DestWidth, DestHeight, source.dc(),
                                       srcx, srcy, srcwidth, srcheight, blend);
    if (previousMode) gdi::SetStretchBltMode(destinationDC, previousMode);
    return drawn;
}

bool cImage32::RenderThroughBridge(gdi::HDC destinationDC, float Angle, int32_t Opacity, int32_t DestX,
                                   int32_t DestY, int32_t DestWidth, int32_t DestHeight, int32_t srcx,
                                   int32_t srcy, int32_t srcwidth, int32_t srcheight, int32_t grayScale,
                                   float LightAdjustment, bool keepNewBridge) {
    std::unique_ptr<cGDIPlus> scratch;
    if (!cachedBridge_ && keepNewBridge) cachedBridge_ = std::make_unique<cGDIPlus>();
    return useBridge(scratch).RenderWithGDIplus(*this, destinationDC, Angle, Opacity, DestX, DestY,
                                                DestWidth, DestHeight, srcx, srcy, srcwidth, srcheight,
                                                highQualityInterpolation_, grayScale, gdiToken_,
                                                LightAdjustment);
}

bool cImage32::RenderWithPipeline(gdi::HDC destinationDC, int32_t DestX, int32_t DestY,
                                  int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                                  int32_t srcwidth, int32_t srcheight, int32_t opacityByte,
                                  cImage32* destHostDIB, int32_t grayScale, float LightAdjustment) {
    PixelBlock mirroredBlock;
    if ((DestWidth < 0 || DestHeight < 0) &&
        !MirrorDIBRegion(srcx, srcy, srcwidth, srcheight, DestWidth, DestHeight, mirroredBlock, nullptr,
                         LightAdjustment))
        return false;
    if (DestWidth != srcwidth || DestHeight != srcheight)
        return ResampleAndBlend(destinationDC, mirroredBlock, srcx, srcy, srcwidth, srcheight, DestX, DestY,
                                DestWidth, DestHeight, opacityByte, destHostDIB, grayScale, LightAdjustment);
    return BlendDIBOntoDestination(destinationDC, mirroredBlock, srcx, srcy, DestX, DestY, DestWidth,
                                   DestHeight, opacityByte, destHostDIB, grayScale, LightAdjustment);
}

bool cImage32::RenderDIBRotated(gdi::HDC destinationDC, float Angle, int32_t DestX, int32_t DestY,
                                int32_t DestWidth, int32_t DestHeight, int32_t srcx, int32_t srcy,
                                int32_t srcwidth, int32_t srcheight, int32_t Opacity,
                                cImage32* destHostDIB, int32_t grayScale, float LightAdjustment) {
    // A GDI+ failure is not final: the own rotation draws instead.
    if (isGDIplusEnabled() &&
        RenderThroughBridge(destinationDC, Angle, Opacity, DestX, DestY, DestWidth, DestHeight, srcx, srcy,
                            srcwidth, srcheight, grayScale, LightAdjustment, false))
        return true;
    if (!std::isfinite(Angle) || !dib_ || DestWidth == INT_MIN || DestHeight == INT_MIN) return false;

    PixelBlock source;
    if (DestWidth < 0 || DestHeight < 0) {
        if (!MirrorDIBRegion(srcx, srcy, srcwidth, srcheight, DestWidth, DestHeight, source, nullptr,
                             LightAdjustment))
            return false;
    } else if (LightAdjustment != 0) {
        AdjustDIBLightness(this, LightAdjustment, source, srcx, srcy, srcwidth, srcheight);
        if (!source.dimensioned()) return false;
    }
    const ByteView2D pixels = source.dimensioned() ? source.view() : modParsers::OverlayDIBBits(*this);
    const int64_t rows = int64_t(pixels.rows());
    if (srcx < 0 || srcy < 0 || srcwidth < 1 || srcheight < 1 || int64_t{srcx} + srcwidth > int64_t(pixels.rowLength() / 4) ||
        int64_t{srcy} + srcheight > rows || DestWidth < 1 || DestHeight < 1)
        return false;

    // The square holding the turned picture at any angle: the destination's diagonal. Only
    // the part of it on the destination is made.
    const int64_t diagonalSquared = int64_t{DestWidth} * DestWidth + int64_t{DestHeight} * DestHeight;
    const int64_t side = std::llrint(std::sqrt(double(diagonalSquared)));
    const int64_t x = int64_t{DestX} + DestWidth / 2 - side / 2, y = int64_t{DestY} + DestHeight / 2 - side / 2;
    Visible v;
    if (side < 1 || !VisiblePart(destinationDC, destHostDIB, x, y, side, side, v)) return false;
    if (v.columns < 1 || v.rows < 1) return true;

    // Angles count whole degrees, halves to the even one.
    double c, s;
    turn(std::fmod(std::nearbyint(double(Angle)), 360.0), c, s);
    const double xr = double(DestWidth) / srcwidth, yr = double(DestHeight) / srcheight;
    compositing::RotationMap map{};
    map.cX = c / xr, map.sX = s / xr, map.cY = c / yr, map.sY = s / yr;
    map.srcX = srcx, map.xEnd = int64_t{srcx} + srcwidth;
    map.sy0 = rows - srcy - srcheight, map.yEnd = map.sy0 + srcheight;
    map.cx = srcwidth / 2 + int64_t{srcx}, map.cy = srcheight / 2 + map.sy0;
    map.offX = (side - srcwidth) / 2 - srcx, map.offY = (side - srcheight) / 2 - map.sy0;
    // The visible part's memory rows from the bottom are the square's from v0.
    const int64_t u0 = v.column, v0 = side - v.row - v.rows;

    // Drawing onto the pixels the turn reads from: the whole visible part is made first.
    const bool ontoItself = !source.dimensioned() &&
        (destHostDIB == this || (!destHostDIB && gdi::GetCurrentObject(destinationDC, gdi::OBJ_BITMAP) == dib_));
    if (ontoItself) {
        PixelBlock turned;
        if (!compositing::dimensionBlock(turned, v.columns, v.rows)) return false;
        compositing::rotateBackward(pixels, map, highQualityInterpolation_, u0, v0, turned.view());
        return BlendDIBOntoDestination(destinationDC, turned, 0, 0, int32_t(v.x), int32_t(v.y), int32_t(v.columns),
                                       int32_t(v.rows), Opacity * 255 / 100, destHostDIB, grayScale, 0);
    }
    // Otherwise the rows are made a few at a time as the blender takes them (from the
    // bottom), in bands side by side where the destination is an image.
    try {
        const int64_t rowBytes = v.columns * 4;
        return BlendRowsOntoDestination(destinationDC, v, Opacity * 255 / 100, destHostDIB, grayScale, [&] {
            constexpr int kRows = 4;
            return RowAt([&, lines = std::vector<uint8_t>(size_t(rowBytes) * kRows), first = int64_t{-1},
                          count = int64_t{0}](int64_t k) mutable {  // `lines` holds rows first.. from the top
                if (k < first || k >= first + count) {
                    first = std::max<int64_t>(0, k - kRows + 1), count = k - first + 1;
                    std::fill(lines.begin(), lines.end(), uint8_t(0));
                    // rows[j] receives the visible part's memory row v.rows - 1 - k + j: its row
                    // k - j from the top.
                    uint8_t* rows[kRows];
                    for (int64_t j = 0; j < count; ++j) rows[j] = lines.data() + size_t(count - 1 - j) * size_t(rowBytes);
                    compositing::rotateRows(pixels, map, highQualityInterpolation_, v0 + v.rows - 1 - k, int(count), u0,
                                            v.columns, rows);
                }
                return lines.data() + size_t(k - first) * size_t(rowBytes);
            });
        }, sys::minimumBandRows(v.columns));
    } catch (const std::bad_alloc&) {
        return false;
    }
}
