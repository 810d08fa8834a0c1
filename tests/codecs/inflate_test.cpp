// The DEFLATE decoder: checked against zlib on the streams zlib makes (every level and
// strategy, data of many shapes, flushes that make many blocks), and on hand-made streams
// for the edges. Every hand-made stream that should decode is decoded by zlib as well, so
// the streams themselves are checked, not only the decoder.

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "codecs/cPNGparser.h"

namespace codecs {
namespace {

using Bytes = std::vector<uint8_t>;

// ---- data of many shapes ------------------------------------------------------------

Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = uint8_t(rng());
    return out;
}

// Words of skewed frequency with spaces and punctuation: matches of every length and
// distance, literals of uneven frequency (long codes).
Bytes text(size_t n, uint32_t seed) {
    static const char* const words[] = {"the", "picture", "catalogue", "of", "a", "quillmere", "and",
                                        "password", "record", "thumbnail", "zlib", "deflate", "xylophone",
                                        "Quokka", "JPEG", "1998", "vivid", "jumps", "over", "lazy"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        const unsigned r = rng() % 400;
        s += words[r < 200 ? r % 4 : r % 20];
        s += (rng() % 13 == 0) ? ". " : (rng() % 7 == 0 ? ",\n" : " ");
    }
    s.resize(n);
    return Bytes(s.begin(), s.end());
}

// Rows of a gradient picture with noise behind PNG filter-type bytes, as the PNG reader
// hands them over: short distances of 3 and 4 (one pixel) and of one row.
Bytes pictureRows(unsigned width, unsigned height, unsigned channels, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    for (unsigned y = 0; y < height; ++y) {
        out.push_back(uint8_t(y % 5));
        for (unsigned x = 0; x < width; ++x)
            for (unsigned c = 0; c < channels; ++c)
                out.push_back(uint8_t((x * (c + 1) + y * 3) / 4 + (rng() % 8 == 0 ? rng() % 5 : 0)));
    }
    return out;
}

// A 1000-byte random block repeated: copies of the longest length, 258.
Bytes repeatedBlock(size_t n) {
    const Bytes block = randomBytes(1000, 7);
    Bytes out;
    while (out.size() < n) out.insert(out.end(), block.begin(), block.end());
    out.resize(n);
    return out;
}

struct Shape {
    const char* name;
    Bytes data;
};

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> all = [] {
        std::vector<Shape> v;
        v.push_back({"empty", {}});
        v.push_back({"one byte", {0x42}});
        v.push_back({"run of one byte", Bytes(70000, 'x')});
        v.push_back({"random", randomBytes(70000, 1)});
        v.push_back({"text", text(120000, 2)});
        v.push_back({"repeated block", repeatedBlock(100000)});
        v.push_back({"picture rows", pictureRows(300, 80, 4, 3)});
        Bytes mixed = text(20000, 4);
        for (const Bytes& part : {randomBytes(9000, 5), Bytes(3000, 0), pictureRows(100, 40, 3, 6), text(30000, 8)})
            mixed.insert(mixed.end(), part.begin(), part.end());
        v.push_back({"mixed", mixed});
        return v;
    }();
    return all;
}

// ---- zlib, the oracle ---------------------------------------------------------------

// Deflates with zlib; flushEvery > 0 flushes with `flush` after every so many input bytes,
// which ends a block each time (stored empty blocks for sync and full flushes, empty fixed
// blocks for partial ones).
Bytes deflateWithZlib(const Bytes& data, int level, int strategy, size_t flushEvery = 0, int flush = Z_NO_FLUSH) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, uLong(data.size())) + 64 + (flushEvery ? data.size() / flushEvery * 16 : 0));
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    size_t at = 0;
    do {
        const size_t chunk = flushEvery ? std::min(flushEvery, data.size() - at) : data.size() - at;
        z.next_in = const_cast<Bytes::value_type*>(data.data()) + at;
        z.avail_in = uInt(chunk);
        at += chunk;
        const int mode = at == data.size() ? Z_FINISH : flush;
        const int rc = deflate(&z, mode);
        EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END);
    } while (at < data.size());
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// zlib's answer for a whole zlib stream into a buffer of `capacity` bytes.
bool zlibInflates(const Bytes& stream, size_t capacity, Bytes& out) {
    out.assign(capacity, 0);
    uLongf length = uLongf(capacity);
    const Bytef* src = stream.empty() ? reinterpret_cast<const Bytef*>("") : stream.data();
    if (uncompress(out.data(), &length, src, uLong(stream.size())) != Z_OK) return false;
    out.resize(length);
    return true;
}

// ---- our decoder --------------------------------------------------------------------

constexpr uint8_t kUntouched = 0xA5;

struct Decoded {
    InflateResult result;
    Bytes output;  // the whole buffer, `kUntouched` where nothing was written
};

Decoded ours(const Bytes& stream, size_t outputSize) {
    Decoded d;
    d.output.assign(outputSize, kUntouched);
    d.result = inflateZlibStream(stream, d.output);
    return d;
}

// ---- writing streams by hand --------------------------------------------------------

class BitWriter {
public:
    // n bits of `value`, its bit 0 first (header fields, extra bits).
    void bits(uint32_t value, unsigned n) {
        for (unsigned i = 0; i < n; ++i) bit((value >> i) & 1);
    }
    // A Huffman code: its most significant bit first.
    void code(uint32_t code, unsigned n) {
        for (unsigned i = n; i-- > 0;) bit((code >> i) & 1);
    }
    void align() {
        while (count_ % 8) bit(0);
    }
    void byte(uint8_t b) { bits(b, 8); }
    size_t bitCount() const { return count_; }
    const Bytes& bytes() const { return bytes_; }

private:
    void bit(unsigned b) {
        if (count_ % 8 == 0) bytes_.push_back(0);
        bytes_.back() |= uint8_t(b << (count_ % 8));
        ++count_;
    }
    Bytes bytes_;
    size_t count_ = 0;
};

