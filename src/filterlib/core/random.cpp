#include "filterlib/core/random.h"

namespace filterlib {

namespace {

constexpr uint64_t kMultiplier = 6364136223846793005ull;
constexpr uint64_t kIncrement = 1442695040888963407ull;

}  // namespace

uint64_t seedOf(const char* effect, std::initializer_list<int64_t> values) {
    uint64_t seed = 0;
    for (const char* c = effect; *c; ++c) seed = mixBits(seed ^ static_cast<unsigned char>(*c));
    for (const int64_t v : values) seed = mixBits(seed ^ static_cast<uint64_t>(v));
    return seed;
}

Random::Random(uint64_t seed) : state_(0) {
    next();
    state_ += seed;
    next();
}

uint32_t Random::next() {
    const uint64_t old = state_;
    state_ = old * kMultiplier + kIncrement;
    const auto xorshifted = static_cast<uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rot = static_cast<uint32_t>(old >> 59);
    return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
}

uint32_t Random::below(uint32_t n) { return static_cast<uint32_t>((uint64_t(next()) * n) >> 32); }

int Random::between(int lo, int hi) {
    return lo + static_cast<int>(below(static_cast<uint32_t>(int64_t(hi) - lo + 1)));
}

double Random::unit() { return next() * (1.0 / 4294967296.0); }

}  // namespace filterlib
