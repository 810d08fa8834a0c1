#pragma once
// Pixel buffers and their formats: the storage of every bitmap, and views over DIB
// memory that callers hand in. Rows are addressed top to bottom whatever the order
// in memory; a "raw" value is a pixel as the format stores it (palette index, packed
// 16-bit value, 0x00RRGGBB for 24 bpp, 0xAARRGGBB for 32 bpp), a "BGRA" value is
// 0xAARRGGBB with alpha 0 for every format but 32 bpp.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi::detail {

constexpr int64_t kMaxImageBytes = 0x7FFFFFFF;

// Bytes of one row, rounded up to alignBytes (4 for DIBs, 2 for device bitmaps).
constexpr int64_t rowBytes(int64_t width, int bpp, int alignBytes) {
    const int64_t bits = width * bpp;
    const int64_t alignBits = int64_t{alignBytes} * 8;
    return (bits + alignBits - 1) / alignBits * alignBytes;
}

struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

struct Surface {
    int width = 0;
    int height = 0;
    int bpp = 0;
    int64_t stride = 0;
    uint8_t* base = nullptr;  // lowest address (bmBits)
    uint8_t* top = nullptr;   // first byte of the top row
    ptrdiff_t step = 0;       // from a row to the one below it
    std::vector<RGBQUAD> colors;        // <= 8 bpp
    std::array<ChannelMask, 3> masks{};  // 16 bpp: red, green, blue
    // A 1-bpp surface whose table is exactly black, white: blits to and from it follow
    // the text/background colour rules instead of the colour table.
    bool mono = false;

    uint8_t* row(int y) const { return top + static_cast<ptrdiff_t>(y) * step; }
    bool contains(int64_t x, int64_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
};

// Points the row addressing at memory of `stride` bytes per row, bottom-up or top-down.
void attachMemory(Surface& s, uint8_t* memory, bool topDown);
// Derives shift and width of each 16-bpp mask; false unless each is a contiguous run
// of 1 to 8 bits and they do not overlap.
bool setMasks(Surface& s, uint32_t red, uint32_t green, uint32_t blue);
// Marks the surface monochrome when it is 1 bpp with a black, white table.
void updateMono(Surface& s);
std::vector<RGBQUAD> blackWhiteTable();

bool sameFormat(const Surface& a, const Surface& b);
// Raw bits that carry colour (the alpha byte and 16-bpp spare bits excluded).
uint32_t colorBits(const Surface& s);

void readRaw(const Surface& s, int y, int x, int n, uint32_t* out);
void writeRaw(Surface& s, int y, int x, int n, const uint32_t* in);
uint32_t readPixel(const Surface& s, int x, int y);
void writePixel(Surface& s, int x, int y, uint32_t raw);

uint32_t rawToBgra(const Surface& s, uint32_t raw);
void rawRowToBgra(const Surface& s, const uint32_t* raw, int n, uint32_t* out);

constexpr uint32_t colorrefToBgra(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF bgraToColorref(uint32_t v) {
    return ((v >> 16) & 0xFFu) | (v & 0xFF00u) | ((v & 0xFFu) << 16);
}

// Index of the table entry nearest to the colour (squared RGB distance; the lowest
// index wins a tie).
int nearestIndex(const std::vector<RGBQUAD>& table, uint32_t bgra);

// BGRA to the raw value of a surface: nearest palette entry for <= 8 bpp, nearest
// 16-bit level, colour bytes for 24 bpp, all four bytes for 32 bpp. Remembers recent
// palette look-ups, since a true-colour to indexed blit asks for the same colours often.
class ColorMatcher {
public:
    explicit ColorMatcher(const Surface& target);
    uint32_t operator()(uint32_t bgra);

private:
    const Surface* target_;
    std::vector<uint64_t> cache_;  // (bgra << 8 | index) + 1; 0 = empty
    int lookups_ = 0;
};

}  // namespace gdi::detail
