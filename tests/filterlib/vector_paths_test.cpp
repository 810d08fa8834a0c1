// The effects whose rows run in vector lanes (ours or the compiler's), against their
// definitions computed pixel by pixel: on noise with stray high bytes, at widths that leave every kind of row end
// beside the lanes (narrower than a lane, a lane and a few pixels over), and at arguments whose products fall on
// halves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"
#include "support/effect_runner.h"

namespace fxtest {
namespace {

using filterlib::pack;
using filterlib::roundChannel;

const std::vector<std::pair<int, int>> kSizes = {{1, 1},  {2, 3},  {3, 1},  {5, 4},  {6, 2},  {9, 3},
                                                 {13, 5}, {17, 2}, {34, 3}, {71, 4}, {130, 3}};

// Every channel and high byte from a fixed sequence, so any byte may lie anywhere.
FxPicture noise(int w, int h, uint32_t seed) {
    FxPicture picture(w, h);
    uint32_t state = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.set(x, y, state ^ (state >> 13));
        }
    return picture;
}

int channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }
uint32_t clampedAt(const FxPicture& p, int x, int y) {
    return p.at(std::clamp(x, 0, p.width() - 1), std::clamp(y, 0, p.height() - 1));
}
// A pixel from one rule per channel, rule(shift).
template <class Rule>
uint32_t perChannel(Rule rule) {
    return pack(rule(16), rule(8), rule(0));
}

using Expected = std::function<uint32_t(const FxPicture&, int, int)>;
using Effect = std::function<std::optional<FxPicture>(const FxPicture&)>;

// An entry point called with arguments the window never passes; nothing when it fails.
Effect directly(const std::function<void(gdi::HDC d, gdi::HDC s, int32_t& result)>& call) {
    return [call](const FxPicture& source) -> std::optional<FxPicture> {
        FxPicture out(source.width(), source.height());
        int32_t result = -1;
        call(out.dc(), source.dc(), result);
        return result == filterlib::kFxOk ? std::optional<FxPicture>(out) : std::nullopt;
    };
}

// Compares what `effect` makes of each source with expected(source, x, y) at every pixel of
// every size.
void expectEverywhere(const std::string& what, const Effect& effect, const Expected& expected) {
    uint32_t seed = 1;
    for (const auto& [w, h] : kSizes) {
        const FxPicture source = noise(w, h, seed++);
        const std::optional<FxPicture> out = effect(source);
        ASSERT_TRUE(out.has_value()) << what;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out->at(x, y), expected(source, x, y))
                    << what << " on " << w << "x" << h << ", pixel " << x << "," << y;
    }
}
// The same for effect number `effect` as the window calls it at v.
void expectEverywhere(int effect, int16_t v, const Expected& expected) {
    expectEverywhere(
        "effect " + std::to_string(effect) + " at " + std::to_string(v),
        [&](const FxPicture& source) { return effectOf(effect, v, 0, source); }, expected);
}

TEST(VectorPaths, SharpeningIsTheLaplacianInDoubles) {
    // k = V / 100 as a float: 0.5 and 0.25 put results on halves, 0.3 and 0.07 are not
    // binary fractions, 0.01 moves little, 10 (from 1000 on) saturates almost everything.
    for (const int16_t v : {50, 25, 30, 7, 1, 60, 1000}) {
        const double k = static_cast<float>(v / 100.0);
        expectEverywhere(3, v, [k](const FxPicture& p, int x, int y) {
            return perChannel([&](int shift) {
                int around = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        if (i != 0 || j != 0) around += channel(clampedAt(p, x + i, y + j), shift);
                const int c = channel(p.at(x, y), shift);
                return roundChannel(c + k * (8 * c - around));
            });
        });
    }
}

TEST(VectorPaths, FragmentIsTheMeanOfFourShiftedCopies) {
    // 0 reads the pixel four times; 1 and 4 leave lanes in the middle of wide rows; 50
    // clamps every copy of these narrow pictures.
    for (const int16_t k : {0, 1, 4, 50}) {
        expectEverywhere(49, k, [k](const FxPicture& p, int x, int y) {
            return perChannel([&](int shift) {
                const int sum = channel(clampedAt(p, x - k, y), shift) + channel(clampedAt(p, x + k, y), shift) +
                                channel(clampedAt(p, x, y - k), shift) + channel(clampedAt(p, x, y + k), shift);
                return int(filterlib::divRound(sum, 4));
            });
        });
    }
}

