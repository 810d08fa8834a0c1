#include "reference_cases.h"

#include <cstdlib>

namespace fxtest {

namespace {

// A reference that makes a look-alike from other dice or another pattern: the row checks
// only that the operation runs on the fixture, and gives the benchmark its like-for-like
// time; the family's statistics tests check the effect itself.
constexpr Tolerance kLookAlike{255, 255};

// Uniform noise of amplitude a against GEGL's, each from its own dice: two independent
// draws differ by 2a/3 on average and 2a at the most (less where the channels saturate).
Tolerance independentNoise(int a) { return {2 * a, 0.72 * a}; }

std::string addWeighted(int v) {
    return "cv2.addWeighted(b, " + decimal(v / 255.0) + ", a, " + decimal(1 - v / 255.0) + ", 0)";
}

std::string noiseRgb(int v) {
    const std::string amplitude = decimal(2.0 * std::abs(v) / 255);
    return std::string("gegl:noise-rgb linear=false gaussian=false correlated=false independent=") +
           (v > 0 ? "true" : "false") + " red=" + amplitude + " green=" + amplitude + " blue=" + amplitude + " alpha=0";
}

}  // namespace

std::vector<ReferenceCase> stochasticReferenceCases() {
    const Fixture photo = Fixture::Photo;
    std::vector<ReferenceCase> rows = {
        {"AlphaBlend_0", 38, 0, 0, photo, {Tool::OpenCV, addWeighted(0)}, kExact, false, true},
        {"AlphaBlend_128", 38, 128, 0, photo, {Tool::OpenCV, addWeighted(128)}, kExact, true, true},
        {"AlphaBlend_255", 38, 255, 0, photo, {Tool::OpenCV, addWeighted(255)}, kExact, false, true},
        {"AlphaBlend_128_Pillow", 38, 128, 0, photo, {Tool::Pillow, "Image.blend(img, img2, 128 / 255)"}, kRounding,
         true, true},
        {"Noise_40", 21, 40, 0, photo, {Tool::Gegl, noiseRgb(40)}, independentNoise(40), true},
        {"Noise_grey_40", 21, -40, 0, photo, {Tool::Gegl, noiseRgb(-40)}, independentNoise(40), false},
        {"Diffuse", 18, 0, 0, photo, {Tool::Magick, "-spread 2"}, kLookAlike, true},
        {"Melt", 25, 0, 0, photo, {Tool::Gegl, "gegl:noise-slur"}, kLookAlike, true},
        {"FrostGlass", 60, 0, 0, photo, {Tool::Gegl, "gegl:noise-spread amount-x=3 amount-y=3"}, kLookAlike, true},
        {"Canvas_64", 30, 64, 0, photo, {Tool::Gegl, "gegl:texturize-canvas"}, kLookAlike, true},
        // Displaced by the second picture itself; the check along its slope is in
        // stochastic/glass_blend_test.cpp.
        {"GlassBlendMode_255", 70, 255, 0, photo,
         {Tool::Gegl, "gegl:displace amount-x=40.64 amount-y=40.64 abyss-policy=clamp sampler-type=linear "
                      "aux=[ gegl:load path={second} ]"},
         kLookAlike, true, true},
    };
    // Two of the modes Pillow's ImageChops has, timed; every one of them is checked over
    // all pairs of channel values in stochastic/blend_effects_test.cpp.
    for (const auto& [mode, name] : {std::pair<int16_t, std::string>{1, "multiply"}, {9, "soft_light"}})
        rows.push_back({"BlendMode_" + name, 68, mode, 0, photo,
                        {Tool::Pillow, "ImageChops." + name + "(img, img2)"}, kExact, true, true});
    return rows;
}

}  // namespace fxtest
