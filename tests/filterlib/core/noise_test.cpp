// The noise fields of the texture effects: the lattice values at the lattice points, smooth
// in between, within 0..1, and the row-at-a-time form giving the same numbers to the bit.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "filterlib/core/noise.h"
#include "filterlib/core/random.h"

namespace filterlib {
namespace {

TEST(Noise, TakesTheLatticeValuesAtTheLatticePointsAndBlendsSmoothlyBetween) {
    const uint64_t seed = seedOf("test", {1});
    for (const auto& [i, j] : {std::pair{0, 0}, {3, -2}, {-5, 7}})
        EXPECT_EQ(noise(i * 16.0, j * 16.0, 16, seed), hashAt(seed, i, j) / 4294967296.0);
    // Smoothstep weights: the slope vanishes at the lattice lines, so neighbouring cells
    // join without a crease.
    const double at = noise(32, 5, 16, seed), left = noise(32 - 1e-6, 5, 16, seed), right = noise(32 + 1e-6, 5, 16, seed);
    EXPECT_NEAR(left, at, 1e-9);
    EXPECT_NEAR(right, at, 1e-9);
    double low = 1, high = 0;
    for (int y = -40; y < 40; ++y)
        for (int x = -40; x < 40; ++x) {
            const double f = fractal(x, y, 8, 3, seed);
            low = std::min(low, f);
            high = std::max(high, f);
        }
    EXPECT_GE(low, 0);
    EXPECT_LT(high, 1);
    EXPECT_GT(high - low, 0.4) << "the field varies";
}

TEST(Noise, ARowGivesTheSameNumbersAsEachPoint) {
    const uint64_t seed = seedOf("row", {2});
    for (const auto& [x0, cell, octaves] : {std::tuple{-1.0, 8.0, 3}, {0.0, 64.0, 4}, {-37.0, 5.0, 2}}) {
        std::vector<double> row(150);
        for (const double y : {-3.0, 0.0, 61.0}) {
            fractalRow(x0, y, 150, cell, octaves, seed, row.data());
            for (int n = 0; n < 150; ++n) ASSERT_EQ(row[size_t(n)], fractal(x0 + n, y, cell, octaves, seed)) << n;
        }
    }
}

}  // namespace
}  // namespace filterlib
