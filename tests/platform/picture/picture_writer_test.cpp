// SavePicture: bitmaps as 24-bit BMPs and icons as ICO or CUR files that load back to the
// same pixels.

#include <gtest/gtest.h>

#include "oracles.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "support/temp_folder.h"

using namespace picture;
using namespace picture::test;
using namespace gdi;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

void expectSameColours(const Rgba& a, const Rgba& b) {
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    size_t differences = 0;
    for (size_t i = 0; i < a.pixels.size(); i += 4)
        for (size_t c = 0; c < 3; ++c) differences += a.pixels[i + c] != b.pixels[i + c];
    EXPECT_EQ(differences, 0u);
}

}  // namespace

TEST(SavePicture, BitmapsBecome24BitBmpsOfTheSameColours) {
    for (const char* file : {"bmpsuite/g/pal4.bmp", "bmpsuite/g/rgb32.bmp", "bmpsuite/g/pal8w126.bmp",
                             "gif/valid/hippopotamus.regular.gif", "photos/harvesters.jpeg"}) {
        SCOPED_TRACE(file);
        const Picture original = LoadPictureFromBytes(readBytes(corpus(file)));
        const std::vector<uint8_t> bmp = SavePictureToBytes(original);
        const SIZE size = original.pixelSize();
        const uint32_t rowBytes = uint32_t((size.cx * 3 + 3) / 4 * 4);
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(le32(bmp, 2), bmp.size());
        EXPECT_EQ(le32(bmp, 10), 54u);
        EXPECT_EQ(le32(bmp, 14), 40u);
        EXPECT_EQ(int32_t(le32(bmp, 22)), size.cy) << "bottom-up";
        EXPECT_EQ(bmp[28], 24);
        EXPECT_EQ(le32(bmp, 34), rowBytes * uint32_t(size.cy));
        expectSameColours(bitmapRgba(LoadPictureFromBytes(bmp)), bitmapRgba(original));
    }
}

TEST(SavePicture, IconsAndCursorsRoundTrip) {
    for (const char* file : {"ico/valid/bmp-32bpp-alpha.ico", "ico/valid/hopper.ico",
                             "ico/valid/black_and_white.ico", "ico/valid/hopper_256x256.ico",
                             "ico/valid/deerstalker.cur"}) {
        SCOPED_TRACE(file);
        const Picture original = LoadPictureFromBytes(readBytes(corpus(file)));
        const Picture again = LoadPictureFromBytes(SavePictureToBytes(original));
        ASSERT_EQ(again.Type(), kPicTypeIcon);
        expectSameColours(iconOver(again, 0xFF000000), iconOver(original, 0xFF000000));
        expectSameColours(iconOver(again, 0xFFFFFFFF), iconOver(original, 0xFFFFFFFF));
    }
    // A monochrome icon (no colour bitmap) and a cursor's hotspot.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, 16, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    info.bmiColors[1] = {255, 255, 255, 0};
    void* bits = nullptr;
    const HBITMAP mask = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* rows = static_cast<uint8_t*>(bits);  // bottom-up, 4 bytes a row
    for (int r = 0; r < 16; ++r) rows[r * 4] = uint8_t(r < 8 ? 0x0F : 0xF0);  // image low, AND high
    ICONINFO ii{FALSE, 3, 6, mask, 0};
    const Picture cursor = CreatePicture(kPicTypeIcon, CreateIconIndirect(&ii), true);
    DeleteObject(mask);
    const std::vector<uint8_t> cur = SavePictureToBytes(cursor);
    EXPECT_EQ(cur[2], 2) << "a cursor file";
    const Picture again = LoadPictureFromBytes(cur);
    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(again.Handle(), &back));
    EXPECT_FALSE(back.fIcon);
    EXPECT_EQ(back.xHotspot, 3u);
    EXPECT_EQ(back.yHotspot, 6u);
    DeleteObject(back.hbmMask);
    DeleteObject(back.hbmColor);
    expectSameColours(iconOver(again, 0xFF000000), iconOver(cursor, 0xFF000000));
    expectSameColours(iconOver(again, 0xFFFFFFFF), iconOver(cursor, 0xFFFFFFFF));
}

TEST(SavePicture, WritesTheFileAndRefusesWhatHasNoPicture) {
    testsupport::TempFolder folder;
    const Picture p = LoadPictureFromBytes(readBytes(corpus("bmpsuite/g/pal1.bmp")));
    SavePicture(p, folder.file("out.bmp"));
    EXPECT_EQ(readBytes(folder.file("out.bmp")), SavePictureToBytes(p));
    for (const Picture& none : {Picture(), NonePicture()}) {
        try {
            SavePicture(none, folder.file("none.bmp"));
            ADD_FAILURE() << "saved";
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), runtime::kErrInvalidPicture);
        }
    }
}
