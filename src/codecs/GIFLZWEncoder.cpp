#include "codecs/GIFLZWEncoder.h"

#include <cstring>

namespace codecs {

namespace {

constexpr int32_t kMaxCodes = 4096;   // 12-bit codes
constexpr size_t kBlockData = 254;    // data bytes of a full sub-block
// The hash's key shift: 4 doublings take the 5003 slots past 2^16, leaving 8 - 4 bits.
constexpr int kHashShift = 4;

constexpr uint32_t mask(int bits) { return (uint32_t{1} << bits) - 1; }

}  // namespace

void GIFLZWEncoder::Encode(std::span<const uint8_t> plane, size_t width, size_t height, bool bottomUp,
                           int minCodeSize, OutputBuffer& out) {
    out_ = &out;
    out.put(uint8_t(minCodeSize));
    const uint32_t clear = uint32_t{1} << minCodeSize, end = clear + 1;
    int32_t nextCode = int32_t(clear) + 2;
    codeWidth_ = minCodeSize + 1;
    int32_t maxCode = int32_t(mask(codeWidth_));
    accumulator_ = 0;
    bits_ = 0;
    blockPosition_ = 1;
    ResetDictionary();
    WriteLZWCode(clear);

    const auto row = [&](size_t y) { return plane.data() + (bottomUp ? height - 1 - y : y) * width; };
    int32_t prefix = row(0)[0];
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* pixels = row(y);
        for (size_t x = y == 0 ? 1 : 0; x < width; ++x) {
            const int32_t c = pixels[x];
            const int32_t key = (c << 12) + prefix;
            int32_t slot = (c << kHashShift) ^ prefix;
            if (keys_[size_t(slot)] == key) {
                prefix = codes_[size_t(slot)];
                continue;
            }
            if (keys_[size_t(slot)] >= 0) {
                const int32_t step = slot == 0 ? 1 : kHashSlots - slot;
                bool found = false;
                do {
                    slot -= step;
                    if (slot < 0) slot += kHashSlots;
                    if (keys_[size_t(slot)] == key) {
                        prefix = codes_[size_t(slot)];
                        found = true;
                        break;
                    }
                } while (keys_[size_t(slot)] >= 0);
                if (found) continue;
            }
            WriteLZWCode(uint32_t(prefix));
            prefix = c;
            keys_[size_t(slot)] = key;
            codes_[size_t(slot)] = nextCode;
            if (nextCode > maxCode) {
                if (nextCode == kMaxCodes) {
                    WriteLZWCode(clear);
                    ResetDictionary();
                    nextCode = int32_t(clear) + 1;
                    codeWidth_ = minCodeSize + 1;
                } else {
                    ++codeWidth_;
                }
                maxCode = int32_t(mask(codeWidth_));
            }
            ++nextCode;
        }
    }
    WriteLZWCode(uint32_t(prefix));
    WriteLZWCode(end);
    Flush();
    out.put(0);  // block terminator
    out_ = nullptr;
}

void GIFLZWEncoder::PutBits(uint32_t code, int width) {
    accumulator_ |= uint64_t{code} << bits_;
    bits_ += width;
    while (bits_ >= 8) {
        block_[size_t(blockPosition_)] = uint8_t(accumulator_);
        accumulator_ >>= 8;
        bits_ -= 8;
        if (size_t(blockPosition_) == kBlockData) EmitBlock();
        else ++blockPosition_;
    }
}

void GIFLZWEncoder::Flush() {
    // The last code's leftover bits, padded with zeros to a byte, may complete a sub-block.
    if (bits_ > 0) PutBits(0, 8 - bits_);
    if (blockPosition_ > 1) {
        --blockPosition_;  // now at the last data byte
        EmitBlock();
    }
}

// The sub-block whose last data byte is at the write position, with its length in front.
void GIFLZWEncoder::EmitBlock() {
    const size_t data = size_t(blockPosition_);
    block_[0] = uint8_t(data);
    out_->reserve(data + 1);
    std::memcpy(out_->cursor(), block_.data(), data + 1);
    out_->advance(data + 1);
    blockPosition_ = 1;
}

}  // namespace codecs
