// The platform picture loader on hostile bytes: BMP, JPEG, GIF, ICO and CUR, and whatever
// else arrives. A picture that loads is also rendered (upright, mirrored, stretched, into
// 32 and 8 bpp), saved and loaded again, so that every handle it makes is used.
//
// Pictures are capped at a million pixels here to keep each run fast; the library's own
// limits are tested by the unit tests.

#include <cstdint>
#include <span>

#include "platform/gdi/dib_surface.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"

using namespace gdi;

namespace {

RGBQUAD kColours[256];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        picture::testing::setPixelLimit(1 << 20);
        for (int i = 0; i < 256; ++i) kColours[i] = {BYTE(i), BYTE(i * 3), BYTE(255 - i), 0};
        return true;
    }();
    (void)prepared;
    const picture::Picture p = picture::TryLoadPictureFromBytes(std::span<const uint8_t>(data, size));
    if (!p) return 0;
    const int32_t w = p.Width(), h = p.Height();
    for (int bpp : {32, 8}) {
        const DibSurface c(29, 17, bpp, false, kColours);
        p.Render(c.dc(), 0, 0, 29, 17, 0, h, w, -h);
        p.Render(c.dc(), 3, 2, -7, 5, w / 3, h / 2, w / 2 + 1, h / 3 + 1);
        p.Render(c.dc(), -5, -5, 40, 40, -w, 2 * h, 3 * w, -3 * h);
    }
    const std::vector<uint8_t> saved = picture::SavePictureToBytes(p);
    // What the writer writes, the loader must read.
    if (!picture::TryLoadPictureFromBytes(saved)) __builtin_trap();
    return 0;
}
