#include "codecs/cPNGparser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/runtime/error.h"

namespace codecs {
namespace {

// RFC 1951 length and distance tables. Indexes 29 to 31 of the length table (symbols 286
// and 287) mean length 0; distance codes 30 and 31 continue the doubling of the table.
constexpr std::array<uint16_t, 32> kLengthBase = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0,  0};
constexpr std::array<uint8_t, 32> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 0, 0, 0};
constexpr std::array<uint16_t, 32> kDistanceBase = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,    49,    65,    97,    129,   193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<uint8_t, 32> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kMaxLiteralCodes = 288;
constexpr unsigned kMaxDistanceCodes = 32;

// A table entry: bits 0-3 how many bits the entry consumes, bits 4-7 the extra bits that
// follow the code (or a subtable's index width), bits 8-12 flags, bits 16-31 the value
// (literal byte, length or distance base, code-length symbol, or subtable start).
constexpr uint32_t kLiteral = 1u << 8;
constexpr uint32_t kEndOfBlock = 1u << 9;
constexpr uint32_t kSubtable = 1u << 10;
constexpr uint32_t kInvalid = 1u << 11;  // the bits match no code
constexpr uint32_t kQuirk = 1u << 12;    // length symbols 286/287, distance codes 30/31
constexpr uint32_t kLiteralSlowPath = kEndOfBlock | kSubtable | kInvalid | kQuirk;
constexpr uint32_t kDistanceSlowPath = kSubtable | kInvalid | kQuirk;

constexpr unsigned dropOf(uint32_t e) { return e & 15; }
constexpr unsigned extraOf(uint32_t e) { return (e >> 4) & 15; }
constexpr unsigned valueOf(uint32_t e) { return e >> 16; }
constexpr uint64_t lowBits(unsigned n) { return (uint64_t{1} << n) - 1; }

// Index widths of the first-level tables: 10 bits keep the literal/length table in the L1
// cache and decode all but the rarest codes in one lookup.
constexpr unsigned kLiteralRootBits = 10;
constexpr unsigned kDistanceRootBits = 8;
constexpr unsigned kCodeLengthRootBits = 7;

// Room for the first level and every subtable. In a complete code, a subtable of 2^s slots
// stands for a full subtree whose deepest leaf is s levels down, which holds at least s + 1
// codes; so 288 codes need at most 48 x 32 slots past a 10-bit root, 32 distance codes at
// most 4 x 128 past an 8-bit root. Incomplete codes are built only when they are a single
// one-bit code, which needs no subtable.
constexpr size_t kLiteralCapacity = (size_t{1} << kLiteralRootBits) + 48 * 32;
constexpr size_t kDistanceCapacity = (size_t{1} << kDistanceRootBits) + 4 * 128;
constexpr size_t kCodeLengthCapacity = size_t{1} << kCodeLengthRootBits;

enum class TableKind { kLiteralLength, kDistance, kCodeLength };

// Which incomplete codes a table accepts besides complete ones. RFC 1951 allows a single
// distance code sent with one bit and a distance code of no codes (a block of literals
// only); zlib accepts the same single one-bit code for literals/lengths, and so do we, so
// that every stream zlib inflates inflates here too.
enum class Incomplete { kReject, kSingleOneBitCode, kSingleOneBitCodeOrNone };

template <size_t Capacity>
struct InflateCodeTable {
    unsigned tableBits = 0;  // index width of the first level
    unsigned smallest = 0;   // shortest and longest code length: the decoder asks for the
    unsigned largest = 0;    // longest before every code, which decides its read position
    std::array<uint32_t, Capacity> entries;
};
using LiteralTable = InflateCodeTable<kLiteralCapacity>;
using DistanceTable = InflateCodeTable<kDistanceCapacity>;
using CodeLengthTable = InflateCodeTable<kCodeLengthCapacity>;

