// The DEFLATE decoder against zlib. The first byte chooses the road:
//   bit 7 clear: the rest is a zlib stream; zlib inflates it into a buffer of at most
//     64 KB and so do we. When zlib succeeds we must give the same bytes, and must also
//     succeed into a buffer of exactly that size and fail into one a byte smaller. When
//     zlib fails, the bytes both wrote must still agree, and we may succeed only through
//     a named tolerance (below).
//   bit 7 set: bytes 1 to 3 say what damage to do, the rest is data. zlib deflates the data
//     at the level (bits 0-3 of the first byte, modulo 10) and strategy (bits 4-6, modulo
//     5) chosen. Undamaged (byte 1 bits 0-1 clear), we must inflate it back exactly.
//     Otherwise the stream is cut (bit 0) and/or has a bit flipped (bit 1) at a place
//     taken from bytes 2 and 3, and is then compared with zlib as on the first road:
//     nearly valid streams reach the decoder's deeper paths far sooner than random ones.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>

#include "codecs/cPNGparser.h"

namespace {

constexpr size_t kCapacity = 64 * 1024;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "inflate_fuzz: %s\n", what);
    std::abort();
}

// Tolerances on the stream's wrapping, which the decoder never reads: a header zlib
// refuses (method, window size, check value, preset dictionary) and a trailer that is
// missing or does not match. Together with the decoder's own quirks (InflateQuirk) they
// are the only reasons we may accept what zlib refuses.
bool headerRefused(const uint8_t* s, size_t n) {
    if (n < 2) return true;
    const unsigned cmf = s[0], flg = s[1];
    return (cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (cmf * 256 + flg) % 31 != 0 || (flg & 0x20) != 0;
}

bool trailerRefused(const uint8_t* s, size_t n, const codecs::InflateResult& r, const uint8_t* out) {
    if (r.consumed + 4 > n) return true;
    const uLong a = adler32(adler32(0, nullptr, 0), out, uInt(r.produced));
    const uint8_t* t = s + r.consumed;
    const uLong stored = uLong(t[0]) << 24 | uLong(t[1]) << 16 | uLong(t[2]) << 8 | t[3];
    return a != stored;
}

void rawStream(const uint8_t* s, size_t n) {
    static std::vector<uint8_t> theirs(kCapacity), mine(kCapacity);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) fail("inflateInit");
    z.next_in = const_cast<Bytef*>(s);
    z.avail_in = uInt(n);
    z.next_out = theirs.data();
    z.avail_out = uInt(kCapacity);
    const int rc = inflate(&z, Z_FINISH);
    const size_t length = z.total_out;
    inflateEnd(&z);
    const codecs::InflateResult r = codecs::inflateZlibStream({s, n}, mine);

    if (rc == Z_STREAM_END) {
        if (!r.ok()) fail("zlib inflates a stream we refuse");
        if (r.produced != length || std::memcmp(mine.data(), theirs.data(), length) != 0)
            fail("different bytes from zlib");
        std::vector<uint8_t> exact(length);
        if (!codecs::inflateZlibStream({s, n}, exact).ok() ||
            (length && std::memcmp(exact.data(), theirs.data(), length) != 0))
            fail("refused into a buffer of the exact size");
        if (length > 0) {
            std::vector<uint8_t> small(length - 1);
            if (codecs::inflateZlibStream({s, n}, small).ok()) fail("succeeded into a buffer one byte short");
        }
        return;
    }
    // Up to where either decoder stopped, both decoded the same stream.
    const size_t common = std::min(length, r.produced);
    if (common && std::memcmp(mine.data(), theirs.data(), common) != 0) fail("different bytes before zlib stopped");
    if (r.ok() && r.quirks == 0 && !headerRefused(s, n) && !trailerRefused(s, n, r, mine.data()))
        fail("we accept a stream zlib refuses, for no named reason");
}

std::vector<uint8_t> deflateWithZlib(uint8_t flag, const uint8_t* data, size_t n) {
    const int level = (flag & 0x0F) % 10;
    static const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    const int strategy = strategies[((flag >> 4) & 7) % 5];
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy) != Z_OK) fail("deflateInit2");
    std::vector<uint8_t> stream(deflateBound(&z, uLong(n)) + 16);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(n);
    z.next_out = stream.data();
    z.avail_out = uInt(stream.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) fail("deflate");
    stream.resize(z.total_out);
    deflateEnd(&z);
    return stream;
}

void deflated(const uint8_t* input, size_t size) {
    if (size < 4) return;
    const uint8_t damage = input[1];
    const size_t place = input[2] | size_t{input[3]} << 8;
    const uint8_t* data = input + 4;
    const size_t n = size - 4;
    std::vector<uint8_t> stream = deflateWithZlib(input[0], data, n);

    if ((damage & 3) == 0) {
        std::vector<uint8_t> out(n);
        const codecs::InflateResult r = codecs::inflateZlibStream(stream, out);
        if (!r.ok() || r.produced != n || (n && std::memcmp(out.data(), data, n) != 0))
            fail("zlib's own stream does not inflate to its data");
        return;
    }
    if (damage & 2) stream[place * 7919 % stream.size()] ^= uint8_t(1u << (damage >> 5));
    // A buffer of exactly the stream's size, so that the sanitizer sees any read past it.
    const size_t kept = (damage & 1) ? place % (stream.size() + 1) : stream.size();
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[kept]);
    std::memcpy(exact.get(), stream.data(), kept);
    rawStream(exact.get(), kept);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if (data[0] & 0x80) deflated(data, size);
    else rawStream(data + 1, size - 1);
    return 0;
}
