#pragma once
// Picture files of noise for tests that need pictures of a given size: every pixel
// different from its neighbours, so a misplaced row or column shows.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/little_endian.h"

namespace testsupport {

inline uint8_t noiseByte(uint32_t& state) { return uint8_t((state = state * 1664525u + 1013904223u) >> 24); }

// A 24-bit BMP with a 40-byte header, bottom-up or top-down.
inline std::vector<uint8_t> noiseBmp24(int width, int height, bool topDown, uint32_t seed) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) / 4 * 4, pixelBytes = stride * uint32_t(height);
    std::vector<uint8_t> b{'B', 'M'};
    put32(b, 54 + pixelBytes);  // file size
    put32(b, 0);
    put32(b, 54);  // offset of the pixels
    put32(b, 40);  // BITMAPINFOHEADER
    put32(b, uint32_t(width));
    put32(b, uint32_t(topDown ? -height : height));
    put16(b, 1);   // planes
    put16(b, 24);  // bits per pixel
    put32(b, 0);   // BI_RGB
    put32(b, pixelBytes);
    for (int i = 0; i < 4; ++i) put32(b, 0);  // resolution, colours used and important
    for (uint32_t i = 0; i < pixelBytes; ++i) b.push_back(noiseByte(seed));
    return b;
}

// A run-length 32-bit TGA (image type 10), rows from the bottom: runs of 1 to 128 equal
// pixels and raw packets of noise in turn, crossing rows; alpha varies from 0 to 255.
inline std::vector<uint8_t> noiseTgaRle32(int width, int height, uint32_t seed) {
    std::vector<uint8_t> b;
    put8(b, 0), put8(b, 0), put8(b, 10);  // no id, no colour map, run-length true colour
    for (int i = 0; i < 5; ++i) put8(b, 0);  // colour map: first entry, length, entry size
    put16(b, 0), put16(b, 0), put16(b, uint32_t(width)), put16(b, uint32_t(height));
    put8(b, 32), put8(b, 8);  // 32 bits a pixel, 8 of them alpha, bottom-up
    auto pixel = [&] {
        for (int i = 0; i < 4; ++i) b.push_back(noiseByte(seed));
    };
    for (int64_t left = int64_t(width) * height; left > 0;) {
        const int n = int(std::min<int64_t>(left, 1 + noiseByte(seed) % 128));
        if (noiseByte(seed) & 1) {
            put8(b, 0x80 | (n - 1));
            pixel();
        } else {
            put8(b, n - 1);
            for (int i = 0; i < n; ++i) pixel();
        }
        left -= n;
    }
    return b;
}

}  // namespace testsupport
