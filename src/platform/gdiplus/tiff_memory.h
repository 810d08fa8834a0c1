#pragma once
// libtiff over memory: reading the caller's bytes in place, or writing into a buffer.
// libtiff's messages are swallowed (a hostile file is refused by its status, not logged),
// and one allocation is capped, so a forged tag count cannot ask for gigabytes.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include <tiffio.h>

namespace gdiplus::detail {

struct TiffCloser {
    void operator()(TIFF* tif) const;
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// The memory file behind one open TIFF; it must outlive the TIFF.
struct TiffMemory {
    std::span<const uint8_t> input;
    std::vector<uint8_t>* output = nullptr;
    uint64_t position = 0;
};

TiffPtr openTiffForReading(TiffMemory& memory);
TiffPtr openTiffForWriting(TiffMemory& memory);

}  // namespace gdiplus::detail