struct Code {
    std::vector<uint8_t> lengths;
    std::vector<uint32_t> codes;
};

// The canonical code of RFC 1951 for the given lengths.
Code canonical(std::vector<uint8_t> lengths) {
    unsigned count[16] = {};
    for (uint8_t n : lengths) ++count[n];
    count[0] = 0;
    uint32_t next[16] = {}, code = 0;
    for (unsigned n = 1; n < 16; ++n) next[n] = code = (code + count[n - 1]) << 1;
    Code c{std::move(lengths), {}};
    for (uint8_t n : c.lengths) c.codes.push_back(n ? next[n]++ : 0);
    return c;
}

std::vector<uint8_t> fixedLiteralLengths() {
    std::vector<uint8_t> l(288, 8);
    std::fill(l.begin() + 144, l.begin() + 256, 9);
    std::fill(l.begin() + 256, l.begin() + 280, 7);
    return l;
}

// RFC 1951's length and distance tables, for the encoder.
struct Coded {
    unsigned symbol, extraBits, extra;
};
Coded lengthSymbol(unsigned length) {
    static const unsigned base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23,  27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    unsigned i = 28;
    while (base[i] > length) --i;
    return {257 + i, extra[i], length - base[i]};
}
Coded distanceCode(unsigned distance) {
    unsigned code = 0, base = 1;
    for (unsigned c = 0; c < 30; ++c) {
        const unsigned b = c < 4 ? c + 1 : ((2u + (c & 1)) << ((c >> 1) - 1)) + 1;
        if (b <= distance) code = c, base = b;
    }
    return {code, code < 4 ? 0 : (code >> 1) - 1, distance - base};
}

const std::vector<uint8_t> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A zlib stream under construction: header 78 01, blocks, and a trailer of the Adler-32 of
// the bytes the test expects.
class Stream {
public:
    Stream() {
        w.byte(0x78);
        w.byte(0x01);
    }
    void header(bool final, unsigned type) {
        w.bits(final, 1);
        w.bits(type, 2);
    }
    void stored(bool final, const Bytes& data) {
        header(final, 0);
        w.align();
        w.bits(uint32_t(data.size()), 16);
        w.bits(~uint32_t(data.size()), 16);
        for (uint8_t b : data) w.byte(b);
    }
    void fixed(bool final) {
        header(final, 1);
        lit = canonical(fixedLiteralLengths());
        dist = canonical(std::vector<uint8_t>(32, 5));
    }
    // A dynamic block header sending code-length symbols as given: pairs of symbol and
    // the value of its extra bits. The code-length code gives symbols 0 to 12 four bits and
    // 13 to 18 five unless `codeLengthLengths` says otherwise.
    void dynamicRaw(bool final, unsigned hlit, unsigned hdist, const std::vector<std::pair<unsigned, unsigned>>& sent,
                    std::vector<uint8_t> codeLengthLengths = {}) {
        if (codeLengthLengths.empty()) {
            codeLengthLengths.assign(19, 5);
            std::fill_n(codeLengthLengths.begin(), 13, 4);
        }
        header(final, 2);
        w.bits(hlit - 257, 5);
        w.bits(hdist - 1, 5);
        unsigned hclen = 19;
        while (hclen > 4 && codeLengthLengths[kCodeLengthOrder[hclen - 1]] == 0) --hclen;
        w.bits(hclen - 4, 4);
        for (unsigned i = 0; i < hclen; ++i) w.bits(codeLengthLengths[kCodeLengthOrder[i]], 3);
        const Code cl = canonical(codeLengthLengths);
        for (auto [symbol, extra] : sent) {
            w.code(cl.codes[symbol], cl.lengths[symbol]);
            if (symbol == 16) w.bits(extra, 2);
            if (symbol == 17) w.bits(extra, 3);
            if (symbol == 18) w.bits(extra, 7);
        }
    }
    void dynamic(bool final, const std::vector<uint8_t>& litLengths, const std::vector<uint8_t>& distLengths) {
        std::vector<std::pair<unsigned, unsigned>> sent;
        for (uint8_t n : litLengths) sent.push_back({n, 0});
        for (uint8_t n : distLengths) sent.push_back({n, 0});
        dynamicRaw(final, unsigned(litLengths.size()), unsigned(distLengths.size()), sent);
        lit = canonical(litLengths);
        dist = canonical(distLengths);
    }
    void symbol(unsigned s) { w.code(lit.codes.at(s), lit.lengths.at(s)); }
    void distanceSymbol(unsigned c) { w.code(dist.codes.at(c), dist.lengths.at(c)); }
    void literals(const std::string& s) {
        for (char c : s) symbol(uint8_t(c));
    }
    void match(unsigned length, unsigned distance) {
        const Coded l = lengthSymbol(length);
        symbol(l.symbol);
        w.bits(l.extra, l.extraBits);
        const Coded d = distanceCode(distance);
        distanceSymbol(d.symbol);
        w.bits(d.extra, d.extraBits);
    }
    void end() { symbol(256); }

    Bytes withoutTrailer() const { return w.bytes(); }
    Bytes withTrailer(const Bytes& expected) const {
        Bytes out = w.bytes();
        const uLong a = adler32(adler32(0, nullptr, 0), expected.data(), uInt(expected.size()));
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(a >> shift));
        return out;
    }

    BitWriter w;
    Code lit, dist;
};

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A complete code of `n` symbols whose lengths run from 1 to 15: the chain 1, 2, ... 15,
// 15, then the longest leaf shorter than 15 split in two until there are n.
std::vector<uint8_t> deepCompleteLengths(unsigned n) {
    std::vector<uint8_t> l;
    for (uint8_t i = 1; i <= 15; ++i) l.push_back(i);
    l.push_back(15);
    while (l.size() < n) {
        auto it = std::max_element(l.begin(), l.end(), [](uint8_t a, uint8_t b) { return (a < 15 ? a : 0) < (b < 15 ? b : 0); });
        ++*it;
        l.push_back(*it);
    }
    return l;
}

