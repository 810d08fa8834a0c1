// The hidden decoder: loaded on first use with one GDI+ session for the run, decoding the
// file DibImageFile names into its image, and leaving no image for a file it cannot read,
// so its callers never show an earlier file's picture.

#include "platform/sys/files.h"
#include "platform/sys/libraries.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"
#include "tools/picture_decoder.h"

namespace {

std::string corpus(const std::string& relative) {
    return std::string(testsupport::corporaFolder()) + "/" + relative;
}

class HiddenDecoder : public testsupport::ProgramFolderTest {
protected:
    void TearDown() override {
        tools::UnloadDecoder();
        sys::clearAbsentLibraries();
        ProgramFolderTest::TearDown();
    }
    frmDecoder& decode(const std::string& path) {
        Module1::DibImageFile = QString::fromStdString(path);
        frmDecoder& decoder = tools::Decoder();
        decoder.ShowImage(true, false);
        return decoder;
    }
};

TEST_F(HiddenDecoder, FirstUseStartsOneSessionAndDecodes) {
    frmDecoder& decoder = decode(corpus("pngsuite/png/bgan6a08.png"));
    ASSERT_TRUE(decoder.cImage.isGDIplusEnabled());
    EXPECT_NE(decoder.DibGdipToken, 0);
    EXPECT_EQ(decoder.cImage.gdiToken(), decoder.DibGdipToken);
    EXPECT_TRUE(decoder.cImage.HighQualityInterpolation());
    EXPECT_NE(decoder.cImage.Handle(), 0u);
    EXPECT_EQ(decoder.cImage.Width(), 32);
    EXPECT_EQ(decoder.cImage.ImageType(), cImage32::ImageTypePNG);
}

TEST_F(HiddenDecoder, UnreadableFilesLeaveNoImageToSave) {
    const std::string shortFile = folder.file("short.png");
    sys::writeFile(shortFile, std::vector<uint8_t>(56, 0x89));
    const std::string unknownFile = folder.file("unknown.tga");
    sys::writeFile(unknownFile, std::vector<uint8_t>(57, 0xFF));
    const std::string bitmap = folder.file("TmpFile.bmp");

    for (const std::string& path : {folder.file("missing.png"), std::string(), shortFile, unknownFile}) {
        SCOPED_TRACE(path);
        ASSERT_NE(decode(corpus("tga/valid/200x32_rgb_bl_raw.tga")).cImage.Handle(), 0u);
        frmDecoder& decoder = decode(path);
        EXPECT_EQ(decoder.cImage.Handle(), 0u) << "the earlier picture is gone";
        EXPECT_EQ(decoder.cImage.ImageType(), cImage32::ImageTypeNone);
        EXPECT_FALSE(decoder.cImage.SaveToFile_Bitmap(bitmap, false, 0, true));
        EXPECT_FALSE(sys::fileExists(bitmap)) << "nothing written";
    }
}

// The bitmap the caller shows is the one copy of the picture that stays: the decoder's own
// is let go once written.
TEST_F(HiddenDecoder, WritingTheBitmapLetsThePictureGo) {
    const std::string bitmap = folder.file("TmpFile.bmp");
    frmDecoder& decoder = decode(corpus("tga/valid/200x32_rgb_bl_raw.tga"));
    ASSERT_NE(decoder.cImage.Handle(), 0u);
    EXPECT_TRUE(tools::WriteDecodedBitmap(bitmap));
    EXPECT_EQ(decoder.cImage.Handle(), 0u);
    const std::vector<uint8_t> written = sys::readFile(bitmap);
    ASSERT_GE(written.size(), 54u);
    EXPECT_EQ(written[28], 24) << "24 bits a pixel";
    EXPECT_EQ(written[18] | written[19] << 8, 200);
    EXPECT_FALSE(tools::WriteDecodedBitmap(bitmap)) << "nothing left to write";
}

TEST_F(HiddenDecoder, IconsGiveTheirLargestEntryAtFullDepth) {
    // Entries of 16 to 48 pixels at 4, 8 and 32 bits; the image class alone would take 32x32.
    frmDecoder& decoder = decode(corpus("ico/valid/multiple_entries_with_different_bit_depth.ico"));
    EXPECT_EQ(decoder.cImage.Width(), 48);
    EXPECT_EQ(decoder.cImage.Height(), 48);
    EXPECT_EQ(decoder.cImage.ImageType(), cImage32::ImageTypeAlphaIcon);
}

TEST_F(HiddenDecoder, WithoutGdiplusOwnReadersStillDecodeButTiffIsLost) {
    sys::setLibraryAbsent("gdiplus.dll", true);
    frmDecoder& decoder = decode(corpus("pngsuite/png/basn2c08.png"));
    EXPECT_EQ(decoder.DibGdipToken, 0);
    EXPECT_EQ(decoder.cImage.gdiToken(), 0);
    EXPECT_FALSE(decoder.cImage.HighQualityInterpolation());
    EXPECT_EQ(decoder.cImage.ImageType(), cImage32::ImageTypePNG);

    decode(std::string(testsupport::fixturesFolder()) + "/catalogue/small.tif");
    EXPECT_EQ(decoder.cImage.Handle(), 0u);
}

}  // namespace
