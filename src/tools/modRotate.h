#pragma once
// The rotate window's pixel routine: draws a bitmap turned about a point of a device
// context, through the gdi layer.

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace modRotate {

// Draws the source bitmap, turned by `angle` degrees (clockwise on the screen), centred
// on (cx, cy) of the destination. A square of the source's diagonal plus 2 pixels is
// taken from the destination around the centre, every square pixel whose backward
// mapping lands inside the source takes that source pixel (nearest, halves to even),
// and the square is written back, clipped by the destination. Colours pass unchanged;
// alpha is dropped.
//
// A handle that is not a bitmap (an icon, a metafile, nothing) draws nothing, and so
// does a failure to create the square's bitmap. Raises Overflow (6) when the squared
// diagonal leaves the signed 32-bit range, and Out of memory (7) when the pixel buffers
// cannot be allocated; the gdi objects it made are released either way.
void RotateBitmapAroundPoint(gdi::HDC hDestDC, int32_t cx, int32_t cy, gdi::HDC hSrcDC,
                             gdi::HBITMAP hSrcBitmap, int32_t angle);

// Degrees to radians as the routine converts them: 3.14159265358979 / 180. The constant
// is not the double nearest pi / 180, so sin(360 degrees) is a tiny negative number.
constexpr double kRadiansPerDegree = 0.017453292519943278;

}  // namespace modRotate
