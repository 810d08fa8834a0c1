// cGIFparser's writer: pixel preparation, the palette choice, the index plane and the
// stream around the LZW data.

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <vector>

#include "codecs/GIFLZWEncoder.h"
#include "codecs/OctreeQuantizer.h"
#include "codecs/OutputBuffer.h"
#include "codecs/SaveTarget.h"
#include "codecs/cGIFparser.h"
#include "image/cImage32.h"
#include "image/modParsers.h"
#include "platform/runtime/error.h"

namespace codecs {

namespace {

constexpr int32_t kTransparentPixel = -1;
// The transparent slot's value on the exact path: it sorts after every colour and shows as
// white in the table; every path gives the slot this value.
constexpr int32_t kTransparentSlot = 0x7FFFFFFF;
constexpr uint8_t kOctreeDepth = 6;
// The header with the largest table, the graphic control extension and the descriptor.
constexpr size_t kHeaderRoom = 800;

// Nearest palette indices by colour, so that a picture costs about one palette search per
// distinct colour: direct-mapped, a colour displacing another that shares its slot.
class NearestIndexCache {
public:
    explicit NearestIndexCache(size_t pixels)
        : slots_(std::bit_ceil(std::clamp<size_t>(pixels, 256, size_t{1} << 20))),
          keys_(slots_, kEmpty), indices_(slots_) {}

