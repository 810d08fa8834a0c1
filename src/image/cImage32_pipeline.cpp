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
#include "image/resampling.h"
#include "platform/sys/row_bands.h"
#include "platform/sys/rows_ahead.h"

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

namespace {

// Where ResampleDIBRegion samples: the rectangle's source rows and columns for every pixel
// produced; into a destination image of destColumns x destRows (both 0: none) or a block of
// |DestWidth| x |DestHeight| less what lies left of or above a negative DestX, DestY.
// False when the rectangle does not lie in `source` or nothing is produced.
bool resampleGeometry(compositing::ResampleGeometry& g, const ByteView2D& source, int64_t destColumns,
                      int64_t destRows, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                      int32_t DestX, int32_t DestY, int32_t DestWidth, int32_t DestHeight) {
    const int64_t sourceRows = int64_t(source.rows());
    if (source.empty() || !fits(srcX, srcY, srcWidth, srcHeight, int64_t(source.rowLength() / 4), sourceRows))
        return false;
    int64_t newW, newH;
    g.offX = g.offY = 0;
    if (destColumns > 0) {
        newW = destColumns, newH = destRows;
        g.offX = DestX, g.offY = DestY;
        g.xScale = double(srcWidth) / double(newW), g.yScale = double(srcHeight) / double(newH);
    } else {
        newW = std::llabs(int64_t{DestWidth}), newH = std::llabs(int64_t{DestHeight});
        if (newW < 1 || newH < 1) return false;
        g.xScale = double(srcWidth) / double(newW), g.yScale = double(srcHeight) / double(newH);
        // The part left of or above the destination origin is not produced; rows are
        // stored bottom-up, so leaving out top rows needs no offset.
        if (DestX < 0) g.offX = -int64_t{DestX}, newW += DestX;
        if (DestY < 0) newH += DestY;
    }
    if (newW < 1 || newH < 1) return false;
    g.srcX = srcX, g.srcWidth = srcWidth, g.srcHeight = srcHeight;
    g.sy0 = sourceRows - srcY - srcHeight;
    g.width = newW, g.height = newH;
    return true;
}

// The pixels of a device that drawing reaches: its bitmap's, or the screen's. False for a
// handle that is no device context.
bool deviceExtent(gdi::HDC dc, int64_t& width, int64_t& height) {
    gdi::BITMAP shown{};
    const gdi::HGDIOBJ bitmap = gdi::GetCurrentObject(dc, gdi::OBJ_BITMAP);
    if (bitmap && gdi::GetObject(bitmap, sizeof shown, &shown) != 0) {
        width = shown.bmWidth, height = std::abs(int64_t{shown.bmHeight});
        return true;
    }
    width = gdi::GetDeviceCaps(dc, gdi::HORZRES), height = gdi::GetDeviceCaps(dc, gdi::VERTRES);
    return width > 0 && height > 0;
}

// Fills the memory rows of `target`, a repeated row copied from the one made before it.
void resampleInto(const compositing::RowResampler& resampler, int64_t height, const ByteView2D& target) {
    for (int64_t r = 0; r < height; ++r) {
        uint8_t* to = target.row(size_t(r)).data();
        if (r > 0 && resampler.repeats(r, r - 1)) std::memcpy(to, target.row(size_t(r - 1)).data(), target.rowLength());
        else resampler.row(r, to);
    }
}

// The part of a source of w x h pixels at sx, sy (its rows from the top) that lands on a
// destination at dx, dy, as VisiblePart cut it: at least one pixel, and wholly on the
// destination image or within the device's extent.
struct Placement {
    int64_t sx, sy, dx, dy, w, h;
};

// The pixels of a device whose bitmap is a 24- or 32-bpp DIB section of plain colour bytes,
// addressed from its top row. Blending there in place gives the bytes of the round trip
// through a 24-bit buffer (BitBlt out, blend, SetDIBitsToDevice back): the colours are blended
// alike whatever the alpha byte holds, and the way back writes 0 into it.
struct DeviceRows {
    uint8_t* top = nullptr;
    ptrdiff_t step = 0;  // from a row to the one below it
    int bytes = 0;       // per pixel
    bool clearsAlpha = false;
};

bool deviceRows(gdi::HDC dc, DeviceRows& rows) {
    gdi::DIBSECTION section{};
    const gdi::HGDIOBJ bitmap = gdi::GetCurrentObject(dc, gdi::OBJ_BITMAP);
    if (!bitmap || gdi::GetObject(bitmap, sizeof section, &section) != int(sizeof section)) return false;
    const gdi::BITMAP& b = section.dsBm;
    if (!b.bmBits || (b.bmBitsPixel != 24 && b.bmBitsPixel != 32) || section.dsBmih.biCompression != gdi::BI_RGB)
        return false;
    auto* bits = static_cast<uint8_t*>(b.bmBits);
    const bool topDown = section.dsBmih.biHeight < 0;
    rows.step = topDown ? ptrdiff_t(b.bmWidthBytes) : -ptrdiff_t(b.bmWidthBytes);
    rows.top = topDown ? bits : bits + ptrdiff_t(b.bmHeight - 1) * b.bmWidthBytes;
    rows.bytes = b.bmBitsPixel / 8;
    rows.clearsAlpha = b.bmBitsPixel == 32;
    return true;
}

// Source-over of p.h rows of p.w pixels, row k from the top at rowAt(k) (its first pixel
// drawn) for a rowAt = makeRowAt(), into `image` (a destination image's pixels) or else onto
// a device: in its own pixels where deviceRows reaches them and the rows read are not the
// device's own (readsDevice), otherwise through a bottom-up 24-bit buffer of bandRows rows at
// a time. Bands of at least minimumBandRows rows (of the image or device, or of each buffer
// band) are blended side by side (see forEachRowBand), each with a rowAt of its own. False
// when the buffer cannot be made or the device takes no pixels.
template <class MakeRowAt>
bool blendRowsOnto(gdi::HDC destinationDC, const ByteView2D& image, const Placement& p, int64_t bandRows,
                   int64_t minimumBandRows, int32_t Opacity, const modParsers::GrayScaleWeights* gray,
                   bool readsDevice, MakeRowAt makeRowAt) {
    DeviceRows device;
    if (!image.empty()) {
        const int64_t imageRows = int64_t(image.rows());
        device = {image.row(size_t(imageRows - 1)).data(), -ptrdiff_t(image.stride()), 4, false};
    } else if (readsDevice || !deviceRows(destinationDC, device)) {
        device.top = nullptr;
    }
    if (device.top) {
        sys::forEachRowBand(p.h, minimumBandRows, [&](int64_t first, int64_t count) {
            auto rowAt = makeRowAt();
            // Rows from the bottom: memory read and written upwards, as the prefetcher likes it,
            // where source and destination are bottom-up. A top-down device or source is walked
            // downwards, so each row then asks for the next one ahead (the next source row
            // taken to lie as far from this one as this one from the last).
            const auto blend = [&](uint8_t* to, const uint8_t* from, int64_t n) {
                if (device.clearsAlpha) compositing::blendRowClearingAlpha(to, from, size_t(n), Opacity, gray);
                else compositing::blendRow(to, device.bytes, from, size_t(n), Opacity, gray);
            };
            const uint8_t* last = nullptr;
            for (int64_t k = first + count - 1; k >= first; --k) {
                uint8_t* row = device.top + (p.dy + k) * device.step + p.dx * device.bytes;
                const uint8_t* source = rowAt(k);
                // Rows of a rowAt may lie in different buffers: the step is only a hint.
                const auto address = [](const uint8_t* p) { return reinterpret_cast<uintptr_t>(p); };
                const auto sourceStep = intptr_t(last ? address(source) - address(last) : 0);
                last = source;
                if (device.step < 0 && sourceStep >= 0) {
                    blend(row, source, p.w);
                    continue;
                }
                sys::inRunsAhead(p.w, {sys::rowAhead(sys::rowAfter(row, -device.step), device.bytes, true),
                                       sys::rowAhead(sys::rowAfter(source, sourceStep), 4, false)},
                                 [&](int64_t x, int64_t n) { blend(row + x * device.bytes, source + x * 4, n); });
            }
        });
        return true;
    }

    // A device: its pixels are copied into the buffer, blended there and written back, a
    // band of rows at a time; every row is read before it is written.
    if (p.w * 24 > 2147483616) return false;
    bandRows = std::clamp<int64_t>(bandRows, 1, p.h);
    gdi::BITMAPINFO info{};
    gdi::BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(gdi::BITMAPINFOHEADER);
    header.biWidth = gdi::LONG(p.w);
    header.biHeight = gdi::LONG(bandRows);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = gdi::BI_RGB;
    const gdi::HDC screen = gdi::GetDC(0);
    void* bits = nullptr;
    const gdi::HBITMAP buffer = gdi::CreateDIBSection(screen, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    const gdi::HDC memoryDC = gdi::CreateCompatibleDC(screen);
    gdi::ReleaseDC(0, screen);
    // Released however the blend ends: a rowAt may throw (memory for its rows).
    struct Buffer {
        gdi::HDC dc;
        gdi::HBITMAP bitmap;
        gdi::HGDIOBJ previous = 0;
        ~Buffer() {
            if (previous) gdi::SelectObject(dc, previous);
            if (dc) gdi::DeleteDC(dc);
            if (bitmap) gdi::DeleteObject(bitmap);
        }
    } owned{memoryDC, buffer};
    if (!buffer || !memoryDC) return false;
    owned.previous = gdi::SelectObject(memoryDC, buffer);
    const size_t stride = size_t(modParsers::DWordAlignedScanWidth(24, int32_t(p.w)));
    uint8_t* const pixels = static_cast<uint8_t*>(bits);
    // The rectangle lies within the device's extent, which is its bitmap's where it has one:
    // there BitBlt fills every pixel of a band and nothing needs clearing first.
    const bool covered = gdi::GetCurrentObject(destinationDC, gdi::OBJ_BITMAP) != 0;
    bool written = true;
    // Bands from the bottom, each row's memory from the bottom up.
    for (int64_t top = (p.h - 1) / bandRows * bandRows; top >= 0 && written; top -= bandRows) {
        // The band's n rows are the buffer's memory rows n - 1 down to 0; what the device
        // does not cover stays 0, as in a new buffer.
        const int64_t n = std::min(bandRows, p.h - top);
        if (!covered) std::memset(pixels, 0, stride * size_t(n));
        gdi::BitBlt(memoryDC, 0, int(bandRows - n), int(p.w), int(n), destinationDC, int(p.dx), int(p.dy + top),
                    gdi::SRCCOPY);
        // The gdi calls stay on this thread; the band's rows are blended side by side.
        sys::forEachRowBand(n, minimumBandRows, [&](int64_t first, int64_t count) {
            auto rowAt = makeRowAt();
            for (int64_t k = first + count - 1; k >= first; --k)
                compositing::blendRow(pixels + size_t(n - 1 - k) * stride, 3, rowAt(top + k), size_t(p.w), Opacity,
                                      gray);
        });
        header.biHeight = gdi::LONG(n);
        written = gdi::SetDIBitsToDevice(destinationDC, int(p.dx), int(p.dy + top), gdi::DWORD(p.w), gdi::DWORD(n), 0,
                                         0, 0, gdi::UINT(n), bits, &info, gdi::DIB_RGB_COLORS) != 0;
    }
    // A device that takes no pixels (a stale handle) has had nothing drawn on it.
    return written;
}

// Rows per band of the device buffer: a few hundred kilobytes for each thread that blends
// it, so that a band stays in the cache between its reading, blending and writing back.
int64_t bandRowsFor(int64_t w) {
    return std::max<int64_t>(1, (int64_t{1} << 18) * sys::rowBandThreads() / std::max<int64_t>(1, w * 4));
}

}  // namespace

bool cImage32::ResampleDIBRegion(PixelBlock& outBlock, PixelBlock& srcBlock, cImage32* destDIB,
                                 int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                                 int32_t DestX, int32_t DestY, int32_t& DestWidth,
                                 int32_t& DestHeight, float& LightAdjustment) {
    if (srcWidth == 0) srcWidth = width_;
    if (srcHeight == 0) srcHeight = height_;
    const ByteView2D source = srcBlock.dimensioned() ? viewOf(srcBlock) : modParsers::OverlayDIBBits(*this);
    if (destDIB && (!destDIB->dib_ || destDIB == this)) return false;
    compositing::ResampleGeometry g;
    if (!resampleGeometry(g, source, destDIB ? destDIB->width_ : 0, destDIB ? destDIB->height_ : 0, srcX, srcY,
                          srcWidth, srcHeight, DestX, DestY, DestWidth, DestHeight))
        return false;
    PixelBlock made;
    try {
        if (!destDIB && !compositing::dimensionBlock(made, g.width, g.height)) return false;
        const compositing::RowResampler resampler(source, g, highQualityInterpolation_);
        resampleInto(resampler, g.height, destDIB ? modParsers::OverlayDIBBits(*destDIB) : made.view());
    } catch (const std::bad_alloc&) {
        return false;
    }

    DestWidth = int32_t(g.width);
    DestHeight = int32_t(g.height);
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

bool cImage32::ResampleAndBlend(gdi::HDC destinationDC, PixelBlock& srcBlock, int32_t srcX, int32_t srcY,
                                int32_t srcWidth, int32_t srcHeight, int32_t DestX, int32_t DestY,
                                int32_t DestWidth, int32_t DestHeight, int32_t Opacity, cImage32* destHostDIB,
                                int32_t grayScale, float LightAdjustment) {
    const ByteView2D source = srcBlock.dimensioned() ? viewOf(srcBlock) : modParsers::OverlayDIBBits(*this);
    compositing::ResampleGeometry g;
    if (!resampleGeometry(g, source, 0, 0, srcX, srcY, srcWidth, srcHeight, DestX, DestY, DestWidth, DestHeight))
        return false;
    // The scaled picture holds what lies right of and below the origin, so what lands on the
    // destination starts at its first column and row; only that part is made, its columns
    // and rows sampled where the whole picture samples them.
    Visible v;
    if (!VisiblePart(destinationDC, destHostDIB, DestX < 0 ? 0 : DestX, DestY < 0 ? 0 : DestY, g.width, g.height, v))
        return false;
    if (v.columns < 1 || v.rows < 1) {
        srcBlock.erase();
        return true;
    }
    g.width = v.columns;
    g.offY += g.height - v.rows, g.height = v.rows;  // memory rows count from the bottom
    const float step = compositing::lightStep(LightAdjustment);
    try {
        const compositing::RowResampler resampler(source, g, highQualityInterpolation_);
        // Drawing onto this image's own pixels would read rows already drawn: the whole
        // visible part is made first.
        if (destHostDIB == this || (!destHostDIB && gdi::GetCurrentObject(destinationDC, gdi::OBJ_BITMAP) == dib_)) {
            PixelBlock scaled;
            if (!compositing::dimensionBlock(scaled, g.width, g.height)) return false;
            resampleInto(resampler, g.height, scaled.view());
            if (LightAdjustment != 0) compositing::adjustLightness(scaled.data(), scaled.size() / 4, step);
            srcBlock.erase();
            return BlendDIBOntoDestination(destinationDC, scaled, 0, 0, int32_t(v.x), int32_t(v.y), int32_t(v.columns),
                                           int32_t(v.rows), Opacity, destHostDIB, grayScale, 0);
        }
        const bool drawn = BlendRowsOntoDestination(destinationDC, v, Opacity, destHostDIB, grayScale, [&] {
            // `made`: the memory row `line` holds.
            return RowAt([&, line = std::vector<uint8_t>(size_t(g.width) * 4), made = int64_t{-1}](int64_t k) mutable {
                const int64_t r = g.height - 1 - k;
                if (made < 0 || !resampler.repeats(r, made)) {
                    resampler.row(r, line.data());
                    if (LightAdjustment != 0) compositing::adjustLightness(line.data(), size_t(g.width), step);
                }
                made = r;
                return static_cast<const uint8_t*>(line.data());
            });
        }, sys::minimumBandRows(g.width));
        srcBlock.erase();
        return drawn;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool cImage32::DestinationSize(gdi::HDC destinationDC, const cImage32* destHostDIB, int64_t& width,
                               int64_t& height) {
    if (!destHostDIB) return deviceExtent(destinationDC, width, height);
    width = destHostDIB->width_, height = destHostDIB->height_;
    return destHostDIB->dib_ != 0;
}

bool cImage32::VisiblePart(gdi::HDC destinationDC, const cImage32* destHostDIB, int64_t DestX, int64_t DestY,
                           int64_t columns, int64_t rows, Visible& v) {
    v = Visible{};
    int64_t width, height;
    if (!DestinationSize(destinationDC, destHostDIB, width, height)) return false;
    // Cut at the left and top edges first: nothing left there is a failure.
    if (DestX < 0) v.column = -DestX, columns += DestX, DestX = 0;
    if (DestY < 0) v.row = -DestY, rows += DestY, DestY = 0;
    if (columns < 1 || rows < 1) return false;
    v.x = DestX, v.y = DestY;
    v.columns = std::max<int64_t>(0, std::min(columns, width - DestX));
    v.rows = std::max<int64_t>(0, std::min(rows, height - DestY));
    return true;
}

bool cImage32::BlendRowsOntoDestination(gdi::HDC destinationDC, const Visible& v, int32_t Opacity,
                                        cImage32* destHostDIB, int32_t grayScale,
                                        const std::function<RowAt()>& newRowAt, int64_t minimumBandRows) {
    const Placement p{0, 0, v.x, v.y, v.columns, v.rows};
    const modParsers::GrayScaleWeights weights = modParsers::GetGrayScaleWeights(grayScale);
    const ByteView2D image = destHostDIB ? modParsers::OverlayDIBBits(*destHostDIB) : ByteView2D();
    return blendRowsOnto(destinationDC, image, p, bandRowsFor(p.w), minimumBandRows, Opacity,
                         grayScale == -1 ? nullptr : &weights, false, newRowAt);
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
    const bool ontoItself =
        destHostDIB == this || (!destHostDIB && gdi::GetCurrentObject(destinationDC, gdi::OBJ_BITMAP) == dib_);
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
    Visible v;
    if (!VisiblePart(destinationDC, destHostDIB, dx, dy, w, h, v)) return false;
    // What lands right of or below the destination is not blended.
    w = v.columns, h = v.rows;
    bool drawn = true;
    if (w > 0 && h > 0) {
        const modParsers::GrayScaleWeights weights = modParsers::GetGrayScaleWeights(grayScale);
        const ByteView2D image = destHostDIB ? modParsers::OverlayDIBBits(*destHostDIB) : ByteView2D();
        // A device showing this image's own pixels is read whole before any row is written.
        const bool readsDevice = ontoItself && !block;
        drawn = blendRowsOnto(destinationDC, image, {sx, sy, dx, dy, w, h}, readsDevice ? h : bandRowsFor(w),
                              sys::minimumBandRows(w), Opacity, grayScale == -1 ? nullptr : &weights, readsDevice, [&] {
            return [&](int64_t k) { return source.row(size_t(sourceRows - 1 - sy - k)).data() + size_t(sx) * 4; };
        });
    }
    srcBlock.erase();
    return drawn;
}
