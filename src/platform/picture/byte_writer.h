#pragma once
// Little-endian fields appended to a byte buffer, for the files the picture and gdiplus
// layers write and the inputs that tests and fuzz targets craft.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picture::detail {

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Overwrites the four bytes at `at` (within out) with v, for a size known only at the end.
inline void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace picture::detail
