#pragma once
// GIFLZWEncoder: the GIF writer's (cGIFparser) own variable-length LZW compressor.
//
// Writes a GIF image's table-based data: the minimum code size byte, the codes packed
// least significant bit first into data sub-blocks of at most 254 bytes, and the block
// terminator. Codes start one bit wider than the minimum code size, widen as the
// dictionary grows and stop at 12 bits: when the next code would be 4096 a clear code is
// written and the dictionary starts again. The dictionary is an open-addressed hash of
// 5003 slots (a prime: the probe visits every slot) holding prefix code x 4096 + index.
//
// Speed: one hash probe per pixel in the common case, the codes going out through a 64-bit
// accumulator: as fast as giflib's EGifPutLine on a 12-megapixel photo's index plane
// (bench/gif_write).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/OutputBuffer.h"

namespace codecs {

class GIFLZWEncoder {
public:
    // Compresses the width x height indices of `plane` (rows of `width` bytes; bottomUp:
    // the top row is the last in memory) at the buffer's write position. Every index must
    // be below 2^minCodeSize; minCodeSize is 2 to 8. At least one pixel.
    void Encode(std::span<const uint8_t> plane, size_t width, size_t height, bool bottomUp,
                int minCodeSize, OutputBuffer& out);

private:
    static constexpr int kHashSlots = 5003;

    void WriteLZWCode(uint32_t code) { PutBits(code, codeWidth_); }
    void PutBits(uint32_t code, int width);
    void Flush();
    void EmitBlock();
    void ResetDictionary() { keys_.fill(-1); }

    std::array<int32_t, kHashSlots> keys_;   // -1: empty
    std::array<int32_t, kHashSlots> codes_;  // the code stored under each key
    uint64_t accumulator_ = 0;
    int bits_ = 0;       // held in the accumulator
    int codeWidth_ = 0;  // bits of the codes written now
    std::array<uint8_t, 255> block_;  // the length byte, then up to 254 data bytes
    int blockPosition_ = 1;
    OutputBuffer* out_ = nullptr;
};

}  // namespace codecs
