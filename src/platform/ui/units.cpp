#include "platform/ui/units.h"

#include <limits>

namespace ui {

int twipsToPixels(double twips) {
    const double pixels = twips / kTwipsPerPixel;
    // Geometry beyond the 32-bit range cannot be a real window; saturate rather than
    // invoke undefined conversion.
    if (!(pixels > -1e9)) return pixels != pixels ? 0 : -1000000000;
    if (pixels > 1e9) return 1000000000;
    return static_cast<int>(std::nearbyint(pixels));
}

Scale Scale::of(ScaleMode mode) {
    Scale s;
    s.mode = mode;
    switch (mode) {
    case vbPoints: s.twipsPerUnitX = s.twipsPerUnitY = 20.0; break;
    case vbPixels: s.twipsPerUnitX = s.twipsPerUnitY = kTwipsPerPixel; break;
    case vbCharacters: s.twipsPerUnitX = 120.0; s.twipsPerUnitY = 240.0; break;
    case vbInches: s.twipsPerUnitX = s.twipsPerUnitY = 1440.0; break;
    case vbMillimeters: s.twipsPerUnitX = s.twipsPerUnitY = 1440.0 / 25.4; break;
    case vbCentimeters: s.twipsPerUnitX = s.twipsPerUnitY = 1440.0 / 2.54; break;
    case vbUser:
    case vbTwips:
    default: s.twipsPerUnitX = s.twipsPerUnitY = 1.0; break;
    }
    return s;
}

}  // namespace ui
