// The effects that draw each pixel from its luma alone.

#include <algorithm>

#include "filterlib/core/channel_maps.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/pixel.h"
#include "filterlib/fx.h"

namespace filterlib {

namespace {

template <class Colour>
void lumaCall(HDC d, HDC s, int32_t& fxResult, Colour colour) {
    LumaColours colours;
    for (int y = 0; y < 256; ++y) colours[size_t(y)] = colour(y);
    apply(d, s, fxResult, [&](const Image& in, Image& out) { applyLumaColours(in, out, colours); });
}

constexpr uint32_t grey(int v) { return pack(v, v, v); }

}  // namespace

void FxGrayScale(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const int a = std::clamp(amount, -255, 255);
    lumaCall(d, s, fxResult, [a](int y) { return grey(saturate(y + a)); });
}

void FxStamp(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    // The start, 0, cuts at the middle grey; higher values darken.
    const int threshold = 128 + std::clamp(amount, 0, 255) / 2;
    apply(d, s, fxResult, [threshold](const Image& in, Image& out) {
        applyLumaCut(in, out, threshold, grey(0), grey(255));
    });
}

void FxSepia(HDC d, HDC s, int32_t& fxResult) {
    // A brown tone from the grey of the pixel: red lifted, green and blue lowered most in
    // the shadows, as darkroom sepia toning looks.
    lumaCall(d, s, fxResult, [](int y) {
        return pack(roundChannel(1.32 * y + 5), roundChannel(1.21 * y - 24), roundChannel(1.16 * y - 76));
    });
}

}  // namespace filterlib
