// The lens effects: the distance from the centre (or from the middle column) bent by a
// power law or a bulge, the direction kept.

#include <algorithm>
#include <cmath>

#include "filterlib/core/frame.h"
#include "filterlib/fx.h"
#include "filterlib/geometric/backward_map.h"

namespace filterlib {

namespace {

// Strengths are exponents 2^k, k in -1..1: the picture's reach maps onto itself and only
// the points in between move.
double lensExponent(double strength, double full) {
    return std::exp2(std::clamp(finiteOr(strength, 0) / full, -1.0, 1.0));
}

void lens(HDC d, HDC s, double exponent, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const double inner = CentreFrame(out).inner;
        remapAboutCentre(in, out, [&](Offset p) {
            const double r = radiusOf(p);
            if (r >= inner || r == 0) return p;
            const double k = inner * std::pow(r / inner, exponent) / r;
            return Offset{p.u * k, p.v * k};
        });
    });
}

}  // namespace

void FxFishEyeEx(HDC d, HDC s, double strength, int32_t& fxResult) {
    lens(d, s, lensExponent(strength, 255), fxResult);
}

void FxFishEye(HDC d, HDC s, int32_t& fxResult) { lens(d, s, std::exp2(0.6), fxResult); }

void FxCylindrical(HDC d, HDC s, double strength, int32_t& fxResult) {
    const double exponent = lensExponent(strength, 30);
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const double half = out.width / 2.0;
        remapAboutCentre(in, out, [&](Offset p) {
            const double t = std::pow(std::abs(p.u) / half, exponent);
            return Offset{std::copysign(half * t, p.u), p.v};
        });
    });
}

void FxCaricature(HDC d, HDC s, int32_t& fxResult) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const double halfW = out.width / 2.0, halfH = out.height / 2.0;
        remapAboutCentre(in, out, [&](Offset p) {
            const double e = radiusOf({p.u / halfW, p.v / halfH});
            if (e >= 1) return p;
            const double k = 1 - 0.5 * (1 - e) * (1 - e);
            return Offset{p.u * k, p.v * k};
        });
    });
}

}  // namespace filterlib
