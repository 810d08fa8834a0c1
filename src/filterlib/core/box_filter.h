#pragma once
// Window means by separable running sums: each output costs the same whatever the
// radius. The picture's edge pixels are repeated where a window reaches outside it.

#include "filterlib/core/image.h"

namespace filterlib {

// The mean of each channel over the (2 rx + 1) x (2 ry + 1) window centred on each pixel,
// the whole window's sum divided once, halves to even. dest may not share source's memory.
// Radii below 0 count as 0, above kLargestBoxRadius as that; radius 0 on both axes copies
// (the high bytes written 0).
constexpr int kLargestBoxRadius = 1000;
void boxBlur(const Image& source, Image& dest, int rx, int ry);

// A Gaussian of standard deviation sigma made of `passes` box passes whose widths follow
// from sigma (the widths whose variances add up closest to sigma squared); each pass
// rounds to whole channel values. sigma <= 0 copies.
void gaussianBlur(const Image& source, Image& dest, double sigma, int passes = 3);

// The box radii of those passes, for tests and for effects that need them.
void gaussianBoxRadii(double sigma, int passes, int* radii);

}  // namespace filterlib
