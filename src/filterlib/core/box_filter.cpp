#include "filterlib/core/box_filter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/window_kernels.h"

namespace filterlib {

namespace {

// The rows of a Gaussian's last pass made at a time (more when the radii are large).
constexpr int kGaussianChunkRows = 64;

// One box pass: its radii, whether its sums fit 16-bit lanes, and its division. The area
// is odd, so no quotient lies halfway: rounding is adding half the area, less a half, and
// cutting.
struct BoxPass {
    int rx, ry;
    bool narrow;
    WindowDivision division;

    BoxPass(int x, int y) : rx(x), ry(y) {
        const uint32_t area = uint32_t(2 * rx + 1) * uint32_t(2 * ry + 1);
        division.half = (area - 1) / 2;
        const uint64_t largest = 255 * uint64_t(area) + division.half;
        narrow = largest < 65536 && windowDivision(area, largest, 16, division);
        if (!narrow && !floatWindowDivision(area, division)) windowDivision(area, largest, 32, division);
    }
};

// A band's lanes of running sums, for passes of radii up to rx.
class BoxSums {
public:
    BoxSums(int w, int rx) : lanes_(4 * (size_t(w) + 2 * size_t(boxPad(rx)))) {}

    // Rows first .. end - 1 of the pass from `in` into `out`.
    void run(const BoxPass& pass, const Image& in, Image& out, int first, int end) {
        const WindowKernels& kernels = windowKernels();
        if (pass.narrow) {
            narrow_.resize(2 * lanes_);
            kernels.boxBand16(in, out, pass.rx, pass.ry, first, end, pass.division, narrow_.data(),
                              narrow_.data() + lanes_);
        } else {
            narrow_.resize(lanes_);
            wide_.resize(2 * lanes_);
            kernels.boxBand32(in, out, pass.rx, pass.ry, first, end, pass.division, narrow_.data(), wide_.data(),
                              wide_.data() + lanes_);
        }
    }

private:
    size_t lanes_;
    std::vector<uint16_t> narrow_;
    std::vector<uint32_t> wide_;
};

}  // namespace

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
    // band needs more than a row of sums, whatever the picture's size.
    const BoxPass pass(rx, ry);
    inBands(
        h, w,
        [&](int first, int end) {
            BoxSums sums(w, rx);
            sums.run(pass, source, dest, first, end);
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
    int radii[8] = {};
    if (sigma > 0) gaussianBoxRadii(sigma, passes, radii);
    // A pass of radius 0 gives back what it reads (the high bytes aside, which no pass reads).
    std::vector<BoxPass> plan;
    int widest = 0;
    for (int i = 0; i < passes; ++i)
        if (radii[i] > 0) {
            plan.emplace_back(radii[i], radii[i]);
            widest = std::max(widest, radii[i]);
        }
    if (plan.size() <= 1) return boxBlur(source, dest, widest, widest);
    // The passes run one after another over a few dozen rows at a time, each row of a pass
    // made from the rows of the one before, which stay in the processor's caches. The rows
    // of a pass reach as far beyond the chunk as the later passes' radii add up to, and are
    // made again by the next chunk: every row of every pass is the same whole-number mean
    // whichever chunk or band makes it, so the bytes are too.
    const int w = source.width, h = source.height, n = int(plan.size());
    int reach = 0;
    for (int k = 1; k < n; ++k) reach += plan[size_t(k)].ry;
    const int chunk = std::max(kGaussianChunkRows, 4 * reach);
    inBands(
        h, int64_t(w) * n,
        [&](int first, int end) {
            BoxSums sums(w, widest);
            const int rows = std::min(chunk, end - first) + 2 * reach;
            WorkPicture made[2] = {WorkPicture(w, rows), WorkPicture(w, rows)};
            for (int top = first; top < end; top += chunk) {
                int from[8], to[8];
                from[n - 1] = top;
                to[n - 1] = std::min(end, top + chunk);
                for (int k = n - 1; k > 0; --k) {
                    from[k - 1] = std::max(0, from[k] - plan[size_t(k)].ry);
                    to[k - 1] = std::min(h, to[k] + plan[size_t(k)].ry);
                }
                // Each pass's rows as a picture of the whole height whose rows from[k] ..
                // to[k] - 1 are the ones held.
                Image views[2];
                const Image* in = &source;
                for (int k = 0; k < n; ++k) {
                    Image* out = &dest;
                    if (k < n - 1) {
                        views[k % 2] = Image{w, h, w, made[k % 2].image.top - ptrdiff_t(from[k]) * w};
                        out = &views[k % 2];
                    }
                    sums.run(plan[size_t(k)], *in, *out, from[k], to[k]);
                    in = out;
                }
            }
        },
        2 * (2 * int64_t(reach + widest) + 1));
}

}  // namespace filterlib
