// The File menu's export: a record saved to a file (its stored bytes or the shown picture
// as a bitmap), the shown picture on the clipboard or saved as a JPEG at the quality of
// the panel's slider, and the slider itself.

#include <algorithm>
#include <array>
#include <filesystem>

#include <QBuffer>
#include <QImage>

#include "catalogue/main_window.h"
#include "platform/picconvert/picconvert.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"

namespace {

using ui::RecordingServices;
using Bytes = std::vector<uint8_t>;

constexpr int kYesNoInformation = runtime::vbYesNo + runtime::vbInformation;

// A small picture whose every pixel differs, so a shifted or flipped copy shows.
QImage pattern() {
    QImage image(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 8, y * 10, 255 - x * 4 - y * 2));
    return image;
}

Bytes bmpOf(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Bytes(data.begin(), data.end());
}

QImage rgbOf(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// The luminance quantisation table (table 0) of a baseline JPEG, in file order.
std::vector<int> luminanceTable(const Bytes& jpeg) {
    size_t at = 2;  // after SOI
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const uint8_t marker = jpeg[at + 1];
        const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        if (marker == 0xDA) break;  // start of scan: no table follows
        // DQT: segments of one byte (precision << 4 | id) and 64 values of 8 bits.
        for (size_t t = at + 4; marker == 0xDB && t + 65 <= at + 2 + length; t += 65)
            if (jpeg[t] == 0x00) return std::vector<int>(jpeg.begin() + t + 1, jpeg.begin() + t + 65);
        at += 2 + length;
    }
    return {};
}

// The reference luminance table scaled to a quality, as the reference encoder scales it
// for baseline files.
std::vector<int> expectedLuminanceTable(int quality) {
    static constexpr std::array<int, 64> kBase = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::vector<int> table;
    for (int v : kBase) table.push_back(std::clamp((v * scale + 50) / 100, 1, 255));
    return table;
}

std::vector<int> sorted(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values;
}

class FileMenuExport : public testsupport::ProgramFolderTest {
protected:
    struct Row {
        std::string name, extent;
        Bytes bytes;
    };

    Form1& start(const std::vector<Row>& records) {
        makeCatalogueWithRows(0);
        for (const Row& r : records) addPicture(r.name, r.extent, r.bytes);
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }

    // Where the user saves, outside the program folder.
    std::string userFile(const std::string& name) {
        std::filesystem::create_directories(folder.file("user"));
        return folder.file("user/" + name);
    }

    void choose(const std::string& path) { services.queueSaveResult(RecordingServices::chosen(QString::fromStdString(path))); }

    Bytes jpegOf(const QImage& image, int quality) {
        const std::string bmp = folder.file("source.bmp"), jpg = folder.file("source.jpg");
        sys::writeFile(bmp, bmpOf(image));
        picconvert::SaveBmpToJpeg(bmp, jpg, quality);
        return sys::readFile(jpg);
    }

    static std::string icon() { return std::string(testsupport::corporaFolder()) + "/ico/valid/hopper.ico"; }

    std::vector<std::string> userFolderEntries() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.file("user")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FileMenuExport, SaveToFileWritesTheStoredBytesUnderTheRecordsName) {
    const Bytes text = {'n', 'o', 't', 'e', 's', '\r', '\n', 0, 0xFF};
    const Bytes jpeg = jpegOf(pattern(), 75);
    Form1& form = start({{"Harbour's view", "JPG", jpeg}, {"notes", "TXT", text}});
    const struct { int position; std::string proposed; const Bytes* bytes; } cases[] = {
        {1, "Harbour's view.jpg", &jpeg},
        {2, "notes.txt", &text},  // shows the logo: the stored bytes still go out
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proposed);
        form.Adodc3.recordset().setAbsolutePosition(c.position);
        const std::string path = userFile(c.proposed);
        choose(path);
        services.queueMsgBoxReply(runtime::vbNo);
        form.Label7_Click(1);

        const auto& dialog = services.dialogs.back();
        EXPECT_EQ(dialog.kind, RecordingServices::DialogKind::Save);
        EXPECT_EQ(dialog.request.fileName, QString::fromStdString(c.proposed));
        EXPECT_EQ(dialog.request.flags, 4);
        EXPECT_EQ(dialog.request.filter, "");
        EXPECT_EQ(dialog.request.title, "");
        EXPECT_EQ(dialog.request.initialFolder, "");
        EXPECT_EQ(sys::readFile(path), *c.bytes);
        ASSERT_FALSE(services.msgBoxes.empty());
        EXPECT_EQ(services.msgBoxes.back().prompt,
                  "Saved to: " + QString::fromStdString(path) + "\r\n\r\nWould you like to View?");
        EXPECT_EQ(services.msgBoxes.back().style, kYesNoInformation);
    }
    EXPECT_TRUE(services.shellOpens.empty()) << "No views nothing";

    // Yes hands the new file to its registered program.
    const std::string again = userFile("again.txt");
    choose(again);
    form.Label7_Click(1);
    EXPECT_EQ(services.shellOpens, std::vector<QString>{QString::fromStdString(again)});
}

