// cImage32::TileImage: at most two tiles are drawn by Render, into a canvas as wide as the
// part of the destination on the device (from a whole number of periods of the pattern in);
// every other tile is a block copy within the canvas that doubles the filled width, then the
// filled height, so the copies grow with the logarithm of the size. The canvas repeats itself
// downwards after one or two rows of tiles: where its painter draws every pixel from its own
// canvas pixel alone, the canvas holds just that period and is drawn once per period on the
// device's rows, so the destination is written once and no canvas of the destination's size
// is made and filled.

#include <algorithm>
#include <climits>
#include <cstring>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/sys/row_bands.h"

namespace {

int64_t magnitude(int32_t v) { return v < 0 ? -int64_t{v} : int64_t{v}; }

// An image's pixels addressed by column and row from the top.
class TopDownPixels {
public:
    explicit TopDownPixels(const cImage32& image)
        : pixels_(modParsers::OverlayLongArray(image.BitsPointer(), size_t(image.Height()), size_t(image.Width()))),
          height_(image.Height()) {}
    int32_t* at(int64_t column, int64_t row) const { return &pixels_(size_t(column), size_t(height_ - 1 - row)); }

private:
    LongView2D pixels_;
    int64_t height_;
};

// width x rows pixels from (fromX, fromY) to (toX, toY); the two never overlap.
void copyPixels(const TopDownPixels& from, int64_t fromX, int64_t fromY, const TopDownPixels& to, int64_t toX,
                int64_t toY, int64_t width, int64_t rows) {
    for (int64_t k = 0; k < rows; ++k)
        std::memcpy(to.at(toX, toY + k), from.at(fromX, fromY + k), size_t(width) * 4);
}

// HighQualityInterpolation as it was found, whatever a tile's render does to it.
class InterpolationRestorer {
public:
    explicit InterpolationRestorer(cImage32& image) : image_(image), found_(image.HighQualityInterpolation()) {}
    ~InterpolationRestorer() { image_.HighQualityInterpolation(found_); }
    InterpolationRestorer(const InterpolationRestorer&) = delete;
    InterpolationRestorer& operator=(const InterpolationRestorer&) = delete;

private:
    cImage32& image_;
    bool found_;
};

}  // namespace

