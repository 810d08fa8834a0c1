// GIF LZW: round trips through the tests' own encoder at every code size, the table's
// 4096-entry limit with and without clear codes, and where damaged streams stop.

#include <gtest/gtest.h>

#include <random>

#include "gif_builder.h"
#include "platform/picture/lzw_decoder.h"

using namespace picture;
using namespace picture::test;

namespace {

std::vector<uint8_t> decode(const std::vector<uint8_t>& data, int minCodeSize, size_t capacity) {
    std::vector<uint8_t> out(capacity, 0xEE);
    out.resize(detail::decodeLzw(data, minCodeSize, out));
    return out;
}

// Indices of `bits` bits with runs, so that strings repeat and the table grows long ones.
std::vector<uint8_t> sample(size_t n, int bits, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    while (v.size() < n) {
        const uint8_t value = uint8_t(rng() & ((1u << bits) - 1));
        for (size_t run = rng() % 4 + 1; run > 0 && v.size() < n; --run) v.push_back(value);
    }
    return v;
}

}  // namespace

TEST(Lzw, RoundTripsAtEveryMinimumCodeSize) {
    for (int min = 1; min <= 8; ++min) {
        for (size_t n : {size_t{1}, size_t{2}, size_t{50}, size_t{20000}}) {
            const std::vector<uint8_t> indices = sample(n, min, unsigned(min * 100 + n));
            EXPECT_EQ(decode(lzwEncode(indices, min), min, n), indices) << "min " << min << ", " << n;
        }
    }
}

TEST(Lzw, AFullTableStopsGrowingUntilTheNextClear) {
    // 200000 noisy 8-bit indices fill the 4096-entry table many times over.
    const std::vector<uint8_t> indices = sample(200000, 8, 7);
    EXPECT_EQ(decode(lzwEncode(indices, 8, true), 8, indices.size()), indices) << "clear when full";
    EXPECT_EQ(decode(lzwEncode(indices, 8, false), 8, indices.size()), indices) << "deferred clear";
}

TEST(Lzw, OutputIsCutAtTheCapacityAndExtraDataIgnored) {
    const std::vector<uint8_t> indices = sample(1000, 4, 3);
    const std::vector<uint8_t> first(indices.begin(), indices.begin() + 333);
    EXPECT_EQ(decode(lzwEncode(indices, 4), 4, 333), first);
}

TEST(Lzw, DamagedStreamsStopWithWhatTheyHold) {
    const std::vector<uint8_t> indices = sample(5000, 8, 5);
    std::vector<uint8_t> data = lzwEncode(indices, 8);

    // Cut inside a sub-block, without terminator: a prefix of the indices.
    std::vector<uint8_t> cut(data.begin(), data.begin() + 400);
    std::vector<uint8_t> got = decode(cut, 8, indices.size());
    ASSERT_GT(got.size(), 100u);
    ASSERT_LT(got.size(), indices.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), indices.begin()));

    // Hand-made 3-bit codes (min size 2: clear 4, end 5), packed LSB first.
    auto pack = [](std::vector<int> codes) {
        std::vector<uint8_t> bytes;
        uint32_t acc = 0;
        int count = 0;
        for (int c : codes) {
            acc |= uint32_t(c) << count, count += 3;
            while (count >= 8) bytes.push_back(uint8_t(acc)), acc >>= 8, count -= 8;
        }
        if (count) bytes.push_back(uint8_t(acc));
        std::vector<uint8_t> blocks{uint8_t(bytes.size())};
        blocks.insert(blocks.end(), bytes.begin(), bytes.end());
        blocks.push_back(0);
        return blocks;
    };
    struct Case { const char* name; std::vector<int> codes; std::vector<uint8_t> expected; };
    const Case cases[] = {
        {"end code", {4, 1, 2, 5, 3}, {1, 2}},
        {"code beyond the next free one", {4, 1, 7, 2}, {1}},
        {"the next free code (KwKwK)", {4, 1, 6, 5}, {1, 1, 1}},
        {"a table code right after a clear", {4, 1, 4, 6}, {1}},
        {"no clear code first", {3, 0, 5}, {3, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(decode(pack(c.codes), 2, 10), c.expected) << c.name;
    EXPECT_TRUE(decode({0}, 2, 10).empty()) << "an empty chain";
    EXPECT_TRUE(decode({}, 2, 10).empty()) << "no data at all";
    EXPECT_TRUE(decode(pack({4, 1}), 0, 10).empty()) << "minimum code size 0";
    EXPECT_TRUE(decode(pack({4, 1}), 9, 10).empty()) << "minimum code size 9";
}
