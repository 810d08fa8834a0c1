#pragma once
// Backward mappings: each pixel of D asks where in S its colour comes from, the point is
// worked out from the pixel's own indices, and S is sampled there bilinearly, points
// outside taking the nearest edge. Nothing depends on the order pixels are visited in.
//
// Positions are continuous: pixel (x, y) has its centre at (x + 0.5, y + 0.5) and the
// picture's centre is (width / 2, height / 2). An identity mapping lands on pixel centres
// exactly, so a neutral value gives S back byte for byte.

#include <algorithm>
#include <cmath>

#include "filterlib/core/bands.h"
#include "filterlib/core/image.h"
#include "filterlib/core/sampling.h"

namespace filterlib {

// A point relative to the picture's centre, y growing downwards.
struct Offset {
    double u, v;
};

// What the distortions about the centre measure by.
struct CentreFrame {
    double cx, cy;
    double inner;     // the radius of the largest circle inside the picture, min(w, h) / 2
    double diagonal;  // the distance from the centre to a corner
    explicit CentreFrame(const Image& image)
        : cx(image.width / 2.0),
          cy(image.height / 2.0),
          inner(std::min(image.width, image.height) / 2.0),
          diagonal(std::hypot(image.width, image.height) / 2.0) {}
};

// Every pixel of `out` from `in` at the point `from(x, y)` gives (continuous coordinates),
// the rows in bands side by side.
template <class From>
void remap(const Image& in, Image& out, From from) {
    eachRow(out.height, out.width, [&](int y) {
        uint32_t* row = out.row(y);
        for (int x = 0; x < out.width; ++x) {
            const Offset p = from(x, y);
            row[x] = bilinearAt(in, p.u, p.v);
        }
    });
}

// The same with the pixel's offset from the centre in and the source's offset out.
template <class Move>
void remapAboutCentre(const Image& in, Image& out, Move move) {
    const CentreFrame frame(out);
    remap(in, out, [&](int x, int y) {
        const Offset s = move(Offset{x + 0.5 - frame.cx, y + 0.5 - frame.cy});
        return Offset{frame.cx + s.u, frame.cy + s.v};
    });
}

// The distance from the centre (std::hypot's care for overflow is not needed here and
// costs more than the rest of a pixel's work).
inline double radiusOf(Offset p) { return std::sqrt(p.u * p.u + p.v * p.v); }

// Where a point's content comes from when the picture turns by `degrees` about the centre,
// a positive angle counterclockwise as seen on the screen.
inline Offset turnedFrom(Offset p, double degrees) {
    const double a = degrees * (M_PI / 180);
    const double c = std::cos(a), s = std::sin(a);
    return {p.u * c - p.v * s, p.u * s + p.v * c};
}

// A real argument that is not a number counts as `otherwise`.
inline double finiteOr(double v, double otherwise) { return std::isnan(v) ? otherwise : v; }

}  // namespace filterlib
