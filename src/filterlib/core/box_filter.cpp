#include "filterlib/core/box_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/pixel.h"

namespace filterlib {

namespace {

// The sums of a window of 2r + 1 along a line of n places, each place holding three sums
// (red, green, blue), the ends repeated: emit(i, sums) for i = 0 .. n - 1.
template <class Emit>
void windowAlong(int n, int r, const uint32_t* line, Emit emit) {
    uint64_t sums[3] = {uint64_t(r) * line[0], uint64_t(r) * line[1], uint64_t(r) * line[2]};
    for (int i = 0; i <= r; ++i)
        for (int c = 0; c < 3; ++c) sums[c] += line[3 * std::min(i, n - 1) + c];
    for (int i = 0; i < n; ++i) {
        emit(i, sums);
        const uint32_t* in = &line[3 * std::min(i + r + 1, n - 1)];
        const uint32_t* gone = &line[3 * std::max(i - r, 0)];
        for (int c = 0; c < 3; ++c) sums[c] += uint64_t(in[c]) - gone[c];
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
    // Each band keeps running sums of the source down every column, started afresh at its
    // first row, and adds those up across each row. A window's sum is the same whole number
    // whichever way it is added up, so the bytes do not depend on where bands start; and no
    // band needs more than a row of sums, whatever the picture's size.
    const int64_t area = int64_t(2 * rx + 1) * (2 * ry + 1);
    auto rowAt = [&](int y) { return source.row(std::clamp(y, 0, h - 1)); };
    inBands(
        h, w,
        [&](int first, int end) {
            std::vector<uint32_t> columns(size_t(w) * 3, 0);
            for (int y = first - ry; y <= first + ry; ++y) {
                const uint32_t* in = rowAt(y);
                for (int x = 0; x < w; ++x) {
                    columns[3 * size_t(x)] += (in[x] >> 16) & 0xFF;
                    columns[3 * size_t(x) + 1] += (in[x] >> 8) & 0xFF;
                    columns[3 * size_t(x) + 2] += in[x] & 0xFF;
                }
            }
            for (int y = first;; ++y) {
                uint32_t* out = dest.row(y);
                windowAlong(w, rx, columns.data(), [&](int x, const uint64_t* sums) {
                    out[x] = pack(int(divRound(int64_t(sums[0]), area)), int(divRound(int64_t(sums[1]), area)),
                                  int(divRound(int64_t(sums[2]), area)));
                });
                if (y + 1 == end) break;
                const uint32_t* in = rowAt(y + ry + 1);
                const uint32_t* gone = rowAt(y - ry);
                for (int x = 0; x < w; ++x) {
                    columns[3 * size_t(x)] += ((in[x] >> 16) & 0xFF) - ((gone[x] >> 16) & 0xFF);
                    columns[3 * size_t(x) + 1] += ((in[x] >> 8) & 0xFF) - ((gone[x] >> 8) & 0xFF);
                    columns[3 * size_t(x) + 2] += (in[x] & 0xFF) - (gone[x] & 0xFF);
                }
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
