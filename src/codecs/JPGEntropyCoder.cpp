#include "codecs/JPGEntropyCoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/runtime/error.h"

namespace codecs {

namespace {

constexpr int kReservedSymbol = 256;
constexpr int kMaxCodeLength = 16;
constexpr int kMaxDcSymbol = 11;  // DC differences of 8-bit samples need at most 11 bits
constexpr int kMaxAcSymbol = 255;
constexpr uint8_t kZRL = 0xF0;    // sixteen zero entries
constexpr uint8_t kEOB = 0x00;    // the rest of the block is zero
constexpr size_t kBlockEntries = 64;
// A coded block never takes more than 64 codes of 16 bits and 11 extra bits, doubled by
// byte stuffing: 432 bytes, rounded up.
constexpr size_t kMaxBlockBytes = 512;

[[noreturn]] void badTable() {
    throw runtime::Error(runtime::kErrInvalidProcedureCall, "Bad Huffman Table");
}

void countSymbol(JPGFrequencies& frequencies, int symbol) {
    if (frequencies[size_t(symbol)] == INT32_MAX) runtime::raise(runtime::kErrOverflow);
    ++frequencies[size_t(symbol)];
}

// The low `size` bits of a value's extra bits: the value itself when positive, the value
// minus one (two's complement) when negative.
uint32_t extraBits(int value, int size) {
    return uint32_t(value < 0 ? value - 1 : value) & ((uint32_t{1} << size) - 1);
}

// Walks the AC entries 1..63 of one block as they are coded: emit(symbol, value, size)
// for every ZRL, every run/size symbol (value: the entry) and a final EOB. An entry-63
// block ends without EOB.
// Bit k set when entry k (1..63) of the block is not zero.
inline uint64_t nonZeroAcEntries(const int16_t* block) {
#if defined(__SSE2__)
    // Sixteen entries at a time: compared with zero, packed to bytes, one bit each.
    const __m128i zero = _mm_setzero_si128();
    uint64_t zeros = 0;
    for (size_t i = 0; i < 4; ++i) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i + 8));
        const __m128i packed = _mm_packs_epi16(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
        zeros |= uint64_t(uint32_t(_mm_movemask_epi8(packed))) << (16 * i);
    }
    return ~zeros & ~uint64_t{1};
#else
    uint64_t nonZero = 0;
    for (size_t k = 1; k < kBlockEntries; ++k) nonZero |= uint64_t(block[k] != 0) << k;
    return nonZero;
#endif
}

template <class Emit>
inline void forEachAcSymbol(const int16_t* block, Emit&& emit) {
    uint64_t nonZero = nonZeroAcEntries(block);
    int last = 0;  // the last non-zero entry coded, 0 for the DC
    while (nonZero) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run > 15; run -= 16) emit(kZRL, 0, 0);
        const int value = block[k];
        const int size = JPGSizeCategory(value);
        emit(run * 16 + size, value, size);
        last = k;
    }
    if (last != 63) emit(kEOB, 0, 0);
}

// Bits out most significant first; a completed 0xFF byte is followed by 0x00.
class BitWriter {
public:
    explicit BitWriter(OutputBuffer& out) : out_(out) {}

    // Writes the low `count` bits of `bits` (count up to 16).
    void put(uint32_t bits, int count) {
        pending_ = pending_ << count | bits;
        count_ += count;
        if (count_ >= 32) drainWord();
    }
    void putCode(const JPGHuffmanTable& table, int symbol) {
        put(table.code[size_t(symbol)], table.length[size_t(symbol)]);
    }
    // The last byte is completed with one bits, and stuffed like any other.
    void flush() {
        out_.reserve(16);
        const int padding = (8 - count_ % 8) % 8;
        put((uint32_t{1} << padding) - 1, padding);
        while (count_ >= 8) {
            count_ -= 8;
            putByte(uint8_t(pending_ >> count_));
        }
    }

private:
    void putByte(uint8_t byte) {
        uint8_t* p = out_.cursor();
        p[0] = byte;
        p[1] = 0;
        out_.advance(byte == 0xFF ? 2 : 1);
    }
    // Four whole bytes at once; room was reserved per block.
    void drainWord() {
        count_ -= 32;
        const uint32_t word = uint32_t(pending_ >> count_);
        const uint32_t inverted = ~word;  // a byte of 0xFF is a zero byte here
        if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) == 0) {
            uint8_t* p = out_.cursor();
            p[0] = uint8_t(word >> 24);
            p[1] = uint8_t(word >> 16);
            p[2] = uint8_t(word >> 8);
            p[3] = uint8_t(word);
            out_.advance(4);
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) putByte(uint8_t(word >> shift));
    }

    OutputBuffer& out_;
    uint64_t pending_ = 0;  // the bits not yet out are its low count_ bits
    int count_ = 0;
};

