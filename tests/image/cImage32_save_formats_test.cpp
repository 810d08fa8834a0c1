// cImage32: saving as PNG, JPEG, GIF and TGA: which writer each save goes to (seen through
// the GDI+ stand-in's save counter and the bytes of the own writers), the PNG properties
// and their holder, and the confirmation and failures every file save shares.

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

#include "codecs/PngPropertyStore.h"
#include "codecs/cGIFparser.h"
#include "codecs/cJPGWriter.h"
#include "codecs/cTGAparser.h"
#include "codecs/png_support.h"
#include "image_support.h"
#include "platform/runtime/error.h"
#include "support/temp_folder.h"

using namespace imagetest;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

class FormatSaving : public ImageTest {
protected:
    testsupport::TempFolder folder;
    RecordingMessages messages;
    cImage32 image;

    void SetUp() override {
        runtime::setMessageService(&messages);
        std::mt19937 random(7);
        randomImage(image, 13, 7, true, random);
    }
    void TearDown() override {
        runtime::setMessageService(nullptr);
        ImageTest::TearDown();
    }
    static Bytes contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void markGDIplusAbsent() { sys::setLibraryAbsent("gdiplus.dll", true); }
    // GDI+ saves made while `save` runs.
    static uint64_t gdiplusSaves(const std::function<void()>& save) {
        const uint64_t before = gdiplus::testing::saveImageCalls();
        save();
        return gdiplus::testing::saveImageCalls() - before;
    }
};

// ---- the writer each save goes to -----------------------------------------------------------

TEST_F(FormatSaving, PngGoesToGDIplusFirstUnlessPropertiesAreHeld) {
    const std::string path = folder.file("picture.png");
    const auto savePng = [&] { EXPECT_TRUE(image.SaveToFile_PNG(path, false)); };

    EXPECT_EQ(gdiplusSaves(savePng), 1u) << "no properties: GDI+";
    const Bytes viaGDIplus = contentOf(path);
    ASSERT_GT(viaGDIplus.size(), 8u);
    EXPECT_EQ(Bytes(viaGDIplus.begin(), viaGDIplus.begin() + 8), kPngSignature);

    ASSERT_TRUE(image.PngPropertySet(codecs::PngPropertyTitle, runtime::Variant("Harbour at dawn")));
    EXPECT_EQ(gdiplusSaves(savePng), 0u) << "a property held: the own writer";
    const auto inspected = pngtest::libpngInspect(contentOf(path));
    ASSERT_TRUE(inspected);
    ASSERT_EQ(inspected->texts.size(), 1u);
    EXPECT_EQ(inspected->texts[0].keyword, "Title");
    EXPECT_EQ(inspected->texts[0].text, "Harbour at dawn");

    Bytes stream;
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToStream_PNG(stream)); }), 0u);
    EXPECT_EQ(stream, contentOf(path)) << "the array form takes the same road";

    EXPECT_TRUE(image.PngPropertySet(-1));
    EXPECT_EQ(gdiplusSaves(savePng), 1u) << "properties dropped: GDI+ first again";
    const auto plain = pngtest::libpngInspect(contentOf(path));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->texts.empty());
}

TEST_F(FormatSaving, PngFallsBackFromEitherWriterToTheOther) {
    const std::string path = folder.file("picture.png");
    markGDIplusAbsent();
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToFile_PNG(path, false)); }), 0u);
    EXPECT_TRUE(pngtest::libpngInspect(contentOf(path))) << "GDI+ absent: the own writer";

    sys::clearAbsentLibraries();
    // The holder's writer fails without zlib; GDI+ then writes the file, without the text.
    ASSERT_TRUE(image.PngPropertySet(codecs::PngPropertyAuthor, runtime::Variant("Ann")));
    sys::setLibraryAbsent("zlib1.dll", true);
    sys::setLibraryAbsent("zlib.dll", true);
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToFile_PNG(path, false)); }), 1u);
    sys::clearAbsentLibraries();
    const auto inspected = pngtest::libpngInspect(contentOf(path));
    ASSERT_TRUE(inspected);
    EXPECT_TRUE(inspected->texts.empty());
}

