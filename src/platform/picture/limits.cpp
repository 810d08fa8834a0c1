#include "platform/picture/limits.h"

#include <string>

#include "platform/picture/invalid_picture.h"
#include "platform/picture/picture.h"

namespace picture {

namespace {
int64_t gPixelLimit = detail::kDefaultPixelLimit;
}  // namespace

namespace testing {
void setPixelLimit(int64_t pixels) {
    gPixelLimit = pixels < 0 ? detail::kDefaultPixelLimit : pixels;
}
}  // namespace testing

namespace detail {

int64_t pixelLimit() { return gPixelLimit; }

void checkPictureSize(const char* format, int64_t width, int64_t height, int bpp) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width < 1 || height < 1) refuse(std::string(format) + ": empty picture " + size);
    // Both factors are below 2^32, so the products fit 64 bits.
    if (width > 0xFFFFFFFFll || height > 0xFFFFFFFFll || width * height > gPixelLimit ||
        dibStride(width, bpp) * height > kMaxDibBytes)
        refuse(std::string(format) + ": " + size + " is too large");
}

}  // namespace detail

}  // namespace picture
