#include "platform/sys/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Huge pages back only whole, aligned 2 MiB ranges; each block goes back the way it came
// (the sanitizer reports a block released as the other kind).
TEST(Blocks, WholeHugePagesAreAlignedToThemAndEverySizeIsWritable) {
    for (size_t bytes : {size_t{1}, size_t{16} << 10, sys::kHugePageBytes - 1, sys::kHugePageBytes,
                         3 * sys::kHugePageBytes}) {
        auto* block = static_cast<uint8_t*>(sys::allocateBlock(bytes));
        std::memset(block, 0xA5, bytes);
        if (bytes % sys::kHugePageBytes == 0) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % sys::kHugePageBytes, 0u) << bytes;
        }
        EXPECT_EQ(block[bytes - 1], 0xA5);
        sys::releaseBlock(block, bytes);
    }

    std::vector<int64_t, sys::BlockAllocator<int64_t>> values;
    values.reserve(sys::kHugePageBytes / sizeof(int64_t));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(values.data()) % sys::kHugePageBytes, 0u);
    for (int64_t i = 0; i < 300000; ++i) values.push_back(i);  // grows past it into ordinary sizes
    EXPECT_EQ(values[299999], 299999);
}

}  // namespace
