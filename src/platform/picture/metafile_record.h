#pragma once
// One record of a metafile: bounded little-endian reads at offsets within the record.
// A read past the record's end stops playback, so no parameter is ever read from the
// next record or past the file.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "platform/picture/playback_state.h"

namespace picture::detail {

class MetafileRecord {
public:
    MetafileRecord(std::span<const uint8_t> bytes, uint32_t type) : bytes_(bytes), type_(type) {}

    uint32_t type() const { return type_; }
    size_t size() const { return bytes_.size(); }
    std::span<const uint8_t> bytes() const { return bytes_; }

    uint16_t u16(size_t at) const {
        need(at, 2);
        return uint16_t(bytes_[at] | (bytes_[at + 1] << 8));
    }
    int16_t i16(size_t at) const { return int16_t(u16(at)); }
    uint32_t u32(size_t at) const {
        need(at, 4);
        return uint32_t(bytes_[at]) | (uint32_t(bytes_[at + 1]) << 8) | (uint32_t(bytes_[at + 2]) << 16) |
               (uint32_t(bytes_[at + 3]) << 24);
    }
    int32_t i32(size_t at) const { return int32_t(u32(at)); }
    float f32(size_t at) const {
        const uint32_t v = u32(at);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    // n bytes from `at`, all within the record.
    std::span<const uint8_t> span(uint64_t at, uint64_t n) const {
        need(at, n);
        return bytes_.subspan(size_t(at), size_t(n));
    }
    // Whether n items of `itemBytes` each fit from `at` on.
    bool holds(uint64_t at, uint64_t n, uint64_t itemBytes) const {
        return at <= bytes_.size() && n <= (bytes_.size() - at) / itemBytes;
    }
    void need(uint64_t at, uint64_t n) const {
        if (at > bytes_.size() || n > bytes_.size() - at)
            stopPlayback("record " + std::to_string(type_) + " is shorter than its contents");
    }

private:
    std::span<const uint8_t> bytes_;
    uint32_t type_;
};

}  // namespace picture::detail
