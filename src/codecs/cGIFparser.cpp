#include "codecs/cGIFparser.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <exception>

#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"

namespace codecs {

namespace {

constexpr int64_t kScreenDescriptorEnd = 13;  // signature, logical screen descriptor
constexpr int64_t kScreenPacked = 10;
constexpr uint8_t kTableFlag = 0x80;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kApplicationLabel = 0xFF;
constexpr uint8_t kGraphicControlLabel = 0xF9;
// A graphic control extension of its standard length: introducer, label, block size 4,
// packed field, delay (2), transparent index, terminator.
constexpr int64_t kGraphicControlBytes = 8;
// From the image separator: left, top, width, height (2 bytes each), then the packed field.
constexpr int64_t kImageLeft = 1;
constexpr int64_t kImageWidth = 5;
constexpr int64_t kImagePacked = 9;
constexpr int kMaxLzwCodes = 4096;
constexpr uint32_t kOpaque = 0xFF000000u;

[[noreturn]] void outOfRange() { runtime::raise(runtime::kErrSubscriptOutOfRange); }

}  // namespace

bool cGIFparser::LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset,
                            int64_t streamLength) {
    // A range outside the caller's array is refused rather than raised: no reader may read
    // past the data it was given.
    if (streamOffset < 0 || streamLength < 0 || uint64_t(streamOffset) > inStream.size() ||
        uint64_t(streamLength) > inStream.size() - uint64_t(streamOffset))
        return false;
    view_ = inStream.subspan(size_t(streamOffset), size_t(streamLength));
    const bool result = ParseGIFStream(cHost);
    view_ = {};
    rebuilt_ = {};
    return result;
}

uint8_t cGIFparser::at(int64_t position) const {
    if (position < 0 || uint64_t(position) >= view_.size()) outOfRange();
    return view_[size_t(position)];
}

void cGIFparser::SkipGIFSubBlocks(int64_t& position) const {
    for (uint8_t n = at(position); n != 0; n = at(position)) position += int64_t{n} + 1;
    position += 1;
}

