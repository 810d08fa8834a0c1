#pragma once
// Icon and cursor files crafted entry by entry in tests.

#include <cstdint>
#include <optional>
#include <vector>

#include "support/little_endian.h"

namespace testsupport {

struct IconEntry {
    uint8_t width = 2, height = 2;  // 0 stands for 256
    uint16_t bitCount = 0;          // the directory's
    std::vector<uint8_t> data;      // a bitmap entry's header and bits, or a whole PNG file
    std::optional<uint32_t> size, offset;  // as the directory states them, when not the data's
};

// The directory (type 1 an icon, 2 a cursor), then the entries' data in order.
inline std::vector<uint8_t> icoFile(const std::vector<IconEntry>& entries, uint16_t type = 1) {
    std::vector<uint8_t> b;
    // Directory header (6 bytes), then 16 bytes per entry.
    put16(b, 0);
    put16(b, type);
    put16(b, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const IconEntry& e : entries) {
        put8(b, e.width);
        put8(b, e.height);
        put8(b, 0);   // colour count
        put8(b, 0);   // reserved
        put16(b, 1);  // planes (a cursor's hotspot x)
        put16(b, e.bitCount);
        put32(b, e.size.value_or(uint32_t(e.data.size())));
        put32(b, e.offset.value_or(offset));
        offset += uint32_t(e.data.size());
    }
    for (const IconEntry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

}  // namespace testsupport