bool cImage32::TileImage(gdi::HDC destinationDC, int32_t DestX, int32_t DestY, int32_t DestWidth,
                         int32_t DestHeight, int32_t TileWidth, int32_t TileHeight, int32_t ColumnGap,
                         int32_t RowGap, bool StaggerRows, bool FlipAlternateTilesX, bool FlipAlternateTilesY,
                         int32_t Opacity, int32_t grayScale, float LightAdjustment) {
    if (destinationDC == 0 || !dib_ || DestWidth <= 0 || DestHeight <= 0) return false;
    // A tile must have a size that can be mirrored.
    if (TileWidth == INT_MIN || TileHeight == INT_MIN) return false;
    if (TileWidth == 0) TileWidth = width_;
    if (TileHeight == 0) TileHeight = height_;
    const int64_t tw = magnitude(TileWidth), th = magnitude(TileHeight), columnGap = magnitude(ColumnGap);
    const int64_t columnStep = tw + columnGap, rowStep = th + magnitude(RowGap);

    if (DestWidth < tw && DestHeight < th)
        return Render(destinationDC, DestX, DestY, DestWidth, DestHeight, 0, 0, 0, 0, Opacity, true, true, nullptr,
                      grayScale, LightAdjustment);

    // Only the part of the destination rectangle on the device is tiled. The pattern
    // repeats itself every horizontal period along a row and every `period` rows (below),
    // so the canvas starts a whole number of periods into the rectangle and reaches to the
    // device's far edge. A rectangle wholly beside the device keeps one pixel on the side it
    // lies, so that each painter answers as it would for the whole.
    int64_t deviceWidth, deviceHeight;
    if (!DestinationSize(destinationDC, nullptr, deviceWidth, deviceHeight)) return false;
    auto onDevice = [](int64_t position, int64_t length, int64_t deviceLength, int64_t& from, int64_t& to) {
        from = std::max<int64_t>(0, -position), to = std::min(length, deviceLength - position);
        if (from >= to) from = position + length <= 0 ? length - 1 : 0, to = from + 1;
    };
    const bool flips = FlipAlternateTilesX || FlipAlternateTilesY;
    int64_t firstColumn, endColumn, firstRow, endRow;
    onDevice(DestX, DestWidth, deviceWidth, firstColumn, endColumn);
    onDevice(DestY, DestHeight, deviceHeight, firstRow, endRow);
    const int64_t columnPeriod = flips ? 2 * columnStep : columnStep;
    int64_t skipped = firstColumn - firstColumn % columnPeriod;
    // A staggered row opens with half a tile, which is no part of the period: the canvas
    // starts a period earlier, where that half lies left of the device.
    if (StaggerRows) skipped = std::max<int64_t>(0, skipped - columnPeriod);
    const int64_t canvasWidth = endColumn - skipped;

    const InterpolationRestorer restorer(*this);
    // An opaque picture loses nothing by nearest-neighbour scaling, which AlphaBlend can do.
    auto renderTile = [&](cImage32& into, int32_t width, int32_t height) {
        if (alpha_ == AlphaOpaque) highQualityInterpolation_ = false;
        return Render(0, 0, 0, width, height, 0, 0, 0, 0, 100, true, true, &into, grayScale, LightAdjustment);
    };

    cImage32 alternate;
    if (flips || (StaggerRows && canvasWidth < tw)) {
        if (!alternate.InitializeDIB(int32_t(tw), int32_t(th)) ||
            !renderTile(alternate, FlipAlternateTilesX ? -TileWidth : TileWidth,
                        FlipAlternateTilesY ? -TileHeight : TileHeight))
            return false;
    }
    // Below the first row of tiles (the first two when rows are staggered) the canvas
    // repeats those rows. AlphaBlend and the own pipeline draw each pixel from its own
    // canvas pixel alone; the GDI+ bridge gets the whole canvas.
    cImage32 canvas;
    const int64_t period = StaggerRows ? 2 * rowStep : rowStep;
    const bool bandByBand = canvas.isAlphaBlendFriendly() || !canvas.isGDIplusEnabled();
    const int64_t skippedRows = bandByBand ? 0 : firstRow - firstRow % period;
    const int32_t canvasRows = int32_t(bandByBand ? std::min<int64_t>(period, DestHeight) : endRow - skippedRows);
    if (!canvas.InitializeDIB(int32_t(canvasWidth), canvasRows) || !renderTile(canvas, TileWidth, TileHeight))
        return false;

    const TopDownPixels pixels(canvas);
    int64_t filledWidth = columnStep;
    if (flips) {
        const int64_t width = canvasWidth <= 2 * tw + columnGap ? canvasWidth - columnStep : tw;
        if (width > 0) {
            copyPixels(TopDownPixels(alternate), 0, 0, pixels, columnStep, 0, width, std::min<int64_t>(th, canvasRows));
            filledWidth = columnStep + width + columnGap;
        }
    }
    if (StaggerRows) {
        // The second row of tiles opens with the right half of a tile, cut at the canvas's
        // right edge when the canvas is narrower than that half.
        const int64_t half = tw / 2, width = std::min<int64_t>(half, canvasWidth);
        const int64_t rows = canvasRows <= rowStep + th ? canvasRows - rowStep : th;
        if (rows > 0 && width > 0)
            copyPixels(alternate.dib_ ? TopDownPixels(alternate) : pixels, half, 0, pixels, 0, rowStep, width, rows);
    }

    // Each row of the first row of tiles is filled across on its own, while it is in the
    // cache, in bands of rows side by side.
    const int64_t bandRows = std::min<int64_t>(rowStep, canvasRows);
    sys::forEachRowBand(bandRows, sys::minimumBandRows(canvasWidth), [&](int64_t first, int64_t count) {
        for (int64_t row = first; row < first + count; ++row) {
            for (int64_t filled = filledWidth; filled < canvasWidth;) {
                const int64_t copied = 2 * filled >= canvasWidth ? canvasWidth - filled : filled;
                copyPixels(pixels, 0, row, pixels, filled, row, copied, 1);
                filled += copied;
            }
        }
    });

    int64_t filledHeight = rowStep;
    if (StaggerRows) {
        const int64_t rows = 2 * rowStep >= canvasRows ? canvasRows - rowStep : rowStep;
        if (rows > 0) {
            const int64_t start = tw / 2 + columnGap;
            if (start < canvasWidth) copyPixels(pixels, 0, 0, pixels, start, rowStep, canvasWidth - start, rows);
            filledHeight = rowStep + rows;
        }
    }
    while (filledHeight < canvasRows) {
        // The top rows are one block of memory (rows are stored bottom-up).
        const int64_t copied = 2 * filledHeight >= canvasRows ? canvasRows - filledHeight : filledHeight;
        std::memcpy(pixels.at(0, filledHeight + copied - 1), pixels.at(0, copied - 1),
                    size_t(copied) * size_t(canvasWidth) * 4);
        filledHeight += copied;
    }

    // Grayscale and light went into the tiles already. Only bands on the device's rows are
    // drawn (the own pipeline would call bands above it a failure; a whole canvas lying there
    // is drawn, and answered for, by its last band), and none below the 32-bit coordinate
    // range. Every band past the device's last row would answer True.
    const int64_t first = bandByBand ? std::min<int64_t>(firstRow / canvasRows, (DestHeight - 1) / canvasRows) * canvasRows
                                     : skippedRows;
    bool drawn = true;
    for (int64_t top = first; top < endRow && drawn && int64_t{DestY} + top <= INT_MAX; top += canvasRows) {
        const int32_t rows = int32_t(std::min<int64_t>(canvasRows, DestHeight - top));
        drawn = canvas.Render(destinationDC, int32_t(DestX + skipped), int32_t(DestY + top), int32_t(canvasWidth), rows,
                              0, 0, 0, rows, Opacity, true, true);
    }
    return drawn;
}
