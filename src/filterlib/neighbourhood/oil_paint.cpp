// Oil Paint: each pixel becomes the mean colour of the most frequent intensity level in
// the window about it, by a histogram that slides along each row: a column of the window
// enters, a column leaves, and the most frequent level is kept up to date.

#include <algorithm>
#include <array>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

namespace {

// The window's pixels by intensity level: how many, and their colours' sums.
class LevelHistogram {
public:
    explicit LevelHistogram(int levels) : levels_(levels) {}

    void clear() {
        std::fill_n(bins_.begin(), levels_, Bin{});
        mode_ = 0;
        stale_ = false;
    }
    void add(int level, int r, int g, int b) {
        Bin& bin = bins_[size_t(level)];
        ++bin.count, bin.red += r, bin.green += g, bin.blue += b;
        // The most frequent level, the lowest on a tie, stays so unless this one passes it.
        const Bin& mode = bins_[size_t(mode_)];
        if (!stale_ && (bin.count > mode.count || (bin.count == mode.count && level < mode_))) mode_ = level;
    }
    void remove(int level, int r, int g, int b) {
        Bin& bin = bins_[size_t(level)];
        --bin.count, bin.red -= r, bin.green -= g, bin.blue -= b;
        if (level == mode_) stale_ = true;
    }
    // The mean colour of the most frequent level.
    uint32_t modeColour() {
        if (stale_) {
            mode_ = 0;
            for (int level = 1; level < levels_; ++level)
                if (bins_[size_t(level)].count > bins_[size_t(mode_)].count) mode_ = level;
            stale_ = false;
        }
        const Bin& bin = bins_[size_t(mode_)];
        return pack(int(divRound(bin.red, bin.count)), int(divRound(bin.green, bin.count)),
                    int(divRound(bin.blue, bin.count)));
    }

private:
    struct Bin {
        int32_t count = 0, red = 0, green = 0, blue = 0;
    };
    int levels_;
    std::array<Bin, 256> bins_{};
    int mode_ = 0;
    bool stale_ = false;
};

void oilPaint(const Image& in, Image& out, int radius, int levels) {
    const Plane r = channelPlane(in, 16, radius), g = channelPlane(in, 8, radius), b = channelPlane(in, 0, radius);
    Plane level = lumaPlane(in, radius);
    // The margin's rows too: rows -radius .. height + radius - 1.
    eachRow(in.height + 2 * radius, in.width + 2 * radius, [&](int i) {
        uint8_t* row = level.row(i - radius);
        for (int x = -radius; x < in.width + radius; ++x) row[x] = uint8_t(row[x] * levels / 256);
    });
    const ptrdiff_t stride = r.stride();
    // One column of the window: rows y - radius .. y + radius at x.
    auto column = [&](int x, int y, auto change) {
        const ptrdiff_t first = ptrdiff_t(-radius) * stride + x;
        const uint8_t *lr = r.row(y) + first, *lg = g.row(y) + first, *lb = b.row(y) + first,
                      *ll = level.row(y) + first;
        for (int j = 0; j <= 2 * radius; ++j, lr += stride, lg += stride, lb += stride, ll += stride)
            change(*ll, *lr, *lg, *lb);
    };
    // Each band of rows slides a histogram of its own.
    inBands(out.height, int64_t(2 * radius + 2) * out.width, [&](int first, int end) {
        LevelHistogram histogram(levels);
        auto add = [&](int l, int cr, int cg, int cb) { histogram.add(l, cr, cg, cb); };
        auto remove = [&](int l, int cr, int cg, int cb) { histogram.remove(l, cr, cg, cb); };
        for (int y = first; y < end; ++y) {
            histogram.clear();
            for (int x = -radius; x <= radius; ++x) column(x, y, add);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                dst[x] = histogram.modeColour();
                if (x + 1 == out.width) break;
                column(x + radius + 1, y, add);
                column(x - radius, y, remove);
            }
        }
    });
}

}  // namespace

void FxOilPaint(HDC d, HDC s, int32_t radius, int32_t levels, int32_t& fxResult) {
    const int r = std::clamp(radius, 0, 20), l = std::clamp(levels, 2, 256);
    apply(d, s, fxResult, [r, l](const Image& in, Image& out) {
        if (r == 0) return keep(in, out);
        oilPaint(in, out, r, l);
    });
}

}  // namespace filterlib