// ---- differential over zlib's own streams -------------------------------------------

struct Strategy {
    const char* name;
    int value;
};

void PrintTo(const Strategy& s, std::ostream* os) { *os << s.name; }

class ZlibStreams : public ::testing::TestWithParam<Strategy> {};

// Every shape at every level: the exact size decodes to the input and ends where the
// trailer begins; one byte less fails; a larger buffer keeps its tail, also behind a zero
// tail of the input as the PNG reader's gathering buffer has.
TEST_P(ZlibStreams, EveryLevelAndShapeDecodesToTheInput) {
    for (const Shape& shape : shapes()) {
        for (int level = 0; level <= 9; ++level) {
            SCOPED_TRACE(std::string(shape.name) + ", level " + std::to_string(level));
            const Bytes& data = shape.data;
            const Bytes stream = deflateWithZlib(data, level, GetParam().value);

            const Decoded exact = ours(stream, data.size());
            ASSERT_TRUE(exact.result.ok()) << int(exact.result.fault);
            ASSERT_EQ(exact.result.produced, data.size());
            ASSERT_TRUE(exact.output == data);
            EXPECT_EQ(exact.result.consumed, stream.size() - 4);
            EXPECT_EQ(exact.result.quirks, 0u);

            if (!data.empty()) {
                const Decoded small = ours(stream, data.size() - 1);
                EXPECT_FALSE(small.result.ok());
                EXPECT_TRUE(small.result.fault == InflateFault::kOutputFull ||
                            small.result.fault == InflateFault::kStoredOutputFull);
            }

            Bytes padded = stream;
            padded.resize(stream.size() + 1000, 0);
            const Decoded large = ours(padded, data.size() + 300);
            ASSERT_TRUE(large.result.ok());
            EXPECT_EQ(large.result.produced, data.size());
            EXPECT_TRUE(std::equal(data.begin(), data.end(), large.output.begin()));
            EXPECT_TRUE(std::all_of(large.output.begin() + data.size(), large.output.end(),
                                    [](uint8_t b) { return b == kUntouched; }));
        }
    }
}

// Flushes end blocks mid-stream: many blocks, empty stored blocks (sync and full flush),
// empty fixed blocks (partial flush), and stored blocks that start after Huffman blocks.
TEST_P(ZlibStreams, FlushedStreamsOfManyBlocksDecode) {
    const Bytes data = text(60000, 9);
    for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK}) {
        for (size_t every : {1, 97, 4000}) {
            for (int level : {0, 1, 6, 9}) {
                SCOPED_TRACE("flush " + std::to_string(flush) + " every " + std::to_string(every) + ", level " +
                             std::to_string(level));
                const Bytes stream = deflateWithZlib(Bytes(data.begin(), data.begin() + (every == 1 ? 3000 : 60000)),
                                                     level, GetParam().value, every, flush);
                const size_t size = every == 1 ? 3000 : 60000;
                const Decoded d = ours(stream, size);
                ASSERT_TRUE(d.result.ok()) << int(d.result.fault);
                EXPECT_TRUE(std::equal(d.output.begin(), d.output.end(), data.begin()));
                EXPECT_EQ(d.result.consumed, stream.size() - 4);
            }
        }
    }
}

// A stream cut anywhere never reads outside its bytes; when it still decodes, either the
// cut fell behind the final block or the decoder says it matched codes past the end.
TEST_P(ZlibStreams, CutStreamsFailOrSayWhy) {
    const Bytes data = text(2500, 10);
    for (int level : {0, 1, 9}) {
        const Bytes stream = deflateWithZlib(data, level, GetParam().value);
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            SCOPED_TRACE("level " + std::to_string(level) + ", cut at " + std::to_string(cut));
            const Bytes part(stream.begin(), stream.begin() + cut);
            const Decoded d = ours(part, data.size());
            if (!d.result.ok()) continue;
            EXPECT_TRUE(d.result.consumed <= cut || (d.result.quirks & kQuirkCodesPastInputEnd));
        }
    }
}

