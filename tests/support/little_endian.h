#pragma once
// Little-endian fields for crafting files byte by byte in tests.

#include <cstdint>
#include <vector>

#include "platform/picture/byte_writer.h"

namespace testsupport {

inline void put8(std::vector<uint8_t>& b, uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
using picture::detail::put16;
using picture::detail::put32;

}  // namespace testsupport