    template <class Search>
    uint8_t find(int32_t color, Search search) {
        const size_t slot = (uint32_t(color) * 2654435761u) >> 12 & (slots_ - 1);
        if (keys_[slot] != uint32_t(color)) {
            keys_[slot] = uint32_t(color);
            indices_[slot] = search(color);
        }
        return indices_[slot];
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFF;  // above every 0x00BBGGRR colour
    size_t slots_;
    std::vector<uint32_t> keys_;
    std::vector<uint8_t> indices_;
};

gdi::HPALETTE createPlatformPalette(std::span<const int32_t> colors) {
    std::vector<uint8_t> storage(sizeof(gdi::LOGPALETTE) + colors.size() * sizeof(gdi::PALETTEENTRY));
    auto* logical = reinterpret_cast<gdi::LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = gdi::WORD(colors.size());
    for (size_t i = 0; i < colors.size(); ++i)
        logical->palPalEntry[i] = {uint8_t(colors[i]), uint8_t(colors[i] >> 8), uint8_t(colors[i] >> 16), 0};
    return gdi::CreatePalette(logical);
}

// The LZW minimum code size, which also sizes the table: 2^b entries hold the count.
int codeSize(int32_t count) {
    int b = 2;
    while (b < 8 && count > (1 << b)) ++b;
    return b;
}

void writeHeader(OutputBuffer& out, int32_t width, int32_t height, std::span<const int32_t> palette,
                 int32_t count, bool transparency, int b) {
    for (const char c : {'G', 'I', 'F', '8', '9', 'a'}) out.put(uint8_t(c));
    out.put16le(uint32_t(width));
    out.put16le(uint32_t(height));
    out.put(uint8_t(0x80 | (b - 1)));  // global table, colour resolution 0, not sorted
    out.put(0);                        // background index
    out.put(0);                        // aspect
    for (int32_t i = 1; i <= (1 << b); ++i) {
        const int32_t c = i <= count ? palette[size_t(i)] : 0;
        out.put(uint8_t(c));
        out.put(uint8_t(c >> 8));
        out.put(uint8_t(c >> 16));
    }
    if (transparency) {
        // Graphic control extension: transparency flag only, no delay, the last entry.
        for (const uint8_t byte : {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00}) out.put(byte);
        out.put(uint8_t(count - 1));
        out.put(0);
    }
    out.put(0x2C);  // image descriptor: at 0, 0, the whole screen, no local table
    out.put16le(0);
    out.put16le(0);
    out.put16le(uint32_t(width));
    out.put16le(uint32_t(height));
    out.put(0);
}

}  // namespace

bool cGIFparser::SaveAsGIF(const cImage32* cHost, const std::string& FileName, std::vector<uint8_t>& outStream,
                           bool& AdaptivePalette, uint8_t OpaquenessTolerance) {
    // Refused before a file or any memory is taken.
    if (!fitsSixteenBitSides(cHost)) return false;
    SaveTarget target(FileName);
    if (!target.ready()) return false;
    bool saved = false;
    try {
        const int32_t width = cHost->Width(), height = cHost->Height();
        pixelCount_ = size_t(width) * size_t(height);
        prepared_ = LargeBuffer(pixelCount_ * sizeof(int32_t));

        int32_t alphaKind = 0;
        PrepareGIFPixels(*cHost, alphaKind, OpaquenessTolerance);
        const bool transparency = alphaKind != cImage32::AlphaOpaque;

        palette_.fill(0);
        int32_t count = 0;
        bool reduced = true;
        if (CollectGIFColors(alphaKind, count)) {
            reduced = false;
        } else if (AdaptivePalette) {
            if (!OctreeQuantizer().BuildOctreePalette({preparedPixels(), pixelCount_}, alphaKind, palette_,
                                                      count, kOctreeDepth))
                BuildWebPalette(count, alphaKind);
        } else {
            BuildWebPalette(count, alphaKind);
        }
        if (transparency) palette_[size_t(count)] = kTransparentSlot;

        gdi::OwnedObject platform;  // the platform palette of the reduced colours
        if (reduced) {
            // The transparent slot takes no part in matching colours.
            platform.handle = createPlatformPalette({palette_.data() + 1, size_t(transparency ? count - 1 : count)});
            if (!platform.handle) runtime::raise(runtime::kErrOutOfMemory);
        }
        MapGIFPaletteIndices(count, platform.handle);

        const int b = codeSize(count);
        OutputBuffer out(pixelCount_ + kHeaderRoom + 1);
        writeHeader(out, width, height, palette_, count, transparency, b);
        GIFLZWEncoder().Encode({prepared_.data(), pixelCount_}, size_t(width), size_t(height), true, b, out);
        out.put(0x3B);  // trailer

        saved = target.deliver(out.written(), outStream);
        if (saved) AdaptivePalette = reduced;
    } catch (const std::exception&) {
        saved = false;
    }
    prepared_ = LargeBuffer();
    return saved;
}

void cGIFparser::PrepareGIFPixels(const cImage32& host, int32_t& alphaKind, uint8_t tolerance) {
    const ByteView2D view = modParsers::OverlayDIBBits(host);
    int32_t imageType = 0;
    modParsers::ValidateAlphaChannel(view, false, alphaKind, imageType);
    // The classification calls alpha bytes that are all 0 opaque; only a host without alpha
    // means that.
    if (alphaKind == cImage32::AlphaOpaque && view.row(0)[3] == 0 && !zeroAlphaMeansOpaque(host))
        alphaKind = cImage32::AlphaBinary;
    int32_t* out = preparedPixels();
    for (size_t row = 0; row < view.rows(); ++row) {
        const uint8_t* p = view.row(row).data();
        for (size_t x = 0; x < view.rowLength(); x += 4, p += 4) {
            const uint32_t blue = p[0], green = p[1], red = p[2], a = p[3];
            // Opaque by the classification, even where every alpha byte is 0 (a host
            // without alpha).
            if (alphaKind == cImage32::AlphaOpaque || a == 255) {
                *out++ = int32_t(red | green << 8 | blue << 16);
            } else if (a == 0 || a < tolerance) {
                *out++ = kTransparentPixel;
            } else {
                // A colour above its alpha (not premultiplied) would overflow its byte.
                const auto straight = [a](uint32_t c) { return std::min<uint32_t>(c * 255 / a, 255); };
                *out++ = int32_t(straight(red) | straight(green) << 8 | straight(blue) << 16);
            }
        }
    }
}

bool cGIFparser::CollectGIFColors(int32_t alphaKind, int32_t& count) {
    const int32_t limit = alphaKind == cImage32::AlphaOpaque ? 256 : 255;
    count = 0;
    int32_t last = kTransparentPixel;
    for (const int32_t color : std::span<const int32_t>(preparedPixels(), pixelCount_)) {
        if (color == kTransparentPixel || color == last) continue;
        last = color;
        bool notFound = false;
        const int32_t at = modParsers::FindInSortedLongArray(palette_, color, count, notFound);
        if (!notFound) continue;
        if (count == limit) return false;
        std::copy_backward(palette_.begin() + at, palette_.begin() + count + 1, palette_.begin() + count + 2);
        palette_[size_t(at)] = color;
        ++count;
    }
    if (alphaKind != cImage32::AlphaOpaque) palette_[size_t(++count)] = kTransparentSlot;
    return true;
}

void cGIFparser::BuildWebPalette(int32_t& count, int32_t alphaKind) {
    size_t slot = 1;
    for (int32_t red = 0; red <= 255; red += 51)
        for (int32_t green = 0; green <= 255; green += 51)
            for (int32_t blue = 0; blue <= 255; blue += 51) palette_[slot++] = red | green << 8 | blue << 16;
    for (int32_t v = 8; v <= 248; v += 8) palette_[slot++] = v | v << 8 | v << 16;
    palette_[slot] = 0;  // entry 248: black
    count = alphaKind == cImage32::AlphaOpaque ? 248 : 249;
}

void cGIFparser::MapGIFPaletteIndices(int32_t count, gdi::HPALETTE palette) {
    const int32_t* colors = preparedPixels();
    uint8_t* indices = prepared_.data();
    const uint8_t transparentIndex = uint8_t(count - 1);
    NearestIndexCache cache(palette ? pixelCount_ : 0);
    const auto search = [&](int32_t color) -> uint8_t {
        if (palette) return uint8_t(gdi::GetNearestPaletteIndex(palette, gdi::COLORREF(color)));
        bool notFound = false;
        return uint8_t(modParsers::FindInSortedLongArray(palette_, color, count, notFound) - 1);
    };
    int32_t last = kTransparentPixel;
    uint8_t lastIndex = transparentIndex;
    // Index i overwrites byte i, which belongs to a colour already read.
    for (size_t i = 0; i < pixelCount_; ++i) {
        int32_t color;
        std::memcpy(&color, colors + i, sizeof color);
        if (color != last) {
            last = color;
            lastIndex = color == kTransparentPixel ? transparentIndex
                        : palette             ? cache.find(color, search)
                                              : search(color);
        }
        indices[i] = lastIndex;
    }
}

}  // namespace codecs