uint32_t InflateReverseBits(uint32_t value, unsigned n) {
    uint32_t result = 0;
    for (unsigned i = 0; i < n; ++i) {
        result = (result << 1) | (value & 1);
        value >>= 1;
    }
    return result;
}

uint32_t makeEntry(TableKind kind, unsigned symbol, unsigned drop) {
    switch (kind) {
    case TableKind::kLiteralLength:
        if (symbol < 256) return kLiteral | symbol << 16 | drop;
        if (symbol == 256) return kEndOfBlock | drop;
        {
            const unsigned i = symbol - 257;
            return (i >= 29 ? kQuirk : 0) | uint32_t{kLengthBase[i]} << 16 | kLengthExtra[i] << 4 | drop;
        }
    case TableKind::kDistance:
        return (symbol >= 30 ? kQuirk : 0) | uint32_t{kDistanceBase[symbol]} << 16 |
               kDistanceExtra[symbol] << 4 | drop;
    case TableKind::kCodeLength:
        break;
    }
    return symbol << 16 | drop;
}

// Builds the decoding table of the code given by `lengths` (one per symbol, each at most 15).
// Returns 0 when the table is usable; otherwise, as the completeness count of RFC 1951's
// construction, a negative number for an over-subscribed code and a positive one for an
// incomplete code that `incomplete` does not accept (no table is built then).
template <size_t Capacity>
int InflateBuildHuffman(InflateCodeTable<Capacity>& table, const uint8_t* lengths, unsigned count,
                        TableKind kind, unsigned rootBits, Incomplete incomplete) {
    std::array<unsigned, kMaxCodeLength + 1> counts{};
    table.smallest = 16;
    table.largest = 0;
    for (unsigned s = 0; s < count; ++s) {
        const unsigned n = lengths[s];
        ++counts[n];
        if (n != 0) {
            table.smallest = std::min(table.smallest, n);
            table.largest = std::max(table.largest, n);
        }
    }
    int left = 1;
    for (unsigned n = 1; n <= table.largest; ++n) {
        left = 2 * left - int(counts[n]);
        if (left < 0) return left;
    }
    const unsigned used = count - counts[0];
    if (left > 0) {
        const bool single = used == 1 && table.largest == 1 && incomplete != Incomplete::kReject;
        const bool none = used == 0 && incomplete == Incomplete::kSingleOneBitCodeOrNone;
        if (!single && !none) return left;
    }

    table.tableBits = std::min(rootBits, table.largest);
    const uint32_t rootSize = uint32_t{1} << table.tableBits;
    const uint32_t rootMask = rootSize - 1;
    if (left > 0) std::fill_n(table.entries.begin(), rootSize, kInvalid);

    // Canonical codes, bit-reversed because the stream sends a code's first bit in bit 0.
    std::array<uint32_t, kMaxCodeLength + 2> next{};
    uint32_t code = 0;
    counts[0] = 0;
    for (unsigned n = 1; n <= table.largest; ++n) {
        code = (code + counts[n - 1]) << 1;
        next[n] = code;
    }
    std::array<uint16_t, kMaxLiteralCodes> reversed{};
    for (unsigned s = 0; s < count; ++s)
        if (lengths[s] != 0) reversed[s] = uint16_t(InflateReverseBits(next[lengths[s]]++, lengths[s]));

    // Codes that fit the first level fill every slot whose low bits are the code.
    for (unsigned s = 0; s < count; ++s) {
        const unsigned n = lengths[s];
        if (n == 0 || n > table.tableBits) continue;
        const uint32_t entry = makeEntry(kind, s, n);
        for (uint32_t slot = reversed[s]; slot < rootSize; slot += uint32_t{1} << n) table.entries[slot] = entry;
    }
    if (table.largest <= table.tableBits) return 0;

    // Longer codes go to subtables, one per first-level prefix. In (length, symbol) order
    // canonical codes ascend, so the codes sharing a prefix come one after another.
    std::array<uint16_t, kMaxLiteralCodes> order{};
    unsigned longCodes = 0;
    for (unsigned n = table.tableBits + 1; n <= table.largest; ++n)
        for (unsigned s = 0; s < count; ++s)
            if (lengths[s] == n) order[longCodes++] = uint16_t(s);

    size_t nextFree = rootSize;
    for (unsigned i = 0; i < longCodes;) {
        const uint32_t prefix = reversed[order[i]] & rootMask;
        unsigned end = i, longest = 0;
        while (end < longCodes && (reversed[order[end]] & rootMask) == prefix) {
            longest = std::max<unsigned>(longest, lengths[order[end]]);
            ++end;
        }
        const unsigned subBits = longest - table.tableBits;
        const size_t subSize = size_t{1} << subBits;
        if (nextFree + subSize > Capacity) return -1;  // not reachable for a complete code
        table.entries[prefix] = kSubtable | uint32_t(nextFree) << 16 | subBits << 4 | table.tableBits;
        for (; i < end; ++i) {
            const unsigned s = order[i];
            const unsigned drop = lengths[s] - table.tableBits;
            const uint32_t entry = makeEntry(kind, s, drop);
            for (uint32_t slot = reversed[s] >> table.tableBits; slot < subSize; slot += uint32_t{1} << drop)
                table.entries[nextFree + slot] = entry;
        }
        nextFree += subSize;
    }
    return 0;
}

