#include "reference_cases.h"

#include <cmath>

#include "platform/gdi/gdi.h"

namespace fxtest {

namespace {

// The exponent of Medium Tones at v, as EFFECTS.md gives it.
double mediumTonesExponent(int v) { return std::log((128 + v * 96.0 / 255) / 255) / std::log(128.0 / 255); }

}  // namespace

std::vector<ReferenceCase> pointReferenceCases() {
    using gdi::RGB;
    const Fixture photo = Fixture::Photo, ramp = Fixture::Ramp, greys = Fixture::Greys;
    const gdi::COLORREF tone = RGB(200, 40, 90), light = RGB(200, 150, 90), key = RGB(250, 245, 20);
    return {
        {"Brightness_plus_60", 1, 60, 0, ramp, {Tool::OpenCV, "cv2.add(a, (60, 60, 60, 0))"}, kExact, true},
        {"Brightness_minus_100", 1, -100, 0, ramp, {Tool::OpenCV, "cv2.subtract(a, (100, 100, 100, 0))"}, kExact,
         false},
        {"Contrast_1_8", 2, 180, 0, ramp,
         {Tool::Magick, "-function Polynomial 1.8," + decimal(128 * (1 - 1.8) / 255)}, kRounding, true},
        {"Contrast_0_5", 2, 50, 0, ramp,
         {Tool::Magick, "-function Polynomial 0.5," + decimal(128 * (1 - 0.5) / 255)}, kRounding, false},
        {"Gamma_2_0", 5, 50, 0, ramp, {Tool::Magick, "-gamma 2"}, kRounding, true},
        {"Gamma_0_48", 5, 12, 0, ramp, {Tool::Magick, "-gamma 0.48"}, kRounding, false},
        {"GrayScale_0", 6, 0, 0, photo, {Tool::Pillow, "img.convert('L')"}, kRounding, true},
        {"Invert_255", 7, 255, 0, ramp, {Tool::Magick, "-negate"}, kExact, true},
        {"ReduceColors_4_levels", 8, 252, 0, ramp, {Tool::Magick, "+dither -posterize 4"}, kRounding, true},
        {"ReduceColors_56_levels", 8, 200, 0, ramp, {Tool::Magick, "+dither -posterize 56"}, kRounding, false},
        {"ReduceTo8Colors", 9, 0, 0, ramp, {Tool::Magick, "+dither -posterize 2"}, kExact, true},
        {"WebColors", 53, 0, 0, ramp, {Tool::Magick, "+dither -remap netscape:"}, kExact, true},
        {"Stamp_threshold_158", 10, 60, 0, greys,
         {Tool::OpenCV, "cv2.threshold(cv2.cvtColor(a, cv2.COLOR_BGR2GRAY), 157, 255, cv2.THRESH_BINARY)[1]"},
         kExact, true},
        {"Sepia", 11, 0, 0, Fixture::GreyRamp, {Tool::Magick, "-sepia-tone 80%"}, {12, 3}, true},
        {"Solarize", 23, 0, 0, ramp, {Tool::Pillow, "ImageOps.solarize(img, 128)"}, kExact, true},
        {"Saturation_plus_128", 35, 128, 0, photo, {Tool::Pillow, "ImageEnhance.Color(img).enhance(383 / 255)"},
         kRounding, true},
        {"Saturation_grey", 35, -255, 0, photo, {Tool::Pillow, "ImageEnhance.Color(img).enhance(0)"}, kRounding,
         false},
        {"Hue_90", 37, 90, 0, photo, {Tool::Magick, "-modulate 100,100,150"}, kRounding, true},
        {"MediumTones_128", 55, 128, 0, ramp,
         {Tool::Magick, "-level 0,100%," + decimal(1 / mediumTonesExponent(128))}, kRounding, true},
        {"Tone_100", 16, 100, tone, photo,
         {Tool::Magick, "-fill " + magickColour(tone) + " -colorize " + decimal(100 / 2.55) + "%"}, kRounding, true},
        {"AmbientLight_255", 15, 255, light, photo,
         {Tool::Pillow, "ImageChops.multiply(img, Image.new('RGB', img.size, " + pythonColour(light) + "))"},
         kExact, true},
        {"BackDropRemoval_40", 13, 40, key, photo,
         {Tool::Magick, "-fuzz " + decimal(40 / 2.55) + "% -fill " + magickColour(~key & 0xFFFFFF) + " -opaque " +
                            magickColour(key)},
         {255, 1}, true},
    };
}

}  // namespace fxtest
