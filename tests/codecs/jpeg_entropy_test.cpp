// JPGEntropyCoder: the optimal tables of Annex K.2 on small and skewed distributions, the
// code rules, the grouping into scans, and the exact bytes of crafted scans (byte
// stuffing, one-bit padding, ZRL runs). The whole files are checked against libjpeg-turbo
// in jpeg_writer_test.cpp.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codecs/JPGEntropyCoder.h"
#include "platform/runtime/error.h"

using namespace codecs;

namespace {

using Bytes = std::vector<uint8_t>;
using Block = std::array<int16_t, 64>;  // zigzag order

JPGFrequencies counts(const std::map<int, uint32_t>& of) {
    JPGFrequencies f{};
    for (const auto& [symbol, count] : of) f[size_t(symbol)] = count;
    return f;
}

std::string bitString(const JPGHuffmanTable& table, int symbol) {
    std::string s;
    for (int bit = table.length[size_t(symbol)] - 1; bit >= 0; --bit)
        s += (table.code[size_t(symbol)] >> bit & 1) ? '1' : '0';
    return s;
}

JPGHuffmanTable assigned(const std::map<int, uint32_t>& of, int maxSymbol = 255) {
    JPGHuffmanTable table = OptimalHuffmanTable(counts(of));
    AssignHuffmanCodes(table, maxSymbol);
    return table;
}

struct SmallCase {
    const char* name;
    std::map<int, uint32_t> counts;
    std::vector<int> bits;  // BITS from length 1 on; the rest 0
    Bytes huffval;
    std::map<int, std::string> codes;
};

TEST(JpegHuffmanTable, SmallDistributionsGetTheirOptimalCodes) {
    const SmallCase cases[] = {
        {"one symbol", {{0, 7}}, {1}, {0}, {{0, "0"}}},
        {"two symbols once each", {{0, 1}, {1, 1}}, {1, 1}, {0, 1}, {{0, "0"}, {1, "10"}}},
        {"counts 3 and 1", {{0, 3}, {1, 1}}, {1, 1}, {0, 1}, {{0, "0"}, {1, "10"}}},
        // Ties go to the larger symbol number, so the reserved symbol is merged first.
        {"three equal counts", {{0, 1}, {1, 1}, {2, 1}}, {0, 3}, {0, 1, 2}, {{0, "00"}, {1, "01"}, {2, "10"}}},
        {"the rarer symbol gets the longer code", {{0xF0, 3}, {0xE1, 1}}, {1, 1}, {0xF0, 0xE1},
         {{0xF0, "0"}, {0xE1, "10"}}},
    };
    for (const SmallCase& c : cases) {
        SCOPED_TRACE(c.name);
        const JPGHuffmanTable table = assigned(c.counts);
        std::array<uint8_t, 16> bits{};
        for (size_t i = 0; i < c.bits.size(); ++i) bits[i] = uint8_t(c.bits[i]);
        EXPECT_EQ(table.bits, bits);
        EXPECT_EQ(table.huffval, c.huffval);
        for (const auto& [symbol, code] : c.codes) EXPECT_EQ(bitString(table, symbol), code) << symbol;
        for (int symbol = 0; symbol < 256; ++symbol) {
            if (!c.counts.count(symbol)) {
                EXPECT_EQ(table.length[size_t(symbol)], 0) << symbol;
            }
        }
    }
}

TEST(JpegHuffmanTable, SkewedCountsAreLimitedTo16BitsAndStayAPrefixCode) {
    // Counts that double from symbol to symbol make each merge take the newest symbol and
    // everything before it: unlimited, the code would be 30 bits deep.
    std::map<int, uint32_t> of;
    for (int i = 0; i < 30; ++i) of[i * 5] = uint32_t{1} << i;
    JPGHuffmanTable table;
    ASSERT_NO_THROW(table = assigned(of));

    int codes = 0;
    double kraft = 0;
    for (int n = 1; n <= 16; ++n) {
        codes += table.bits[size_t(n - 1)];
        kraft += table.bits[size_t(n - 1)] / double(1 << n);
    }
    EXPECT_EQ(codes, 30);
    EXPECT_EQ(table.huffval.size(), 30u);
    // Below 1: the all-ones code of the longest length stays unused.
    EXPECT_LT(kraft, 1.0);
    EXPECT_GT(table.bits[15], 0) << "the limit was not needed: the case does not test it";
    for (const auto& [s1, c1] : of) {
        ASSERT_GE(table.length[size_t(s1)], 1);
        ASSERT_LE(table.length[size_t(s1)], 16);
        EXPECT_NE(bitString(table, s1), std::string(table.length[size_t(s1)], '1'));
        for (const auto& [s2, c2] : of) {
            if (s1 == s2) continue;
            if (c1 > c2) {
                EXPECT_LE(table.length[size_t(s1)], table.length[size_t(s2)]);
            }
            const std::string x = bitString(table, s1), y = bitString(table, s2);
            EXPECT_NE(y.rfind(x, 0), 0u) << x << " is a prefix of " << y;
        }
    }
}

TEST(JpegHuffmanTable, CodeAssignmentRefusesBadTables) {
    struct Case {
        const char* name;
        std::vector<int> bits;
        Bytes huffval;
        int maxSymbol;
        bool bad;
    };
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[size_t(i)] = uint8_t(i);
    Bytes tooMany = all;
    tooMany.push_back(0);
    std::vector<int> bits257(16, 0);
    bits257[8] = 255;  // 255 codes of 9 bits, then two of 16: 257 values
    bits257[15] = 2;
    const Case cases[] = {
        {"a valid table", {1, 1}, {0, 1}, 11, false},
        {"the codes of length 1 run out", {2}, {0, 1}, 255, true},
        {"a DC symbol above 11", {1}, {12}, 11, true},
        {"an AC symbol of 12 is fine", {1}, {12}, 255, false},
        {"a symbol twice", {0, 2}, {3, 3}, 255, true},
        {"no code at all", {}, {}, 255, true},
        {"more than 256 values", bits257, tooMany, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JPGHuffmanTable table;
        for (size_t i = 0; i < c.bits.size(); ++i) table.bits[i] = uint8_t(c.bits[i]);
        table.huffval = c.huffval;
        if (!c.bad) {
            EXPECT_NO_THROW(AssignHuffmanCodes(table, c.maxSymbol));
            continue;
        }
        try {
            AssignHuffmanCodes(table, c.maxSymbol);
            ADD_FAILURE() << "accepted";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.description(), "Bad Huffman Table");
        }
    }
}

TEST(JpegEntropyCoder, GroupsComponentsIntoScans) {
    using Scans = std::vector<std::pair<size_t, size_t>>;
    struct Case {
        const char* name;
        std::vector<std::pair<uint8_t, uint8_t>> factors;
        Scans scans;
    };
    const Case cases[] = {
        {"the writer's three 1 x 1 components: one interleaved scan", {{1, 1}, {1, 1}, {1, 1}}, {{0, 2}}},
        {"at most three to a scan", {{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{0, 2}, {3, 3}}},
        {"at most 10 blocks to an MCU", {{2, 2}, {2, 2}, {2, 2}}, {{0, 1}, {2, 2}}},
        {"9 blocks fit", {{2, 2}, {2, 2}, {1, 1}}, {{0, 2}}},
        {"a lone component of 16 blocks", {{4, 4}, {1, 1}}, {{0, 0}, {1, 1}}},
        {"one component", {{1, 1}}, {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<JPGComponent> components;
        for (auto [h, v] : c.factors) components.push_back({1, h, v, 0, 0, {}});
        EXPECT_EQ(JPGEntropyCoder::GroupScans(components), c.scans);
    }
}

Block dcOnly(int dc) {
    Block b{};
    b[0] = int16_t(dc);
    return b;
}
Block lastEntryOnly(int value) {
    Block b{};
    b[63] = int16_t(value);
    return b;
}

// One component on tables 0: the coder's estimate and its scan (SOS, data) from the blocks.
struct Coded {
    uint64_t estimate = 0;
    Bytes sos, data;
};
Coded code(const std::vector<Block>& blocks, size_t components = 1) {
    std::vector<int16_t> plane;
    for (const Block& b : blocks) plane.insert(plane.end(), b.begin(), b.end());
    std::vector<JPGComponent> list;
    for (size_t i = 0; i < components; ++i)
        list.push_back({uint8_t(i + 1), 1, 1, uint8_t(i ? 1 : 0), uint8_t(i ? 1 : 0), plane});
    JPGEntropyCoder coder;
    Coded out;
    out.estimate = coder.OptimizeTables(list);
    OutputBuffer buffer(4);  // far too small: it must grow
    coder.WriteScans(list, buffer);
    const auto written = buffer.written();
    const size_t header = 6 + 2 * components + 2;
    out.sos.assign(written.begin(), written.begin() + long(header));
    out.data.assign(written.begin() + long(header), written.end());
    return out;
}

TEST(JpegEntropyCoder, UniformImageCodesSixZeroBitsAndTwoOnes) {
    // Three components of one all-zero block: each table holds the one symbol 0 with the
    // one-bit code 0, so each block is DC 0, EOB 0.
    const Coded coded = code({Block{}}, 3);
    EXPECT_EQ(coded.sos, (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00}));
    EXPECT_EQ(coded.data, Bytes{0x03});
    EXPECT_EQ(coded.estimate, 1u);
}

TEST(JpegEntropyCoder, CraftedScansComeOutBitForBit) {
    struct Case {
        const char* name;
        std::vector<Block> blocks;
        Bytes data;
        uint64_t estimate;
    };
    const Case cases[] = {
        // 2 bits a block (DC 0, EOB 0), the byte completed with ones.
        {"one zero block", {Block{}}, {0x3F}, 1},
        {"three zero blocks", {Block{}, Block{}, Block{}}, {0x03}, 1},
        {"four zero blocks fill a byte exactly", {Block{}, Block{}, Block{}, Block{}}, {0x00}, 1},
        // DC codes 0 -> 0, 8 -> 10: 000000 10 | 11111111 (the difference 255) | EOB 0, seven ones.
        {"a coded 0xFF is followed by 0x00", {Block{}, Block{}, Block{}, dcOnly(255)}, {0x02, 0xFF, 0x00, 0x7F}, 3},
        // DC 0 | ZRL 0, 0, 0 | 0xE1 10 | the bit 1 | one padding bit.
        {"entry 63 alone: three ZRL, 0xE1 and no EOB", {lastEntryOnly(1)}, {0x0B}, 1},
        {"entry 63 alone, negative", {lastEntryOnly(-1)}, {0x09}, 1},
        // AC codes 0xF0 -> 0, EOB -> 10, 0xE7 -> 110: 0 10 | 0 000 110 1111111, then the
        // padding ones complete a byte of 0xFF, which is stuffed like any other.
        {"padding that completes 0xFF is stuffed", {Block{}, lastEntryOnly(127)}, {0x41, 0xBF, 0xFF, 0x00}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Coded coded = code(c.blocks);
        EXPECT_EQ(coded.sos, (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));
        EXPECT_EQ(coded.data, c.data);
        EXPECT_EQ(coded.estimate, c.estimate);
    }
}

TEST(JpegEntropyCoder, EveryCoded0xFFIsStuffedInABusyScan) {
    // Large coefficients of both signs make many bytes of all ones.
    std::vector<Block> blocks(300);
    uint32_t seed = 12345;
    for (Block& b : blocks)
        for (int16_t& v : b) {
            seed = seed * 1103515245 + 12345;
            v = int16_t(int(seed >> 16 & 0x7FF) - 1024) / int16_t(1 + (seed & 7));
        }
    const Coded coded = code(blocks, 3);
    size_t stuffed = 0;
    for (size_t i = 0; i < coded.data.size(); ++i)
        if (coded.data[i] == 0xFF) {
            ASSERT_LT(i + 1, coded.data.size());
            EXPECT_EQ(coded.data[i + 1], 0x00) << "at " << i;
            ++stuffed;
            ++i;
        }
    EXPECT_GT(stuffed, 10u);
    // The estimate leaves out only the stuffed bytes and the padding.
    EXPECT_EQ(coded.data.size() - stuffed, coded.estimate);
}

}  // namespace
