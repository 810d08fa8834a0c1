#pragma once
// The size limits every reader checks before it allocates: a picture of at most 2^28
// pixels (16384 x 16384) (lowered for fuzzing through picture::testing::setPixelLimit) and a DIB of at
// most 2^31 - 1 bytes.

#include <cstdint>

namespace picture::detail {

constexpr int64_t kDefaultPixelLimit = int64_t{1} << 28;
constexpr int64_t kMaxDibBytes = 0x7FFFFFFF;

int64_t pixelLimit();

// Bytes of one DIB row: padded to a multiple of 4.
constexpr int64_t dibStride(int64_t width, int bpp) { return (width * bpp + 31) / 32 * 4; }

// Refuses ("<format>: <w>x<h> is too large") a picture the limits do not allow, or one
// with a side below 1.
void checkPictureSize(const char* format, int64_t width, int64_t height, int bpp);

}  // namespace picture::detail
