#include "filterlib/core/box_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/pixel.h"

namespace filterlib {

namespace {

// Sums of each channel over a window of 2r + 1 along a line of n pixels read with `at`,
// the ends repeated; three sums per pixel into `out`.
template <class At>
void lineSums(int n, int r, At at, uint32_t* out) {
    uint32_t sr = 0, sg = 0, sb = 0;
    auto add = [&](uint32_t p, uint32_t times) {
        sr += times * ((p >> 16) & 0xFF);
        sg += times * ((p >> 8) & 0xFF);
        sb += times * (p & 0xFF);
    };
    // The window at 0: r copies of the first pixel before it, then pixels 0..r (the last
    // repeated when r reaches past the end).
    add(at(0), uint32_t(r));
    for (int i = 0; i <= r; ++i) add(at(std::min(i, n - 1)), 1);
    for (int i = 0; i < n; ++i) {
        out[3 * i] = sr;
        out[3 * i + 1] = sg;
        out[3 * i + 2] = sb;
        const uint32_t in = at(std::min(i + r + 1, n - 1)), gone = at(std::max(i - r, 0));
        sr += ((in >> 16) & 0xFF) - ((gone >> 16) & 0xFF);
        sg += ((in >> 8) & 0xFF) - ((gone >> 8) & 0xFF);
        sb += (in & 0xFF) - (gone & 0xFF);
    }
}

}  // namespace

void boxBlur(const Image& source, Image& dest, int rx, int ry) {
    rx = std::max(rx, 0);
    ry = std::max(ry, 0);
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
    // Horizontal sums of every row, then a running sum of those down each column; every
    // band of output rows starts its own column sums (whole numbers, so the bytes are the
    // same wherever a band starts).
    const size_t line = size_t(w) * 3;
    std::vector<uint32_t> rows(line * size_t(h));
    eachRow(h, w, [&](int y) {
        const uint32_t* in = source.row(y);
        lineSums(w, rx, [in](int x) { return in[x]; }, &rows[size_t(y) * line]);
    });
    const int64_t area = int64_t(2 * rx + 1) * (2 * ry + 1);
    auto rowAt = [&](int y) { return &rows[size_t(std::clamp(y, 0, h - 1)) * line]; };
    inBands(h, w, [&](int first, int end) {
        std::vector<uint64_t> column(line, 0);
        for (int y = first - ry; y <= first + ry; ++y) {
            const uint32_t* r = rowAt(y);
            for (size_t i = 0; i < line; ++i) column[i] += r[i];
        }
        for (int y = first; y < end; ++y) {
            uint32_t* out = dest.row(y);
            for (int x = 0; x < w; ++x) {
                const uint64_t* c = &column[size_t(x) * 3];
                out[x] = pack(int(divRound(int64_t(c[0]), area)), int(divRound(int64_t(c[1]), area)),
                              int(divRound(int64_t(c[2]), area)));
            }
            const uint32_t* in = rowAt(y + ry + 1);
            const uint32_t* gone = rowAt(y - ry);
            for (size_t i = 0; i < line; ++i) column[i] += uint64_t(in[i]) - gone[i];
        }
    });
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
    std::vector<uint32_t> scratch(size_t(source.width) * size_t(source.height));
    Image work{source.width, source.height, source.width, scratch.data()};
    // Alternate between the scratch picture and dest so that the last pass lands in dest.
    const Image* in = &source;
    for (int i = 0; i < passes; ++i) {
        Image& out = (passes - 1 - i) % 2 == 0 ? dest : work;
        boxBlur(*in, out, radii[i], radii[i]);
        in = &out;
    }
}

}  // namespace filterlib