TEST_F(FileMenuExport, BitmapRecordsAndTheTickedBoxWriteTheShownPicture) {
    const QImage source = pattern();
    Form1& form = start({{"tiles", "BMP", bmpOf(source)}, {"photo", "JPG", jpegOf(source, 90)}});
    const struct { int position; int ticked; std::string proposed; } cases[] = {
        {1, 0, "tiles.bmp"},  // a bitmap record, ticked or not
        {2, 1, "photo.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proposed);
        form.Adodc3.recordset().setAbsolutePosition(c.position);
        form.CheckBMP->setValue(c.ticked);
        const std::string path = userFile(c.proposed);
        choose(path);
        services.queueMsgBoxReply(runtime::vbNo);
        form.Label7_Click(1);
        EXPECT_EQ(services.dialogs.back().request.fileName, QString::fromStdString(c.proposed));
        // The picture as shown, in a bitmap file of the platform's own writing.
        const Bytes written = sys::readFile(path);
        ASSERT_GT(written.size(), 2u);
        EXPECT_EQ(written[0], 'B');
        EXPECT_EQ(written[1], 'M');
        const QImage shown = ui::ImageFromPicture(form.PictureCatalogue->Picture());
        EXPECT_EQ(rgbOf(ui::ImageFromPicture(picture::LoadPictureFromBytes(written))), rgbOf(shown));
    }
    // The bitmap record's file is the picture itself, pixel for pixel.
    EXPECT_EQ(rgbOf(QImage(QString::fromStdString(userFile("tiles.bmp")))), rgbOf(source));
}

TEST_F(FileMenuExport, RefusalsShowNothing) {
    enum Case { emptyCatalogue, logoWithBoxTicked, cancelled };
    for (Case c : {emptyCatalogue, logoWithBoxTicked, cancelled}) {
        SCOPED_TRACE(c);
        restartProgram();
        Form1& form = c == emptyCatalogue     ? start({})
                      : c == logoWithBoxTicked ? start({{"notes", "TXT", {1, 2, 3}}})
                                               : start({{"tiles", "BMP", bmpOf(pattern())}});
        if (c == logoWithBoxTicked) form.CheckBMP->setValue(1);
        form.Label7_Click(1);
        form.Label7_Click(5);
        EXPECT_EQ(services.dialogs.size(), c == cancelled ? 2u : 0u);
        EXPECT_TRUE(services.msgBoxes.empty());
        EXPECT_EQ(services.beeps, 0);
        EXPECT_TRUE(services.shellOpens.empty());
        // A cancelled JPEG save has already written its bitmap, and leaves it.
        EXPECT_EQ(std::filesystem::exists(folder.file("TmpFile.bmp")), c == cancelled);
    }
}

TEST_F(FileMenuExport, IconsAndCursorsCanOnlyBeSavedToDisk) {
    const std::string cursor = std::string(testsupport::corporaFolder()) + "/ico/valid/deerstalker.cur";
    const struct { const char* name; const char* extent; std::string source; } records[] = {
        {"hopper", "ICO", icon()},
        {"deerstalker", "CUR", cursor},
    };
    for (const auto& r : records) {
        restartProgram();
        Form1& form = start({{r.name, r.extent, sys::readFile(r.source)}});
        const picture::Picture shown = form.PictureCatalogue->Picture();
        ASSERT_EQ(shown.Type(), picture::kPicTypeIcon);
        for (int ticked : {0, 1}) {
            SCOPED_TRACE(std::string(r.extent) + (ticked ? " as bitmap" : " as stored"));
            services.reset();
            form.CheckBMP->setValue(ticked);
            const std::string path = userFile(std::string(r.name) + (ticked ? ".bmp" : ".stored"));
            choose(path);
            services.queueMsgBoxReply(runtime::vbYes);
            form.Label7_Click(1);
            ASSERT_EQ(services.msgBoxes.size(), 2u);
            EXPECT_EQ(services.msgBoxes[1].prompt, "This Picture Format can Only be Saved to Disk.");
            EXPECT_EQ(services.msgBoxes[1].style, runtime::vbOKOnly);
            EXPECT_TRUE(services.shellOpens.empty());
            const Bytes written = sys::readFile(path);
            if (!ticked) {
                EXPECT_EQ(written, sys::readFile(r.source)) << "the stored bytes, unchanged";
                continue;
            }
            // A real bitmap file of the shown picture, drawn over black where it is transparent.
            ASSERT_GT(written.size(), 54u);
            EXPECT_EQ(written[0], 'B');
            EXPECT_EQ(written[1], 'M');
            const picture::Picture read = picture::LoadPictureFromBytes(written);
            EXPECT_EQ(read.Type(), picture::kPicTypeBitmap);
            EXPECT_EQ(read.pixelSize().cx, shown.pixelSize().cx);
            EXPECT_EQ(read.pixelSize().cy, shown.pixelSize().cy);
            EXPECT_EQ(rgbOf(ui::ImageFromPicture(read)), rgbOf(ui::ImageFromPicture(picture::asBitmap(shown))));
        }
    }
}

TEST_F(FileMenuExport, SavesReplaceAnExistingFileWholeOrNotAtAll) {
    const Bytes stored(5000, 0x5A);
    Form1& form = start({{"block", "BIN", stored}});
    const std::string path = userFile("block.bin");
    const Bytes previous = {'o', 'l', 'd'};
    sys::writeFile(path, previous);

    // A disk that fills up mid-write: the old file stays, no partial file appears.
    sys::testing::failWritesBeyond(1000);
    choose(path);
    form.Label7_Click(1);
    sys::testing::failWritesBeyond(-1);
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_TRUE(services.msgBoxes[0].prompt.startsWith("Error#5: Disk full")) << services.msgBoxes[0].prompt.toStdString();
    EXPECT_EQ(sys::readFile(path), previous);
    EXPECT_EQ(userFolderEntries(), std::vector<std::string>{"block.bin"});

    // Without a question, the whole new content.
    choose(path);
    services.queueMsgBoxReply(runtime::vbNo);
    form.Label7_Click(1);
    EXPECT_EQ(sys::readFile(path), stored);
    EXPECT_EQ(services.msgBoxes.size(), 2u);
}

TEST_F(FileMenuExport, NamesGetTheDefaultExtensionAndStayInTheChosenFolder) {
    Form1& form = start({{"../outside/sunset", "BIN", {7, 8, 9}}, {"tiles", "BMP", bmpOf(pattern())}});
    // A name that looks like a path is proposed as a plain name.
    services.queueMsgBoxReply(runtime::vbNo);
    choose(userFile("typed"));
    form.Label7_Click(1);
    EXPECT_EQ(services.dialogs.back().request.fileName, ".._outside_sunset.bin");
    EXPECT_EQ(sys::readFile(userFile("typed.bin")), (Bytes{7, 8, 9}));

    form.Adodc3.recordset().setAbsolutePosition(2);
    services.queueMsgBoxReply(runtime::vbNo);
    choose(userFile("plain"));
    form.Label7_Click(5);
    EXPECT_EQ(services.dialogs.back().request.fileName, "tiles.jpg");
    EXPECT_TRUE(std::filesystem::exists(userFile("plain.jpg")));
    EXPECT_EQ(userFolderEntries(), (std::vector<std::string>{"plain.jpg", "typed.bin"}));
}

TEST_F(FileMenuExport, TheCatalogueItselfIsNeverOverwritten) {
    Form1& form = start({{"tiles", "BMP", bmpOf(pattern())}});
    const Bytes before = sys::readFile(catalogue());
    for (int item : {1, 5}) {
        choose(catalogue());
        form.Label7_Click(item);
    }
    ASSERT_EQ(services.msgBoxes.size(), 2u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "Error#5: Path/File access error");
    EXPECT_EQ(sys::readFile(catalogue()), before);
    EXPECT_EQ(pictureRows(catalogue()), 1);
}

TEST_F(FileMenuExport, SaveToJpgWritesAtTheSlidersQuality) {
    const QImage source = pattern();
    Form1& form = start({{"Harbour's view", "BMP", bmpOf(source)}});
    const struct { double thumbLeft; int quality; } cases[] = {
        {2292, 98},  // the design position
        {1798, 1},   // the left end gives 0, raised to 1
        {2298, 100}, // the right end
        {2048, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality);
        form.CommandJPGSlider->setLeft(c.thumbLeft);
        const std::string path = userFile("q" + std::to_string(c.quality) + ".jpg");
        choose(path);
        services.queueMsgBoxReply(runtime::vbNo);
        form.Label7_Click(5);
        EXPECT_EQ(services.dialogs.back().request.fileName, "Harbour's view.jpg");
        EXPECT_EQ(services.dialogs.back().request.flags, 4);
        const Bytes jpeg = sys::readFile(path);
        EXPECT_EQ(sorted(luminanceTable(jpeg)), sorted(expectedLuminanceTable(c.quality)));
        const QImage decoded = ui::ImageFromPicture(picture::LoadPictureFromBytes(jpeg));
        EXPECT_EQ(decoded.size(), source.size());
        ASSERT_FALSE(services.msgBoxes.empty());
        EXPECT_EQ(services.msgBoxes.back().prompt, QString("Picture Saved to: %1\r\n\r\nFile Size=%2 K\r\n"
                                                           "Would you like to View/Edit the Picture?")
                                                       .arg(QString::fromStdString(path))
                                                       .arg(jpeg.size() / 1000));
        EXPECT_EQ(services.msgBoxes.back().style, kYesNoInformation);
    }
    EXPECT_TRUE(services.shellOpens.empty());
    const std::string viewed = userFile("viewed.jpg");
    choose(viewed);
    form.Label7_Click(5);
    EXPECT_EQ(services.shellOpens, std::vector<QString>{QString::fromStdString(viewed)});
}

TEST_F(FileMenuExport, AViewThatNothingOpensSaysWhatCouldNotBeOpened) {
    Form1& form = start({{"Harbour's view", "BMP", bmpOf(pattern())}});
    services.shellOpenResult = 31;  // no program for the type
    const struct { int item; const char* file; } items[] = {{1, "plain.bmp"}, {5, "small.jpg"}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.item);
        services.msgBoxes.clear();
        const std::string path = userFile(item.file);
        choose(path);
        services.queueMsgBoxReply(runtime::vbYes);
        form.Label7_Click(item.item);
        ASSERT_EQ(services.msgBoxes.size(), 2u);
        EXPECT_EQ(services.msgBoxes[1].prompt, "Cannot open \"" + QString::fromStdString(path) +
                                                   "\": no program on this computer is set up to open it.");
        EXPECT_TRUE(std::filesystem::exists(path)) << "the saved file stays";
    }
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 1);
}

