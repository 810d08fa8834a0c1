// Smart Blur: a 5x5 mean over the neighbours whose colour is close to the centre's, so
// flat areas soften and edges stay.

#include <algorithm>
#include <array>
#include <cstdlib>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/plane.h"
#include "filterlib/fx.h"
#include "filterlib/neighbourhood/shared.h"

namespace filterlib {

void FxSmartBlur(HDC d, HDC s, int32_t threshold, int32_t& fxResult) {
    constexpr int kRadius = 2;
    const int t = std::clamp(threshold, 0, 255);
    apply(d, s, fxResult, [t](const Image& in, Image& out) {
        if (t == 0) return keep(in, out);
        const std::array<Plane, 3> q = {channelPlane(in, 16, kRadius), channelPlane(in, 8, kRadius),
                                        channelPlane(in, 0, kRadius)};
        const ptrdiff_t stride = q[0].stride();
        eachRow(out.height, 25 * int64_t(out.width), [&](int y) {
            const uint8_t* r = q[0].row(y);
            const uint8_t* g = q[1].row(y);
            const uint8_t* b = q[2].row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const int cr = r[x], cg = g[x], cb = b[x];
                int n = 0, sr = 0, sg = 0, sb = 0;
                for (int j = -kRadius; j <= kRadius; ++j)
                    for (int i = -kRadius; i <= kRadius; ++i) {
                        const ptrdiff_t at = j * stride + x + i;
                        const int vr = r[at], vg = g[at], vb = b[at];
                        if (std::max({std::abs(vr - cr), std::abs(vg - cg), std::abs(vb - cb)}) >= t) continue;
                        ++n, sr += vr, sg += vg, sb += vb;
                    }
                dst[x] = pack(int(divRound(sr, n)), int(divRound(sg, n)), int(divRound(sb, n)));
            }
        });
    });
}

}  // namespace filterlib
