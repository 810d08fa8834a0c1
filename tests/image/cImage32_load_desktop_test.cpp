// cImage32: the clipboard's picture, files copied to the clipboard and files dropped on a
// window, driven through the recording services' clipboard and drop data objects.

#include <QImage>

#include "image_support.h"
#include "platform/ui/data_object.h"
#include "platform/ui/recording_services.h"
#include "support/temp_folder.h"

using namespace imagetest;

namespace {

class DesktopLoading : public ImageTest {
protected:
    testsupport::TempFolder folder;
    ui::RecordingServices& services = ui::RecordingServices::shared();

    // A BMP file of a w x 1 picture whose pixels are all `value` (opaque grey).
    std::string picture(const std::string& name, int width, uint8_t value) {
        cImage32 image;
        EXPECT_TRUE(image.InitializeDIB(width, 1));
        for (int x = 0; x < width; ++x) put(image, x, 0, {value, value, value, 255});
        const std::string path = folder.file(name);
        EXPECT_TRUE(image.SaveToFile_Bitmap(path));
        return path;
    }
};

TEST_F(DesktopLoading, TheClipboardPictureIsLoadedOpaqueAndNothingElseIs) {
    cImage32 image;
    EXPECT_FALSE(image.LoadPicture_ClipBoard()) << "an empty clipboard";
    services.setClipboardText("not a picture");
    EXPECT_FALSE(image.LoadPicture_ClipBoard());
    services.setClipboardFiles({picture("a.bmp", 20, 9).c_str()});
    EXPECT_FALSE(image.LoadPicture_ClipBoard()) << "files are not a picture";

    QImage copied(3, 2, QImage::Format_ARGB32);
    copied.fill(qRgba(200, 100, 50, 128));
    copied.setPixel(2, 1, qRgba(1, 2, 3, 255));
    services.setClipboardImage(copied);
    ASSERT_TRUE(image.LoadPicture_ClipBoard());
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(at(image, 0, 0), (Px{50, 100, 200, 255})) << "a bitmap has no alpha";
    EXPECT_EQ(at(image, 2, 1), (Px{3, 2, 1, 255}));
}

TEST_F(DesktopLoading, CopiedFilesAreCountedNamedAndLoadedByIndexFromOne) {
    cImage32 image;
    std::vector<std::string> names = {"untouched"};
    int32_t count = -1;
    EXPECT_EQ(image.GetPastedFileNames(names), 0) << "no files on the clipboard";
    EXPECT_EQ(names, std::vector<std::string>{"untouched"});
    EXPECT_TRUE(image.LoadPicture_PastedFiles(0, 32, 32, false, 32, count)) << "only counts";
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(image.LoadPicture_PastedFiles(1, 32, 32, false, 32, count));

    const std::string first = picture("first.bmp", 20, 10), second = picture("second.bmp", 30, 20);
    services.setClipboardFiles({QString::fromStdString(first), QString::fromStdString(second)});
    EXPECT_EQ(image.GetPastedFileNames(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{first, second}));

    struct Case {
        int32_t index;
        bool result;
        int width;
    };
    for (const Case c : {Case{0, true, 0}, Case{2, true, 30}, Case{1, true, 20}, Case{3, false, 0}}) {
        SCOPED_TRACE(c.index);
        image.DestroyDIB();
        count = -1;
        EXPECT_EQ(image.LoadPicture_PastedFiles(c.index, 32, 32, false, 32, count), c.result);
        EXPECT_EQ(count, 2);
        EXPECT_EQ(image.Width(), c.width);
    }
}

TEST_F(DesktopLoading, DroppedFilesAreLoadedByIndexFromOne) {
    const std::string first = picture("first.bmp", 20, 10), second = picture("second.bmp", 30, 20);
    ui::DataObject drop({first, second});
    cImage32 image;
    EXPECT_TRUE(image.LoadPicture_DroppedFiles(&drop, 2));
    EXPECT_EQ(image.Width(), 30);
    EXPECT_TRUE(image.LoadPicture_DroppedFiles(&drop));
    EXPECT_EQ(image.Width(), 20);
    EXPECT_FALSE(image.LoadPicture_DroppedFiles(&drop, 3));
    EXPECT_FALSE(image.LoadPicture_DroppedFiles(&drop, 0));
    EXPECT_FALSE(image.LoadPicture_DroppedFiles(nullptr));
    ui::DataObject text;
    EXPECT_FALSE(image.LoadPicture_DroppedFiles(&text)) << "no file list offered";
}

TEST_F(DesktopLoading, DroppedNamesAreReadAgainFromTheWideBlock) {
    const std::vector<std::string> wide = {"/pictures/Grüße.png", "/pictures/\xF0\x9F\x8C\x8A.bmp", "/x.gif"};
    const auto dropWithNarrowList = [&] {
        ui::DataObject drop(wide);
        drop.Files().Clear();
        for (const char* narrow : {"/pictures/Gr??e.png", "/pictures/?.bmp", "/x.gif"}) drop.Files().Add(narrow);
        return drop;
    };
    const auto names = [](const ui::DataObject& drop) {
        std::vector<std::string> list;
        for (size_t i = 1; i <= drop.Files().Count(); ++i) list.push_back(drop.Files().Item(i));
        return list;
    };
    cImage32 image;

    ui::DataObject drop = dropWithNarrowList();
    ASSERT_TRUE(image.GetDroppedFileNames(&drop));
    EXPECT_EQ(names(drop), wide);

    // Block variants: what is read, and whether the list is touched.
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> change;
        bool result;
        std::vector<std::string> list;
    };
    const std::vector<std::string> narrow = names(dropWithNarrowList());
    const std::vector<Case> cases = {
        {"narrow names leave the list", [](auto& b) { b[16] = 0; }, true, narrow},
        {"a block ending inside the second name", [](auto& b) { b.resize(20 + 2 * 21); }, true, {wide[0]}},
        {"names said to start past the block", [](auto& b) { b[0] = 0xFF; b[1] = 0xFF; }, false, narrow},
        {"a block shorter than its header", [](auto& b) { b.resize(19); }, false, narrow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui::DataObject changed = dropWithNarrowList();
        std::vector<uint8_t> block = changed.fileListBlock();
        c.change(block);
        changed.setFileListBlock(block);
        EXPECT_EQ(image.GetDroppedFileNames(&changed), c.result);
        EXPECT_EQ(names(changed), c.list);
    }
    EXPECT_FALSE(image.GetDroppedFileNames(nullptr));
}

}  // namespace
