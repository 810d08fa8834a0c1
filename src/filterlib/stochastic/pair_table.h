#pragma once
// A blend of two pictures channel by channel, as a table of its result for every pair of
// channel values (the base a from S, the blend b from P): one look-up per channel.

#include <cstdint>
#include <vector>

#include "filterlib/core/image.h"
#include "filterlib/core/pixel.h"

namespace filterlib {

class PairTable {
public:
    // result(a, b) for every a, b in 0..255, saturated.
    template <class Result>
    explicit PairTable(Result result) : values_(256 * 256) {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) values_[size_t(a << 8 | b)] = static_cast<uint8_t>(saturate(result(a, b)));
    }

    // out = the table over each channel of base (S) and over (P).
    void apply(const Image& over, const Image& base, Image& out) const;

private:
    std::vector<uint8_t> values_;
};

}  // namespace filterlib
