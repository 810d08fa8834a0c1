// cImage32: the bitmap saves (file and byte array) and the overwrite confirmation of the
// other formats' saves.

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "image/modParsers.h"
#include "image_support.h"
#include "platform/runtime/messages.h"
#include "support/temp_folder.h"

// The tests' way to the class's private members.
struct cImage32PrivateAccess {
    static bool ConfirmOverwrite(const cImage32& image, const std::string& name, bool prompt) {
        return image.ConfirmOverwrite(name, prompt);
    }
};

using namespace imagetest;
using Bytes = std::vector<uint8_t>;

namespace {

class BitmapSaving : public ImageTest {
protected:
    testsupport::TempFolder folder;
    RecordingMessages messages;

    void SetUp() override { runtime::setMessageService(&messages); }
    void TearDown() override {
        runtime::setMessageService(nullptr);
        ImageTest::TearDown();
    }

    std::string make(const std::string& name, const std::string& content) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static Bytes contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t filesInFolder() const {
        return size_t(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }
};

// The 54 header bytes of a bottom-up BMP without colour table.
Bytes header(uint32_t width, uint32_t height, uint16_t bitCount, uint32_t imageBytes) {
    const uint32_t size = 54 + imageBytes;
    const auto le32 = [](uint32_t v) {
        return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    Bytes h = {'B', 'M'};
    for (const Bytes& field : {le32(size), le32(0), le32(54), le32(40), le32(width), le32(height)})
        h.insert(h.end(), field.begin(), field.end());
    h.insert(h.end(), {1, 0, uint8_t(bitCount), 0});  // planes, bit count
    for (const Bytes& field : {le32(0), le32(imageBytes), le32(0), le32(0), le32(0), le32(0)})
        h.insert(h.end(), field.begin(), field.end());
    return h;
}

TEST_F(BitmapSaving, AnOpaqueImageIs24BitsInTheLayout) {
    cImage32 image;
    fill(image, {{{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}},
                 {{10, 11, 12, 255}, {13, 14, 15, 255}, {16, 17, 18, 255}}});
    const Bytes expected = {
        // BITMAPFILEHEADER
        'B', 'M', 78, 0, 0, 0,  // bfSize 54 + 24
        0, 0, 0, 0,             // reserved
        54, 0, 0, 0,            // bfOffBits
        // BITMAPINFOHEADER
        40, 0, 0, 0,  // biSize
        3, 0, 0, 0,   // biWidth
        2, 0, 0, 0,   // biHeight, positive: bottom row first
        1, 0,         // biPlanes
        24, 0,        // biBitCount
        0, 0, 0, 0,   // BI_RGB
        24, 0, 0, 0,  // biSizeImage: 2 rows of 9 bytes padded to 12
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolution, colours
        // bottom row, then top row; blue, green, red
        10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0,
        1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};

    Bytes stream = {0xEE};  // whatever it held goes
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream));
    EXPECT_EQ(stream, expected);
    // Kept 32 bits are asked for, but there is no transparency to keep.
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream, true, 0xFFFFFF));
    EXPECT_EQ(stream, expected);

    const std::string path = folder.file("opaque.bmp");
    ASSERT_TRUE(image.SaveToFile_Bitmap(path));
    EXPECT_EQ(contentOf(path), expected);
}

TEST_F(BitmapSaving, TransparencyKeptIs32BitsPremultipliedAsHeld) {
    cImage32 image;
    fill(image, {{{0, 0, 0, 0}, {10, 20, 30, 128}, {1, 2, 3, 255}},
                 {{64, 0, 0, 64}, {5, 6, 7, 255}, {0, 0, 0, 0}}});
    const Bytes expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: 54 + 24 bytes
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0,
        32, 0,        // biBitCount
        0, 0, 0, 0,
        24, 0, 0, 0,  // biSizeImage: 2 rows of 12, no padding
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // bottom row, then top row; blue, green, red, alpha
        64, 0, 0, 64, 5, 6, 7, 255, 0, 0, 0, 0,
        0, 0, 0, 0, 10, 20, 30, 128, 1, 2, 3, 255};
    Bytes stream;
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream, true));
    EXPECT_EQ(stream, expected);
    const std::string path = folder.file("kept.bmp");
    ASSERT_TRUE(image.SaveToFile_Bitmap(path, true, 0xFFFFFF, false));
    EXPECT_EQ(contentOf(path), expected);
}

