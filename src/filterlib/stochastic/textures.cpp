// Textures laid over the picture: fog and rock from the seeded noise fields, the canvas
// weave from a fixed pattern. Each adds to the picture in proportion to its amount, so the
// amount 0 leaves the picture as it is.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/noise.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/fx.h"
#include "filterlib/stochastic/mix.h"

namespace filterlib {

namespace {

// Every channel of a row's pixels moved by the pixel's shift, saturating.
void addToEveryChannel(const uint32_t* src, uint32_t* dst, const std::vector<int>& shifts) {
    for (size_t x = 0; x < shifts.size(); ++x) {
        const int n = shifts[x];
        dst[x] = pack(saturate(red(src[x]) + n), saturate(green(src[x]) + n), saturate(blue(src[x]) + n));
    }
}

}  // namespace

void FxFog(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, 0, 127);
    static constexpr std::array<double, 3> kFog = {230, 230, 235};
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const uint64_t seed = seedOf("FxFog", {out.width, out.height});
        inBands(out.height, out.width, [&](int first, int end) {
            std::vector<double> field(static_cast<size_t>(out.width));
            for (int y = first; y < end; ++y) {
                if (v > 0) fractalRow(0, y, out.width, 64, 4, seed, field.data());
                const uint32_t* src = in.row(y);
                uint32_t* dst = out.row(y);
                for (int x = 0; x < out.width; ++x) dst[x] = mixTowards(src[x], kFog, field[size_t(x)] * v / 127);
            }
        });
    });
}

void FxRock(HDC d, HDC s, int32_t strength, int32_t& fxResult) {
    const int v = std::clamp(strength, 0, 6);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const uint64_t seed = seedOf("FxRock", {out.width, out.height});
        // The field on two rows, from one column left of the picture: the relief of a
        // pixel is the field's rise from its upper-left neighbour. A band starts from the
        // field of the row above its first.
        const auto columns = static_cast<size_t>(out.width) + 1;
        auto fieldRow = [&](int y, std::vector<double>& row) {
            fractalRow(-1, y, static_cast<int>(columns), 8, 3, seed, row.data());
        };
        inBands(out.height, out.width, [&](int first, int end) {
            std::vector<double> above(columns), here(columns);
            std::vector<int> shifts(static_cast<size_t>(out.width));
            if (v > 0) fieldRow(first - 1, above);
            for (int y = first; y < end; ++y) {
                if (v > 0) {
                    fieldRow(y, here);
                    for (size_t x = 0; x < shifts.size(); ++x)
                        shifts[x] = static_cast<int>(
                            roundHalfEven(12 * v * std::clamp(4 * (here[x + 1] - above[x]), -1.0, 1.0)));
                    std::swap(above, here);
                }
                addToEveryChannel(in.row(y), out.row(y), shifts);
            }
        });
    });
}

void FxCanvas(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, 0, 32767);
    const int period = 4 + v / 40;
    const double depth = 40.0 * std::min(v, 64) / 64;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        // Across a thread its relief follows a cosine over the thread's width: lit on one
        // side, shaded on the other. Threads run across in one cell, down in the next.
        auto reliefAcross = [&](int length) {
            std::vector<int> relief(static_cast<size_t>(length));
            for (int i = 0; i < length; ++i)
                relief[size_t(i)] = static_cast<int>(
                    roundHalfEven(depth * std::cos(std::numbers::pi * ((i % period) + 0.5) / period)));
            return relief;
        };
        const std::vector<int> byRow = reliefAcross(out.height), byColumn = reliefAcross(out.width);
        inBands(out.height, out.width, [&](int first, int end) {
            std::vector<int> shifts(static_cast<size_t>(out.width));
            for (int y = first; y < end; ++y) {
                for (int x = 0; x < out.width; ++x)
                    shifts[size_t(x)] = (x / period + y / period) % 2 == 0 ? byRow[size_t(y)] : byColumn[size_t(x)];
                addToEveryChannel(in.row(y), out.row(y), shifts);
            }
        });
    });
}

}  // namespace filterlib