bool cGIFparser::ParseGIFStream(cImage32& cHost) {
    try {
        static constexpr char kVersions[2][7] = {"gif89a", "gif87a"};
        char signature[7] = {};
        for (int i = 0; i < 6; ++i) {
            const uint8_t c = at(i);
            signature[i] = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (!std::equal(signature, signature + 6, kVersions[0]) &&
            !std::equal(signature, signature + 6, kVersions[1]))
            return false;

        int64_t headerLength = kScreenDescriptorEnd;
        colourCount_ = 0;
        const uint8_t screenPacked = at(kScreenPacked);
        if (screenPacked & kTableFlag) {
            colourCount_ = 2 << (screenPacked & 7);
            headerLength += 3 * int64_t{colourCount_};
        }

        // The walk to the first image; the last graphic control extension before it counts.
        int32_t transparencyFlag = 0, transparentIndex = -1;
        int64_t controlPosition = 0;
        int64_t position = headerLength;
        for (;;) {
            const uint8_t block = at(position);
            if (block == 0x00) {
                ++position;
                continue;
            }
            if (block == kImageSeparator) break;
            if (block != kExtension) return false;
            const int64_t label = position + 1;
            switch (at(label)) {
            case kApplicationLabel:
                // Past the label, the block size byte and the fixed block it announces.
                position = label + at(label + 1) + 2;
                SkipGIFSubBlocks(position);
                break;
            case kGraphicControlLabel:
                // Taken to have its standard length (block size 4, then the terminator).
                transparencyFlag = at(label + 2) & 1;
                transparentIndex = transparencyFlag ? at(label + 5) : -1;
                controlPosition = position;
                position = label + 7;
                break;
            default:
                // Comment, plain text (its 12-byte header skipped as a sub-block), unknown.
                position = label + 1;
                SkipGIFSubBlocks(position);
                break;
            }
        }

        const int64_t separator = position;
        const uint8_t imagePacked = at(separator + kImagePacked);
        int64_t tablePosition = kScreenDescriptorEnd;
        bool localTable = false;
        position = separator + kImagePacked;
        if (imagePacked & kTableFlag) {
            colourCount_ = 2 << (imagePacked & 7);
            position += 3 * int64_t{colourCount_};
            localTable = true;
            tablePosition = separator + kImagePacked + 1;
        }
        const int64_t codeSizePosition = position + 1;
        position += 2;
        SkipGIFSubBlocks(position);
        const int64_t imageEnd = position;  // just past the terminator
        if (colourCount_ == 0) return false;

        // The platform loader draws what the data holds and leaves the rest; this reader
        // refuses data that does not hold the whole image.
        const uint64_t width = at(separator + kImageWidth) | at(separator + kImageWidth + 1) << 8;
        const uint64_t height = at(separator + kImageWidth + 2) | at(separator + kImageWidth + 3) << 8;
        const uint8_t minCodeSize = at(codeSizePosition);
        if (minCodeSize >= 1 && minCodeSize <= 8) MeasureGIFImageData(codeSizePosition, width * height);

        // The rebuilt stream: header and global table, the graphic control extension, the
        // image block, the trailer.
        const int64_t controlBytes = controlPosition ? kGraphicControlBytes : 0;
        if (controlPosition + controlBytes > separator) outOfRange();
        rebuilt_.clear();
        rebuilt_.reserve(size_t(headerLength + controlBytes + (imageEnd - separator) + 1));
        const auto copy = [&](int64_t from, int64_t count) {
            rebuilt_.insert(rebuilt_.end(), view_.begin() + from, view_.begin() + from + count);
        };
        copy(0, headerLength);
        if (controlBytes) copy(controlPosition, controlBytes);
        const size_t imageAt = rebuilt_.size();
        copy(separator, imageEnd - separator);
        rebuilt_.push_back(kTrailer);

        // The image at (0, 0) of a logical screen of its own size.
        std::fill_n(rebuilt_.begin() + ptrdiff_t(imageAt + kImageLeft), 4, uint8_t{0});
        std::copy_n(rebuilt_.begin() + ptrdiff_t(imageAt + kImageWidth), 4, rebuilt_.begin() + 6);
        if (transparencyFlag == 1) {
            // A grey ramp keeps every index of the table a colour of its own.
            const size_t table = localTable ? imageAt + size_t(kImagePacked) + 1 : size_t(kScreenDescriptorEnd);
            for (int32_t i = 0; i < colourCount_; ++i)
                std::fill_n(rebuilt_.begin() + ptrdiff_t(table + 3 * size_t(i)), 3, uint8_t(i));
        }
        return DecodeGIFToDIB(transparentIndex, tablePosition, cHost);
    } catch (const std::exception&) {
        cHost.DestroyDIB();
        return true;
    }
}

bool cGIFparser::DecodeGIFToDIB(int32_t transparentIndex, int64_t tablePosition, cImage32& cHost) {
    const picture::Picture picture = modParsers::ArrayToStdPicture(rebuilt_, 0, int64_t(rebuilt_.size()));
    rebuilt_ = {};
    if (!picture) return false;
    gdi::DIBSECTION section{};
    if (gdi::GetObject(picture.Handle(), sizeof(section), &section) != int(sizeof(section)) ||
        !section.dsBm.bmBits)
        return false;
    const gdi::BITMAP& bm = section.dsBm;
    const int bitsPerPixel = bm.bmBitsPixel;
    if (bitsPerPixel != 1 && bitsPerPixel != 2 && bitsPerPixel != 4 && bitsPerPixel != 8) outOfRange();
    const int32_t width = bm.bmWidth;
    const int32_t height = std::abs(bm.bmHeight);
    if (!cHost.InitializeDIB(width, height)) runtime::raise(runtime::kErrOutOfMemory);

    // Every index drawn through one table: the image's colours, opaque; the transparent
    // index (0, 0, 0, 0); an index beyond the table as index 0.
    std::array<uint32_t, 256> pixelOf{};
    const auto colour = [&](int64_t index) {
        const int64_t p = tablePosition + 3 * index;
        return uint32_t(at(p + 2)) | uint32_t(at(p + 1)) << 8 | uint32_t(at(p)) << 16 | kOpaque;
    };
    const uint32_t indexZero = transparentIndex == 0 ? 0 : colour(0);
    for (int32_t i = 0; i < 256; ++i)
        pixelOf[size_t(i)] = i == transparentIndex ? 0 : i < colourCount_ ? colour(i) : indexZero;

    const size_t stride = size_t(modParsers::DWordAlignedScanWidth(uint8_t(bitsPerPixel), width));
    const bool topDown = section.dsBmih.biHeight < 0;
    const auto* source = static_cast<const uint8_t*>(bm.bmBits);
    // The host's memory comes from the allocator, so it is aligned for 32-bit pixels.
    auto* out = reinterpret_cast<uint32_t*>(cHost.BitsPointer());
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (int32_t r = 0; r < height; ++r, out += width) {
        // Row r of the host (from the bottom) is row r of a bottom-up bitmap.
        const uint8_t* row = source + size_t(topDown ? height - 1 - r : r) * stride;
        if (bitsPerPixel == 8) {
            for (int32_t x = 0; x < width; ++x) out[x] = pixelOf[row[x]];
            continue;
        }
        // Indices from the most significant bits of each byte.
        int shift = 8 - bitsPerPixel;
        for (int32_t x = 0; x < width; ++x) {
            out[x] = pixelOf[(*row >> shift) & mask];
            if (shift != 0) {
                shift -= bitsPerPixel;
            } else {
                shift = 8 - bitsPerPixel;
                ++row;
            }
        }
    }
    cHost.Alpha(transparentIndex >= 0 ? cImage32::AlphaBinary : cImage32::AlphaOpaque);
    cHost.ImageType(cImage32::ImageTypeGIF);
    return true;
}

void cGIFparser::MeasureGIFImageData(int64_t position, uint64_t pixels) const {
    const int minCodeSize = at(position);
    const uint8_t* data = view_.data();
    const int64_t size = int64_t(view_.size());

    // Bits of the concatenated sub-blocks, least significant first.
    int64_t p = position + 1, blockEnd = p;
    bool dataEnded = false;
    uint64_t bits = 0;
    int bitCount = 0;
    const auto fill = [&](int wanted) {
        while (bitCount < wanted) {
            if (p == blockEnd) {
                if (dataEnded || p >= size || data[p] == 0) {
                    dataEnded = true;
                    return false;
                }
                blockEnd = p + 1 + data[p];
                ++p;
                if (blockEnd > size) outOfRange();
            }
            bits |= uint64_t(data[p++]) << bitCount;
            bitCount += 8;
        }
        return true;
    };

    // Only the length of each code's string is kept: enough to count the indices.
    std::array<uint16_t, kMaxLzwCodes> length;
    const int clear = 1 << minCodeSize, end = clear + 1;
    for (int c = 0; c < clear; ++c) length[size_t(c)] = 1;
    int codeSize = minCodeSize + 1, next = clear + 2, previous = -1;
    uint64_t produced = 0;
    while (fill(codeSize)) {
        const int code = int(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;
        if (code == end) break;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear) outOfRange();  // only a literal can follow a clear code
            produced += 1;
        } else {
            if (code > next || (code == next && next >= kMaxLzwCodes)) outOfRange();
            if (next < kMaxLzwCodes) {
                length[size_t(next)] = uint16_t(length[size_t(previous)] + 1);
                ++next;
            }
            produced += length[size_t(code)];
        }
        previous = code;
        // Widened as the platform's decoder (and giflib) widen: once the next free code no
        // longer fits, checked after every code.
        if (next >= (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    if (produced < pixels) outOfRange();
}

}  // namespace codecs
