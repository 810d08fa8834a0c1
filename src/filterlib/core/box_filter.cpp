#include "filterlib/core/box_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/window_kernels.h"

namespace filterlib {

void boxBlur(const Image& source, Image& dest, int rx, int ry) {
    rx = std::clamp(rx, 0, kLargestBoxRadius);
    ry = std::clamp(ry, 0, kLargestBoxRadius);
    const int w = source.width, h = source.height;
    if (rx == 0 && ry == 0) {
        // The copy drops the high bytes, as every pixel an effect writes does.
        eachRow(h, w, [&](int y) {
            const uint32_t* in = source.row(y);
            uint32_t* out = dest.row(y);
            for (int x = 0; x < w; ++x) out[x] = in[x] & 0xFFFFFFu;
        });
        return;
    }
    // Each band keeps running sums of the source down every column, started afresh at its
    // first row, and adds those up across each row. A window's sum is the same whole number
    // whichever way it is added up, so the bytes do not depend on where bands start; and no
    // band needs more than a row of sums, whatever the picture's size. The area is odd, so
    // no quotient lies halfway: rounding is adding half the area, less a half, and cutting.
    const uint32_t area = uint32_t(2 * rx + 1) * uint32_t(2 * ry + 1);
    WindowDivision division;
    division.half = (area - 1) / 2;
    const uint64_t largest = 255 * uint64_t(area) + division.half;
    const bool narrow = largest < 65536 && windowDivision(area, largest, 16, division);
    if (!narrow) windowDivision(area, largest, 32, division);
    const WindowKernels& kernels = windowKernels();
    const size_t lanes = 4 * (size_t(w) + 2 * size_t(boxPad(rx)));
    inBands(
        h, w,
        [&](int first, int end) {
            if (narrow) {
                std::vector<uint16_t> columns(lanes), blocks(lanes);
                kernels.boxBand16(source, dest, rx, ry, first, end, division, columns.data(), blocks.data());
            } else {
                std::vector<uint32_t> columns(lanes), blocks(lanes);
                kernels.boxBand32(source, dest, rx, ry, first, end, division, columns.data(), blocks.data());
            }
        },
        // A band starts by adding up the window's rows: worth it only over more rows than that.
        2 * (2 * int64_t(ry) + 1));
}

void gaussianBoxRadii(double sigma, int passes, int* radii) {
    // Widths wl and wl + 2 (odd) mixed so that the passes' variances (w^2 - 1) / 12 add
    // up to sigma^2 as closely as whole widths allow.
    const double ideal = std::sqrt(12.0 * sigma * sigma / passes + 1.0);
    int wl = static_cast<int>(std::floor(ideal));
    if (wl % 2 == 0) --wl;
    wl = std::max(wl, 1);
    const double m = (12.0 * sigma * sigma - passes * double(wl) * wl - 4.0 * passes * wl - 3.0 * passes) /
                     (-4.0 * wl - 4.0);
    const int lower = std::clamp(static_cast<int>(std::lrint(m)), 0, passes);
    for (int i = 0; i < passes; ++i) radii[i] = ((i < lower ? wl : wl + 2) - 1) / 2;
}

void gaussianBlur(const Image& source, Image& dest, double sigma, int passes) {
    passes = std::clamp(passes, 1, 8);
    if (!(sigma > 0)) {
        boxBlur(source, dest, 0, 0);
        return;
    }
    int radii[8];
    gaussianBoxRadii(sigma, passes, radii);
    WorkPicture scratch(source.width, source.height);
    Image& work = scratch.image;
    // Alternate between the scratch picture and dest so that the last pass lands in dest.
    const Image* in = &source;
    for (int i = 0; i < passes; ++i) {
        Image& out = (passes - 1 - i) % 2 == 0 ? dest : work;
        boxBlur(*in, out, radii[i], radii[i]);
        in = &out;
    }
}

}  // namespace filterlib