TEST_F(FormatSaving, JpegFileFallsBackToTheOwnWriterAtItsQualityAndTheArrayFormDoesNot) {
    const std::string path = folder.file("picture.jpg");
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToFile_JPG(path, 70, 0, false)); }), 1u);

    markGDIplusAbsent();
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToFile_JPG(path, 70, 0xFF, false)); }), 0u);
    Bytes own;
    ASSERT_TRUE(codecs::cJPGWriter().SaveAsJPG("", own, &image, 70, 0xFF));
    EXPECT_EQ(contentOf(path), own);
    ASSERT_TRUE(image.SaveToFile_JPG(path, 70, 0, false));
    ASSERT_TRUE(codecs::cJPGWriter().SaveAsJPG("", own, &image, 70, 0));
    EXPECT_EQ(contentOf(path), own) << "quality 70 and black by default";

    // Out of a byte's range: Overflow reaches the caller and the file stays.
    try {
        image.SaveToFile_JPG(path, 256, 0, false);
        ADD_FAILURE() << "no error raised";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), runtime::kErrOverflow);
    }
    EXPECT_EQ(contentOf(path), own);

    Bytes stream = {1, 2};
    EXPECT_FALSE(image.SaveToStream_JPG(stream)) << "no fall-back for the array form";
    sys::clearAbsentLibraries();
    EXPECT_EQ(gdiplusSaves([&] { EXPECT_TRUE(image.SaveToStream_JPG(stream, 90)); }), 1u);
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 2), (Bytes{0xFF, 0xD8}));
}

// libjpeg-turbo, which reads JPEG here, decodes no side above 65500: through GDI+ and the
// own writer alike, a wider picture is not saved and the file of that name stays as it was.
TEST_F(FormatSaving, JpegIsSavedOnlyAsLargeAsItCanBeRead) {
    for (const bool gdiplusPresent : {true, false}) {
        SCOPED_TRACE(gdiplusPresent ? "GDI+" : "own writer");
        if (!gdiplusPresent) markGDIplusAbsent();
        for (const auto& [width, height] : {std::pair{65501, 1}, {1, 65501}, {65535, 1}}) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            cImage32 large;
            ASSERT_TRUE(large.InitializeDIB(width, height));
            const std::string fresh = folder.file("fresh.jpg"), existing = folder.file("existing.jpg");
            std::ofstream(existing) << "old";
            EXPECT_FALSE(large.SaveToFile_JPG(fresh, 70, 0, false));
            EXPECT_FALSE(large.SaveToFile_JPG(existing, 70, 0, false));
            EXPECT_FALSE(std::filesystem::exists(fresh));
            EXPECT_EQ(contentOf(existing), (Bytes{'o', 'l', 'd'}));
            Bytes stream;
            EXPECT_FALSE(large.SaveToStream_JPG(stream));
        }
        for (const auto& [width, height] : {std::pair{65500, 1}, {1, 65500}}) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            cImage32 largest;
            ASSERT_TRUE(largest.InitializeDIB(width, height));
            largest.Alpha(cImage32::AlphaOpaque);
            const std::string path = folder.file("largest.jpg");
            ASSERT_TRUE(largest.SaveToFile_JPG(path, 70, 0, false));
            // Read through GDI+: the platform picture loader's HIMETRIC sizes stop short
            // of such widths.
            sys::clearAbsentLibraries();
            cImage32 back;
            ASSERT_TRUE(back.LoadPicture_File(path));
            EXPECT_EQ(back.Width(), width);
            EXPECT_EQ(back.Height(), height);
            if (!gdiplusPresent) markGDIplusAbsent();
        }
        sys::clearAbsentLibraries();
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2)
        << "nothing but the old file and the largest picture";
}

TEST_F(FormatSaving, GifAndTgaGoToTheOwnWritersWithTheirOptions) {
    const std::string gif = folder.file("picture.gif"), tga = folder.file("picture.tga");
    EXPECT_EQ(gdiplusSaves([&] {
                  EXPECT_TRUE(image.SaveToFile_GIF(gif, false, 200, false));
                  EXPECT_TRUE(image.SaveToFile_TGA(tga, true, true, true, false));
              }),
              0u);
    Bytes expected, stream;
    bool adaptive = false;
    ASSERT_TRUE(codecs::cGIFparser().SaveAsGIF(&image, "", expected, adaptive, 200));
    EXPECT_EQ(contentOf(gif), expected);
    ASSERT_TRUE(image.SaveToStream_GIF(stream, false, 200));
    EXPECT_EQ(stream, expected);
    // Compress, ReduceBitDepth, AllowPreMultipliedPixels as the members order them.
    ASSERT_TRUE(codecs::cTGAparser().SaveAsTGA("", expected, &image, true, true, true));
    EXPECT_EQ(contentOf(tga), Bytes(expected.begin(), expected.end()));
    ASSERT_TRUE(image.SaveToStream_TGA(stream, true, true, false));
    ASSERT_TRUE(codecs::cTGAparser().SaveAsTGA("", expected, &image, false, true, true));
    EXPECT_EQ(stream, expected);
}

// ---- what every save shares --------------------------------------------------------------------