TEST_F(BitmapSaving, TransparencyIn24BitsIsCompositedOverTheFillColour) {
    cImage32 image;
    // Half transparent red 128 (premultiplied 64), transparent, opaque.
    fill(image, {{{0, 0, 64, 128}, {0, 0, 0, 0}, {10, 20, 30, 255}}});
    struct Case {
        int32_t fill;  // &HBBGGRR
        Bytes row;     // blue, green, red per pixel, then the padding
    };
    const Case cases[] = {
        {0x000000, {0, 0, 64, 0, 0, 0, 10, 20, 30, 0, 0, 0}},
        {0xFFFFFF, {127, 127, 191, 255, 255, 255, 10, 20, 30, 0, 0, 0}},
        {0x0000FF, {0, 0, 191, 0, 0, 255, 10, 20, 30, 0, 0, 0}},  // red
        // c + bg x (255 - 128) \ 255: 16 -> 7, 32 -> 15, 48 -> 23
        {0x102030, {7, 15, 87, 16, 32, 48, 10, 20, 30, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fill);
        Bytes expected = header(3, 1, 24, 12);
        expected.insert(expected.end(), c.row.begin(), c.row.end());
        Bytes stream;
        ASSERT_TRUE(image.SaveToStream_Bitmap(stream, false, c.fill));
        EXPECT_EQ(stream, expected);
    }
    // The default is black.
    const std::string path = folder.file("over-black.bmp");
    ASSERT_TRUE(image.SaveToFile_Bitmap(path));
    Bytes overBlack = header(3, 1, 24, 12);
    overBlack.insert(overBlack.end(), cases[0].row.begin(), cases[0].row.end());
    EXPECT_EQ(contentOf(path), overBlack);
}

// A picture of several bands (a megabyte of rows each): every row blended as the whole
// image blended at once gives it, padding zero.
TEST_F(BitmapSaving, TransparencyIn24BitsIsCompositedABandAtATime) {
    constexpr int kWidth = 701, kHeight = 1500;
    cImage32 image;
    std::mt19937 random(3);
    randomImage(image, kWidth, kHeight, true, random);
    const int32_t fill = 0x102030;
    ByteArray blended;
    modParsers::BlendToBackgroundColor(image, fill, blended, true);
    Bytes expected = header(kWidth, kHeight, 24, uint32_t(blended.span().size()));
    expected.insert(expected.end(), blended.span().begin(), blended.span().end());
    Bytes stream;
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream, false, fill));
    EXPECT_TRUE(stream == expected);
}

TEST_F(BitmapSaving, SizesAndTheBlankImage) {
    cImage32 image;
    ASSERT_TRUE(image.InitializeDIB(2, 2));  // blank: every byte 0 counts as opaque black
    Bytes stream;
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream, true));
    ASSERT_EQ(stream.size(), 70u) << "54 + 2 rows of 8 bytes";
    Bytes expected = header(2, 2, 24, 16);
    expected.resize(70, 0);
    EXPECT_EQ(stream, expected);

    // Rows of 5 pixels are 15 bytes padded to 16.
    ASSERT_TRUE(image.InitializeDIB(5, 3));
    ASSERT_TRUE(image.SaveToStream_Bitmap(stream));
    EXPECT_EQ(stream.size(), 54u + 3 * 16);
}