struct FixedTables {
    LiteralTable literal;
    DistanceTable distance;
    FixedTables() {
        std::array<uint8_t, kMaxLiteralCodes> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, 8);
        std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
        std::fill(lengths.begin() + 280, lengths.end(), 8);
        InflateBuildHuffman(literal, lengths.data(), kMaxLiteralCodes, TableKind::kLiteralLength,
                            kLiteralRootBits, Incomplete::kReject);
        std::fill_n(lengths.begin(), kMaxDistanceCodes, 5);
        InflateBuildHuffman(distance, lengths.data(), kMaxDistanceCodes, TableKind::kDistance,
                            kDistanceRootBits, Incomplete::kReject);
    }
};

// The fixed codes never change, so they are built once for the whole program.
const FixedTables& InflateFixedTables() {
    static const FixedTables tables;
    return tables;
}

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

template <size_t N>
inline void copyBytes(uint8_t* dst, const uint8_t* src) {
    std::memcpy(dst, src, N);
}

// Writes exactly `length` (at least 3) bytes at `out`, each the byte `distance` before it.
// Nothing past out + length is touched: bytes beyond the last one decoded keep the
// caller's contents.
inline void copyMatch(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* src = out - distance;
    uint8_t* const end = out + length;
    if (distance >= 8) {
        if (length >= 16 && distance >= 16) {
            while (end - out > 16) {
                copyBytes<16>(out, src);
                out += 16;
                src += 16;
            }
            copyBytes<16>(end - 16, end - 16 - distance);
        } else if (length >= 8) {
            while (end - out > 8) {
                copyBytes<8>(out, src);
                out += 8;
                src += 8;
            }
            copyBytes<8>(end - 8, end - 8 - distance);
        } else if (length >= 4) {
            copyBytes<4>(out, src);
            copyBytes<4>(end - 4, end - 4 - distance);
        } else {
            copyBytes<2>(out, src);
            out[2] = src[2];
        }
        return;
    }
    if (distance == 1) {
        std::memset(out, src[0], length);
        return;
    }
    // A period of 2 to 7 bytes: once a multiple of the period of at least 8 bytes lies
    // behind, whole words can be copied from that far back.
    const size_t step = distance * ((8 + distance - 1) / distance);
    if (length < step - distance + 8) {
        for (size_t i = 0; i < length; ++i) out[i] = src[i];
        return;
    }
    for (size_t i = 0; i < step - distance; ++i) out[i] = src[i];
    out += step - distance;
    while (end - out > 8) {
        copyBytes<8>(out, out - step);
        out += 8;
    }
    copyBytes<8>(end - 8, end - 8 - step);
}