TEST_F(FileMenuExport, SaveToJpgRefusesCompressedFormatsAndTakesJpegs) {
    std::vector<Row> records;
    for (const char* extent : {"WMF", "GIF", "ICO", "RLE", "CUR", "EMF"}) records.push_back({extent, extent, {1}});
    records.push_back({"photo", "JPG", jpegOf(pattern(), 60)});
    Form1& form = start(records);
    // These records' bytes are no pictures, so they show the logo, which the dispatch
    // refuses first; a picture put in the box lets the item's own test decide.
    for (int position = 1; position <= 6; ++position) {
        form.Adodc3.recordset().setAbsolutePosition(position);
        form.PictureCatalogue->setPicture(ui::PictureFromImage(pattern()));
        form.Label7_Click(5);
    }
    ASSERT_EQ(services.msgBoxes.size(), 6u);
    for (const auto& box : services.msgBoxes) {
        EXPECT_EQ(box.prompt, "File Format is in Compressed Mode and need Not be Compressed.");
        EXPECT_EQ(box.style, runtime::vbOKOnly);
    }

    // A JPEG record goes out again at the slider's quality.
    form.Adodc3.recordset().setAbsolutePosition(7);
    const std::string path = userFile("photo.jpg");
    choose(path);
    services.queueMsgBoxReply(runtime::vbNo);
    form.Label7_Click(5);
    EXPECT_EQ(sorted(luminanceTable(sys::readFile(path))), sorted(expectedLuminanceTable(98)));
}

