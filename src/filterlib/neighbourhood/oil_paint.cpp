// Oil Paint: each pixel becomes the mean colour of the most frequent intensity level in
// the window about it, by a histogram that slides along each row: a column of the window
// enters, a column leaves, and the most frequent level is kept up to date.

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#if defined(__x86_64__)
// GCC 12's AVX-512 conversions pass an undefined vector through a full mask, which it then
// reports as maybe used uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/lanes.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

namespace {

constexpr int kLevels = 256;

#if defined(__x86_64__)
// The lowest level of the highest count, eight counts a step: the maximum, then the first
// lane equal to it.
__attribute__((target("avx2"))) int lowestMostFrequentAvx2(const int32_t* counts) {
    auto at = [counts](int i) __attribute__((target("avx2"))) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(counts + i));
    };
    __m256i most = at(0);
    for (int i = 8; i < kLevels; i += 8) most = _mm256_max_epi32(most, at(i));
    most = _mm256_max_epi32(most, _mm256_permute2x128_si256(most, most, 1));
    most = _mm256_max_epi32(most, _mm256_shuffle_epi32(most, 0x4E));
    most = _mm256_max_epi32(most, _mm256_shuffle_epi32(most, 0xB1));
    for (int i = 0;; i += 8) {
        const int equal = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(at(i), most)));
        if (equal) return i + std::countr_zero(unsigned(equal));
    }
}
#endif

// The window's pixels by intensity level: how many, and their colours' sums. The counts
// lie apart from the sums, so that looking for the most frequent level again (whenever a
// pixel of it leaves) runs through 1 KB in vector lanes rather than the whole table.
class LevelHistogram {
public:
    void clear() {
        counts_.fill(0);
        sums_.fill(Sums{});
        mode_ = 0;
        stale_ = false;
    }
    void add(int level, int r, int g, int b) {
        const int32_t count = ++counts_[size_t(level)];
        Sums& sums = sums_[size_t(level)];
        sums.red += r, sums.green += g, sums.blue += b;
        // The most frequent level, the lowest on a tie, stays so unless this one passes it.
        const int32_t most = counts_[size_t(mode_)];
        if (!stale_ && (count > most || (count == most && level < mode_))) mode_ = level;
    }
    void remove(int level, int r, int g, int b) {
        --counts_[size_t(level)];
        Sums& sums = sums_[size_t(level)];
        sums.red -= r, sums.green -= g, sums.blue -= b;
        if (level == mode_) stale_ = true;
    }
    // The mean colour of the most frequent level (the window is never empty, so the levels
    // no pixel has, counting 0, never win).
    uint32_t modeColour() {
        if (stale_) {
            mode_ = lowestMostFrequent();
            stale_ = false;
        }
        const int32_t count = counts_[size_t(mode_)];
        const Sums& sums = sums_[size_t(mode_)];
        return pack(int(divRound(sums.red, count)), int(divRound(sums.green, count)), int(divRound(sums.blue, count)));
    }

private:
    int lowestMostFrequent() const {
#if defined(__x86_64__)
        if (hasAvx2()) return lowestMostFrequentAvx2(counts_.data());
#endif
        int32_t most = 0;
        for (const int32_t count : counts_) most = std::max(most, count);
        int level = 0;
        while (counts_[size_t(level)] != most) ++level;
        return level;
    }
    struct Sums {
        int32_t red = 0, green = 0, blue = 0;
    };
    std::array<int32_t, kLevels> counts_{};
    std::array<Sums, kLevels> sums_{};
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
        LevelHistogram histogram;
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