// One call's decoding state. Positions are counted in bits from the first byte of the
// input, header included.
//
// The output is the caller's whole buffer, or, with a sink, a window: when the window is
// full, what it holds goes to the sink and only the last kHistory bytes (as far back as a
// distance reaches) stay, moved to its start. `expected` bounds the output either way.
class Inflater {
public:
    using Sink = std::function<void(std::span<const uint8_t>)>;
    static constexpr size_t kHistory = 65536;  // distance codes 30 and 31 reach 65535 back

    Inflater(std::span<const uint8_t> input, std::span<uint8_t> output, uint64_t expected = UINT64_MAX,
             const Sink* sink = nullptr)
        : inBegin_(input.data()),
          inEnd_(input.data() + input.size()),
          in_(inBegin_),
          availBits_(uint64_t{input.size()} * 8),
          outBegin_(output.data()),
          bufferEnd_(output.data() + output.size()),
          out_(outBegin_),
          flushed_(outBegin_),
          expected_(expected),
          sink_(sink) {
        outEnd_ = limit();
    }

    InflateResult run();

private:
    enum class Step { kContinue, kEndOfBlock, kFault };

    uint64_t consumedBits() const { return (uint64_t(in_ - inBegin_) + virtualBytes_) * 8 - bitCount_; }

    void InflateNeedBits();
    bool InflateGetBits(unsigned n, uint32_t& value);
    void InflateDropBits(unsigned n) {
        bitBuffer_ >>= n;
        bitCount_ -= n;
    }
    uint32_t lookup(const uint32_t* entries, unsigned tableBits);

    InflateFault storedBlock();
    InflateFault InflateDynamicTables();
    InflateFault huffmanBlock(const LiteralTable& literal, const DistanceTable& distance);
    Step slowSymbol(const LiteralTable& literal, const DistanceTable& distance, uint64_t& lastDistanceNeed,
                    InflateFault& fault);
    InflateResult finish(InflateFault fault);
    // The end of the output room: the buffer's end, or the expected size's, whichever first.
    uint8_t* limit() const {
        const uint64_t left = expected_ - discarded_;
        return left < uint64_t(bufferEnd_ - outBegin_) ? outBegin_ + left : bufferEnd_;
    }
    // Window mode: hands what is not yet handed on to the sink. slide() also drops all
    // but the history; true when that made room.
    void flush();
    bool slide();

    const uint8_t* const inBegin_;
    const uint8_t* const inEnd_;
    const uint8_t* in_;         // next input byte to load into the bit buffer
    uint64_t bitBuffer_ = 0;    // next bit to consume in bit 0
    unsigned bitCount_ = 0;
    uint64_t virtualBytes_ = 0; // zero bytes loaded past the end of the input
    const uint64_t availBits_;
    // The furthest position that a decoder loading one byte at a time, only as far as each
    // code's longest possible length, would have read. A stored block's header check counts
    // its bytes from there.
    uint64_t highWater_ = 0;
    uint8_t* const outBegin_;
    uint8_t* const bufferEnd_;
    uint8_t* outEnd_;
    uint8_t* out_;
    uint8_t* flushed_;        // bytes before it have gone to the sink
    uint64_t discarded_ = 0;  // bytes dropped from the window's start
    const uint64_t expected_;
    const Sink* const sink_;
    uint32_t quirks_ = 0;
    uint64_t blockStart_ = 0;  // where the last block header read begins, in bits

    LiteralTable literal_;
    DistanceTable distance_;
    CodeLengthTable codeLength_;
};

