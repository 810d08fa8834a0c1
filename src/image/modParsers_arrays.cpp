// modParsers: scan-line arithmetic, byte order, views over foreign memory and the binary
// search of the colour writers.

#include <bit>

#include "image/cImage32.h"
#include "image/modParsers.h"

namespace modParsers {

int32_t DWordAlignedScanWidth(uint8_t bitCount, int32_t width) {
    const int64_t bits = int64_t{bitCount} * width;
    if (bits > 2147483616) runtime::raise(runtime::kErrOverflow);
    return int32_t(((bits + 31) & ~int64_t{31}) / 8);
}

int32_t SwapLongBytes(int32_t value) {
    return std::bit_cast<int32_t>(__builtin_bswap32(std::bit_cast<uint32_t>(value)));
}

int32_t FindInSortedLongArray(std::span<const int32_t> values, int32_t value, int32_t count,
                              bool& notFound) {
    notFound = true;
    if (count <= 0) return 1;
    if (size_t(count) >= values.size()) runtime::raise(runtime::kErrSubscriptOutOfRange);
    int32_t low = 1, high = count, middle = 1;
    while (low <= high) {
        middle = low + (high - low) / 2;
        if (values[size_t(middle)] == value) {
            notFound = false;
            return middle;
        }
        if (value < values[size_t(middle)]) high = middle - 1;
        else low = middle + 1;
    }
    return values[size_t(middle)] < value ? middle + 1 : middle;
}

std::span<uint8_t> OverlayByteArray(uint8_t* dataAddress, size_t countA) {
    if (!dataAddress) return {};
    return {dataAddress, countA};
}

ByteView2D OverlayByteArray(uint8_t* dataAddress, size_t countA, size_t countB) {
    return ByteView2D(dataAddress, countB, countA);
}

std::span<int32_t> OverlayLongArray(void* dataAddress, size_t countA) {
    if (!dataAddress) return {};
    return {static_cast<int32_t*>(dataAddress), countA};
}

LongView2D OverlayLongArray(void* dataAddress, size_t countA, size_t countB) {
    return LongView2D(static_cast<int32_t*>(dataAddress), countB, countA);
}

ByteView2D OverlayDIBBits(const cImage32& host) {
    if (!host.Handle()) return {};
    return ByteView2D(host.BitsPointer(), size_t(host.scanWidth()), size_t(host.Height()));
}

}  // namespace modParsers
