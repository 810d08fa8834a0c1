// modParsers: picture objects from a range of a byte array and from a handle.

#include "image/modParsers.h"
#include "image_support.h"

using namespace imagetest;
using namespace modParsers;

namespace {

class Pictures : public ImageTest {};

void le(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A 1 x 1 24-bit BMP of the given blue, green, red.
std::vector<uint8_t> tinyBmp(uint8_t b, uint8_t g, uint8_t r) {
    std::vector<uint8_t> f{'B', 'M'};
    le(f, 58, 4);  // file size
    le(f, 0, 4);   // reserved
    le(f, 54, 4);  // offset of the pixels
    le(f, 40, 4);  // BITMAPINFOHEADER
    le(f, 1, 4);   // width
    le(f, 1, 4);   // height
    le(f, 1, 2);   // planes
    le(f, 24, 2);  // bits per pixel
    le(f, 0, 4);   // BI_RGB
    le(f, 4, 4);   // image bytes
    f.insert(f.end(), 16, 0);  // resolution and colour counts
    f.insert(f.end(), {b, g, r, 0});  // one row, padded to 4 bytes
    return f;
}

TEST_F(Pictures, ArrayToStdPictureLoadsTheRangeGiven) {
    std::vector<uint8_t> bytes{0xEE, 0xEE, 0xEE};
    const auto bmp = tinyBmp(10, 20, 30);
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    bytes.push_back(0xEE);

    const picture::Picture p = ArrayToStdPicture(bytes, 3, int64_t(bmp.size()));
    ASSERT_TRUE(p);
    EXPECT_EQ(p.Type(), picture::kPicTypeBitmap);
    EXPECT_EQ(p.pixelSize().cx, 1);
    EXPECT_EQ(p.pixelSize().cy, 1);
    gdi::BITMAP bm{};
    ASSERT_NE(gdi::GetObject(p.Handle(), sizeof bm, &bm), 0);
    const auto* px = static_cast<const uint8_t*>(bm.bmBits);
    EXPECT_EQ(px[0], 10);
    EXPECT_EQ(px[2], 30);

    EXPECT_FALSE(ArrayToStdPicture(bytes, 0, int64_t(bytes.size()))) << "not a picture from there";
    EXPECT_FALSE(ArrayToStdPicture(bytes, 3, 0));
    EXPECT_THROW(ArrayToStdPicture(bytes, 5, int64_t(bmp.size())), runtime::Error)
        << "one byte past the array";
    EXPECT_THROW(ArrayToStdPicture(bytes, -1, 2), runtime::Error);
}

TEST_F(Pictures, HandleToStdPictureOwnsTheHandle) {
    gdi::BITMAPINFO info{};
    info.bmiHeader = {40, 2, 3, 1, 32, gdi::BI_RGB, 0, 0, 0, 0, 0};
    const gdi::HBITMAP bitmap = gdi::CreateDIBSection(0, &info, gdi::DIB_RGB_COLORS, nullptr, nullptr, 0);
    ASSERT_NE(bitmap, 0u);
    {
        const picture::Picture p = HandleToStdPicture(bitmap, picture::kPicTypeBitmap);
        EXPECT_EQ(p.Type(), picture::kPicTypeBitmap);
        EXPECT_EQ(p.Handle(), bitmap);
        EXPECT_TRUE(p.ownsHandle());
        EXPECT_EQ(p.pixelSize().cy, 3);
    }
    EXPECT_EQ(gdi::GetObjectType(bitmap), 0u) << "the picture deleted the bitmap when it went";

    const gdi::HBRUSH brush = gdi::CreateSolidBrush(0);
    try {
        HandleToStdPicture(brush, picture::kPicTypeBitmap);
        ADD_FAILURE() << "a brush is no bitmap";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrInvalidPicture);
    }
    gdi::DeleteObject(brush);
}

}  // namespace