// Tops the bit buffer up to at least 56 bits. Past the end of the input the bits are zeros:
// codes may still be matched there, and InflateGetBits tells real bits from these.
void Inflater::InflateNeedBits() {
    if (inEnd_ - in_ >= 8) {
        bitBuffer_ |= load64(in_) << bitCount_;
        in_ += (63 - bitCount_) >> 3;
        bitCount_ |= 56;
        return;
    }
    while (bitCount_ <= 56) {
        if (in_ < inEnd_) bitBuffer_ |= uint64_t{*in_++} << bitCount_;
        else ++virtualBytes_;
        bitCount_ += 8;
    }
}

// Takes n bits (at most 32); false when any of them, or any bit before them, lies past the
// end of the input.
bool Inflater::InflateGetBits(unsigned n, uint32_t& value) {
    if (bitCount_ < n) InflateNeedBits();
    value = uint32_t(bitBuffer_ & lowBits(n));
    InflateDropBits(n);
    return virtualBytes_ == 0 || consumedBits() <= availBits_;
}

// The entry of the next code; a subtable's prefix is consumed on the way. Needs 15 bits.
uint32_t Inflater::lookup(const uint32_t* entries, unsigned tableBits) {
    uint32_t e = entries[bitBuffer_ & lowBits(tableBits)];
    if (e & kSubtable) {
        InflateDropBits(dropOf(e));
        e = entries[valueOf(e) + (bitBuffer_ & lowBits(extraOf(e)))];
    }
    return e;
}

InflateFault Inflater::storedBlock() {
    const uint64_t position = consumedBits();
    // The length fields start at the next byte boundary, but the five bytes the header
    // needs are counted from where a byte-at-a-time reader stands: bytes it loaded for
    // the longest possible code and did not use count as read.
    const uint64_t inputSize = availBits_ / 8;
    const uint64_t readTo = std::min(inputSize, (std::max(highWater_, position) + 7) / 8);
    if (inputSize < readTo + 5) return InflateFault::kStoredHeaderShort;
    const uint64_t at = (position + 7) / 8;
    const uint8_t* p = inBegin_ + at;
    const uint32_t len = p[0] | uint32_t{p[1]} << 8;
    const uint32_t nlen = p[2] | uint32_t{p[3]} << 8;
    if (len != (~nlen & 0xFFFF)) return InflateFault::kStoredLengthMismatch;
    if (at + 4 + len > inputSize) return InflateFault::kStoredInputShort;
    if (len > size_t(outEnd_ - out_)) slide();
    if (len > size_t(outEnd_ - out_)) return InflateFault::kStoredOutputFull;
    if (len != 0) std::memcpy(out_, p + 4, len);  // an empty output may have no address
    out_ += len;
    in_ = p + 4 + len;
    bitBuffer_ = 0;
    bitCount_ = 0;
    virtualBytes_ = 0;
    highWater_ = consumedBits();
    return InflateFault::kNone;
}

