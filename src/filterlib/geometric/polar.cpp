// Rectangular to polar coordinates and back: angles about the centre counted clockwise
// from the top, radii up to the distance of the corners.

#include <cmath>

#include "filterlib/core/frame.h"
#include "filterlib/fx.h"
#include "filterlib/geometric/backward_map.h"

namespace filterlib {

void FxPolarCoordinates(HDC d, HDC s, int32_t direction, int32_t& fxResult) {
    const bool inverse = direction == 1;
    apply(d, s, fxResult, [&](const Image& in, Image& out) {
        const CentreFrame frame(out);
        const double w = out.width, h = out.height;
        remap(in, out, [&](int x, int y) {
            if (inverse) {
                const double angle = (x + 0.5) / w * 2 * M_PI, r = (y + 0.5) / h * frame.diagonal;
                return Offset{frame.cx + r * std::sin(angle), frame.cy - r * std::cos(angle)};
            }
            // The picture's columns become the angles and its rows the radii.
            const double u = x + 0.5 - frame.cx, v = y + 0.5 - frame.cy;
            double turns = std::atan2(u, -v) / (2 * M_PI);
            if (turns < 0) turns += 1;
            return Offset{turns * w, radiusOf({u, v}) / frame.diagonal * h};
        });
    });
}

}  // namespace filterlib
