// Note paper: the picture cut into ink and paper by its luma, the paper grainy, the ink
// raised from the paper and lit from one corner.

#include <algorithm>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

// Brightness a unit of relief depth gives an edge facing the light (and takes from one
// facing away).
constexpr int kReliefStep = 24;

// The step from a pixel towards the light: 1 top left, 2 top right, 3 bottom right,
// 4 bottom left; any other value as 1.
struct Towards {
    int dx, dy;
};
Towards towardsLight(int light) {
    switch (light) {
        case 2: return {1, -1};
        case 3: return {1, 1};
        case 4: return {-1, 1};
        default: return {-1, -1};
    }
}

}  // namespace

void FxNotePaper(HDC d, HDC s, int32_t threshold, int32_t relief, int32_t grain, int32_t light,
                 COLORREF ink, COLORREF paper, int32_t& fxResult) {
    const int v = std::clamp(threshold, 0, 255), cut = 64 + v / 2;
    const int depth = std::clamp(relief, 0, 10), roughness = std::clamp(grain, 0, 127);
    const uint32_t inkColour = pixelOf(ink), paperColour = pixelOf(paper);
    const Towards lit = towardsLight(light);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const int w = out.width, h = out.height;
        std::vector<uint8_t> inked(static_cast<size_t>(out.pixelCount()));
        eachRow(h, w, [&](int y) {
            const uint32_t* src = in.row(y);
            for (int x = 0; x < w; ++x) inked[size_t(y) * size_t(w) + size_t(x)] = luma(src[x]) < cut;
        });
        auto inkAt = [&](int x, int y) {
            return int(inked[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))]);
        };
        const ColumnHashes grainHashes(seedOf("FxNotePaper", {v, w, h}), w);
        const auto span = static_cast<uint64_t>(2 * roughness + 1);
        eachRow(h, w, [&](int y) {
            uint32_t* dst = out.row(y);
            for (int x = 0; x < w; ++x) {
                // Raised ink: bright where ink meets paper on the lit side, shaded where
                // the paper lies in the ink's shadow.
                int shift = kReliefStep * depth * (inkAt(x - lit.dx, y - lit.dy) - inkAt(x + lit.dx, y + lit.dy));
                uint32_t base = inkColour;
                if (!inkAt(x, y)) {
                    base = paperColour;
                    shift += static_cast<int>((grainHashes.at(x, y) * span) >> 32) - roughness;
                }
                dst[x] = pack(saturate(red(base) + shift), saturate(green(base) + shift), saturate(blue(base) + shift));
            }
        });
    });
}

}  // namespace filterlib