InflateFault Inflater::InflateDynamicTables() {
    uint32_t hlit, hdist, hclen;
    if (!InflateGetBits(5, hlit) || !InflateGetBits(5, hdist) || !InflateGetBits(4, hclen))
        return InflateFault::kInputExhausted;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    if (hlit > 286 || hdist > 30) quirks_ |= kQuirkCodeCountsAbove286or30;

    std::array<uint8_t, 19> codeLengthLengths{};
    for (unsigned i = 0; i < hclen; ++i) {
        uint32_t n;
        if (!InflateGetBits(3, n)) return InflateFault::kInputExhausted;
        codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(n);
    }
    if (InflateBuildHuffman(codeLength_, codeLengthLengths.data(), 19, TableKind::kCodeLength,
                            kCodeLengthRootBits, Incomplete::kReject) != 0)
        return InflateFault::kBadCodeLengths;

    std::array<uint8_t, kMaxLiteralCodes + kMaxDistanceCodes> lengths{};
    const unsigned total = hlit + hdist;
    unsigned filled = 0;
    while (filled < total) {
        InflateNeedBits();
        highWater_ = std::max(highWater_, consumedBits() + codeLength_.largest);
        const uint32_t e = codeLength_.entries[bitBuffer_ & lowBits(codeLength_.tableBits)];
        InflateDropBits(dropOf(e));
        const unsigned symbol = valueOf(e);
        if (symbol < 16) {
            lengths[filled++] = uint8_t(symbol);
            continue;
        }
        uint32_t repeat;
        uint8_t value = 0;
        if (symbol == 16) {
            if (filled == 0) return InflateFault::kBadCodeLengths;
            if (!InflateGetBits(2, repeat)) return InflateFault::kInputExhausted;
            repeat += 3;
            value = lengths[filled - 1];
        } else if (symbol == 17) {
            if (!InflateGetBits(3, repeat)) return InflateFault::kInputExhausted;
            repeat += 3;
        } else {
            if (!InflateGetBits(7, repeat)) return InflateFault::kInputExhausted;
            repeat += 11;
        }
        if (filled + repeat > total) return InflateFault::kBadCodeLengths;
        std::fill_n(lengths.begin() + filled, repeat, value);
        filled += repeat;
    }

    if (InflateBuildHuffman(literal_, lengths.data(), hlit, TableKind::kLiteralLength, kLiteralRootBits,
                            Incomplete::kSingleOneBitCode) != 0 ||
        InflateBuildHuffman(distance_, lengths.data() + hlit, hdist, TableKind::kDistance, kDistanceRootBits,
                            Incomplete::kSingleOneBitCodeOrNone) != 0)
        return InflateFault::kBadCodeLengths;
    return InflateFault::kNone;
}

// One symbol with every bound checked, for the last bytes of the input or the output.
Inflater::Step Inflater::slowSymbol(const LiteralTable& literal, const DistanceTable& distance,
                                    uint64_t& lastDistanceNeed, InflateFault& fault) {
    InflateNeedBits();
    const uint64_t codeAt = consumedBits();
    uint32_t e = lookup(literal.entries.data(), literal.tableBits);
    if (e & kInvalid) {
        fault = InflateFault::kNoMatchingCode;
        return Step::kFault;
    }
    InflateDropBits(dropOf(e));
    if (e & kLiteral) {
        if (out_ == outEnd_) {
            fault = InflateFault::kOutputFull;
            return Step::kFault;
        }
        *out_++ = uint8_t(valueOf(e));
        return Step::kContinue;
    }
    if (e & kEndOfBlock) {
        highWater_ = std::max({highWater_, codeAt + literal.largest, lastDistanceNeed});
        return Step::kEndOfBlock;
    }
    if (e & kQuirk) quirks_ |= kQuirkLengthSymbol286or287;
    uint32_t extra;
    if (!InflateGetBits(extraOf(e), extra)) {
        fault = InflateFault::kInputExhausted;
        return Step::kFault;
    }
    const size_t length = valueOf(e) + extra;

    InflateNeedBits();
    lastDistanceNeed = consumedBits() + distance.largest;
    const uint32_t d = lookup(distance.entries.data(), distance.tableBits);
    if (d & kInvalid) {
        fault = InflateFault::kNoMatchingCode;
        return Step::kFault;
    }
    if (d & kQuirk) quirks_ |= kQuirkDistanceCode30or31;
    InflateDropBits(dropOf(d));
    if (!InflateGetBits(extraOf(d), extra)) {
        fault = InflateFault::kInputExhausted;
        return Step::kFault;
    }
    const size_t dist = valueOf(d) + extra;
    if (length == 0) return Step::kContinue;
    if (dist > size_t(out_ - outBegin_)) {
        fault = InflateFault::kDistanceTooFar;
        return Step::kFault;
    }
    const size_t room = size_t(outEnd_ - out_);
    if (length > room) {
        // Byte by byte up to the end, as a copy that runs out of room leaves it.
        for (size_t i = 0; i < room; ++i, ++out_) *out_ = out_[-ptrdiff_t(dist)];
        fault = InflateFault::kOutputFull;
        return Step::kFault;
    }
    copyMatch(out_, dist, length);
    out_ += length;
    return Step::kContinue;
}