// The DC difference and the AC entries of one block.
void codeBlock(const int16_t* block, int& prediction, const JPGHuffmanTable& dc,
               const JPGHuffmanTable& ac, BitWriter& bits) {
    const int difference = block[0] - prediction;
    prediction = block[0];
    const int size = JPGSizeCategory(difference);
    bits.putCode(dc, size);
    if (size) bits.put(extraBits(difference, size), size);
    forEachAcSymbol(block, [&](int symbol, int value, int valueSize) {
        bits.putCode(ac, symbol);
        if (valueSize) bits.put(extraBits(value, valueSize), valueSize);
    });
}

// The estimate's bits for one table: count x (code length + extra bits).
uint64_t estimatedBits(const JPGFrequencies& counts, const JPGHuffmanTable& table, bool dc) {
    uint64_t bits = 0;
    for (size_t symbol = 0; symbol < 256; ++symbol) {
        if (!counts[symbol]) continue;
        const unsigned extra = dc ? (symbol <= 15 ? unsigned(symbol) : 0u) : unsigned(symbol & 15);
        bits += uint64_t(counts[symbol]) * (table.length[symbol] + extra);
    }
    return bits;
}

}  // namespace

JPGHuffmanTable OptimalHuffmanTable(const JPGFrequencies& frequencies) {
    constexpr size_t kSymbols = 257;
    std::array<int64_t, kSymbols> freq{};
    int64_t total = 1;
    for (size_t i = 0; i < 256; ++i) {
        freq[i] = frequencies[i];
        total += freq[i];
    }
    // The merged counts must stay 32-bit counts.
    if (total > INT32_MAX) runtime::raise(runtime::kErrOverflow);
    // One count for the reserved symbol, so that no real symbol gets the all-ones code.
    freq[kReservedSymbol] = 1;

    std::array<int, kSymbols> codeSize{};
    std::array<int, kSymbols> next;  // the chains of merged symbols
    next.fill(-1);
    // The symbol of the smallest non-zero count other than `except`, ties to the larger.
    const auto smallest = [&](int except) {
        int found = -1;
        int64_t least = INT64_MAX;
        for (int i = 0; i < int(kSymbols); ++i)
            if (freq[size_t(i)] && freq[size_t(i)] <= least && i != except) {
                least = freq[size_t(i)];
                found = i;
            }
        return found;
    };
    const auto lengthen = [&](int symbol) {
        for (;;) {
            ++codeSize[size_t(symbol)];
            if (next[size_t(symbol)] < 0) return symbol;
            symbol = next[size_t(symbol)];
        }
    };
    for (;;) {
        const int v1 = smallest(-1);
        const int v2 = smallest(v1);
        if (v2 < 0) break;
        freq[size_t(v1)] += freq[size_t(v2)];
        freq[size_t(v2)] = 0;
        next[size_t(lengthen(v1))] = v2;
        lengthen(v2);
    }

    int longest = 0;
    std::vector<int> bits(kSymbols + 1, 0);  // bits[n]: codes of length n
    for (size_t i = 0; i < kSymbols; ++i)
        if (codeSize[i]) {
            ++bits[size_t(codeSize[i])];
            longest = std::max(longest, codeSize[i]);
        }
    // Lengths above 16: two codes of length n give way to one of length n - 1, and a
    // shorter code splits to make room for the second.
    for (int n = longest; n > kMaxCodeLength; --n)
        while (bits[size_t(n)] > 0) {
            int j = n - 2;
            while (bits[size_t(j)] == 0) --j;
            bits[size_t(n)] -= 2;
            bits[size_t(n - 1)] += 1;
            bits[size_t(j + 1)] += 2;
            bits[size_t(j)] -= 1;
        }
    // The reserved symbol's code is the last of the longest length.
    int n = std::min(longest, kMaxCodeLength);
    while (n > 0 && bits[size_t(n)] == 0) --n;
    if (n > 0) --bits[size_t(n)];

    JPGHuffmanTable table;
    for (int length = 1; length <= kMaxCodeLength; ++length)
        table.bits[size_t(length - 1)] = uint8_t(bits[size_t(length)]);
    for (int length = 1; length <= longest; ++length)
        for (size_t symbol = 0; symbol < 256; ++symbol)
            if (codeSize[symbol] == length) table.huffval.push_back(uint8_t(symbol));
    return table;
}

