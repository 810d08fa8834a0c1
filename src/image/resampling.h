#pragma once
// The rows of a scaled source rectangle, one at a time, for cImage32's own pipeline: nearest
// neighbour through a column table, or interpolating with the taps of every column worked
// out once. A row is made on demand, so that the pipeline can blend it while it is still
// in the cache instead of holding the whole scaled picture.
//
// The bytes are those of compositing::sampleInterpolated at the same positions: the weights
// are the same double products, summed in the same order. Taps of weight exactly 0 are
// left out, which changes no sum (every product is +0 or positive).

#include <cstdint>
#include <vector>

#include "image/arrays.h"

namespace compositing {

// Output pixel (i, r), r counting memory rows (bottom-up), samples the source at
// x = (i + offX) xScale + srcX, y = (r + offY) yScale + sy0, each held within the rectangle.
struct ResampleGeometry {
    int64_t srcX = 0, sy0 = 0;          // the rectangle's left column and bottom memory row
    int64_t srcWidth = 0, srcHeight = 0;
    double xScale = 1, yScale = 1;
    int64_t offX = 0, offY = 0;
    int64_t width = 0, height = 0;      // the pixels produced
};

class RowResampler {
public:
    // May throw std::bad_alloc for the column tables.
    RowResampler(const ByteView2D& source, const ResampleGeometry& geometry, bool interpolate);

    // Memory row r of the output, width pixels.
    void row(int64_t r, uint8_t* out) const;
    // Whether output rows r and other hold the same pixels (they read the same source rows
    // with the same weights).
    bool repeats(int64_t r, int64_t other) const;

private:
    struct RowTaps {
        int64_t yi, yn;
        double fy;
    };
    RowTaps tapsOf(int64_t r) const;
    const uint8_t* sourceRow(int64_t memoryRow) const;
    void interpolatedRow(const RowTaps& taps, uint8_t* out) const;

    ByteView2D source_;
    ResampleGeometry g_;
    bool interpolate_;
    int64_t topRow_;
    // Per output column: byte offsets of the left and right taps and their weights 1 - fx
    // and fx (nearest neighbour uses the left offset only).
    std::vector<uint32_t> left_, right_;
    std::vector<double> leftWeight_, rightWeight_;
};

}  // namespace compositing