// Streamed: an output of megabytes goes out in pieces of a window's size, the window
// keeping the last 64 KB for the distances that reach back; it decodes as into one buffer,
// to the byte, its failures included.
TEST_P(ZlibStreams, StreamedInPiecesAsIntoOneBuffer) {
    Bytes data = text(900000, 21);
    for (const Bytes& part : {randomBytes(300000, 22), Bytes(500000, 0), pictureRows(1000, 300, 4, 23),
                              repeatedBlock(200000), text(400000, 24)})
        data.insert(data.end(), part.begin(), part.end());
    for (int level : {0, 1, 6, 9}) {
        SCOPED_TRACE("level " + std::to_string(level));
        const Bytes stream = deflateWithZlib(data, level, GetParam().value);
        for (size_t expected : {data.size(), data.size() - 1, data.size() + 300, size_t{2000000}}) {
            SCOPED_TRACE("expected " + std::to_string(expected));
            const Decoded whole = ours(stream, expected);
            Bytes streamed;
            size_t largestPiece = 0;
            const InflateResult r = inflateZlibStream(stream, expected, [&](std::span<const uint8_t> piece) {
                streamed.insert(streamed.end(), piece.begin(), piece.end());
                largestPiece = std::max(largestPiece, piece.size());
            });
            EXPECT_EQ(r.status, whole.result.status);
            EXPECT_EQ(r.fault, whole.result.fault);
            EXPECT_EQ(r.produced, whole.result.produced);
            EXPECT_EQ(r.consumed, whole.result.consumed);
            EXPECT_EQ(r.quirks, whole.result.quirks);
            ASSERT_EQ(streamed.size(), r.produced);
            EXPECT_TRUE(std::equal(streamed.begin(), streamed.end(), whole.output.begin()));
            EXPECT_LE(largestPiece, size_t{1} << 21) << "never the whole output at once";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Strategies, ZlibStreams,
                         ::testing::Values(Strategy{"Default", Z_DEFAULT_STRATEGY}, Strategy{"Filtered", Z_FILTERED},
                                           Strategy{"HuffmanOnly", Z_HUFFMAN_ONLY}, Strategy{"Rle", Z_RLE},
                                           Strategy{"Fixed", Z_FIXED}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- differential over hand-made streams with deep codes ----------------------------

// Thousands of random literals and copies under codes of up to 15 bits for literals,
// lengths and distances (most of them longer than the first-level tables), across two
// blocks: the subtables and the fast loop, checked against the bytes the encoder meant
// and against zlib.
TEST(InflateDeepCodes, RandomSymbolsUnderFifteenBitCodesDecode) {
    std::mt19937 rng(11);
    std::vector<uint8_t> litLengths = deepCompleteLengths(286);
    std::vector<uint8_t> distLengths = deepCompleteLengths(30);
    std::shuffle(litLengths.begin(), litLengths.end(), rng);
    std::shuffle(distLengths.begin(), distLengths.end(), rng);

    Stream s;
    Bytes expected;
    for (bool final : {false, true}) {
        s.dynamic(final, litLengths, distLengths);
        for (int i = 0; i < 30000; ++i) {
            if (expected.size() < 4 || rng() % 3 != 0) {
                const uint8_t b = uint8_t(rng());
                s.symbol(b);
                expected.push_back(b);
                continue;
            }
            const unsigned length = 3 + rng() % 256;
            const unsigned distance = 1 + rng() % std::min<size_t>(expected.size(), 32768);
            s.match(length, distance);
            for (unsigned k = 0; k < length; ++k) expected.push_back(expected[expected.size() - distance]);
        }
        s.end();
    }
    const Bytes stream = s.withTrailer(expected);

    const Decoded d = ours(stream, expected.size());
    ASSERT_TRUE(d.result.ok()) << int(d.result.fault);
    EXPECT_TRUE(d.output == expected);
    Bytes z;
    ASSERT_TRUE(zlibInflates(stream, expected.size(), z));
    EXPECT_TRUE(z == expected);
}

// Every length from 3 to 258 and both ends of every distance code's range (0 and all of
// its extra bits set), in a fixed and in a dynamic block after 32768 bytes of history:
// each edge of the length and distance tables, against zlib.
TEST(InflateTables, EveryLengthAndEveryDistanceCodesEdgesDecodeAsZlib) {
    std::vector<unsigned> distances;
    for (const unsigned base : {1u, 2u, 3u, 4u, 5u, 7u, 9u, 13u, 17u, 25u, 33u, 49u, 65u, 97u, 129u, 193u, 257u, 385u,
                                513u, 769u, 1025u, 1537u, 2049u, 3073u, 4097u, 6145u, 8193u, 12289u, 16385u, 24577u}) {
        const unsigned extra = distanceCode(base).extraBits;
        distances.push_back(base);
        distances.push_back(base + (1u << extra) - 1);
    }
    // Complete codes of every symbol: 226 x 8 + 60 x 9 bits, 2 x 4 + 28 x 5 bits.
    std::vector<uint8_t> litLengths(286, 9), distLengths(30, 5);
    std::fill_n(litLengths.begin(), 226, 8);
    std::fill_n(distLengths.begin(), 2, 4);

    for (bool dynamic : {false, true}) {
        SCOPED_TRACE(dynamic ? "dynamic" : "fixed");
        Stream s;
        Bytes expected = randomBytes(32768, 19);
        s.stored(false, expected);
        if (dynamic) s.dynamic(true, litLengths, distLengths);
        else s.fixed(true);
        const auto copy = [&](unsigned length, unsigned distance) {
            s.match(length, distance);
            for (unsigned k = 0; k < length; ++k) expected.push_back(expected[expected.size() - distance]);
        };
        for (unsigned length = 3; length <= 258; ++length) copy(length, 1 + length * 97 % 32768);
        for (unsigned distance : distances) copy(3 + distance % 256, distance);
        s.end();
        const Bytes stream = s.withTrailer(expected);

        const Decoded d = ours(stream, expected.size());
        ASSERT_TRUE(d.result.ok()) << int(d.result.fault);
        EXPECT_TRUE(d.output == expected);
        Bytes z;
        ASSERT_TRUE(zlibInflates(stream, expected.size(), z));
        EXPECT_TRUE(z == expected);
    }
}

// ---- hand-made edge cases -----------------------------------------------------------

enum class Zlib { kSame, kRejects, kNotAsked };

struct Built {
    Bytes stream;
    Bytes output;  // the bytes expected at the start of the output
};

struct EdgeCase {
    const char* name;
    std::function<Built()> build;
    size_t outputSize;
    int32_t status;
    InflateFault fault;
    uint32_t quirks;
    Zlib zlib;  // what zlib makes of the same stream
};

// Literals 'a' and 'b', end of block and length symbol 257 (length 3), each two bits.
std::vector<uint8_t> fourSymbolLengths() {
    std::vector<uint8_t> l(258, 0);
    l['a'] = l['b'] = l[256] = l[257] = 2;
    return l;
}

Built abcStored() {
    // header 78 01; final stored block: LEN 3, NLEN 0xFFFC, "abc"; trailer
    const Bytes stream = {0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c', 0x02, 0x4D, 0x01, 0x27};
    return {stream, bytesOf("abc")};
}

// After `before`, one literal, then a copy of length 4 whose distance code and extra bits
// are given raw, then `tail` as literals (enough of them keep the copy off the end of the
// input, where the decoder takes its careful path).
Built fixedCopy(unsigned distCode, unsigned extra, const Bytes& before, const std::string& tail = "") {
    Stream s;
    if (!before.empty()) s.stored(false, before);
    s.fixed(true);
    s.literals("a");
    s.symbol(258);  // length 4
    s.distanceSymbol(distCode);
    s.w.bits(extra, distCode < 4 ? 0 : (distCode >> 1) - 1);
    s.literals(tail);
    s.end();
    // The bytes expected: those before a failing copy, or all of them.
    Bytes out = before;
    out.push_back('a');
    const size_t distance = distCode < 4 ? distCode + 1 : ((2u + (distCode & 1)) << ((distCode >> 1) - 1)) + 1 + extra;
    if (!tail.empty() && distance <= out.size()) {
        for (int i = 0; i < 4; ++i) out.push_back(out[out.size() - distance]);
        out.insert(out.end(), tail.begin(), tail.end());
    }
    return {s.withoutTrailer(), out};
}

// Length symbols 286 and 287, each with a distance far beyond the output, between
// literals; `tail` literals follow.
Built lengthZero(const std::string& tail) {
    Stream s;
    s.fixed(true);
    s.literals("a");
    s.symbol(286);
    s.distanceSymbol(29);
    s.w.bits(8191, 13);
    s.literals("b");
    s.symbol(287);
    s.distanceSymbol(0);
    s.literals("c" + tail);
    s.end();
    const Bytes out = bytesOf("abc" + tail);
    return Built{s.withTrailer(out), out};
}

// A block of two literals under `hlit` literal/length and `hdist` distance lengths.
Built codeCounts(unsigned hlit, unsigned hdist) {
    Stream s;
    std::vector<uint8_t> lit = fourSymbolLengths(), dist(hdist, 0);
    lit.resize(hlit, 0);
    dist[hdist - 1] = 1;
    s.dynamic(true, lit, dist);
    s.literals("ba");
    s.end();
    return Built{s.withTrailer(bytesOf("ba")), bytesOf("ba")};
}

// A block whose last copy uses a 1-bit distance code of a distance code whose longest
// codes have 15 bits, then its 2-bit end code, then a final empty stored block; `size`
// bytes in all (zeros after the length fields).
Bytes farDistanceReachThenEmptyStored(size_t size) {
    Stream s;
    std::vector<uint8_t> lit(258, 0);
    lit['a'] = 1;
    lit[256] = lit[257] = 2;
    s.dynamic(false, lit, deepCompleteLengths(16));
    s.literals("a");
    s.symbol(257);
    EXPECT_EQ(s.w.bitCount(), 1193u);
    s.distanceSymbol(0);
    s.end();
    s.stored(true, {});
    Bytes stream = s.withoutTrailer();
    EXPECT_EQ(stream.size(), 154u);  // length fields at bytes 150 to 153
    stream.resize(size, 0);
    return stream;
}

// A non-final dynamic block holding only its 1-bit end code under a literal/length code
// whose longest codes have 15 bits, then a final empty stored block; `size` bytes in all
// (zeros after the length fields).
Bytes deepCodeThenEmptyStored(size_t size) {
    Stream s;
    std::vector<uint8_t> lit(257, 0);
    const std::vector<uint8_t> deep = deepCompleteLengths(16);  // 1, 2, ... 15, 15
    lit[256] = deep[0];
    std::copy(deep.begin() + 1, deep.end(), lit.begin());
    s.dynamic(false, lit, {1});
    EXPECT_EQ(s.w.bitCount(), 1126u);
    s.end();
    s.stored(true, {});
    Bytes stream = s.withoutTrailer();
    EXPECT_EQ(stream.size(), 146u);  // length fields at bytes 142 to 145
    stream.resize(size, 0);
    return stream;
}

// A block of one 1-bit end code after a header whose last code-length symbol has a 1-bit
// code of a code-length code whose longest codes have 7 bits, then a final empty stored
// block; `size` bytes in all (zeros after the length fields).
Bytes codeLengthReachThenEmptyStored(size_t size) {
    const unsigned zeros = 2;  // distance lengths, all 0
    Stream s;
    std::vector<uint8_t> cl(19, 0);
    cl[0] = 1, cl[1] = 2, cl[18] = 3, cl[17] = 4, cl[2] = 5, cl[3] = 6, cl[4] = 7, cl[5] = 7;
    std::vector<std::pair<unsigned, unsigned>> sent = {{18, 86}, {1, 0}, {18, 127}, {18, 9}, {1, 0}};
    sent.insert(sent.end(), zeros, {0, 0});  // 97 zeros, 'a' 1, 158 zeros, 256 1, no distances
    s.dynamicRaw(false, 257, zeros, sent, cl);
    std::vector<uint8_t> lit(257, 0);
    lit['a'] = lit[256] = 1;
    s.lit = canonical(lit);
    EXPECT_EQ(s.w.bitCount(), 123u);
    s.end();
    s.stored(true, {});
    Bytes stream = s.withoutTrailer();
    EXPECT_EQ(stream.size(), 20u);  // length fields at bytes 16 to 19
    stream.resize(size, 0);
    return stream;
}

const std::vector<EdgeCase>& edgeCases() {
    using F = InflateFault;
    static const std::vector<EdgeCase> cases = {
        // ---- stored blocks ----
        {"stored abc", abcStored, 3, 0, F::kNone, 0, Zlib::kSame},
        {"stored abc into two bytes writes nothing",
         [] {
             Built b = abcStored();
             b.output.clear();
             return b;
         },
         2, -1, F::kStoredOutputFull, 0, Zlib::kNotAsked},
        {"stored LEN not the complement of NLEN",
         [] { return Built{{0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFE, 'a', 'b', 'c', 0, 0, 0, 0}, {}}; }, 3, -2,
         F::kStoredLengthMismatch, 0, Zlib::kRejects},
        {"stored data beyond the input",
         [] { return Built{{0x78, 0x01, 0x01, 0x0A, 0x00, 0xF5, 0xFF, 'a', 'b', 'c', 'd', 'e'}, {}}; }, 10, -1,
         F::kStoredInputShort, 0, Zlib::kRejects},
        // The length fields need one more byte after them, five from the header's byte.
        {"stored empty block ending the input",
         [] { return Built{{0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF}, {}}; }, 0, -1, F::kStoredHeaderShort, 0,
         Zlib::kNotAsked},
        {"stored empty block with one byte after",
         [] { return Built{{0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00}, {}}; }, 0, 0, F::kNone, 0,
         Zlib::kNotAsked},
        {"stored block of 65535 bytes",
         [] {
             Stream s;
             const Bytes data = randomBytes(65535, 12);
             s.stored(true, data);
             return Built{s.withTrailer(data), data};
         },
         65535, 0, F::kNone, 0, Zlib::kSame},
        // Its length fields follow the last byte the Huffman codes used, whatever the
        // bit buffer held.
        {"stored block after a fixed block",
         [] {
             Stream s;
             s.fixed(false);
             s.literals("a");
             s.end();
             s.stored(true, bytesOf("xyz"));
             return Built{s.withTrailer(bytesOf("axyz")), bytesOf("axyz")};
         },
         4, 0, F::kNone, 0, Zlib::kSame},
        {"block type 3",
         [] { return Built{{0x78, 0x01, 0x07, 0, 0, 0, 0, 0}, {}}; }, 10, -1, F::kInvalidBlockType, 0,
         Zlib::kRejects},

        // ---- distances ----
        {"distance of exactly 32768 from the first byte",
         [] {
             Stream s;
             Bytes data = randomBytes(32768, 13);
             s.stored(false, data);
             s.fixed(true);
             s.match(258, 32768);
             s.end();
             data.insert(data.end(), data.begin(), data.begin() + 258);
             return Built{s.withTrailer(data), data};
         },
         32768 + 258, 0, F::kNone, 0, Zlib::kSame},
        {"distance of one byte repeats it",
         [] {
             Stream s;
             s.fixed(true);
             s.literals("q");
             s.match(258, 1);
             s.end();
             const Bytes out(259, 'q');
             return Built{s.withTrailer(out), out};
         },
         259, 0, F::kNone, 0, Zlib::kSame},
        {"distance beyond the output", [] { return fixedCopy(1, 0, {}); }, 10, 9, F::kDistanceTooFar, 0,
         Zlib::kRejects},
        {"distance code 30 reaches 32769 back",
         [] {
             Built b = fixedCopy(30, 0, randomBytes(32768, 14));
             for (int i = 0; i < 4; ++i) b.output.push_back(b.output[b.output.size() - 32769]);
             return b;
         },
         32768 + 5, 0, F::kNone, kQuirkDistanceCode30or31, Zlib::kRejects},
        {"distance code 31 with all extra bits reaches 65536 back",
         [] {
             Built b = fixedCopy(31, 16383, randomBytes(65535, 15));
             for (int i = 0; i < 4; ++i) b.output.push_back(b.output[b.output.size() - 65536]);
             return b;
         },
         65535 + 5, 0, F::kNone, kQuirkDistanceCode30or31, Zlib::kRejects},
        {"distance code 30 beyond the output", [] { return fixedCopy(30, 0, randomBytes(1000, 16)); }, 2000, 9,
         F::kDistanceTooFar, kQuirkDistanceCode30or31, Zlib::kRejects},
        // Length 0: the distance (here far beyond the output) is read, nothing is copied.
        {"length symbols 286 and 287 copy nothing", [] { return lengthZero(""); }, 3, 0, F::kNone,
         kQuirkLengthSymbol286or287, Zlib::kRejects},
        {"length symbols 286 and 287 copy nothing, off the ends",
         [] { return lengthZero(std::string(40, 'x')); }, 1000, 0, F::kNone, kQuirkLengthSymbol286or287,
         Zlib::kRejects},
        {"distance one beyond the output, off the ends",
         [] { return fixedCopy(19, 233, randomBytes(1000, 18), std::string(40, 'x')); }, 5000, 9,
         F::kDistanceTooFar, 0, Zlib::kRejects},
        {"distance code 30 off the ends", [] { return fixedCopy(30, 5, randomBytes(40000, 17), std::string(40, 'x')); },
         50000, 0, F::kNone, kQuirkDistanceCode30or31, Zlib::kRejects},

        // ---- codes that RFC 1951 and zlib accept although incomplete ----
        {"single distance code of one bit",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {1});
             s.literals("ab");
             s.match(3, 1);
             s.end();
             return Built{s.withTrailer(bytesOf("abbbb")), bytesOf("abbbb")};
         },
         5, 0, F::kNone, 0, Zlib::kSame},
        {"single distance code of one bit, the unused bit value sent",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {0, 0, 0, 1});
             s.literals("ab");
             s.symbol(257);
             s.w.code(1, 1);
             s.end();
             return Built{s.withoutTrailer(), bytesOf("ab")};
         },
         5, 9, F::kNoMatchingCode, 0, Zlib::kRejects},
        {"no distance codes in a block of literals",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {0});
             s.literals("abba");
             s.end();
             return Built{s.withTrailer(bytesOf("abba")), bytesOf("abba")};
         },
         4, 0, F::kNone, 0, Zlib::kSame},
        {"no distance codes and a length symbol",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {0});
             s.literals("ab");
             s.symbol(257);
             s.end();
             return Built{s.withoutTrailer(), bytesOf("ab")};
         },
         5, 9, F::kNoMatchingCode, 0, Zlib::kRejects},
        {"single literal/length code of one bit: an empty block",
         [] {
             Stream s;
             std::vector<uint8_t> lit(257, 0);
             lit[256] = 1;
             s.dynamic(false, lit, {1});
             s.end();
             s.stored(true, bytesOf("z"));
             return Built{s.withTrailer(bytesOf("z")), bytesOf("z")};
         },
         1, 0, F::kNone, 0, Zlib::kSame},

        // ---- codes that are rejected ----
        {"single distance code of two bits",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {2});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"over-subscribed literal/length code",
         [] {
             Stream s;
             std::vector<uint8_t> lit = fourSymbolLengths();
             lit['c'] = 2;
             s.dynamic(true, lit, {1, 1});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"incomplete literal/length code",
         [] {
             Stream s;
             std::vector<uint8_t> lit = fourSymbolLengths();
             lit['a'] = 0;
             s.dynamic(true, lit, {1, 1});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"incomplete distance code",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {1, 2});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"over-subscribed distance code",
         [] {
             Stream s;
             s.dynamic(true, fourSymbolLengths(), {1, 1, 1});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"incomplete code-length code",
         [] {
             Stream s;
             std::vector<uint8_t> cl(19, 0);
             cl[0] = 1;
             cl[2] = 2;
             std::vector<std::pair<unsigned, unsigned>> sent(258, {0, 0});
             s.dynamicRaw(true, 257, 1, sent, cl);
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"over-subscribed code-length code",
         [] {
             Stream s;
             std::vector<uint8_t> cl(19, 0);
             cl[0] = cl[1] = cl[2] = 1;
             s.dynamicRaw(true, 257, 1, std::vector<std::pair<unsigned, unsigned>>(258, {0, 0}), cl);
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        {"repeat of the previous length first",
         [] {
             Stream s;
             s.dynamicRaw(true, 257, 1, {{16, 0}, {18, 127}, {18, 127}});
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        // Cut at the end, the repeat would leave a usable code.
        {"repeat past the last length",
         [] {
             Stream s;
             std::vector<std::pair<unsigned, unsigned>> sent;
             for (uint8_t n : fourSymbolLengths()) sent.push_back({n, 0});
             sent.push_back({1, 0});
             sent.push_back({16, 0});  // three more of 1, for one distance length left
             s.dynamicRaw(true, 258, 2, sent);
             return Built{s.withoutTrailer(), {}};
         },
         5, 9, F::kBadCodeLengths, 0, Zlib::kRejects},
        // The repeat runs on from the literal/length lengths into the distance lengths.
        {"repeat across into the distance lengths",
         [] {
             Stream s;
             // 97 zeros, 'a' 1, 158 zeros, 256 2, then 2 five times: 257 and distances 0-3.
             s.dynamicRaw(true, 258, 4, {{18, 86}, {1, 0}, {18, 127}, {18, 9}, {2, 0}, {16, 2}});
             std::vector<uint8_t> lit(258, 0);
             lit['a'] = 1;
             lit[256] = lit[257] = 2;
             s.lit = canonical(lit);
             s.dist = canonical({2, 2, 2, 2});
             s.literals("a");
             s.match(3, 1);
             s.end();
             return Built{s.withTrailer(bytesOf("aaaa")), bytesOf("aaaa")};
         },
         4, 0, F::kNone, 0, Zlib::kSame},
        {"287 literal/length codes", [] { return codeCounts(287, 30); }, 2, 0, F::kNone,
         kQuirkCodeCountsAbove286or30, Zlib::kRejects},
        {"31 distance codes", [] { return codeCounts(286, 31); }, 2, 0, F::kNone, kQuirkCodeCountsAbove286or30,
         Zlib::kRejects},
        {"288 literal/length and 32 distance codes", [] { return codeCounts(288, 32); }, 2, 0, F::kNone,
         kQuirkCodeCountsAbove286or30, Zlib::kRejects},

        // ---- what is never read ----
        {"header bytes not examined",
         [] {
             Built b = abcStored();
             b.stream[0] = b.stream[1] = 0;
             return b;
         },
         3, 0, F::kNone, 0, Zlib::kRejects},
        {"preset-dictionary flag not examined",
         [] {
             Built b = abcStored();
             b.stream[1] = 0x20 | (31 - (0x7820 % 31));
             return b;
         },
         3, 0, F::kNone, 0, Zlib::kRejects},
        {"Adler-32 not checked",
         [] {
             Built b = abcStored();
             std::fill(b.stream.end() - 4, b.stream.end(), 0);
             return b;
         },
         3, 0, F::kNone, 0, Zlib::kRejects},

        // ---- the end of the input ----
        {"empty input", [] { return Built{}; }, 3, 9, F::kInputExhausted, 0, Zlib::kRejects},
        {"header only", [] { return Built{{0x78, 0x01}, {}}; }, 3, 9, F::kInputExhausted, 0, Zlib::kRejects},
        // Header 3 bits, three 8-bit literals, and the 7-bit end code of which 2 bits are
        // cut off: matched against zeros, it still ends the stream.
        {"final end-of-block code cut off",
         [] {
             Stream s;
             s.fixed(true);
             s.literals("abc");
             s.end();
             Bytes stream = s.withoutTrailer();
             stream.pop_back();
             return Built{stream, bytesOf("abc")};
         },
         3, 0, F::kNone, kQuirkCodesPastInputEnd, Zlib::kRejects},
        // Header 3 bits, five 9-bit literals and the 8-bit code of symbol 280 fill 7 bytes;
        // its 4 extra bits lie past the end.
        {"extra bits past the end",
         [] {
             Stream s;
             s.fixed(true);
             s.literals("\xF0\xF1\xF2\xF3\xF4");
             s.symbol(280);
             return Built{s.withoutTrailer(), bytesOf("\xF0\xF1\xF2\xF3\xF4")};
         },
         100, 9, F::kInputExhausted, 0, Zlib::kRejects},
        // Header 3 bits, six 9-bit literals and the 7-bit end code fill 8 bytes; the next
        // block's header lies past the end.
        {"block header past the end",
         [] {
             Stream s;
             s.fixed(false);
             s.literals("\xF0\xF1\xF2\xF3\xF4\xF5");
             s.end();
             return Built{s.withoutTrailer(), bytesOf("\xF0\xF1\xF2\xF3\xF4\xF5")};
         },
         100, 9, F::kInputExhausted, 0, Zlib::kRejects},
        // The end code starts at bit 1126; a byte-at-a-time reader asks for the longest
        // code, 15 bits, and so has loaded bytes up to 143 (bit 1141). The stored block's
        // length fields start at byte 142, yet the five bytes are counted from byte 143:
        // 148 are needed, not 147.
        {"stored header counted from the longest code's reach, one byte short",
         [] { return Built{deepCodeThenEmptyStored(147), {}}; }, 0, -1, F::kStoredHeaderShort, 0, Zlib::kNotAsked},
        {"stored header counted from the longest code's reach",
         [] { return Built{deepCodeThenEmptyStored(148), {}}; }, 0, 0, F::kNone, 0, Zlib::kNotAsked},
        // The last code-length symbol starts at bit 122; the reader asked for 7 bits there
        // and so loaded bytes up to 17 (bit 129), beyond the end code's reach (byte 16). The
        // length fields start at byte 16; 22 bytes are needed, not 21.
        {"stored header counted from the last code-length symbol's reach, one byte short",
         [] { return Built{codeLengthReachThenEmptyStored(21), {}}; }, 0, -1, F::kStoredHeaderShort, 0,
         Zlib::kNotAsked},
        {"stored header counted from the last code-length symbol's reach",
         [] { return Built{codeLengthReachThenEmptyStored(22), {}}; }, 0, 0, F::kNone, 0, Zlib::kNotAsked},
        // The last distance code starts at bit 1193; the reader asked for 15 bits there and
        // so loaded bytes up to 151 (bit 1208), beyond the 2-bit end code's reach (byte
        // 150). The length fields start at byte 150; 156 bytes are needed, not 155.
        {"stored header counted from the last distance code's reach, one byte short",
         [] { return Built{farDistanceReachThenEmptyStored(155), bytesOf("aaaa")}; }, 4, -1,
         F::kStoredHeaderShort, 0, Zlib::kNotAsked},
        {"stored header counted from the last distance code's reach",
         [] { return Built{farDistanceReachThenEmptyStored(156), bytesOf("aaaa")}; }, 4, 0, F::kNone, 0,
         Zlib::kNotAsked},

        // ---- the end of the output ----
        {"literal past the end of the output",
         [] {
             Stream s;
             s.fixed(true);
             s.literals("abc");
             s.end();
             return Built{s.withTrailer(bytesOf("abc")), bytesOf("ab")};
         },
         2, 9, F::kOutputFull, 0, Zlib::kNotAsked},
        {"copy past the end of the output writes up to it",
         [] {
             Stream s;
             s.fixed(true);
             s.literals("xy");
             s.match(6, 2);
             s.end();
             return Built{s.withoutTrailer(), bytesOf("xyxyx")};
         },
         5, 9, F::kOutputFull, 0, Zlib::kNotAsked},
    };
    return cases;
}

TEST(InflateEdgeCases, HandMadeStreams) {
    for (const EdgeCase& c : edgeCases()) {
        SCOPED_TRACE(c.name);
        const Built b = c.build();
        const Decoded d = ours(b.stream, c.outputSize);
        EXPECT_EQ(d.result.status, c.status);
        EXPECT_EQ(int(d.result.fault), int(c.fault));
        EXPECT_EQ(d.result.quirks, c.quirks);
        // What was decoded before a failure stays; nothing else is touched.
        ASSERT_EQ(d.result.produced, b.output.size());
        EXPECT_TRUE(std::equal(b.output.begin(), b.output.end(), d.output.begin()));
        EXPECT_TRUE(std::all_of(d.output.begin() + ptrdiff_t(d.result.produced), d.output.end(),
                                [](uint8_t v) { return v == kUntouched; }));

        Bytes z;
        if (c.zlib == Zlib::kSame) {
            EXPECT_TRUE(zlibInflates(b.stream, c.outputSize, z) && z == b.output) << "zlib disagrees";
        } else if (c.zlib == Zlib::kRejects) {
            EXPECT_FALSE(zlibInflates(b.stream, c.outputSize, z)) << "zlib accepts";
        }
    }
}

TEST(InflatePositions, FinalBlockAndEndAreFoundToTheBit) {
    // Fixed-code blocks of one literal each: header, literal (8 bits), end of block (7 bits).
    const struct Case {
        const char* name;
        int blocks;
        bool storedFirst;  // an empty stored block first, which moves the rest to a byte boundary
    } cases[] = {{"one block", 1, false}, {"three blocks", 3, false}, {"after a stored block", 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitWriter w;
        w.byte(0x78);
        w.byte(0x01);
        if (c.storedFirst) {
            w.bits(0, 3);
            w.align();
            for (uint8_t b : {0x00, 0x00, 0xFF, 0xFF}) w.byte(b);
        }
        size_t finalBlock = 0;
        for (int b = 0; b < c.blocks; ++b) {
            const bool last = b + 1 == c.blocks;
            if (last) finalBlock = w.bitCount();
            w.bits(last ? 1 : 0, 1);
            w.bits(1, 2);
            w.code(0x30 + 'A' + unsigned(b), 8);
            w.code(0, 7);
        }
        const size_t end = w.bitCount();
        w.align();
        const Decoded d = ours(w.bytes(), size_t(c.blocks));
        ASSERT_TRUE(d.result.ok());
        EXPECT_EQ(d.result.finalBlockBit, finalBlock);
        EXPECT_EQ(d.result.endBit, end);
    }
}

}  // namespace
}  // namespace codecs
