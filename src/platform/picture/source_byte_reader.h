#pragma once
// ByteReader's reads over a byte source (a file, a record's stored bytes) instead of bytes
// in memory: a reader that takes either reads the source piece by piece, so a picture's
// rows can go from it straight into its bitmap without the whole source being held first.
// A span it hands out stays valid until the next read.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/picture/byte_reader.h"
#include "platform/picture/picture.h"

namespace picture::detail {

class SourceByteReader {
public:
    SourceByteReader(ByteSource& source, const char* format)
        : source_(source), size_(source.size()), format_(format) {}

    uint64_t size() const { return size_; }
    uint64_t position() const { return pos_; }
    uint64_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    bool has(uint64_t n) const { return n <= remaining(); }

    void seek(uint64_t offset) {
        if (offset > size_) fail();
        pos_ = offset;
    }
    void skip(uint64_t n) {
        if (n > remaining()) fail();
        pos_ += n;
    }
    uint8_t u8() { return bytes(1)[0]; }
    uint16_t u16() { return le16(bytes(2), 0); }
    uint32_t u32() { return le32(bytes(4), 0); }
    int32_t i32() { return int32_t(u32()); }
    std::span<const uint8_t> bytes(uint64_t n);

    [[noreturn]] void fail() const { refuse(std::string(format_) + ": data ends early"); }

private:
    ByteSource& source_;
    const uint64_t size_;
    const char* format_;
    uint64_t pos_ = 0;
    // The source's bytes from windowStart_ on.
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
};

}  // namespace picture::detail