InflateFault Inflater::huffmanBlock(const LiteralTable& literal, const DistanceTable& distance) {
    const uint32_t* const litEntries = literal.entries.data();
    const uint32_t* const distEntries = distance.entries.data();
    const uint64_t litMask = lowBits(literal.tableBits);
    const uint64_t distMask = lowBits(distance.tableBits);
    uint64_t lastDistanceNeed = 0;

    for (;;) {
        // The fast loop keeps the reader in locals (stores through uint8_t* would otherwise
        // force members back to memory) and checks no bounds per byte: it runs only while
        // 16 input bytes (two refills) and 260 output bytes (two literals or a literal and
        // a longest copy) are left. It keeps no high-water mark: what a byte-at-a-time
        // reader would have loaded lies behind `in`, at least 9 bytes before the end, where
        // a stored block's five-byte check cannot fail.
        const uint8_t* in = in_;
        uint64_t bits = bitBuffer_;
        unsigned count = bitCount_;
        uint8_t* out = out_;
        InflateFault fault = InflateFault::kNone;
        bool endOfBlock = false;
        const auto refill = [&] {
            bits |= load64(in) << count;
            in += (63 - count) >> 3;
            count |= 56;
        };
        const auto drop = [&](unsigned n) {
            bits >>= n;
            count -= n;
        };
        while (inEnd_ - in >= 16 && outEnd_ - out >= 260) {
            refill();
            uint32_t e = litEntries[bits & litMask];
            if (e & kLiteral) {
                drop(dropOf(e));
                *out++ = uint8_t(valueOf(e));
                e = litEntries[bits & litMask];
                if (e & kLiteral) {
                    drop(dropOf(e));
                    *out++ = uint8_t(valueOf(e));
                    continue;
                }
            }
            if (e & kLiteralSlowPath) {
                if (e & kSubtable) {
                    drop(dropOf(e));
                    e = litEntries[valueOf(e) + (bits & lowBits(extraOf(e)))];
                    if (e & kLiteral) {
                        drop(dropOf(e));
                        *out++ = uint8_t(valueOf(e));
                        continue;
                    }
                }
                if (e & kEndOfBlock) {
                    drop(dropOf(e));
                    endOfBlock = true;
                    break;
                }
                if (e & kInvalid) {
                    fault = InflateFault::kNoMatchingCode;
                    break;
                }
                if (e & kQuirk) quirks_ |= kQuirkLengthSymbol286or287;
            }
            drop(dropOf(e));
            const size_t length = valueOf(e) + size_t(bits & lowBits(extraOf(e)));
            drop(extraOf(e));

            if (count < 2 * kMaxCodeLength) refill();
            uint32_t d = distEntries[bits & distMask];
            if (d & kDistanceSlowPath) {
                if (d & kSubtable) {
                    drop(dropOf(d));
                    d = distEntries[valueOf(d) + (bits & lowBits(extraOf(d)))];
                }
                if (d & kInvalid) {
                    fault = InflateFault::kNoMatchingCode;
                    break;
                }
                if (d & kQuirk) quirks_ |= kQuirkDistanceCode30or31;
            }
            drop(dropOf(d));
            const size_t dist = valueOf(d) + size_t(bits & lowBits(extraOf(d)));
            drop(extraOf(d));
            if (length == 0) continue;
            if (dist > size_t(out - outBegin_)) {
                fault = InflateFault::kDistanceTooFar;
                break;
            }
            copyMatch(out, dist, length);
            out += length;
        }
        in_ = in;
        bitBuffer_ = bits;
        bitCount_ = count;
        out_ = out;
        if (endOfBlock) return InflateFault::kNone;
        if (fault != InflateFault::kNone) return fault;
        if (outEnd_ - out_ < 260 && slide()) continue;

        switch (slowSymbol(literal, distance, lastDistanceNeed, fault)) {
        case Step::kContinue: break;
        case Step::kEndOfBlock: return InflateFault::kNone;
        case Step::kFault: return fault;
        }
    }
}

