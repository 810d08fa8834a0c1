#include "filterlib/core/tap_filter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <utility>

#include "filterlib/core/bands.h"
#include "filterlib/core/plane.h"
#include "filterlib/core/window_kernels.h"

namespace filterlib {

namespace {

// n / d rounded, halves to even, by a multiplication: one division per value would
// cost as much as the sums themselves.
class RoundedDivision {
public:
    explicit RoundedDivision(uint32_t d) : d_(d), inverse_(1.0 / d) {}
    uint32_t operator()(uint32_t n) const {
        auto q = static_cast<int64_t>(double(n) * inverse_);
        int64_t r = int64_t(n) - q * d_;
        while (r < 0) --q, r += d_;
        while (r >= d_) ++q, r -= d_;
        if (2 * r > d_ || (2 * r == d_ && (q & 1))) ++q;
        return uint32_t(q);
    }

private:
    int64_t d_;
    double inverse_;
};

}  // namespace

void filterTaps(const Image& source, Image& dest, const std::vector<Tap>& taps, uint32_t divisor) {
    // Taps at one offset merge into one weight.
    std::map<std::pair<int, int>, uint32_t> merged;
    int margin = 0;
    for (const Tap& t : taps) {
        if (t.weight == 0) continue;
        merged[{t.dy, t.dx}] += t.weight;
        margin = std::max({margin, std::abs(t.dx), std::abs(t.dy)});
    }
    const int w = source.width, h = source.height;
    std::array<Plane, 3> planes = {channelPlane(source, kChannelShifts[0], margin),
                                   channelPlane(source, kChannelShifts[1], margin),
                                   channelPlane(source, kChannelShifts[2], margin)};
    const RoundedDivision divide(divisor);
    inBands(h, int64_t(w) * int64_t(merged.size()), [&](int firstRow, int endRow) {
        std::vector<uint32_t> sums(static_cast<size_t>(w));
        for (int y = firstRow; y < endRow; ++y) {
            uint32_t* out = dest.row(y);
            std::fill_n(out, w, 0u);
            for (int c = 0; c < 3; ++c) {
                std::fill(sums.begin(), sums.end(), 0u);
                uint32_t* sum = sums.data();
                for (const auto& [offset, weight] : merged) {
                    const uint8_t* in = planes[size_t(c)].row(y + offset.first) + offset.second;
                    for (int x = 0; x < w; ++x) sum[x] += weight * in[x];
                }
                const int shift = kChannelShifts[c];
                for (int x = 0; x < w; ++x) out[x] |= divide(sum[x]) << shift;
            }
        }
    });
}

void filterSeparable(const Image& source, Image& dest, std::initializer_list<uint16_t> weights) {
    SeparableKernel kernel;
    kernel.radius = int(weights.size()) / 2;
    uint32_t sum = 0;
    int i = 0;
    for (const uint16_t weight : weights) {
        kernel.weights[i++] = weight;
        sum += weight;
    }
    while ((1u << kernel.shift) < sum * sum) ++kernel.shift;
    const WindowKernels& kernels = windowKernels();
    const size_t lanes = 4 * (size_t(source.width) + 2 * size_t(separablePad(kernel.radius)));
    inBands(source.height, int64_t(source.width) * int64_t(weights.size()), [&](int first, int end) {
        std::vector<uint16_t> line(lanes);
        kernels.separableBand(source, dest, kernel, first, end, line.data());
    });
}

}  // namespace filterlib