// The mean of 16 bilinear samples at the points step(u, v, k) from the picture's centre,
// for the pixel's centre at (u, v) from it: weights in 1/256 steps each way, coordinates
// clamped to the picture, the weighted sums added up and divided once.
using PathStep = std::function<void(double u, double v, int k, double& su, double& sv)>;
uint32_t pathMean(const FxPicture& p, int x, int y, const PathStep& step) {
    const double cx = p.width() / 2.0, cy = p.height() / 2.0, u = x + 0.5 - cx, v = y + 0.5 - cy;
    int64_t sums[3] = {};
    for (int k = 0; k < 16; ++k) {
        double su, sv;
        step(u, v, k, su, sv);
        const double fx = std::clamp(cx + su - 0.5, 0.0, p.width() - 1.0);
        const double fy = std::clamp(cy + sv - 0.5, 0.0, p.height() - 1.0);
        const int x0 = int(fx), y0 = int(fy);
        const int wx = int(std::lrint((fx - x0) * 256)), wy = int(std::lrint((fy - y0) * 256));
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            sums[c] += (256 - wx) * (256 - wy) * channel(clampedAt(p, x0, y0), shift) +
                       wx * (256 - wy) * channel(clampedAt(p, x0 + 1, y0), shift) +
                       (256 - wx) * wy * channel(clampedAt(p, x0, y0 + 1), shift) +
                       wx * wy * channel(clampedAt(p, x0 + 1, y0 + 1), shift);
        }
    }
    return pack(int(filterlib::divRound(sums[0], 16 * 65536)), int(filterlib::divRound(sums[1], 16 * 65536)),
                int(filterlib::divRound(sums[2], 16 * 65536)));
}

TEST(VectorPaths, RadialAndZoomBlurAreMeansOfBilinearSamplesOnTheirPaths) {
    // 1 keeps the samples within a pixel, 360 sends them round the whole circle; 200 draws
    // the ray halfway to the centre.
    for (const int16_t v : {1, 30, 360}) {
        expectEverywhere(51, v, [v](const FxPicture& p, int x, int y) {
            return pathMean(p, x, y, [v](double u, double w, int k, double& su, double& sv) {
                const double turn = (-v / 2.0 + v * k / 15.0) * std::numbers::pi / 180;
                su = u * std::cos(turn) + w * std::sin(turn);
                sv = w * std::cos(turn) - u * std::sin(turn);
            });
        });
    }
    for (const int16_t v : {1, 100, 200}) {
        expectEverywhere(52, v, [v](const FxPicture& p, int x, int y) {
            return pathMean(p, x, y, [v](double u, double w, int k, double& su, double& sv) {
                const double scale = 1 - v / 400.0 * k / 15;
                su = u * scale;
                sv = w * scale;
            });
        });
    }
}

TEST(VectorPaths, AlphaBlendRoundsEveryPairAtEveryWeight) {
    // Every pair of channel values: the source's channels run along x, P's along y.
    FxPicture base(256, 256), over(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            base.set(x, y, 0x5A000000u | pack(x, 255 - x, x));
            over.set(x, y, 0xA5000000u | pack(y, y, 255 - y));
        }
    for (const int16_t v : {0, 1, 77, 128, 254, 255}) {
        const std::optional<FxPicture> out = effectOf(38, v, 0, base, &over);
        ASSERT_TRUE(out.has_value());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const uint32_t expected = perChannel([&](int shift) {
                    return int(filterlib::divRound(
                        channel(over.at(x, y), shift) * v + channel(base.at(x, y), shift) * (255 - v), 255));
                });
                ASSERT_EQ(out->at(x, y), expected) << v << " at " << x << "," << y;
            }
    }
}

TEST(VectorPaths, BrightnessAddsAndSaturates) {
    for (const int16_t a : {-255, -100, -1, 0, 1, 60, 255})
        expectEverywhere(1, a, [a](const FxPicture& p, int x, int y) {
            return perChannel([&](int shift) { return filterlib::saturate(channel(p.at(x, y), shift) + a); });
        });
}