TEST_F(FileMenuExport, CopyToClipboardReplacesItsContentSilently) {
    const QImage source = pattern();
    Form1& form = start({{"tiles", "BMP", bmpOf(source)}});
    services.setClipboardText("earlier text");
    form.Label7_Click(4);
    EXPECT_FALSE(services.clipboardHasText());
    EXPECT_EQ(rgbOf(services.clipboardImage()), rgbOf(source));
    EXPECT_TRUE(services.msgBoxes.empty());

    // With an empty catalogue the item has no test of its own: whatever picture the box
    // holds, unless it is the logo object itself, goes to the clipboard.
    restartProgram();
    Form1& empty = start({});
    const picture::Picture aboutLogo = ui::PictureFromImage(ui::ImageFromPicture(empty.PicLogo->Picture()));
    empty.PictureCatalogue->setPicture(aboutLogo);
    empty.Label7_Click(4);
    const QImage copied = services.clipboardImage();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(rgbOf(copied), rgbOf(ui::ImageFromPicture(aboutLogo)));
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(FileMenuExport, CopyToClipboardWithAnEmptyPictureOnlyClearsIt) {
    Form1& form = start({{"tiles", "BMP", bmpOf(pattern())}});
    const picture::Picture empties[] = {picture::Picture(), picture::NonePicture()};
    for (const picture::Picture& empty : empties) {
        SCOPED_TRACE(empty ? "a picture of no type" : "no picture");
        services.reset();
        services.setClipboardText("earlier text");
        form.PictureCatalogue->setPicture(empty);
        form.Label7_Click(4);
        EXPECT_TRUE(services.msgBoxes.empty()) << services.msgBoxes.front().prompt.toStdString();
        EXPECT_FALSE(services.clipboardHasText());
        EXPECT_TRUE(services.clipboardImage().isNull());
    }
}

TEST_F(FileMenuExport, TheSliderFollowsALeftButtonDragWithinItsTrack) {
    Form1& form = start({});
    form.LabelMenu_Click(0);
    ui::CommandButton& thumb = *form.CommandJPGSlider;
    EXPECT_FALSE(form.TextPGQuaL->Visible());
    EXPECT_EQ(form.TextPGQuaL->Text(), "100");

    form.CommandJPGSlider_MouseDown(1, 0, 40, 100);
    EXPECT_TRUE(form.TextPGQuaL->Visible());
    EXPECT_EQ(form.TextPGQuaL->Text(), "98");
    EXPECT_FLOAT_EQ(form.SliderGrabX, 40);

    const struct { int button; double x; double left; const char* text; } moves[] = {
        {1, 30, 2282, "96"},   // 10 twips left
        {1, -1, 2282, "96"},   // the pointer left the thumb
        {1, 101, 2282, "96"},
        {0, 0, 2282, "96"},    // no button
        {2, 0, 2282, "96"},    // the right button
        {1, 100, 2298, "96"},  // past the right end: clamped, the number keeps its value
        {1, 0, 2258, "92"},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.x);
        form.CommandJPGSlider_MouseMove(m.button, 0, m.x, 100);
        EXPECT_DOUBLE_EQ(thumb.Left(), m.left);
        EXPECT_DOUBLE_EQ(thumb.Top(), 612);
        EXPECT_EQ(form.TextPGQuaL->Text(), m.text);
    }
    for (int i = 0; i < 20; ++i) form.CommandJPGSlider_MouseMove(1, 0, 0, 100);
    EXPECT_DOUBLE_EQ(thumb.Left(), 1798) << "the centre stops on the track's left end";
    EXPECT_EQ(form.TextPGQuaL->Text(), "4") << "the last value before the clamp";

    form.CommandJPGSlider_MouseUp(1, 0, 0, 100);
    EXPECT_FALSE(form.TextPGQuaL->Visible());
    EXPECT_TRUE(form.PictureMenu[0]->Visible()) << "the panel stays open";
    form.CommandJPGSlider_MouseDown(1, 0, 50, 100);
    EXPECT_EQ(form.TextPGQuaL->Text(), "0");

    // A new load starts at the design position again.
    Module1::QuitOnMainWindowUnload = false;  // a reload, not the program's end
    Module1::ReloadMainWindow();
    EXPECT_DOUBLE_EQ(ui::forms<Form1>().CommandJPGSlider->Left(), 2292);
}

}  // namespace
