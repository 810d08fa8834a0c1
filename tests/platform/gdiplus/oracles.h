#pragma once
// The reference libraries, used directly: files made by them for the decoders, and their
// decodes of what the encoders wrote. RGBA is straight, top row first.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gdiplustest {

struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // R, G, B, A
    const uint8_t* at(int x, int y) const { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

// libtiff: an RGB or RGBA (associated or unassociated alpha) file of 8-bit samples, or a
// second page after the first when secondPage is given.
std::vector<uint8_t> tiffWithLibtiff(const Rgba& image, bool associatedAlpha, const Rgba* secondPage = nullptr);
// libtiff's RGBA decode (premultiplied as libtiff hands it out: R, G, B, A).
std::optional<Rgba> libtiffDecode(const std::vector<uint8_t>& bytes);
// libpng's straight RGBA decode, and an RGBA file made by it.
std::optional<Rgba> libpngDecode(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> pngWithLibpng(const Rgba& image);
// giflib's first frame as RGBA (its transparent index as alpha 0).
std::optional<Rgba> giflibDecode(const std::vector<uint8_t>& bytes);
// libjpeg-turbo's RGB decode (alpha 255).
std::optional<Rgba> libjpegDecode(const std::vector<uint8_t>& bytes);
// ImageMagick's decode (/usr/bin/convert), for BMP.
std::optional<Rgba> magickDecode(const std::vector<uint8_t>& bytes, const std::string& format);

std::vector<uint8_t> readFileBytes(const std::string& path);

}  // namespace gdiplustest
