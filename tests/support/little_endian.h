#pragma once
// Little-endian fields for crafting files byte by byte in tests.

#include <cstdint>
#include <vector>

namespace testsupport {

inline void put8(std::vector<uint8_t>& b, uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
inline void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

}  // namespace testsupport