InflateResult Inflater::finish(InflateFault fault) {
    InflateResult result;
    result.fault = fault;
    switch (fault) {
    case InflateFault::kNone: result.status = 0; break;
    case InflateFault::kInvalidBlockType:
    case InflateFault::kStoredHeaderShort:
    case InflateFault::kStoredInputShort:
    case InflateFault::kStoredOutputFull: result.status = -1; break;
    case InflateFault::kStoredLengthMismatch: result.status = -2; break;
    case InflateFault::kBadCodeLengths:
    case InflateFault::kInputExhausted:
    case InflateFault::kOutputFull:
    case InflateFault::kDistanceTooFar:
    case InflateFault::kNoMatchingCode: result.status = runtime::kErrSubscriptOutOfRange; break;
    }
    flush();
    result.produced = size_t(discarded_ + uint64_t(out_ - outBegin_));
    if (fault == InflateFault::kNone) {
        const uint64_t end = consumedBits();
        if (end > availBits_) quirks_ |= kQuirkCodesPastInputEnd;
        result.consumed = size_t((end + 7) / 8);
        result.finalBlockBit = blockStart_;
        result.endBit = end;
    }
    result.quirks = quirks_;
    return result;
}

void Inflater::flush() {
    if (!sink_ || out_ == flushed_) return;
    (*sink_)(std::span<const uint8_t>(flushed_, size_t(out_ - flushed_)));
    flushed_ = out_;
}

bool Inflater::slide() {
    if (!sink_ || outEnd_ != bufferEnd_) return false;  // the expected end is in the window
    flush();
    const size_t keep = std::min(kHistory, size_t(out_ - outBegin_));
    const size_t dropped = size_t(out_ - outBegin_) - keep;
    if (dropped == 0) return false;
    std::memmove(outBegin_, out_ - keep, keep);
    discarded_ += dropped;
    out_ -= dropped;
    flushed_ = out_;
    outEnd_ = limit();
    return true;
}

InflateResult Inflater::run() {
    // The two header bytes are skipped unread.
    if (inEnd_ - inBegin_ < 2) return finish(InflateFault::kInputExhausted);
    in_ = inBegin_ + 2;
    highWater_ = 16;
    for (;;) {
        uint32_t final, type;
        blockStart_ = consumedBits();
        if (!InflateGetBits(1, final) || !InflateGetBits(2, type)) return finish(InflateFault::kInputExhausted);
        InflateFault fault;
        switch (type) {
        case 0: fault = storedBlock(); break;
        case 1: {
            const FixedTables& fixed = InflateFixedTables();
            fault = huffmanBlock(fixed.literal, fixed.distance);
            break;
        }
        case 2:
            fault = InflateDynamicTables();
            if (fault == InflateFault::kNone) fault = huffmanBlock(literal_, distance_);
            break;
        default: fault = InflateFault::kInvalidBlockType; break;
        }
        if (fault != InflateFault::kNone || final) return finish(fault);
    }
}

}  // namespace

InflateResult inflateZlibStream(std::span<const uint8_t> input, std::span<uint8_t> output) {
    Inflater inflater(input, output);
    return inflater.run();
}

InflateResult inflateZlibStream(std::span<const uint8_t> input, uint64_t expected,
                                const std::function<void(std::span<const uint8_t>)>& put) {
    // The history and a megabyte of room: the window's size does not follow the output's.
    constexpr uint64_t kRoom = uint64_t{1} << 20;
    std::vector<uint8_t> window(size_t(std::min<uint64_t>(expected, Inflater::kHistory + kRoom)));
    Inflater inflater(input, window, expected, &put);
    return inflater.run();
}

}  // namespace codecs
