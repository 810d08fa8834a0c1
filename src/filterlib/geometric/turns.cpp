// The effects that turn the picture about its centre by an angle that changes with the
// distance from it.

#include <algorithm>
#include <cmath>

#include "filterlib/core/frame.h"
#include "filterlib/fx.h"
#include "filterlib/geometric/backward_map.h"

namespace filterlib {

namespace {

// A turn of angle(t) degrees and a source radius pinch(t) times the destination's, where
// t = r / reach and reach is the inscribed circle's radius or the corners' distance;
// nothing moves beyond it.
template <class Angle, class Pinch>
void twist(HDC d, HDC s, int32_t& fxResult, bool withinInner, Angle angle, Pinch pinch) {
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const CentreFrame frame(out);
        const double reach = withinInner ? frame.inner : frame.diagonal;
        remapAboutCentre(in, out, [&](Offset p) {
            const double r = radiusOf(p);
            if (r >= reach) return p;
            const double k = pinch(r / reach);
            return turnedFrom(Offset{p.u * k, p.v * k}, angle(r / reach));
        });
    });
}

constexpr auto kNoPinch = [](double) { return 1.0; };

}  // namespace

void FxTwirl(HDC d, HDC s, int32_t amount, int32_t& fxResult) {
    const double degrees = std::clamp(amount, -100, 100) * 3.6;
    twist(d, s, fxResult, true, [degrees](double t) { return degrees * (1 - t); }, kNoPinch);
}

void FxTwirlEx(HDC d, HDC s, double angle, double pinch, int32_t& fxResult) {
    const double degrees = std::clamp(finiteOr(angle, 0), -100.0, 100.0) * 3.6;
    const double p = std::clamp(finiteOr(pinch, 0), -100.0, 100.0) / 200;
    twist(
        d, s, fxResult, true, [degrees](double t) { return degrees * (1 - t) * (1 - t); },
        [p](double t) { return 1 - p * (1 - t) * (1 - t); });
}

void FxSwirl(HDC d, HDC s, int32_t degrees, int32_t& fxResult) {
    const double a = std::clamp(degrees, -255, 255);
    twist(d, s, fxResult, false, [a](double t) { return a * (1 - t) * (1 - t); }, kNoPinch);
}

}  // namespace filterlib