void AssignHuffmanCodes(JPGHuffmanTable& table, int maxSymbol) {
    table.code.fill(0);
    table.length.fill(0);
    size_t used = 0;
    uint32_t code = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        for (int i = 0; i < table.bits[size_t(length - 1)]; ++i) {
            if (used >= 256 || used >= table.huffval.size()) badTable();
            const uint8_t symbol = table.huffval[used++];
            if (symbol > maxSymbol || table.length[symbol]) badTable();
            table.code[symbol] = uint16_t(code++);
            table.length[symbol] = uint8_t(length);
        }
        if (code >= uint32_t{1} << length) badTable();
        code <<= 1;
    }
    if (used == 0) badTable();
}

std::vector<std::pair<size_t, size_t>> JPGEntropyCoder::GroupScans(
    std::span<const JPGComponent> components) {
    std::vector<std::pair<size_t, size_t>> scans;
    size_t first = 0;
    int units = 0;
    for (size_t i = 0; i < components.size(); ++i) {
        const int blocks = components[i].h * components[i].v;
        if (i > first && (units + blocks > 10 || i - first >= 3)) {
            scans.emplace_back(first, i - 1);
            first = i;
            units = 0;
        }
        units += blocks;
    }
    if (first < components.size()) scans.emplace_back(first, components.size() - 1);
    return scans;
}

uint64_t JPGEntropyCoder::OptimizeTables(std::span<const JPGComponent> components) {
    std::array<JPGFrequencies, 4> dcCounts{}, acCounts{};
    std::array<bool, 4> dcUsed{}, acUsed{};
    for (const JPGComponent& c : components) {
        JPGFrequencies& dc = dcCounts[c.dcTable];
        JPGFrequencies& ac = acCounts[c.acTable];
        dcUsed[c.dcTable] = acUsed[c.acTable] = true;
        int prediction = 0;
        for (size_t at = 0; at + kBlockEntries <= c.plane.size(); at += kBlockEntries) {
            const int16_t* block = c.plane.data() + at;
            countSymbol(dc, JPGSizeCategory(block[0] - prediction));
            prediction = block[0];
            forEachAcSymbol(block, [&](int symbol, int, int) { countSymbol(ac, symbol); });
        }
    }
    uint64_t bits = 0;
    for (size_t slot = 0; slot < 4; ++slot) {
        if (dcUsed[slot]) {
            dc_[slot] = OptimalHuffmanTable(dcCounts[slot]);
            AssignHuffmanCodes(dc_[slot], kMaxDcSymbol);
            bits += estimatedBits(dcCounts[slot], dc_[slot], true);
        }
        if (acUsed[slot]) {
            ac_[slot] = OptimalHuffmanTable(acCounts[slot]);
            AssignHuffmanCodes(ac_[slot], kMaxAcSymbol);
            bits += estimatedBits(acCounts[slot], ac_[slot], false);
        }
    }
    return (bits + 7) / 8;
}

void JPGEntropyCoder::WriteScans(std::span<const JPGComponent> components,
                                 OutputBuffer& out) const {
    for (const auto& [first, last] : GroupScans(components)) {
        const std::span<const JPGComponent> scan = components.subspan(first, last - first + 1);
        const size_t count = scan.size();
        out.put(0xFF);
        out.put(0xDA);
        out.put16(uint32_t(6 + 2 * count));
        out.put(uint8_t(count));
        for (const JPGComponent& c : scan) {
            out.put(c.id);
            out.put(uint8_t(c.dcTable << 4 | c.acTable));
        }
        out.put(0x00);  // spectral selection 0..63, no successive approximation
        out.put(0x3F);
        out.put(0x00);

        BitWriter bits(out);
        std::array<int, 3> predictions{};
        const size_t blocks = scan[0].plane.size() / kBlockEntries;
        for (size_t m = 0; m < blocks; ++m) {
            out.reserve(kMaxBlockBytes * count);
            for (size_t i = 0; i < count; ++i)
                codeBlock(scan[i].plane.data() + m * kBlockEntries, predictions[i],
                          dc_[scan[i].dcTable], ac_[scan[i].acTable], bits);
        }
        bits.flush();
    }
}

}  // namespace codecs
