#include "filterlib/core/channel_maps.h"

#include "filterlib/core/pixel.h"

namespace filterlib {

void applyCurves(const Image& source, Image& dest, const Curves& curves) {
    // Pre-shifted words, so a pixel is three look-ups and two ors.
    uint32_t r[256], g[256], b[256];
    for (int v = 0; v < 256; ++v) {
        r[v] = uint32_t(curves.red[v]) << 16;
        g[v] = uint32_t(curves.green[v]) << 8;
        b[v] = curves.blue[v];
    }
    for (int y = 0; y < dest.height; ++y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        for (int x = 0; x < dest.width; ++x) {
            const uint32_t p = in[x];
            out[x] = r[(p >> 16) & 0xFF] | g[(p >> 8) & 0xFF] | b[p & 0xFF];
        }
    }
}

void applyLumaColours(const Image& source, Image& dest, const LumaColours& colours) {
    for (int y = 0; y < dest.height; ++y) {
        const uint32_t* in = source.row(y);
        uint32_t* out = dest.row(y);
        for (int x = 0; x < dest.width; ++x) out[x] = colours[size_t(luma(in[x]))];
    }
}

}  // namespace filterlib
