#include "image/StdFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/runtime/error.h"

namespace {

constexpr int64_t kTenThousandthsPerPoint = 10000;
constexpr int64_t kTwipsPerPoint = 20;
constexpr int64_t kMaxExactTenThousandths = int64_t{1} << 53;
constexpr gdi::BYTE kClearTypeNaturalQuality = 6;

// a / b rounded to the nearest whole number, halves to even (b > 0).
int64_t divideHalfEven(int64_t a, int64_t b) {
    int64_t q = a / b, r = a % b;
    if (r < 0) r += b, --q;  // floor division: 0 <= r < b
    if (2 * r > b || (2 * r == b && (q & 1))) ++q;
    return q;
}

}  // namespace

FontSize FontSize::points(double value) {
    const double scaled = std::nearbyint(value * double(kTenThousandthsPerPoint));
    if (std::isnan(scaled)) return {0};
    return {int64_t(std::clamp(scaled, -double(kMaxExactTenThousandths), double(kMaxExactTenThousandths)))};
}

gdi::LOGFONTW LogFontOf(const StdFont& font) {
    gdi::LOGFONTW log{};
    // Ten-thousandths of a point x 20 / 10000 = twips; |tenThousandths| < 2^63 / 20 can
    // overflow only for sizes no record holds after FontSize::points, so check first.
    const int64_t t = font.Size.tenThousandths;
    if (t > INT64_MAX / kTwipsPerPoint || t < INT64_MIN / kTwipsPerPoint) runtime::raise(runtime::kErrOverflow);
    const int64_t twips = divideHalfEven(t * kTwipsPerPoint, kTenThousandthsPerPoint);
    if (twips > INT32_MAX || twips <= INT32_MIN) runtime::raise(runtime::kErrOverflow);
    log.lfHeight = gdi::LONG(-twips / gdi::kTwipsPerPixel);
    log.lfWeight = font.Weight;
    log.lfItalic = font.Italic ? 1 : 0;
    log.lfUnderline = font.Underline ? 1 : 0;
    log.lfStrikeOut = font.Strikethrough ? 1 : 0;
    if (font.Charset < 0 || font.Charset > 255) runtime::raise(runtime::kErrOverflow);
    log.lfCharSet = gdi::BYTE(font.Charset);
    log.lfQuality = kClearTypeNaturalQuality;
    size_t length = std::min<size_t>(font.Name.size(), 31);
    // The high half of a surrogate pair does not stay without its low half.
    if (length == 31 && font.Name.size() > 31 && font.Name[30] >= 0xD800 && font.Name[30] < 0xDC00) --length;
    std::copy_n(font.Name.begin(), length, log.lfFaceName);
    return log;
}
