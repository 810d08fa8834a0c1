// Metallic, Gold and Ice: the luma through a periodic curve, so that bands of light and
// dark follow the picture's tones as on polished metal, tinted and mixed over the picture.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "filterlib/stochastic/mix.h"

namespace filterlib {

void FxMetallic(HDC d, HDC s, int32_t cycles, int32_t amount, int32_t tint, int32_t& fxResult) {
    const int n = std::clamp(cycles, 1, 16), v = std::clamp(amount, 0, 255);
    static constexpr double kTints[3][3] = {{255, 255, 255}, {255, 215, 80}, {180, 220, 255}};
    const double* colour = kTints[tint == 2 ? 1 : tint == 3 ? 2 : 0];
    // The metal's colour for each luma value, per channel.
    std::array<std::array<double, 3>, 256> metal{};
    for (int y = 0; y < 256; ++y) {
        const double m = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n * y / 255);
        for (int k = 0; k < 3; ++k) metal[size_t(y)][size_t(k)] = m * colour[k];
    }
    const double weight = v / 255.0;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) dst[x] = mixTowards(src[x], metal[size_t(luma(src[x]))], weight);
        });
    });
}

}  // namespace filterlib
