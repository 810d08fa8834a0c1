#pragma once
// Lengths of the form model. Windows and controls keep their positions in twips as
// doubles and round to pixels only when a length is applied to a widget; the screen
// is a fixed virtual one of 15 twips per pixel (96 DPI) whatever the display says.

#include <cmath>

namespace ui {

constexpr int kTwipsPerPixel = 15;

// Nearest pixel, halves to the even neighbour (7.5 px -> 8, 8.5 px -> 8).
int twipsToPixels(double twips);
inline double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }

// The coordinate systems of a container (form or picture box).
enum ScaleMode : int {
    vbUser = 0,
    vbTwips = 1,
    vbPoints = 2,
    vbPixels = 3,
    vbCharacters = 4,
    vbInches = 5,
    vbMillimeters = 6,
    vbCentimeters = 7,
};

// How a container's units map onto twips. User scales are not supported: setting
// vbUser keeps the previous unit sizes, as a scale with no custom extent would.
struct Scale {
    ScaleMode mode = vbTwips;
    double twipsPerUnitX = 1.0;
    double twipsPerUnitY = 1.0;

    static Scale of(ScaleMode mode);
    double toTwipsX(double units) const { return units * twipsPerUnitX; }
    double toTwipsY(double units) const { return units * twipsPerUnitY; }
    double fromTwipsX(double twips) const { return twips / twipsPerUnitX; }
    double fromTwipsY(double twips) const { return twips / twipsPerUnitY; }
    // Pixels of a container's client area in these units.
    double fromPixelsX(double pixels) const { return fromTwipsX(pixelsToTwips(pixels)); }
    double fromPixelsY(double pixels) const { return fromTwipsY(pixelsToTwips(pixels)); }
    int toPixelsX(double units) const { return twipsToPixels(toTwipsX(units)); }
    int toPixelsY(double units) const { return twipsToPixels(toTwipsY(units)); }
};

}  // namespace ui
