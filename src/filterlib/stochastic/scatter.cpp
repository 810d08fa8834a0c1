// The effects that throw dice per pixel: noise, scattered points, and pixels taken from a
// random neighbour (Diffuse, Frost Glass) or from above (Melt). Every die is fixed by the
// call's seed and the pixel's position, so the visiting order does not matter.

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <vector>

#include "filterlib/core/bands.h"
#include "filterlib/core/box_filter.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/core/random.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

// A whole number in -reach..reach from 16 random bits.
int offsetOf(uint32_t bits16, int reach) {
    return static_cast<int>((bits16 * static_cast<uint32_t>(2 * reach + 1)) >> 16) - reach;
}

// Each pixel of `out` takes `in` at an offset in -reach..reach on both axes, the two
// offsets from the low and high halves of the pixel's hash.
void scatter(const Image& in, Image& out, uint64_t seed, int reach) {
    const ColumnHashes hashes(seed, out.width);
    eachRow(out.height, out.width, [&](int y) {
        uint32_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x) {
            const uint32_t h = hashes.at(x, y);
            dst[x] = clampedAt(in, x + offsetOf(h & 0xFFFF, reach), y + offsetOf(h >> 16, reach)) & 0xFFFFFFu;
        }
    });
}

void copyOpaque(const Image& in, Image& out) {
    eachRow(out.height, out.width, [&](int y) {
        const uint32_t* src = in.row(y);
        uint32_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x) dst[x] = src[x] & 0xFFFFFFu;
    });
}

}  // namespace

void FxColorRandomize(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int v = std::clamp(amount, -255, 255), reach = std::abs(v);
    const auto span = static_cast<uint64_t>(2 * reach + 1);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const uint64_t seed = seedOf("FxColorRandomize", {v, out.width, out.height});
        // n in -reach..reach from all 32 bits of a hash, so every value is equally likely
        // to within 2^-23 and the mean stays where it was. One stream for grey noise, one
        // per channel for colour.
        const int streams = v == 0 ? 0 : v < 0 ? 1 : 3;
        std::vector<ColumnHashes> hashes;
        for (int i = 0; i < streams; ++i) hashes.emplace_back(seed + uint64_t(i), out.width);
        auto die = [&](int stream, int x, int y) {
            return static_cast<int>((hashes[size_t(stream)].at(x, y) * span) >> 32) - reach;
        };
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* src = in.row(y);
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                const uint32_t p = src[x];
                if (v == 0) {
                    dst[x] = p & 0xFFFFFFu;
                } else if (v < 0) {
                    const int n = die(0, x, y);
                    dst[x] = pack(saturate(red(p) + n), saturate(green(p) + n), saturate(blue(p) + n));
                } else {
                    dst[x] = pack(saturate(red(p) + die(0, x, y)), saturate(green(p) + die(1, x, y)),
                                  saturate(blue(p) + die(2, x, y)));
                }
            }
        });
    });
}

void FxRandomPoints(HDC d, HDC s, int32_t density, COLORREF color, int32_t& fxResult) {
    const int v = std::clamp(density, 2, 102);
    const uint32_t ink = pixelOf(color);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        copyOpaque(in, out);
        Random dice(seedOf("FxRandomPoints", {v, int64_t(color & 0xFFFFFFu), out.width, out.height}));
        const int64_t count = out.pixelCount() * v / 1000;
        for (int64_t i = 0; i < count; ++i) {
            const auto x = static_cast<int>(dice.below(static_cast<uint32_t>(out.width)));
            const auto y = static_cast<int>(dice.below(static_cast<uint32_t>(out.height)));
            out.row(y)[x] = ink;
        }
    });
}

void FxDiffuse(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        scatter(in, out, seedOf("FxDiffuse", {out.width, out.height}), 2);
    });
}

void FxMelt(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        constexpr int kLongestDrip = 16;
        const ColumnHashes hashes(seedOf("FxMelt", {out.width, out.height}), out.width);
        eachRow(out.height, out.width, [&](int y) {
            const uint32_t* above[kLongestDrip + 1];
            for (int k = 0; k <= kLongestDrip; ++k) above[k] = in.row(std::max(y - k, 0));
            uint32_t* dst = out.row(y);
            for (int x = 0; x < out.width; ++x) {
                // The leading one bits of the hash: a drip of k rows has chance 2^-(k+1).
                const int drip = std::min(std::countl_one(hashes.at(x, y)), kLongestDrip);
                dst[x] = above[drip][x] & 0xFFFFFFu;
            }
        });
    });
}

void FxFrostGlass(HDC d, HDC s, int32_t distance, int32_t& fxResult) {
    const int reach = std::clamp(distance, 0, 50);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        WorkPicture pixels(out.width, out.height);
        Image& scattered = pixels.image;
        scatter(in, scattered, seedOf("FxFrostGlass", {reach, out.width, out.height}), reach);
        boxBlur(scattered, out, 1, 1);
    });
}

}  // namespace filterlib
