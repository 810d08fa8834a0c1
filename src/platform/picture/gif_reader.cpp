// GIF 87a and 89a: the first image, as an 8-bpp bottom-up DIB section whose pixel values
// are the colour indices. Its colour table has 256 entries: the image's local table, else
// the global one, followed by black, so that no index reads past the table.
//
// The picture is the logical screen with the image at its offset. An image that reaches
// past the screen (or a screen of width or height 0) grows the picture to hold the whole
// image, so nothing of it is cut off; an image whose size and offset match the screen
// (the image class's GIF reader rebuilds its streams that way) is the picture exactly.
// Pixels outside the image and pixels the data never reaches are the transparent index
// when the graphic control extension before the image sets one, else the background
// index of the logical screen (0 without a global table).
//
// The signature is compared without regard to case; zero bytes between blocks are
// skipped. Refused: another signature, an unknown block, a trailer or the end of the data
// before an image, no colour table at all, an LZW minimum code size outside 1 to 8, a
// picture beyond the limits, and LZW data too short to describe the image even if every
// code stood for the longest string it can (mostLzwIndices). Data long enough for that is
// decoded leniently (lzw_decoder.h): the pixels it does not reach keep the fill.

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture/byte_reader.h"
#include "platform/picture/dib_builder.h"
#include "platform/picture/limits.h"
#include "platform/picture/lzw_decoder.h"
#include "platform/picture/picture_object.h"
#include "platform/picture/readers.h"

namespace picture::detail {

namespace {

constexpr char kFormat[] = "GIF";

[[noreturn]] void refuseGif(const std::string& why) { refuse(std::string(kFormat) + ": " + why); }

// A colour table of 2^(n + 1) entries follows when bit 7 of the packed field is set.
std::optional<std::span<const uint8_t>> readTable(ByteReader& r, uint8_t packed) {
    if (!(packed & 0x80)) return std::nullopt;
    const uint64_t entries = uint64_t{2} << (packed & 7);
    return r.bytes(entries * 3);
}

void skipSubBlocks(ByteReader& r) {
    for (uint8_t n = r.u8(); n != 0; n = r.u8()) r.skip(n);
}

// Image rows in the order the data holds them: straight, or the four interlace passes.
std::vector<int64_t> rowOrder(int64_t height, bool interlaced) {
    std::vector<int64_t> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int64_t y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int64_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    return order;
}

}  // namespace

Picture readGif(std::span<const uint8_t> data) {
    ByteReader r(data, kFormat);
    std::string signature;
    for (uint8_t c : r.bytes(6)) signature += char(std::tolower(c));
    if (signature != "gif87a" && signature != "gif89a") refuseGif("unknown signature");

    const int64_t screenWidth = r.u16(), screenHeight = r.u16();
    const uint8_t screenPacked = r.u8(), background = r.u8();
    r.skip(1);  // aspect ratio
    const auto globalTable = readTable(r, screenPacked);

    std::optional<int> transparent;
    for (;;) {
        if (r.atEnd()) refuseGif("no image");
        const uint8_t block = r.u8();
        if (block == 0x2C) break;
        if (block == 0x00) continue;
        if (block == 0x3B) refuseGif("no image before the trailer");
        if (block != 0x21) refuseGif("unknown block");
        const uint8_t label = r.u8();
        if (label == 0xF9) {
            // Graphic control extension: one sub-block of (at least) 4 bytes; the last one
            // before the image counts.
            const uint8_t n = r.u8();
            if (n >= 4) {
                const auto gce = r.bytes(n);
                transparent = (gce[0] & 1) ? std::optional<int>(gce[3]) : std::nullopt;
            } else {
                r.skip(n);
            }
            if (n != 0) skipSubBlocks(r);
            continue;
        }
        skipSubBlocks(r);
    }

    const int64_t left = r.u16(), top = r.u16(), width = r.u16(), height = r.u16();
    const bool screenHoldsImage = screenWidth > 0 && screenHeight > 0 &&
                                  left + width <= screenWidth && top + height <= screenHeight;
    const int64_t canvasWidth = screenHoldsImage ? screenWidth : std::max(screenWidth, left + width);
    const int64_t canvasHeight = screenHoldsImage ? screenHeight : std::max(screenHeight, top + height);
    checkPictureSize(kFormat, canvasWidth, canvasHeight, 8);

    const uint8_t imagePacked = r.u8();
    const auto localTable = readTable(r, imagePacked);
    const auto table = localTable ? localTable : globalTable;
    if (!table) refuseGif("no colour table");
    const int minCodeSize = r.u8();
    if (minCodeSize < 1 || minCodeSize > 8)
        refuseGif("LZW minimum code size " + std::to_string(minCodeSize));

    // Every code stands for a bounded number of indices: data too short for the image
    // even so is refused before anything is sized for it.
    const std::span<const uint8_t> lzwData = data.subspan(r.position());
    if (uint64_t(width) * uint64_t(height) > mostLzwIndices(lzwData, minCodeSize))
        refuseGif("LZW data too short for a " + std::to_string(width) + "x" + std::to_string(height) + " image");

    std::array<gdi::RGBQUAD, 256> colors{};
    for (size_t i = 0; i < table->size() / 3 && i < colors.size(); ++i)
        colors[i] = {(*table)[i * 3 + 2], (*table)[i * 3 + 1], (*table)[i * 3], 0};

    DibBuilder dib(kFormat, canvasWidth, canvasHeight, 8, colors);
    const uint8_t fill = transparent ? uint8_t(*transparent) : globalTable ? background : uint8_t(0);
    if (fill != 0)
        for (int64_t y = 0; y < canvasHeight; ++y)
            std::fill_n(dib.rowFromTop(y), canvasWidth, fill);

    if (width > 0 && height > 0) {
        // Straight into the image's rows; the pixels the data never reaches keep the fill.
        const auto order = rowOrder(height, (imagePacked & 0x40) != 0);
        decodeLzwRows(lzwData, minCodeSize, size_t(height), size_t(width),
                      [&](size_t k) { return dib.rowFromTop(top + order[k]) + left; });
    }
    return makePicture(kPicTypeBitmap, dib.release(), true, transparent);
}

}  // namespace picture::detail
