#include "codecs/cTGAparser.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <type_traits>
#include <vector>

#include "codecs/TGAFormat.h"
#include "image/cImage32.h"
#include "image/modParsers.h"

namespace codecs {

namespace {

using namespace tga;

// The footer is looked for in the last 22 bytes, the extension area's position in the last 29.
constexpr size_t kFooterWindow = 22;
constexpr size_t kExtensionWindow = 29;

// Descriptor bits of the origin.
constexpr uint8_t kTopFirst = 0x20;
constexpr uint8_t kRightToLeft = 0x10;

constexpr uint32_t kOpaque = 0xFF000000u;

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return b | g << 8 | r << 16 | a << 24; }

// Where "TRUEVISION-XFILE." begins within the last `window` bytes (ASCII letters compared
// without regard to case), or -1.
int64_t findSignature(std::span<const uint8_t> data, size_t window) {
    window = std::min(window, data.size());
    for (size_t at = data.size() - window; at + kSignatureLength <= data.size(); ++at) {
        size_t i = 0;
        for (; i < kSignatureLength; ++i) {
            uint8_t c = data[at + i];
            if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
            if (c != uint8_t(kSignature[i])) break;
        }
        if (i == kSignatureLength) return int64_t(at);
    }
    return -1;
}

bool isColourMapped(uint8_t imageType) { return imageType == 1 || imageType == 9; }
bool isRunLength(uint8_t imageType) { return imageType >= 9; }
bool isGrey(uint8_t imageType) { return imageType == 3 || imageType == 11; }

// Stored pixels to BGRA, straight. Pixels of formats without alpha are written opaque
// straight away: the classification would turn their all-zero alpha into 255 anyway.
struct Grey8 {
    static constexpr size_t kBytes = 1;
    uint32_t operator()(const uint8_t* p) const { return p[0] * 0x010101u | kOpaque; }
};
// The grey byte, then its alpha.
struct GreyAlpha16 {
    static constexpr size_t kBytes = 2;
    uint32_t operator()(const uint8_t* p) const { return p[0] * 0x010101u | uint32_t(p[1]) << 24; }
};
// x-R5-G5-B5, little-endian; the top bit is the attribute (alpha) bit.
struct Rgb555 {
    static constexpr size_t kBytes = 2;
    const uint8_t* fiveBit;
    bool attributeIsAlpha;
    uint32_t operator()(const uint8_t* p) const {
        const uint32_t v = p[0] | uint32_t(p[1] & 0x7F) << 8;
        const uint32_t a = !attributeIsAlpha || (p[1] & 0x80) ? 255 : 0;
        return bgra(fiveBit[v & 31], fiveBit[(v >> 5) & 31], fiveBit[(v >> 10) & 31], a);
    }
};
struct Bgr24 {
    static constexpr size_t kBytes = 3;
    uint32_t operator()(const uint8_t* p) const { return bgra(p[0], p[1], p[2], 255); }
};
struct Bgra32 {
    static constexpr size_t kBytes = 4;
    uint32_t operator()(const uint8_t* p) const {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
};
struct Indexed8 {
    static constexpr size_t kBytes = 1;
    const uint32_t* palette;
    uint32_t operator()(const uint8_t* p) const { return palette[p[0]]; }
};

// Converts `count` stored pixels; the AND and OR of all of them say afterwards whether
// every alpha was 255 or every alpha 0.
template <class Convert>
void convertPixels(const uint8_t* source, size_t count, uint32_t* __restrict out, const Convert& convert,
                   uint32_t& alphaAnd, uint32_t& alphaOr) {
    uint32_t all = alphaAnd, any = alphaOr;
    // One pass: the copy and the alpha summary share each load (Bgra32 compiles to a
    // plain vector copy), so the pixels are not read back after being written.
    for (size_t i = 0; i < count; ++i, source += Convert::kBytes) {
        const uint32_t v = convert(source);
        out[i] = v;
        all &= v;
        any |= v;
    }
    alphaAnd = all;
    alphaOr = any;
}

}  // namespace

bool cTGAparser::LoadStream(std::span<const uint8_t> inStream, cImage32& cHost, int64_t streamOffset,
                            int64_t streamLength) {
    // A range outside the caller's array is refused rather than raised: no reader may read
    // past the data it was given.
    if (streamOffset < 0 || streamLength < 0 || uint64_t(streamOffset) > inStream.size() ||
        uint64_t(streamLength) > inStream.size() - uint64_t(streamOffset))
        return false;
    data_ = inStream.subspan(size_t(streamOffset), size_t(streamLength));
    if (!ValidateTGAHeader()) return false;
    try {
        if (isColourMapped(header_.imageType)) ReadColorMappedTGA(cHost);
        else ReadTrueColorTGA(cHost);
    } catch (const std::exception&) {
        cHost.DestroyDIB();
    }
    data_ = {};
    return cHost.Handle() != 0;
}

bool cTGAparser::ValidateTGAHeader() {
    const uint64_t length = data_.size();
    footerPresent_ = length > 23 && findSignature(data_, kFooterWindow) >= 0;
    if (length < kHeaderBytes + 1) return false;

    const uint8_t* h = data_.data();
    header_.idLength = h[0];
    header_.colourMapType = h[1];
    header_.imageType = h[2];
    header_.firstEntryIndex = le16(h + 3);
    header_.colourMapLength = le16(h + 5);
    header_.colourMapEntrySize = h[7];
    header_.width = le16(h + 12);
    header_.height = le16(h + 14);
    header_.pixelDepth = h[16];
    header_.descriptor = h[17];

    switch (header_.imageType) {
    case 1: case 2: case 3: case 9: case 10: case 11: break;
    default: return false;
    }
    if (header_.width < 1 || header_.height < 1) return false;
    switch (header_.pixelDepth) {
    case 8: bytesPerPixel_ = 1; break;
    case 15: case 16: bytesPerPixel_ = 2; break;
    case 24: bytesPerPixel_ = 3; break;
    case 32: bytesPerPixel_ = 4; break;
    default: return false;
    }
    if (isColourMapped(header_.imageType) && (header_.pixelDepth != 8 || header_.colourMapType != 1))
        return false;

    uint64_t mapBytes = 0;
    mapEntryBytes_ = 0;
    if (header_.colourMapType == 1) {
        if (header_.colourMapLength < 1) return false;
        switch (header_.colourMapEntrySize) {
        case 8: case 24: case 32: mapEntryBytes_ = header_.colourMapEntrySize / 8u; break;
        case 15: case 16: mapEntryBytes_ = 2; break;
        default: return false;
        }
        mapBytes = uint64_t(header_.colourMapLength) * mapEntryBytes_;
    }
    pixelStart_ = kHeaderBytes + header_.idLength + mapBytes;
    uint64_t required = pixelStart_ + (footerPresent_ ? kFooterBytes : 0);
    if (!isRunLength(header_.imageType))
        required += uint64_t(header_.width) * header_.height * bytesPerPixel_;
    return length >= required;
}

bool cTGAparser::ReadTrueColorTGA(cImage32& cHost) {
    uint32_t alphaAnd = ~0u, alphaOr = 0;
    auto read = [&](const auto& convert) {
        using Convert = std::decay_t<decltype(convert)>;
        const size_t width = header_.width;
        if (isRunLength(header_.imageType)) {
            if (SmallestRunLengthData(Convert::kBytes) > data_.size() - pixelStart_) {
                cHost.DestroyDIB();
                return false;
            }
            size_t position = size_t(pixelStart_);
            packetLeft_ = 0;
            return PlaceRows(cHost, [&](size_t firstRow, size_t rows, uint32_t* out) {
                for (size_t r = 0; r < rows; ++r)
                    if (!DecodeTGARLERow(position, out + r * width, convert, alphaAnd, alphaOr)) return false;
                return !endsPastTheImage(firstRow + rows);
            }, alphaAnd, alphaOr);
        }
        return PlaceRows(cHost, [&](size_t firstRow, size_t rows, uint32_t* out) {
            const uint8_t* source = data_.data() + pixelStart_ + firstRow * width * Convert::kBytes;
            convertPixels(source, rows * width, out, convert, alphaAnd, alphaOr);
            return true;
        }, alphaAnd, alphaOr);
    };

    switch (header_.pixelDepth) {
    case 8: return read(Grey8{});
    case 15:
        Build5BitLookup();
        return read(Rgb555{fiveBit_.data(), false});
    case 16:
        if (isGrey(header_.imageType)) return read(GreyAlpha16{});
        Build5BitLookup();
        return read(Rgb555{fiveBit_.data(), (header_.descriptor & kAlphaBits) != 0 && IsTGAAlphaUsable()});
    case 24: return read(Bgr24{});
    default: return read(Bgra32{});
    }
}

bool cTGAparser::ReadColorMappedTGA(cImage32& cHost) {
    // The colour map: entry j is the colour of index first entry index + j.
    palette_.fill(0);
    const bool alphaUsable = IsTGAAlphaUsable();
    if (mapEntryBytes_ == 2) Build5BitLookup();
    const Rgb555 entry16{fiveBit_.data(), header_.colourMapEntrySize == 16 && alphaUsable};
    const uint8_t* map = data_.data() + kHeaderBytes + header_.idLength;
    for (size_t j = 0; j < header_.colourMapLength; ++j) {
        const size_t index = size_t(header_.firstEntryIndex) + j;
        if (index >= palette_.size()) break;
        const uint8_t* e = map + j * mapEntryBytes_;
        // Entries without alpha get 0, which the classification reads as opaque when no
        // entry in use has alpha; indices the map does not cover stay (0, 0, 0, 0).
        switch (mapEntryBytes_) {
        case 1: palette_[index] = e[0] * 0x010101u; break;
        case 2: palette_[index] = entry16.attributeIsAlpha ? entry16(e) : entry16(e) & ~kOpaque; break;
        case 3: palette_[index] = bgra(e[0], e[1], e[2], 0); break;
        default: palette_[index] = bgra(e[0], e[1], e[2], alphaUsable ? e[3] : 0); break;
        }
    }

    uint32_t alphaAnd = ~0u, alphaOr = 0;
    const Indexed8 convert{palette_.data()};
    const size_t width = header_.width;
    if (isRunLength(header_.imageType)) {
        if (SmallestRunLengthData(1) > data_.size() - pixelStart_) {
            cHost.DestroyDIB();
            return false;
        }
        size_t position = size_t(pixelStart_);
        packetLeft_ = 0;
        return PlaceRows(cHost, [&](size_t firstRow, size_t rows, uint32_t* out) {
            for (size_t r = 0; r < rows; ++r)
                if (!DecodeTGARLEIndexRow(position, out + r * width, alphaAnd, alphaOr)) return false;
            return !endsPastTheImage(firstRow + rows);
        }, alphaAnd, alphaOr);
    }
    return PlaceRows(cHost, [&](size_t firstRow, size_t rows, uint32_t* out) {
        const uint64_t start = pixelStart_ + uint64_t(firstRow) * width;
        if (start + uint64_t(rows) * width > data_.size()) return false;
        convertPixels(data_.data() + start, rows * width, out, convert, alphaAnd, alphaOr);
        return true;
    }, alphaAnd, alphaOr);
}

template <class Convert>
bool cTGAparser::DecodeTGARLERow(size_t& position, uint32_t* row, const Convert& convert,
                                 uint32_t& alphaAnd, uint32_t& alphaOr) {
    const uint8_t* data = data_.data();
    const size_t end = data_.size(), width = header_.width;
    // The packet in locals: the row's pixels could otherwise alias the members.
    size_t left = packetLeft_, at = position;
    bool isRun = packetIsRun_;
    uint32_t value = packetValue_;
    bool complete = true;
    for (size_t x = 0; x < width;) {
        if (left == 0) {
            if (at >= end) {
                complete = false;
                break;
            }
            const uint8_t packet = data[at++];
            left = size_t(packet & 0x7F) + 1;
            isRun = packet & kRunPacket;
            // The whole packet's bytes must be there, whichever rows it covers.
            if ((isRun ? 1 : left) * Convert::kBytes > end - at) {
                complete = false;
                break;
            }
            if (isRun) {
                value = convert(data + at);
                at += Convert::kBytes;
                alphaAnd &= value;
                alphaOr |= value;
            }
        }
        const size_t count = std::min(left, width - x);
        if (isRun) {
            std::fill_n(row + x, count, value);
        } else {
            convertPixels(data + at, count, row + x, convert, alphaAnd, alphaOr);
            at += count * Convert::kBytes;
        }
        left -= count;
        x += count;
    }
    packetLeft_ = left;
    packetIsRun_ = isRun;
    packetValue_ = value;
    position = at;
    return complete;
}

bool cTGAparser::DecodeTGARLEIndexRow(size_t& position, uint32_t* row, uint32_t& alphaAnd,
                                      uint32_t& alphaOr) {
    return DecodeTGARLERow(position, row, Indexed8{palette_.data()}, alphaAnd, alphaOr);
}

template <class DecodeRows>
bool cTGAparser::PlaceRows(cImage32& cHost, const DecodeRows& decodeRows, uint32_t& alphaAnd,
                           uint32_t& alphaOr) {
    const size_t width = header_.width, height = header_.height;
    if (!cHost.InitializeDIB(int32_t(width), int32_t(height))) {
        cHost.DestroyDIB();
        return false;
    }
    // The host's memory comes from the allocator, so it is aligned for 32-bit pixels.
    auto* bits = reinterpret_cast<uint32_t*>(cHost.BitsPointer());
    const bool topFirst = header_.descriptor & kTopFirst;
    const bool rightToLeft = header_.descriptor & kRightToLeft;
    bool complete = true;
    if (!topFirst && !rightToLeft) {
        // Stored as the host stores them: all rows in one go.
        complete = decodeRows(0, height, bits);
    } else {
        std::vector<uint32_t> reversed(rightToLeft ? width : 0);
        for (size_t i = 0; i < height && complete; ++i) {
            uint32_t* out = bits + (topFirst ? height - 1 - i : i) * width;
            if (!rightToLeft) {
                complete = decodeRows(i, 1, out);
            } else {
                complete = decodeRows(i, 1, reversed.data());
                std::reverse_copy(reversed.begin(), reversed.end(), out);
            }
        }
    }
    if (!complete) {
        cHost.DestroyDIB();
        return false;
    }
    Finish(cHost, alphaAnd, alphaOr);
    return true;
}

uint64_t cTGAparser::SmallestRunLengthData(uint32_t bytesPerPixel) const {
    const uint64_t pixels = uint64_t(header_.width) * header_.height;
    return (pixels + kMostPixelsPerPacket - 1) / kMostPixelsPerPacket * (1 + bytesPerPixel);
}

bool cTGAparser::endsPastTheImage(size_t rowsDone) const {
    return rowsDone == header_.height && packetLeft_ != 0;
}

void cTGAparser::Finish(cImage32& cHost, uint32_t alphaAnd, uint32_t alphaOr) {
    // Every alpha 255, or every alpha 0, is what the classification would call opaque; it
    // is settled here without a second pass over the pixels.
    if (alphaAnd >> 24 == 0xFF) {
        cHost.Alpha(cImage32::AlphaOpaque);
    } else if (alphaOr >> 24 == 0) {
        uint8_t* p = cHost.BitsPointer();
        const size_t count = size_t(cHost.Width()) * size_t(cHost.Height());
        for (size_t i = 0; i < count; ++i) p[i * 4 + 3] = 255;
        cHost.Alpha(cImage32::AlphaOpaque);
    } else {
        int32_t kind = cImage32::AlphaOpaque;
        int32_t type = cImage32::ImageTypeBlank;
        modParsers::ValidateAlphaChannel(modParsers::OverlayDIBBits(cHost), true, kind, type);
        cHost.Alpha(kind);
    }
    cHost.ImageType(cImage32::ImageTypeTGA);
}

void cTGAparser::Build5BitLookup() {
    if (fiveBit_[31] != 0) return;
    for (uint32_t v = 0; v < 32; ++v) fiveBit_[v] = uint8_t(v * 8 + v % 8);
}

bool cTGAparser::IsTGAAlphaUsable() const {
    const int64_t length = int64_t(data_.size());
    if (length <= 43) return true;
    const int64_t at = findSignature(data_, kExtensionWindow);
    const int64_t windowStart = length - int64_t(kExtensionWindow);
    if (at < 0 || at - windowStart < 8) return true;
    const int32_t position = int32_t(le32(data_.data() + at - 8));
    if (position <= 0 || position + kExtensionAreaBytes >= length) return true;
    if (le16(data_.data() + position) != kExtensionAreaBytes) return true;
    // Attributes types 3 (useful alpha) and 4 (premultiplied) keep alpha; 0 to 2 do not.
    return data_[size_t(position) + kAttributesTypeAt] > 2;
}

}  // namespace codecs
