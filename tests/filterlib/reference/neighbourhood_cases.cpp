#include "reference_cases.h"

#include "platform/gdi/gdi.h"

namespace fxtest {

namespace {

const std::string kReplicate = "borderType=cv2.BORDER_REPLICATE";

// OpenCV's Sobel derivative of `f` along x (1, 0) or y (0, 1), in floats.
std::string sobel(const char* f, const char* axes) {
    return std::string("cv2.Sobel(") + f + ", cv2.CV_32F, " + axes + ", ksize=3, " + kReplicate + ")";
}

// Sharpening's kernel: -k around, 1 + 8k in the centre, in 32-bit floats as we take k.
std::string sharpening(const std::string& k) {
    return "cv2.filter2D(a, -1, np.float32([[-" + k + "] * 3, [-" + k + ", 1 + 8 * " + k + ", -" + k + "], [-" + k +
           "] * 3]), " + kReplicate + ")";
}

// Every channel's Sobel magnitude m, drawn as 255 - gain m / 4.
std::string findEdges(int gain) {
    return "(lambda f: np.clip(255 - " + std::to_string(gain) + " * cv2.magnitude(" + sobel("f", "1, 0") + ", " +
           sobel("f", "0, 1") + ") / 4, 0, 255))(a.astype(np.float32))";
}

// C where the luma's squared Sobel magnitude exceeds (4 T)^2, else not C (BGR order).
std::string detectBorders(int t, gdi::COLORREF c) {
    const auto bgr = [](gdi::COLORREF v) {
        return "np.uint8([" + std::to_string((v >> 16) & 0xFF) + ", " + std::to_string((v >> 8) & 0xFF) + ", " +
               std::to_string(v & 0xFF) + "])";
    };
    return "(lambda g: np.where((" + sobel("g", "1, 0") + " ** 2 + " + sobel("g", "0, 1") + " ** 2 > " +
           std::to_string(16 * t * t) + ")[:, :, None], " + bgr(c) + ", " + bgr(~c & 0xFFFFFF) +
           "))(cv2.cvtColor(a, cv2.COLOR_BGR2GRAY).astype(np.float32))";
}

}  // namespace

std::vector<ReferenceCase> neighbourhoodReferenceCases() {
    const Fixture photo = Fixture::Photo;
    const gdi::COLORREF edge = gdi::RGB(250, 40, 10);
    return {
        {"Sharpening_0_3", 3, 30, 0, photo, {Tool::OpenCV, sharpening("np.float32(0.3)")}, kRounding, true},
        {"Sharpening_0_6", 3, 60, 0, photo, {Tool::OpenCV, sharpening("np.float32(0.6)")}, kRounding, false},
        {"Blur", 33, 0, 0, photo, {Tool::OpenCV, "cv2.blur(a, (3, 3), " + kReplicate + ")"}, kRounding, true},
        {"FarBlur_4", 50, 4, 0, photo, {Tool::OpenCV, "cv2.blur(a, (9, 9), " + kReplicate + ")"}, kRounding, true},
        {"FarBlur_50", 50, 50, 0, photo, {Tool::OpenCV, "cv2.blur(a, (101, 101), " + kReplicate + ")"}, kRounding,
         false},
        {"SoftenerBlur", 46, 0, 0, photo,
         {Tool::OpenCV, "(lambda k: cv2.sepFilter2D(a, -1, k, k, " + kReplicate +
                            "))(np.float32([1, 4, 6, 4, 1]) / 16)"},
         kRounding, true},
        {"AdvancedBlur_3", 45, 3, 0, photo,
         {Tool::OpenCV, "cv2.GaussianBlur(a, (0, 0), 3, " + kReplicate + ")"}, {16, 1.5}, true},
        {"UnsharpMask_amount_1", 65, 2, 0, photo,
         {Tool::Pillow, "img.filter(ImageFilter.UnsharpMask(radius=2, percent=100, threshold=0))"}, {16, 1.5},
         true},
        {"FindEdges_gain_3", 36, 2, 0, photo, {Tool::OpenCV, findEdges(3)}, kRounding, true},
        {"FindEdges_start", 36, 0, 0, photo, {Tool::OpenCV, findEdges(1)}, kRounding, false},
        {"DetectBorders_40", 32, 40, edge, Fixture::Greys, {Tool::OpenCV, detectBorders(40, edge)}, kExact, true},
        {"DetectBorders_255", 32, 255, edge, Fixture::Greys, {Tool::OpenCV, detectBorders(147, edge)}, kExact, false},
        {"SmartBlur", 44, 0, 0, photo,
         {Tool::Gegl, "gegl:gaussian-blur-selective blur-radius=2 max-delta=" + decimal(20 / 255.0)}, {12, 1.5}, true},
        {"AntiAlias", 4, 0, 0, photo, {Tool::Gegl, "gegl:antialias"}, {96, 2}, true},
        // GEGL turns its angle clockwise on the screen, and fades into transparency at the edges.
        {"MotionBlur_30", 47, 30, 0, photo, {Tool::Gegl, "gegl:motion-blur-linear length=15 angle=-30"}, {255, 6},
         true, false, 8},
        {"RadialBlur_30", 51, 30, 0, photo, {Tool::Magick, "-rotational-blur 30"}, {64, 4}, true},
        {"ZoomBlur_100", 52, 100, 0, photo, {Tool::Gegl, "gegl:motion-blur-zoom factor=0.25"}, {96, 6}, true},
        {"Relief", 34, 0, 0, photo, {Tool::Magick, "-shade 135x45"}, {48, 4}, true},
        // GEGL's window is a disc, ours a square: they part more as the radius grows.
        {"OilPaint_radius_1", 59, 50, 0, photo, {Tool::Gegl, "gegl:oilify mask-radius=1 intensities=50"}, {255, 10},
         false},
        {"OilPaint_radius_2", 59, 100, 0, photo, {Tool::Gegl, "gegl:oilify mask-radius=2 intensities=100"},
         {255, 10}, true},
    };
}

}  // namespace fxtest
