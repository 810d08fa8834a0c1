#pragma once
// Pictures for the effects' tests and benchmarks: 32-bpp DIB sections selected into
// memory DCs, as the Filters window's boxes are, with deterministic contents and the
// portable pixmap files the reference tools read and write.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/dib_surface.h"

namespace fxtest {

class FxPicture {
public:
    FxPicture(int width, int height);
    FxPicture(const FxPicture& other);
    FxPicture& operator=(const FxPicture&) = delete;

    bool valid() const { return surface_.valid(); }
    gdi::HDC dc() const { return surface_.dc(); }
    int width() const { return surface_.width(); }
    int height() const { return surface_.height(); }

    // The pixel as stored, 0xAARRGGBB.
    uint32_t at(int x, int y) const { return row(y)[x]; }
    void set(int x, int y, uint32_t pixel) { row(y)[x] = pixel; }
    void fill(uint32_t pixel);
    // Every pixel, top row first, as stored.
    std::vector<uint32_t> pixels() const;
    // R, G, B bytes, top row first.
    std::vector<uint8_t> rgb() const;

private:
    uint32_t* row(int y) const { return reinterpret_cast<uint32_t*>(surface_.row(y)); }
    gdi::DibSurface surface_;
};

// Contents. Every one is opaque-looking but carries changing high bytes, which effects
// must ignore.
enum class Fixture {
    Photo,  // smooth gradients, a soft disc, hard-edged bars and fine noise
    Greys,  // the same with red = green = blue
    Ramp,   // every channel value: 256 columns, rows of ramps in each channel and mixed
    Rings,  // coloured concentric rings: the second picture of the blends
    GreyRamp,  // one row of greys 0..255 (a Ramp one pixel high)
};
FxPicture makeFixture(Fixture kind, int width, int height);
const char* fixtureName(Fixture kind);

// Binary PPM (P6), 8 bits; reading also takes 16-bit samples (scaled to 8 bits, rounded)
// and P5 greys.
bool writePpm(const FxPicture& picture, const std::string& path);
struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;  // R, G, B, top row first
};
std::optional<Rgb> readPpm(const std::string& path);

}  // namespace fxtest
