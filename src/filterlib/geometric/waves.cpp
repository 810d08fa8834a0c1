// The wave effects: sine ripples along the axes or about the centre, and a square wave
// of bands moved sideways.

#include <algorithm>
#include <cmath>

#include "filterlib/core/bands.h"
#include "filterlib/core/frame.h"
#include "filterlib/core/sampling.h"
#include "filterlib/fx.h"
#include "filterlib/geometric/backward_map.h"

namespace filterlib {

namespace {

constexpr double kTau = 2 * M_PI;

// Ripples about the centre: the source radius is r + amplitude sin(2 pi r / wavelength).
void ripples(HDC d, HDC s, double amplitude, double wavelength, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        remapAboutCentre(in, out, [&](Offset p) {
            const double r = radiusOf(p);
            if (r == 0) return p;
            const double k = 1 + amplitude * std::sin(kTau * r / wavelength) / r;
            return Offset{p.u * k, p.v * k};
        });
    });
}

}  // namespace

void FxWaves(HDC d, HDC s, int32_t amplitudeX, int32_t amplitudeY, uint8_t wavelength, int32_t axes,
             int32_t& fxResult) {
    const double lambda = 8 + 6 * std::min<int>(wavelength, 20);
    const double ax = axes == 1 ? 0 : std::clamp(amplitudeX, 0, 20);
    const double ay = axes == 0 ? 0 : std::clamp(amplitudeY, 0, 20);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        remap(in, out, [&](int x, int y) {
            return Offset{x + 0.5 + ax * std::sin(kTau * y / lambda), y + 0.5 + ay * std::sin(kTau * x / lambda)};
        });
    });
}

void FxBlockWaves(HDC d, HDC s, int16_t amplitude, int16_t band, int32_t axes, int32_t& fxResult) {
    const int a = std::clamp<int>(amplitude, 0, 20);
    const int bandSize = 4 * (std::clamp<int>(band, 0, 20) + 1);
    const bool rows = axes != 2, columns = axes == 2 || axes == 3;
    // Whole-pixel shifts: bands of rows alternately to the right and the left, bands of
    // columns alternately down and up.
    auto shift = [&](int index) { return (index / bandSize) % 2 == 0 ? a : -a; };
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        eachRow(out.height, out.width, [&](int y) {
            uint32_t* row = out.row(y);
            const int dx = rows ? shift(y) : 0;
            for (int x = 0; x < out.width; ++x) row[x] = clampedAt(in, x - dx, columns ? y - shift(x) : y) & 0xFFFFFFu;
        });
    });
}

void FxCircularWaves(HDC d, HDC s, int16_t amplitude, int16_t period, int32_t& fxResult) {
    ripples(d, s, std::clamp<int>(amplitude, 0, 20), 8 + 2 * std::clamp<int>(period, 0, 20), fxResult);
}

void FxCircularWavesEx(HDC d, HDC s, int16_t period, int16_t amplitude, int32_t& fxResult) {
    ripples(d, s, std::clamp<int>(amplitude, 0, 20), std::clamp<int>(period, 4, 80) + 8, fxResult);
}

}  // namespace filterlib
