// cImage32: the own compositing pipeline that draws the image without AlphaBlend and
// without GDI+: mirror, resample, light adjustment and blend, handing blocks of pixels
// from one step to the next. The pixel kernels are in compositing.cpp.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "image/cImage32.h"
#include "image/compositing.h"
#include "image/modParsers.h"

namespace {

ByteView2D viewOf(ByteArray& block) { return block.view(); }

// Whether x, y, width, height lies within columns x rows, in 64-bit arithmetic.
bool fits(int64_t x, int64_t y, int64_t width, int64_t height, int64_t columns, int64_t rows) {
    return x >= 0 && y >= 0 && width > 0 && height > 0 && x + width <= columns && y + height <= rows;
}

void copyPixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 4); }

}  // namespace

bool cImage32::CopyRegionToBlock(PixelBlock& block, int32_t x, int32_t y, int32_t width,
                                 int32_t height) const {
    if (!dib_ || !fits(x, y, width, height, width_, height_)) return false;
    PixelBlock made;
    if (!compositing::dimensionBlock(made, width, height)) return false;
    const ByteView2D image = modParsers::OverlayDIBBits(*this);
    // Image rows from y down are memory rows from Height - y - height up.
    const size_t bottom = size_t(height_ - y - height);
    for (size_t m = 0; m < size_t(height); ++m)
        std::memcpy(made.view().row(m).data(), &image(size_t(x) * 4, bottom + m), size_t(width) * 4);
    block = std::move(made);
    return true;
}

void cImage32::AdjustDIBLightness(const cImage32* sourceImage, float LightAdjustment,
                                  PixelBlock& block, int32_t& x, int32_t& y, int32_t& width,
                                  int32_t& height) {
    if (LightAdjustment == 0) return;
    if (sourceImage) {
        if (!sourceImage->dib_ || !sourceImage->CopyRegionToBlock(block, x, y, width, height)) return;
    } else if (!block.dimensioned()) {
        return;
    }
    compositing::adjustLightness(block.data(), block.size() / 4, compositing::lightStep(LightAdjustment));
    x = 0;
    y = 0;
}

bool cImage32::MirrorDIBRegion(int32_t& srcX, int32_t& srcY, int32_t srcWidth, int32_t srcHeight,
                               int32_t& DestWidth, int32_t& DestHeight, PixelBlock& outBlock,
                               cImage32* destDIB, float& LightAdjustment) {
    if (DestWidth > 0 && DestHeight > 0) return false;
    if (DestWidth == INT_MIN || DestHeight == INT_MIN || destDIB == this) return false;
    if (srcWidth == 0) srcWidth = width_;
    if (srcHeight == 0) srcHeight = height_;
    if (!dib_ || !fits(srcX, srcY, srcWidth, srcHeight, width_, height_)) return false;
    if (destDIB && (destDIB->width_ != srcWidth || destDIB->height_ != srcHeight)) return false;

    PixelBlock made;
    if (!destDIB && !compositing::dimensionBlock(made, srcWidth, srcHeight)) return false;
    const ByteView2D target = destDIB ? modParsers::OverlayDIBBits(*destDIB) : made.view();
    const ByteView2D image = modParsers::OverlayDIBBits(*this);

    const bool topBottom = DestHeight < 0, leftRight = DestHeight >= 0 || DestWidth <= 0;
    for (int64_t k = 0; k < srcHeight; ++k) {
        // Destination row k from the top, and the image row it comes from.
        const int64_t imageRow = topBottom ? height_ - 1 - srcY - k : srcY + k;
        const uint8_t* from = &image(0, size_t(height_ - 1 - imageRow));
        uint8_t* to = target.row(size_t(srcHeight - 1 - k)).data();
        if (!leftRight) {
            std::memcpy(to, from + size_t(srcX) * 4, size_t(srcWidth) * 4);
            continue;
        }
        // The last column the row reads: the rectangle's own, or, mirrored both ways, the
        // rectangle's as it lies in the mirrored image.
        const int64_t first = topBottom ? width_ - 1 - srcX : srcX + srcWidth - 1;
        for (int64_t j = 0; j < srcWidth; ++j) copyPixel(to + j * 4, from + (first - j) * 4);
    }

    srcX = 0;
    srcY = 0;
    DestWidth = DestWidth < 0 ? -DestWidth : DestWidth;
    DestHeight = DestHeight < 0 ? -DestHeight : DestHeight;
    if (!destDIB) {
        outBlock = std::move(made);
        if (LightAdjustment != 0) {
            int32_t x = 0, y = 0, w = srcWidth, h = srcHeight;
            AdjustDIBLightness(nullptr, LightAdjustment, outBlock, x, y, w, h);
            LightAdjustment = 0;
        }
    }
    return true;
}

