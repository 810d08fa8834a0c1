#pragma once
// BMP files crafted field by field for the reader and writer tests, and host pixels as
// a reference decoder's RGBA for comparing the two.

#include <cstdint>
#include <vector>

#include "image/image_support.h"
#include "platform/picture/oracles.h"
#include "support/little_endian.h"

namespace bmptest {

using imagetest::Px;

// A BMP of the given pixels (rows listed from the top). A negative height stores the
// rows top-down; a header longer than 40 bytes is padded with zeros (masks, colour space)
// and the rows follow it directly.
struct Crafted {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::vector<Px>> rows;  // top row first; 4 bytes per pixel at 32 bpp
    uint16_t bitCount = 32;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> masks;  // BI_BITFIELDS masks, written after a 40-byte header

    std::vector<uint8_t> bytes() const {
        using namespace testsupport;
        const size_t bytesPerPixel = bitCount / 8;
        const size_t rowBytes = (size_t(width) * bytesPerPixel + 3) / 4 * 4;
        const size_t rowCount = rows.size();
        const uint32_t offBits = 14 + headerSize + uint32_t(masks.size() * 4);
        std::vector<uint8_t> b;
        // BITMAPFILEHEADER (14 bytes)
        b.push_back('B');
        b.push_back('M');
        put32(b, uint32_t(offBits + rowBytes * rowCount));  // bfSize
        put32(b, 0);                                         // reserved
        put32(b, offBits);                                   // bfOffBits
        // BITMAPINFOHEADER (40 bytes) and whatever a longer header adds
        put32(b, headerSize);
        put32(b, uint32_t(width));
        put32(b, uint32_t(height));
        put16(b, 1);  // planes
        put16(b, bitCount);
        put32(b, compression);
        put32(b, uint32_t(rowBytes * rowCount));  // biSizeImage
        for (int i = 0; i < 4; ++i) put32(b, 0);  // resolution, colours used and important
        b.resize(14 + headerSize, 0);
        for (uint32_t m : masks) put32(b, m);
        for (size_t i = 0; i < rowCount; ++i) {
            const auto& row = rows[height < 0 ? i : rowCount - 1 - i];
            const size_t start = b.size();
            for (const Px& p : row) {
                b.push_back(p.b);
                b.push_back(p.g);
                b.push_back(p.r);
                if (bytesPerPixel == 4) b.push_back(p.a);
            }
            b.resize(start + rowBytes, 0);
        }
        return b;
    }
};

// The host's pixels (premultiplied, as held) top row first.
inline std::vector<std::vector<Px>> rowsOf(const cImage32& image) {
    std::vector<std::vector<Px>> rows(size_t(image.Height()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) rows[size_t(y)].push_back(imagetest::at(image, x, y));
    return rows;
}

// A reference decode premultiplied (colour x alpha \ 255), as a host holds it.
inline std::vector<std::vector<Px>> premultiplied(const picture::test::Rgba& rgba) {
    std::vector<std::vector<Px>> rows(size_t(rgba.height));
    for (int y = 0; y < rgba.height; ++y)
        for (int x = 0; x < rgba.width; ++x) {
            const uint8_t* p = rgba.at(x, y);
            const unsigned a = p[3];
            rows[size_t(y)].push_back(
                {uint8_t(p[2] * a / 255), uint8_t(p[1] * a / 255), uint8_t(p[0] * a / 255), p[3]});
        }
    return rows;
}

}  // namespace bmptest