TEST(VectorPaths, MonochromeCutsLumaAtItsThreshold) {
    for (const int16_t v : {0, 1, 100, 255})
        expectEverywhere(10, v, [v](const FxPicture& p, int x, int y) {
            return filterlib::luma(p.at(x, y)) >= 128 + v / 2 ? pack(255, 255, 255) : 0u;
        });
}

TEST(VectorPaths, MosaicFillsEachBlockWithItsMean) {
    // 1 keeps the picture; 2, 3 and 7 leave blocks cut by the right and bottom edges; 255
    // makes one block of each picture.
    for (const int16_t b : {1, 2, 3, 7, 255})
        expectEverywhere(12, b, [b](const FxPicture& p, int x, int y) {
            const int left = x / b * b, top = y / b * b;
            const int right = std::min(left + b, p.width()), bottom = std::min(top + b, p.height());
            return perChannel([&](int shift) {
                int64_t sum = 0;
                for (int j = top; j < bottom; ++j)
                    for (int i = left; i < right; ++i) sum += channel(p.at(i, j), shift);
                return int(filterlib::divRound(sum, int64_t(right - left) * (bottom - top)));
            });
        });
}

// Each channel's gradient length by the 3x3 kernel with middle weight `centre` (2 Sobel,
// 1 Prewitt), edges repeated.
double gradientLength(const FxPicture& p, int x, int y, int shift, int centre) {
    auto at = [&](int i, int j) { return channel(clampedAt(p, x + i, y + j), shift); };
    const int gx = (at(1, -1) + centre * at(1, 0) + at(1, 1)) - (at(-1, -1) + centre * at(-1, 0) + at(-1, 1));
    const int gy = (at(-1, 1) + centre * at(0, 1) + at(1, 1)) - (at(-1, -1) + centre * at(0, -1) + at(1, -1));
    return std::sqrt(double(gx * gx + gy * gy));
}

TEST(VectorPaths, FindEdgesDrawsEachChannelsGradientLength) {
    for (const int16_t gain : {0, 3, 5})
        for (const int kernel : {2, 1}) {
            const double factor = (1 + gain) / 4.0;
            expectEverywhere(
                "Find Edges " + std::to_string(gain) + " kernel " + std::to_string(kernel),
                directly([&](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxFindEdges(d, s, gain, kernel, r); }),
                [&](const FxPicture& p, int x, int y) {
                    return perChannel([&](int shift) {
                        return roundChannel(255 - factor * gradientLength(p, x, y, shift, kernel == 1 ? 1 : 2));
                    });
                });
        }
}

TEST(VectorPaths, NeonWithoutGlowIsTwiceItsEdges) {
    // A glow of radius 0 is the edges themselves, added to them.
    for (const int16_t strength : {0, 2, 5}) {
        const double factor = (1 + strength) / 4.0;
        expectEverywhere(
            "Neon " + std::to_string(strength),
            directly([&](gdi::HDC d, gdi::HDC s, int32_t& r) { filterlib::FxNeon(d, s, strength, 0, r); }),
            [&](const FxPicture& p, int x, int y) {
                return perChannel([&](int shift) {
                    return filterlib::saturate(2 * roundChannel(factor * gradientLength(p, x, y, shift, 2)));
                });
            });
    }
}

TEST(VectorPaths, DetectBordersCutsTheLumaGradientAtItsThreshold) {
    // The window's colour 0 draws edges black and the rest white (not C).
    for (const int16_t v : {0, 120, 255}) {
        const int t = 4 * (20 + v / 2);
        expectEverywhere(32, v, [t](const FxPicture& p, int x, int y) {
            auto at = [&](int i, int j) { return filterlib::luma(clampedAt(p, x + i, y + j)); };
            const int gx = (at(1, -1) + 2 * at(1, 0) + at(1, 1)) - (at(-1, -1) + 2 * at(-1, 0) + at(-1, 1));
            const int gy = (at(-1, 1) + 2 * at(0, 1) + at(1, 1)) - (at(-1, -1) + 2 * at(0, -1) + at(1, -1));
            return gx * gx + gy * gy > t * t ? 0u : pack(255, 255, 255);
        });
    }
}

}  // namespace
}  // namespace fxtest
