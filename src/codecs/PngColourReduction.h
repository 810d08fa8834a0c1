#pragma once
// PngColourReduction: the PNG writer's choice of colour type from the host's pixels, and
// the 8-bit samples, palette and transparency it writes for that type.
//
// - Indexed (3): at most 256 distinct pixel values (blue, green, red and alpha read as
//   one signed 32-bit number). Palette entries are ordered by that number, except that
//   with transparency the non-opaque values come first (ascending) and the opaque ones
//   after them (descending), so the tRNS table stops at the first opaque entry.
// - Greyscale (0) in place of indexed: every colour grey and at most one non-opaque
//   colour, which must have alpha 0 (a partial alpha is kept, as indexed with tRNS);
//   with the host's Alpha above 0 the key is the lowest grey level no visible colour has.
// - Truecolour (2): more colours and the host's Alpha 0; or every alpha byte 0 or 255
//   and a grey (l, l, l) that no opaque pixel has, which becomes the tRNS key.
// - Truecolour with alpha (6) otherwise. Greyscale with alpha is never chosen.
// Colour samples are un-premultiplied: c x 255 \ a (alpha 0 gives 0, 0, 0, 0).

#include <cstdint>
#include <vector>

#include "codecs/LargeBuffer.h"
#include "image/arrays.h"

namespace codecs {

struct PngReduction {
    int32_t colourType = 0;
    // -1: no tRNS key. Colour type 0: a grey level; 2: l + 256 l + 65536 l. Indexed images
    // carry their transparency in alphaTable instead.
    int32_t transparentKey = -1;
    std::vector<uint8_t> palette;     // indexed: red, green, blue per entry
    std::vector<uint8_t> alphaTable;  // indexed: the tRNS data; empty when all opaque
    // The samples, rows from the top of the image, rowBytes each, without filter bytes.
    LargeBuffer samples;
    size_t rowBytes = 0;
    int bytesPerPixel = 1;
};

// Indexed or greyscale when the pixels (a view over the host's memory, rows bottom-up,
// 4 bytes per pixel) hold at most 256 distinct values; False, leaving `out` partly set,
// otherwise. hostAlpha is the host's AlphaType; 0 takes every pixel as opaque. Raises
// std::bad_alloc when the samples cannot be had.
bool PngReducePalette(const ByteView2D& pixels, int32_t hostAlpha, PngReduction& out);

// Truecolour with or without alpha (2 or 6) for any pixels. Raises std::bad_alloc.
void PngChooseTrueColor(const ByteView2D& pixels, int32_t hostAlpha, PngReduction& out);

}  // namespace codecs
