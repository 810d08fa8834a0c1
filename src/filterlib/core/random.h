#pragma once
// The random effects' dice: a small generator seeded from the call's arguments and the
// picture's size, never from the clock, so the same call gives the same bytes.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace filterlib {

// One seed from every value that decides the result (arguments, width, height) and a
// name that keeps two effects with equal arguments apart.
uint64_t seedOf(const char* effect, std::initializer_list<int64_t> values);

// A stream of numbers (PCG32: 64-bit state, 32-bit output).
class Random {
public:
    explicit Random(uint64_t seed);
    uint32_t next();
    // Whole numbers 0 <= k < n (n > 0), and lo <= k <= hi.
    uint32_t below(uint32_t n);
    int between(int lo, int hi);
    // A real number in [0, 1).
    double unit();

private:
    uint64_t state_;
};

// A 64-bit finaliser (splitmix64's): every input bit moves about half the output bits.
inline uint64_t mixBits(uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A number fixed by the seed and a position alone: per-pixel choices and noise lattices
// that do not depend on the order pixels are visited in.
inline uint32_t hashAt(uint64_t seed, int64_t x, int64_t y) {
    return static_cast<uint32_t>(mixBits(mixBits(seed ^ static_cast<uint64_t>(x)) ^ static_cast<uint64_t>(y)) >> 32);
}

// hashAt over a whole picture: the half that depends on x alone is worked out once per
// column, so each pixel costs one mix instead of two. at(x, y) == hashAt(seed, x, y).
class ColumnHashes {
public:
    ColumnHashes(uint64_t seed, int width) : columns_(static_cast<std::size_t>(width)) {
        for (int x = 0; x < width; ++x) columns_[static_cast<std::size_t>(x)] = mixBits(seed ^ static_cast<uint64_t>(x));
    }
    uint32_t at(int x, int64_t y) const {
        return static_cast<uint32_t>(mixBits(columns_[static_cast<std::size_t>(x)] ^ static_cast<uint64_t>(y)) >> 32);
    }

private:
    std::vector<uint64_t> columns_;
};

}  // namespace filterlib