TEST_F(BitmapSaving, WithoutAnImageOrANameNothingIsWritten) {
    cImage32 empty, image;
    fill(image, {{{1, 2, 3, 255}}});
    Bytes stream = {1, 2, 3};
    EXPECT_FALSE(empty.SaveToStream_Bitmap(stream));
    EXPECT_EQ(stream, (Bytes{1, 2, 3}));

    // A file of that name keeps what it held; none is made where there was none.
    const std::string path = make("TmpFile.bmp", "the previous picture");
    EXPECT_FALSE(empty.SaveToFile_Bitmap(path));
    EXPECT_EQ(contentOf(path), Bytes(std::begin("the previous picture"), std::end("the previous picture") - 1));
    EXPECT_FALSE(empty.SaveToFile_Bitmap(folder.file("new.bmp"), false, 0, false));
    EXPECT_EQ(filesInFolder(), 1u);

    EXPECT_FALSE(image.SaveToFile_Bitmap("")) << "a file needs a name";
    EXPECT_FALSE(image.SaveToFile_Bitmap("", true, 0, false));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(BitmapSaving, SavingOverAnExistingFileAsksNothing) {
    const std::string path = make("TmpFile.bmp", "old");
    ::chmod(path.c_str(), 0640);
    cImage32 first, second;
    fill(first, {{{1, 2, 3, 255}}});
    fill(second, {{{9, 8, 7, 255}, {6, 5, 4, 255}}});
    Bytes expected;
    for (cImage32* image : {&first, &second}) {
        ASSERT_TRUE(image->SaveToFile_Bitmap(path, false, 0, true));
        ASSERT_TRUE(image->SaveToStream_Bitmap(expected));
        EXPECT_EQ(contentOf(path), expected);
    }
    EXPECT_TRUE(messages.calls.empty()) << messages.calls.front().prompt;
    EXPECT_EQ(testsupport::modeOf(path), 0640u) << "the file keeps its mode bits";
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(BitmapSaving, AFailedWriteKeepsTheOldFile) {
    cImage32 image;
    fill(image, {{{1, 2, 3, 255}, {4, 5, 6, 255}}, {{7, 8, 9, 255}, {1, 1, 1, 255}}});
    // The disk fills up in the header, and in the rows.
    for (int64_t room : {0, 20, 60}) {
        SCOPED_TRACE(room);
        const std::string path = make("picture.bmp", "the old picture");
        sys::testing::failWritesBeyond(room);
        EXPECT_FALSE(image.SaveToFile_Bitmap(path));
        sys::testing::failWritesBeyond(-1);
        EXPECT_EQ(contentOf(path), Bytes(std::begin("the old picture"), std::end("the old picture") - 1));
        EXPECT_EQ(filesInFolder(), 1u) << "no temporary file left behind";
    }
    EXPECT_FALSE(image.SaveToFile_Bitmap(folder.file("missing/picture.bmp")));
}

TEST_F(BitmapSaving, AReadOnlyFileIsKept) {
    cImage32 image;
    fill(image, {{{1, 2, 3, 255}}});
    const std::string path = make("TmpFile.bmp", "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(image.SaveToFile_Bitmap(path, false, 0, false));
    EXPECT_EQ(contentOf(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(testsupport::modeOf(path), 0444u);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(filesInFolder(), 1u);
}

// ---- ConfirmOverwrite -------------------------------------------------------------------------

TEST_F(BitmapSaving, ConfirmOverwriteAllowsAnExistingFileToBeReplacedAndKeepsIt) {
    cImage32 image;
    fill(image, {{{1, 2, 3, 255}}});
    const int style = runtime::vbYesNo + runtime::vbQuestion + runtime::vbDefaultButton2;
    ASSERT_EQ(style, 292);
    struct Case {
        const char* name;
        bool exists, readOnly, prompt;
        int answer;
        bool result, asked;
    };
    // The file stays in every case: the writer replaces it whole once its file is complete.
    const Case cases[] = {
        {"no file: nothing to ask", false, false, true, runtime::vbYes, true, false},
        {"no prompt: allowed unasked", true, false, false, runtime::vbNo, true, false},
        {"asked, No: refused", true, false, true, runtime::vbNo, false, true},
        {"asked, Yes: allowed", true, false, true, runtime::vbYes, true, true},
        {"read-only: allowed, the attribute cleared", true, true, false, runtime::vbYes, true, false},
        {"read-only, asked, No: kept read-only", true, true, true, runtime::vbNo, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file("picture.png");
        std::filesystem::remove(path);
        if (c.exists) make("picture.png", "old");
        if (c.readOnly) ::chmod(path.c_str(), 0444);
        messages.calls.clear();
        messages.answer = c.answer;
        EXPECT_EQ(cImage32PrivateAccess::ConfirmOverwrite(image, path, c.prompt), c.result);
        ASSERT_EQ(messages.calls.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(messages.calls[0].prompt, "Overwrite existing file?");
            EXPECT_EQ(messages.calls[0].style, style);
            EXPECT_EQ(messages.calls[0].title, "Overwrite Confirmation");
        }
        EXPECT_EQ(std::filesystem::exists(path), c.exists);
        if (c.readOnly) {
            EXPECT_EQ(sys::isReadOnly(path), !c.result);
        }
    }
}

TEST_F(BitmapSaving, ConfirmOverwriteRefusesWithoutImageOrNameAndForAFolder) {
    cImage32 image, empty;
    fill(image, {{{1, 2, 3, 255}}});
    const std::string path = make("picture.png", "old");
    EXPECT_FALSE(cImage32PrivateAccess::ConfirmOverwrite(empty, path, false)) << "no image";
    EXPECT_FALSE(cImage32PrivateAccess::ConfirmOverwrite(image, "", false)) << "no name";
    EXPECT_FALSE(cImage32PrivateAccess::ConfirmOverwrite(image, folder.path(), false)) << "a folder";
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(messages.calls.empty());
}

}  // namespace