bool cImage32::ResampleDIBRegion(PixelBlock& outBlock, PixelBlock& srcBlock, cImage32* destDIB,
                                 int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                                 int32_t DestX, int32_t DestY, int32_t& DestWidth,
                                 int32_t& DestHeight, float& LightAdjustment) {
    if (srcWidth == 0) srcWidth = width_;
    if (srcHeight == 0) srcHeight = height_;
    const ByteView2D source = srcBlock.dimensioned() ? viewOf(srcBlock) : modParsers::OverlayDIBBits(*this);
    const int64_t sourceRows = int64_t(source.rows());
    if (source.empty() || !fits(srcX, srcY, srcWidth, srcHeight, int64_t(source.rowLength() / 4), sourceRows))
        return false;
    if (destDIB && (!destDIB->dib_ || destDIB == this)) return false;

    int64_t newW, newH, offX, offY;
    double xScale, yScale;
    if (destDIB) {
        newW = destDIB->width_, newH = destDIB->height_;
        offX = DestX, offY = DestY;
        xScale = double(srcWidth) / double(newW), yScale = double(srcHeight) / double(newH);
    } else {
        newW = std::llabs(int64_t{DestWidth}), newH = std::llabs(int64_t{DestHeight});
        if (newW < 1 || newH < 1) return false;
        xScale = double(srcWidth) / double(newW), yScale = double(srcHeight) / double(newH);
        // The part left of or above the destination origin is not produced; rows are
        // stored bottom-up, so leaving out top rows needs no offset.
        offX = DestX < 0 ? -int64_t{DestX} : 0;
        if (DestX < 0) newW += DestX;
        if (DestY < 0) newH += DestY;
        offY = 0;
    }
    if (newW < 1 || newH < 1) return false;

    const int64_t sy0 = sourceRows - srcY - srcHeight;  // the rectangle's bottom memory row
    const int64_t lastColumn = int64_t{srcX} + srcWidth - 1, topRow = sy0 + srcHeight - 1;
    PixelBlock made;
    try {
        if (!destDIB && !compositing::dimensionBlock(made, newW, newH)) return false;
        const ByteView2D target = destDIB ? modParsers::OverlayDIBBits(*destDIB) : made.view();
        if (!highQualityInterpolation_) {
            std::vector<uint32_t> columnOffset(static_cast<size_t>(newW));
            for (int64_t i = 0; i < newW; ++i) {
                const int64_t sx = int64_t(std::floor(double(i + offX) * xScale + srcX));
                columnOffset[size_t(i)] = uint32_t(std::clamp<int64_t>(sx, srcX, lastColumn) * 4);
            }
            for (int64_t r = newH - 1; r >= 0; --r) {
                const int64_t sy = int64_t(std::floor(double(r + offY) * yScale)) + sy0;
                const uint8_t* from = &source(0, size_t(std::clamp<int64_t>(sy, sy0, topRow)));
                uint8_t* to = target.row(size_t(r)).data();
                for (size_t i = 0; i < size_t(newW); ++i) copyPixel(to + i * 4, from + columnOffset[i]);
            }
        } else {
            std::vector<double> columnAt(static_cast<size_t>(newW));
            for (int64_t i = 0; i < newW; ++i)
                columnAt[size_t(i)] = std::clamp(double(i + offX) * xScale + srcX, double(srcX), double(lastColumn) + 0.5);
            for (int64_t r = newH - 1; r >= 0; --r) {
                const double y = std::clamp(double(r + offY) * yScale + double(sy0), double(sy0), double(topRow) + 0.5);
                uint8_t* to = target.row(size_t(r)).data();
                for (size_t i = 0; i < size_t(newW); ++i)
                    compositing::sampleInterpolated(source, columnAt[i], y, lastColumn, topRow, to + i * 4);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    DestWidth = int32_t(newW);
    DestHeight = int32_t(newH);
    srcBlock.erase();
    if (!destDIB) {
        outBlock = std::move(made);
        if (LightAdjustment != 0) {
            int32_t x = 0, y = 0;
            AdjustDIBLightness(nullptr, LightAdjustment, outBlock, x, y, DestWidth, DestHeight);
            LightAdjustment = 0;
        }
    }
    return true;
}

bool cImage32::BlendDIBOntoDestination(gdi::HDC destinationDC, PixelBlock& srcBlock, int32_t srcX,
                                       int32_t srcY, int32_t DestX, int32_t DestY, int32_t DestWidth,
                                       int32_t DestHeight, int32_t Opacity, cImage32* destHostDIB,
                                       int32_t grayScale, float LightAdjustment) {
    int64_t dx = DestX, dy = DestY, w = DestWidth, h = DestHeight, sx = srcX, sy = srcY;
    // The source: a block of w x h pixels, its top row its last memory row; or the image's
    // rectangle at sx, sy. Drawing an image onto itself reads from a copy.
    PixelBlock made;
    PixelBlock* block = srcBlock.dimensioned() ? &srcBlock : nullptr;
    if (!block && (LightAdjustment != 0 || destHostDIB == this)) {
        int32_t x = srcX, y = srcY, bw = DestWidth, bh = DestHeight;
        if (LightAdjustment != 0) AdjustDIBLightness(this, LightAdjustment, made, x, y, bw, bh);
        else CopyRegionToBlock(made, x, y, bw, bh);
        if (!made.dimensioned()) return false;
        block = &made;
    }
    const ByteView2D source = block ? viewOf(*block) : modParsers::OverlayDIBBits(*this);
    if (block) {
        sx = sy = 0;
        w = std::min<int64_t>(w, int64_t(source.rowLength() / 4));
        h = std::min<int64_t>(h, int64_t(source.rows()));
    } else if (source.empty() || sx < 0 || sy < 0) {
        return false;
    }
    if (dx < 0) sx -= dx, w += dx, dx = 0;
    if (dy < 0) sy -= dy, h += dy, dy = 0;
    // Rows of the source from the top: a block's top row is its last memory row.
    const int64_t sourceRows = int64_t(source.rows());
    w = std::min<int64_t>(w, int64_t(source.rowLength() / 4) - sx);
    h = std::min<int64_t>(h, sourceRows - sy);
    if (destHostDIB) {
        if (!destHostDIB->dib_) return false;
        w = std::min<int64_t>(w, destHostDIB->width_);
        h = std::min<int64_t>(h, destHostDIB->height_);
    }
    if (w < 1 || h < 1) return false;

    const modParsers::GrayScaleWeights weights = modParsers::GetGrayScaleWeights(grayScale);
    const modParsers::GrayScaleWeights* gray = grayScale == -1 ? nullptr : &weights;
    auto sourceRow = [&](int64_t k) { return &source(size_t(sx) * 4, size_t(sourceRows - 1 - sy - k)); };

    if (destHostDIB) {
        // Only what overlaps the destination image is written.
        const ByteView2D target = modParsers::OverlayDIBBits(*destHostDIB);
        const int64_t columns = std::min<int64_t>(w, destHostDIB->width_ - dx);
        const int64_t rows = std::min<int64_t>(h, destHostDIB->height_ - dy);
        for (int64_t k = 0; k < rows && columns > 0; ++k)
            compositing::blendRow(&target(size_t(dx) * 4, size_t(destHostDIB->height_ - 1 - dy - k)), 4,
                                  sourceRow(k), size_t(columns), Opacity, gray);
        srcBlock.erase();
        return true;
    }

    // A device: its pixels are copied into a bottom-up 24-bit buffer, blended there and
    // written back.
    if (w * 24 > 2147483616) return false;
    gdi::BITMAPINFO info{};
    gdi::BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(gdi::BITMAPINFOHEADER);
    header.biWidth = gdi::LONG(w);
    header.biHeight = gdi::LONG(h);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = gdi::BI_RGB;
    const gdi::HDC screen = gdi::GetDC(0);
    void* bits = nullptr;
    const gdi::HBITMAP buffer = gdi::CreateDIBSection(screen, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    const gdi::HDC memoryDC = gdi::CreateCompatibleDC(screen);
    gdi::ReleaseDC(0, screen);
    if (!buffer || !memoryDC) {
        if (memoryDC) gdi::DeleteDC(memoryDC);
        if (buffer) gdi::DeleteObject(buffer);
        return false;
    }
    const gdi::HGDIOBJ previous = gdi::SelectObject(memoryDC, buffer);
    gdi::BitBlt(memoryDC, 0, 0, int(w), int(h), destinationDC, int(dx), int(dy), gdi::SRCCOPY);
    gdi::SelectObject(memoryDC, previous);
    gdi::DeleteDC(memoryDC);

    const size_t stride = size_t(modParsers::DWordAlignedScanWidth(24, int32_t(w)));
    uint8_t* const pixels = static_cast<uint8_t*>(bits);
    for (int64_t k = 0; k < h; ++k)
        compositing::blendRow(pixels + size_t(h - 1 - k) * stride, 3, sourceRow(k), size_t(w), Opacity, gray);
    const int written = gdi::SetDIBitsToDevice(destinationDC, int(dx), int(dy), gdi::DWORD(w), gdi::DWORD(h), 0, 0,
                                               0, gdi::UINT(h), bits, &info, gdi::DIB_RGB_COLORS);
    gdi::DeleteObject(buffer);
    srcBlock.erase();
    // A device that takes no pixels (a stale handle) has had nothing drawn on it.
    return written != 0;
}
