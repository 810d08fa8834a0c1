#pragma once
// PNG files for the reader tests: crafted chunk by chunk, or written by libpng from
// samples; libpng's decode of a file in the form the host holds pixels; running with zlib
// marked absent.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_support.h"

namespace pngtest {

using Bytes = std::vector<uint8_t>;
using imagetest::Px;
using Rows = std::vector<std::vector<Px>>;  // top row first

// ---- crafting ------------------------------------------------------------------------

void putBigEndian32(Bytes& b, uint32_t v);
Bytes bigEndian16(uint32_t v);

// A chunk: length, type, data and the CRC (zlib's crc32 over type and data, unless given).
Bytes chunk(const std::string& type, const Bytes& data, std::optional<uint32_t> crc = std::nullopt);
Bytes ihdrData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0);
// zlib's stream of `raw` (rows with their filter bytes) at `level`.
Bytes zlibStream(const Bytes& raw, int level = 9);

// A PNG as a list of chunks: the signature, then each chunk in order.
struct Crafted {
    std::vector<Bytes> chunks;
    Bytes bytes() const;
};
// Signature, IHDR, any `extra` chunks, one IDAT holding zlibStream(raw), IEND.
Crafted simplePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, const Bytes& raw,
                  const std::vector<Bytes>& extra = {});

// ---- libpng --------------------------------------------------------------------------

// Samples for libpng's writer: rows packed as PNG stores them (without filter bytes).
struct Samples {
    uint32_t width = 0, height = 0;
    uint8_t depth = 8, colourType = 0;
    bool interlaced = false;
    std::vector<Bytes> rows;   // top row first
    Bytes palette;             // red, green, blue per entry
    Bytes trns;                // tRNS data as the chunk holds it (empty: none)
    int filters = 0xF8;        // PNG_ALL_FILTERS unless a single one is chosen
};
Bytes libpngEncode(const Samples& s);

// libpng's decode, converted as the reader converts: straight RGBA of each sample's high
// byte (16-bit samples, tRNS keys compared on all 16 bits), then premultiplied by
// truncation. ignoreCrc reads through bad CRCs, as the reader does without zlib.
std::optional<Rows> libpngDecode(const Bytes& png, bool ignoreCrc = false);

// What libpng reads from a file, CRCs checked on every chunk (a bad one fails the read).
struct Inspected {
    uint32_t width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    Bytes palette;  // red, green, blue per entry
    Bytes trns;     // palette alphas; or the key as stored: 2 bytes (grey) or 6 (red, green, blue)
    std::optional<std::vector<uint16_t>> background;  // index; grey; or red, green, blue
    struct Text {
        std::string keyword, text;
        bool compressed = false;
        friend bool operator==(const Text&, const Text&) = default;
    };
    std::vector<Text> texts;  // in file order
    std::optional<std::vector<int>> time;  // year, month, day, hour, minute, second
    Rows straight;  // straight colours (b, g, r, a fields), transparent pixels as 0, 0, 0, 0
};
std::optional<Inspected> libpngInspect(const Bytes& png);

// The chunks of a stream in order (type, data), without checking anything.
std::vector<std::pair<std::string, Bytes>> chunksOf(const Bytes& png);
// The joined IDAT data inflated by zlib (Adler-32 checked); empty unless it inflates to
// exactly `size` bytes.
Bytes scanLines(const Bytes& png, size_t size);
// The filter type byte of every scan line (the joined IDAT data inflated by zlib).
std::vector<int> filterTypes(const Bytes& png, size_t rowBytes, size_t height);

// ---- the host ------------------------------------------------------------------------

Rows rowsOf(const cImage32& image);
// The host's pixels un-premultiplied (c x 255 \ a), alpha 0 as 0, 0, 0, 0.
Rows straightRowsOf(const cImage32& image);
// Pixels that differ, with the first of them described.
size_t differences(const Rows& got, const Rows& want, std::string* first = nullptr);

// zlib marked absent for the life of the object (both of its names).
class ZlibAbsence {
public:
    explicit ZlibAbsence(bool absent);
    ~ZlibAbsence();
    ZlibAbsence(const ZlibAbsence&) = delete;
    ZlibAbsence& operator=(const ZlibAbsence&) = delete;
};

}  // namespace pngtest
