#include <string>

#include "reference_cases.h"

namespace fxtest {

namespace {

// OpenCV's area shrink by a whole block size followed by the nearest enlargement back.
std::string blocksOf(int b) {
    const std::string n = std::to_string(b);
    return "cv2.resize(cv2.resize(a, (a.shape[1] // " + n + ", a.shape[0] // " + n +
           "), interpolation=cv2.INTER_AREA), (a.shape[1], a.shape[0]), interpolation=cv2.INTER_NEAREST)";
}

// The kernel with a quarter at distance d left, right, above and below its centre.
std::string fourTapsOf(int d) {
    const std::string n = std::to_string(d), size = std::to_string(2 * d + 1), far = std::to_string(2 * d);
    return "cv2.filter2D(a, -1, np.float32([[0.25 if (i, j) in ((0, " + n + "), (" + far + ", " + n + "), (" + n +
           ", 0), (" + n + ", " + far + ")) else 0 for j in range(" + size + ")] for i in range(" + size +
           ")]), borderType=cv2.BORDER_REPLICATE)";
}

}  // namespace

std::vector<ReferenceCase> geometricReferenceCases() {
    const Fixture photo = Fixture::Photo;
    const Tolerance peer{255, 24}, loosePeer{255, 32};
    return {
        {"Mosaic_8", 12, 8, 0, photo, {Tool::OpenCV, blocksOf(8)}, kRounding, true},
        {"Mosaic_16", 12, 16, 0, photo, {Tool::OpenCV, blocksOf(16)}, kRounding, false},
        {"Fragment_3", 49, 3, 0, photo, {Tool::OpenCV, fourTapsOf(3)}, kRounding, true},
        {"Fragment_50", 49, 50, 0, photo, {Tool::OpenCV, fourTapsOf(50)}, kRounding, false},
        {"Twirl_50", 27, 50, 0, photo, {Tool::Gegl, "gegl:whirl-pinch whirl=180 pinch=0 radius=1"}, peer, true},
        {"Twirl_minus_50", 27, -50, 0, photo, {Tool::Gegl, "gegl:whirl-pinch whirl=-180 pinch=0 radius=1"}, peer,
         false},
        {"TwirlEx_minus_40", 69, 40, 0, photo, {Tool::Gegl, "gegl:whirl-pinch whirl=-144 pinch=0.2 radius=1"}, peer,
         true},
        {"Swirl_60", 28, 60, 0, photo, {Tool::Magick, "-swirl 60"}, peer, true},
        {"Swirl_minus_60", 28, -60, 0, photo, {Tool::Magick, "-swirl -60"}, peer, false},
        {"FishEye", 26, 0, 0, photo, {Tool::Gegl, "gegl:apply-lens refraction-index=1.7 keep-surroundings=true"},
         loosePeer, true},
        {"FishEyeEx_128", 62, 128, 0, photo, {Tool::Gegl, "gegl:spherize amount=0.5"}, peer, true},
        {"FishEyeEx_minus_128", 62, -128, 0, photo, {Tool::Gegl, "gegl:spherize amount=-0.5"}, peer, false},
        {"Cylindrical_15", 64, 15, 0, photo, {Tool::Gegl, "gegl:spherize mode=horizontal amount=0.5"}, peer, true},
        // GEGL's radius ends at the inscribed circle, ours at the corners: the source is first
        // stretched to a square as wide as the picture's diagonal (for the 48 x 32 fixture),
        // whose centre the comparison cuts out. Not timed: the stretch is not like for like.
        {"PolarCoordinates", 58, 0, 0, photo,
         {Tool::Gegl, "gegl:scale-size x=57.69 y=57.69 gegl:polar-coordinates"}, loosePeer, false},
        {"Caricature", 41, 0, 0, photo, {Tool::Magick, "-implode -0.5"}, loosePeer, true},
        {"Make3DEffect", 39, 0, 0, photo, {Tool::Magick, "-raise 6"}, {12, 3}, true},
        // ImageMagick waves one axis at a time: the columns, then (turned) the rows.
        {"Waves_4", 31, 4, 0, photo,
         {Tool::Magick, "-virtual-pixel edge -wave -4x32 -rotate 90 -wave 4x32 -rotate -90"}, loosePeer, true},
        // GEGL's ripples move every point along the diagonal by the ripple's amount rather
        // than along its radius, so the two agree only at small amplitudes.
        {"CircularWaves_2", 56, 2, 0, photo, {Tool::Gegl, "gegl:waves amplitude=2 period=12 phi=0 clamp=true"}, peer,
         true},
        {"CircularWavesEx_2", 57, 2, 0, photo, {Tool::Gegl, "gegl:waves amplitude=2 period=16 phi=0 clamp=true"},
         peer, true},
    };
}

}  // namespace fxtest
