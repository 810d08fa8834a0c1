#pragma once
// Reference decoders for the picture tests (ImageMagick through /usr/bin/convert, libjpeg-
// turbo, giflib) and ways to read back what our loader made, in the same shapes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/picture/picture.h"

namespace picture::test {

std::vector<uint8_t> readBytes(const std::string& path);
// Paths under the shared corpora (QM_CORPORA) and our own fixtures (QM_FIXTURES).
std::string corpus(const std::string& relative);
std::string fixture(const std::string& relative);
// Regular files of a folder, sorted by name.
std::vector<std::string> filesIn(const std::string& folder);
std::string baseName(const std::string& path);

// Top row first, 4 bytes per pixel R, G, B, A.
struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* at(int x, int y) const { return &pixels[(size_t(y) * width + x) * 4]; }
};

// ImageMagick's decode; `input` may carry a frame index ("file.ico[2]"); `options` go
// between the input and the output ("-auto-orient").
std::optional<Rgba> magickRgba(const std::string& input, const std::string& options = "");
// The picture's bitmap through GetDIBits at 32 bpp (alpha as the bitmap holds it).
Rgba bitmapRgba(const Picture& picture);
// An icon picture drawn by its mask (or alpha) over black and over white, for comparing
// visible colours and transparency with a reference decode.
Rgba iconOver(const Picture& picture, uint32_t background);

// libjpeg-turbo's own decode to RGB (3 bytes per pixel), or nothing on error.
struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};
std::optional<Rgb> libjpegRgb(const std::vector<uint8_t>& jpeg);

// A JPEG made by libjpeg-turbo: `components` samples per pixel in `space` (a J_COLOR_SPACE
// value: 1 grey, 2 RGB, 4 CMYK), stored as `stored` (5 YCCK, 3 YCbCr, ...; -1: the library's
// default for the input), quality 100 without subsampling unless `subsample`.
std::vector<uint8_t> encodeJpeg(int width, int height, int components, int space,
                                const std::vector<uint8_t>& samples, bool progressive,
                                int stored = -1, bool subsample = false);

// giflib's first image (DGifSlurp).
struct GifFrame {
    int screenWidth = 0, screenHeight = 0, background = 0;
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;  // width x height, top row first, de-interlaced
    std::vector<uint8_t> colors;   // R, G, B per entry of the table the image uses
    int transparent = -1;
};
std::optional<GifFrame> giflibFirstFrame(const std::string& path);
std::optional<GifFrame> giflibFirstFrame(const std::vector<uint8_t>& gif);

// The picture's 8-bpp indices (top row first) and its colour table, as RGB triples.
struct Indexed {
    int width = 0, height = 0;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> colors;  // 256 x RGB
};
Indexed bitmapIndices(const Picture& picture);

}  // namespace picture::test
