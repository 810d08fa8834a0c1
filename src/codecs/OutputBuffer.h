#pragma once
// OutputBuffer: an encoded file being assembled in memory, with its write position, for
// the writers that build the whole file before one write (JPEG, GIF). It starts at the size
// the writer estimates and grows by half when that falls short, so no valid image fails
// for want of room and growing never costs more than a copy or two of the file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/LargeBuffer.h"

namespace codecs {

class OutputBuffer {
public:
    explicit OutputBuffer(size_t capacity = 0);

    void put(uint8_t byte) {
        if (position_ == bytes_.size()) grow(1);
        bytes_.data()[position_++] = byte;
    }
    void put16(uint32_t value) {  // big-endian, as every JPEG field
        put(uint8_t(value >> 8));
        put(uint8_t(value));
    }
    void put16le(uint32_t value) {  // little-endian, as every GIF field
        put(uint8_t(value));
        put(uint8_t(value >> 8));
    }
    // Overwrites two bytes already written (a segment's length, known at its end).
    void patch16(size_t at, uint32_t value) {
        bytes_.data()[at] = uint8_t(value >> 8);
        bytes_.data()[at + 1] = uint8_t(value);
    }
    // Makes room for `more` bytes past the write position.
    void reserve(size_t more) {
        if (bytes_.size() - position_ < more) grow(more);
    }
    // Unchecked: the caller has reserved room.
    uint8_t* cursor() { return bytes_.data() + position_; }
    void advance(size_t count) { position_ += count; }

    size_t position() const { return position_; }
    size_t capacity() const { return bytes_.size(); }
    std::span<const uint8_t> written() const { return {bytes_.data(), position_}; }

private:
    void grow(size_t more);

    LargeBuffer bytes_;
    size_t position_ = 0;
};

}  // namespace codecs
