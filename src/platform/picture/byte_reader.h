#pragma once
// Bounded little-endian reads over a reader's input. Every read checks its range first
// and refuses the picture ("<format>: data ends early") instead of reading past the end.

#include <cstdint>
#include <span>
#include <string>

#include "platform/picture/invalid_picture.h"

namespace picture::detail {

class ByteReader {
public:
    ByteReader(std::span<const uint8_t> data, const char* format) : data_(data), format_(format) {}

    size_t size() const { return data_.size(); }
    size_t position() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    bool has(uint64_t n) const { return n <= remaining(); }

    void seek(uint64_t offset) {
        if (offset > data_.size()) fail();
        pos_ = size_t(offset);
    }
    void skip(uint64_t n) {
        need(n);
        pos_ += size_t(n);
    }
    uint8_t u8() {
        need(1);
        return data_[pos_++];
    }
    uint16_t u16() {
        need(2);
        const uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint32_t u32() {
        need(4);
        const uint32_t v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
                           (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    // The next n bytes, consumed.
    std::span<const uint8_t> bytes(uint64_t n) {
        need(n);
        const auto out = data_.subspan(pos_, size_t(n));
        pos_ += size_t(n);
        return out;
    }

    [[noreturn]] void fail() const { refuse(std::string(format_) + ": data ends early"); }

private:
    void need(uint64_t n) const {
        if (n > remaining()) fail();
    }

    std::span<const uint8_t> data_;
    const char* format_;
    size_t pos_ = 0;
};

inline uint16_t le16(std::span<const uint8_t> d, size_t at) {
    return uint16_t(d[at] | (d[at + 1] << 8));
}
inline uint32_t le32(std::span<const uint8_t> d, size_t at) {
    return uint32_t(d[at]) | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) |
           (uint32_t(d[at + 3]) << 24);
}

}  // namespace picture::detail
