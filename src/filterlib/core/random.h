#pragma once
// The random effects' dice: a small generator seeded from the call's arguments and the
// picture's size, never from the clock, so the same call gives the same bytes.

#include <cstdint>
#include <initializer_list>

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

// A number fixed by the seed and a position alone: per-pixel choices and noise lattices
// that do not depend on the order pixels are visited in.
uint32_t hashAt(uint64_t seed, int64_t x, int64_t y);

}  // namespace filterlib