struct FileSave {
    const char* format;
    std::function<bool(cImage32&, const std::string&, bool prompt)> save;
};
const std::vector<FileSave>& fileSaves() {
    static const std::vector<FileSave> saves = {
        {"png", [](cImage32& i, const std::string& n, bool p) { return i.SaveToFile_PNG(n, p); }},
        {"jpg", [](cImage32& i, const std::string& n, bool p) { return i.SaveToFile_JPG(n, 70, 0, p); }},
        {"gif", [](cImage32& i, const std::string& n, bool p) { return i.SaveToFile_GIF(n, true, 128, p); }},
        {"tga", [](cImage32& i, const std::string& n, bool p) { return i.SaveToFile_TGA(n, false, false, false, p); }},
    };
    return saves;
}

TEST_F(FormatSaving, FileSavesConfirmBeforeReplacingAndWriteNothingWithoutNameOrImage) {
    cImage32 empty;
    for (const FileSave& s : fileSaves()) {
        SCOPED_TRACE(s.format);
        const std::string path = folder.file(std::string("old.") + s.format);
        std::ofstream(path) << "old";
        messages.calls.clear();

        messages.answer = runtime::vbNo;
        EXPECT_FALSE(s.save(image, path, true));
        EXPECT_EQ(contentOf(path), (Bytes{'o', 'l', 'd'})) << "No leaves the file as it was";
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].prompt, "Overwrite existing file?");

        messages.answer = runtime::vbYes;
        EXPECT_TRUE(s.save(image, path, true));
        EXPECT_GT(contentOf(path).size(), 3u);
        EXPECT_EQ(messages.calls.size(), 2u);
        std::ofstream(path) << "old";
        EXPECT_TRUE(s.save(image, path, false)) << "replaced without a question";
        EXPECT_EQ(messages.calls.size(), 2u);

        EXPECT_FALSE(s.save(image, "", false));
        EXPECT_FALSE(s.save(empty, folder.file(std::string("none.") + s.format), false));
        EXPECT_FALSE(std::filesystem::exists(folder.file(std::string("none.") + s.format)));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 4)
        << "nothing but the four files";
}

// The confirmation clears a read-only file's attribute before the writer replaces it; a
// refused one keeps the file, its mode too.
TEST_F(FormatSaving, AConfirmedSaveReplacesAReadOnlyFile) {
    for (const FileSave& s : fileSaves()) {
        SCOPED_TRACE(s.format);
        const std::string path = folder.file(std::string("read-only.") + s.format);
        std::ofstream(path) << "old";
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

        messages.answer = runtime::vbNo;
        EXPECT_FALSE(s.save(image, path, true));
        EXPECT_EQ(contentOf(path), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(testsupport::modeOf(path), 0444u);

        messages.answer = runtime::vbYes;
        EXPECT_TRUE(s.save(image, path, true));
        EXPECT_GT(contentOf(path).size(), 3u);
        EXPECT_EQ(testsupport::modeOf(path), 0644u) << "the owner's write bit back, the rest kept";
    }
}

TEST_F(FormatSaving, ArraySavesWithoutImageGiveFalseAndLeaveTheArray) {
    cImage32 empty;
    const std::vector<std::pair<const char*, std::function<bool(Bytes&)>>> saves = {
        {"png", [&](Bytes& b) { return empty.SaveToStream_PNG(b); }},
        {"jpg", [&](Bytes& b) { return empty.SaveToStream_JPG(b); }},
        {"gif", [&](Bytes& b) { return empty.SaveToStream_GIF(b); }},
        {"tga", [&](Bytes& b) { return empty.SaveToStream_TGA(b); }},
    };
    for (const auto& [format, save] : saves) {
        SCOPED_TRACE(format);
        Bytes stream = {5, 6};
        EXPECT_FALSE(save(stream));
        EXPECT_EQ(stream, (Bytes{5, 6}));
    }
}

TEST_F(FormatSaving, PngPropertiesWithoutAHolderAreEmptyOfTheirKind) {
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyTimeStamp), runtime::Variant(runtime::DateTime{}));
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyBackgroundColor), runtime::Variant(-1));
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyTitle), runtime::Variant(""));
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyCustomText, "Place"), runtime::Variant(""));
    EXPECT_FALSE(image.PngPropertySet(codecs::PngPropertyTitle)) << "nothing to delete";

    ASSERT_TRUE(image.PngPropertySet(codecs::PngPropertyBackgroundColor, runtime::Variant(0x00FF00)));
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyBackgroundColor), runtime::Variant(0x00FF00));
    EXPECT_TRUE(image.PngPropertySet(codecs::PngPropertyBackgroundColor)) << "deleted";
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyBackgroundColor), runtime::Variant(-1));
    image.DestroyDIB();
    ASSERT_TRUE(image.PngPropertySet(codecs::PngPropertyTitle, runtime::Variant("kept")));
    image.DestroyDIB();
    EXPECT_EQ(image.PngPropertyGet(codecs::PngPropertyTitle), runtime::Variant("kept"))
        << "the holder outlives the image";
}

}  // namespace
