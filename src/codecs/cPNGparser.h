#pragma once
// cPNGparser, the PNG reader. So far this unit holds its own DEFLATE decoder, which the
// reader falls back on when zlib is missing or refuses the image data.
//
// The decoder inflates one whole zlib stream (RFC 1950 wrapping RFC 1951) in one call into a
// buffer the caller has sized to the bytes it expects. It supports stored, fixed and dynamic
// blocks and back references anywhere into the output (the output is the window: no 32 KB
// limit and no copy of history).
//
// What it does not do: it skips the two header bytes unread (method, window size, check
// value and preset-dictionary flag are never examined), reads no preset dictionary and
// neither reads nor checks the Adler-32 trailer. It does not check that the output was
// filled: a stream that ends early succeeds and leaves the rest of the buffer as it was.
//
// Speed: table-driven (one lookup per code, subtables for long codes, a 64-bit bit buffer,
// word-sized match copies). Measured in bench/inflate: 1.3 to 1.6 times as fast as zlib
// 1.2.13's uncompress on the corpus photos' image data and 1.8 times on 64 MB of mixed data
// deflated at level 6; libdeflate 1.14 is about 1.4 times as fast again.

#include <cstddef>
#include <cstdint>
#include <span>

namespace codecs {

// Why a stream was refused, finer than the status the reader acts on.
enum class InflateFault : uint8_t {
    kNone,
    kInputExhausted,        // bits beyond the end of the input were needed
    kOutputFull,            // a literal or a copy would write past the expected size
    kDistanceTooFar,        // a copy would start before the first output byte
    kNoMatchingCode,        // the next bits match no code of the block
    kBadCodeLengths,        // over-subscribed or incomplete codes, a bad repeat
    kInvalidBlockType,      // block type 3
    kStoredHeaderShort,     // fewer than five bytes left at a stored block's length fields
    kStoredLengthMismatch,  // LEN is not the ones' complement of NLEN
    kStoredInputShort,      // stored data beyond the input
    kStoredOutputFull,      // stored data beyond the expected size
};

// Tolerances for malformed streams that zlib refuses but this decoder accepts; each is a
// deliberate choice. A result reports the ones its stream relied on.
enum InflateQuirk : uint32_t {
    // Literal/length symbols 286 and 287 mean length 0: a distance is still decoded (it may
    // point anywhere), nothing is copied.
    kQuirkLengthSymbol286or287 = 1u << 0,
    // Distance codes 30 and 31 mean 32769 and 49153 plus 14 extra bits.
    kQuirkDistanceCode30or31 = 1u << 1,
    // A dynamic block may declare up to 288 literal/length and 32 distance codes.
    kQuirkCodeCountsAbove286or30 = 1u << 2,
    // Past the end of the input, Huffman codes are matched against zero bits; only
    // extra bits and header fields fail there. A stream cut inside its final
    // end-of-block code still succeeds.
    kQuirkCodesPastInputEnd = 1u << 3,
};

struct InflateResult {
    // 0 success; -1 stored block out of bounds or block type 3; -2 LEN/NLEN mismatch;
    // 9 unusable codes or any out-of-range access (runtime::kErrSubscriptOutOfRange).
    int32_t status = 0;
    InflateFault fault = InflateFault::kNone;
    uint32_t quirks = 0;   // InflateQuirk bits
    size_t produced = 0;   // output bytes written (those written before a failure stay)
    size_t consumed = 0;   // on success, input bytes up to the end of the final block
    bool ok() const noexcept { return status == 0; }
};

// Inflates the zlib stream in `input` into `output`, whose size is the number of bytes
// expected. The input is read up to the end of the final block and never beyond
// input.size(); bytes after the stream (a PNG reader's zero tail, the trailer) are ignored.
// Nothing is allocated on the heap.
InflateResult inflateZlibStream(std::span<const uint8_t> input, std::span<uint8_t> output);

class cPNGparser {
    // The reader's public members (LoadStream, LoadFile) join this class with the reader.

private:
    // Inflates `input` (the whole array: the gathered image data and its zero tail) into the
    // first `outputSize` bytes of `output`; true when the stream decoded without a failure.
    bool Inflate(std::span<uint8_t> output, std::span<const uint8_t> input, int32_t outputSize);
};

}  // namespace codecs
