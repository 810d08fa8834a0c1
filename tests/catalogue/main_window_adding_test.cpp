// Adding records: chosen files stored unchanged, clipboard pictures as bitmaps or JPEGs,
// the refusals, and the tool bar's dispatch.

#include <zlib.h>

#include <filesystem>

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/large_file_alert.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"

namespace {

using ui::RecordingServices;

struct StoredRow {
    std::string name, extent, date;
    int64_t size = 0;
    uLong crc = 0;
};

class AddingRecords : public testsupport::ProgramFolderTest {
protected:
    Form1& start() {
        if (!std::filesystem::exists(catalogue())) makeCatalogueWithRows(0);
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }

    std::vector<StoredRow> rows() const {
        std::vector<StoredRow> out;
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (; !rs.eof(); rs.moveNext()) {
            const db::Bytes bytes = rs.field("Photo").getChunk(rs.field("Photo").actualSize());
            out.push_back({rs.field("PhotoDescription").value().text(), rs.field("PhotoXtent").value().text(),
                           rs.field("Date").value().text(), static_cast<int64_t>(*rs.field("PhotoSize").value().number()),
                           crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))});
        }
        return out;
    }

    // A file in a folder of its own, as the user would pick it.
    std::string userFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::filesystem::create_directories(folder.file("user"));
        const std::string path = folder.file("user/" + name);
        sys::writeFile(path, bytes);
        return path;
    }

    void addFile(Form1& form, const std::string& path) {
        services.queueOpenResult(RecordingServices::chosen(QString::fromStdString(path)));
        form.Image1_Click(0);
    }

    static uLong crcOf(const std::vector<uint8_t>& bytes) {
        return crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
    }
};

TEST_F(AddingRecords, ChosenFilesAreStoredUnchangedWithTheirNameExtentSizeAndDate) {
    Form1& form = start();
    const std::string corpora = testsupport::corporaFolder();
    const struct { std::string file, storedAs, name, extent; } cases[] = {
        {corpora + "/photos/IMG0003.jpg", "beach.2019.jpg", "beach.2019", "JPG"},
        {corpora + "/pngsuite/png/basn2c08.png", "a.b.c.png", "a.b.c", "PNG"},
        {corpora + "/bmpsuite/g/pal8rle.bmp", "photo.jpeg", "photo", "PEG"},
        {corpora + "/ico/valid/hopper.ico", "hopper.ico", "hopper", "ICO"},
        {std::string(testsupport::fixturesFolder()) + "/catalogue/notes.txt", "notes.txt", "notes", "TXT"},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> bytes = sys::readFile(c.file);
        addFile(form, userFile(c.storedAs, bytes));
        const auto stored = rows();
        ASSERT_FALSE(stored.empty());
        const StoredRow& last = stored.back();
        EXPECT_EQ(last.name, c.name);
        EXPECT_EQ(last.extent, c.extent);
        EXPECT_EQ(last.size, static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(last.crc, crcOf(bytes)) << c.storedAs;
        EXPECT_EQ(last.date, "2010-06-15");  // the recording services' fixed clock
        // The new row is the current record, shown.
        EXPECT_EQ(form.TextField[18]->Text(), QString::fromStdString(c.name));
        EXPECT_EQ(form.Text2->Text(), QString("%1 / %1").arg(stored.size()));
    }
    EXPECT_TRUE(services.msgBoxes.empty());
    const auto& dialog = services.dialogs.front().request;
    EXPECT_TRUE(dialog.filter.startsWith("All Supported Files (*.*)|*.*|Bitmaps (*.bmp)|*.bmp|GIF files"));
    EXPECT_TRUE(dialog.filter.endsWith("|Icons (*.ico)|*.ico|Cursors (*.cur)|*.cur"));
}

TEST_F(AddingRecords, RefusalsStoreNothing) {
    Form1& form = start();
    addFile(form, userFile("first.png", {1, 2, 3}));
    ASSERT_EQ(rows().size(), 1u);

    // The same name again: refused by the catalogue, with the exact message.
    addFile(form, userFile("first.gif", {4, 5, 6}));
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "Cannot Load Duplicate Pictures Names in the DataBase.");
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbCritical);

    // A name without a "." cannot be split into name and extension.
    addFile(form, userFile("noextension", {7}));
    ASSERT_EQ(services.msgBoxes.size(), 2u);
    EXPECT_EQ(services.msgBoxes[1].prompt,
              "Error Encountered. Format may Not be Supported. Use Paste from Clipboard in the Tool Bar to Load "
              "Unsupported Format.");

    // An empty file.
    const std::string empty = userFile("empty.bmp", {});
    addFile(form, empty);
    ASSERT_EQ(services.msgBoxes.size(), 3u);
    EXPECT_EQ(services.msgBoxes[2].prompt, QString::fromStdString(empty) + " Empty or Not Found.");

    // Cancel in the dialog: nothing at all.
    form.Image1_Click(0);
    EXPECT_EQ(services.msgBoxes.size(), 3u);

    EXPECT_EQ(rows().size(), 1u);
    EXPECT_FALSE(form.PasteFromClipboardMode);
    EXPECT_TRUE(form.PictureBindingEnabled);
    EXPECT_TRUE(form.ImageCatalogue->Visible());
}

TEST_F(AddingRecords, ClipboardPictureBecomesABitmapOrAJpeg) {
    Form1& form = start();
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 90));
    services.setClipboardImage(picture);

    form.CheckCompress->setValue(0);
    services.queueInputBoxReply("../outside/sunset");  // a name that looks like a path
    form.Image1_Click(2);
    services.queueInputBoxReply("compressed");
    form.CheckCompress->setValue(1);
    form.Image1_Click(2);

    const auto stored = rows();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].name, "../outside/sunset") << "the record keeps the typed name";
    EXPECT_EQ(stored[0].extent, "BMP");
    EXPECT_EQ(stored[0].size, 54 + 40 * 3 * 30);
    EXPECT_EQ(stored[1].name, "compressed");
    EXPECT_EQ(stored[1].extent, "JPG");
    EXPECT_EQ(services.inputBoxes[0].prompt, "Enter Picture Name");
    EXPECT_EQ(services.inputBoxes[0].title, "Pasting Picture from Clipboard");

    // No file outside the program folder, no pasted bitmap left behind; the JPEG stays.
    EXPECT_FALSE(std::filesystem::exists(folder.file("../outside")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("TmpPaste.bmp")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("TmpFile.jpg")));
    const auto jpeg = sys::readFile(folder.file("TmpFile.jpg"));
    EXPECT_EQ(stored[1].crc, crcOf(jpeg));
    const picture::Picture decoded = picture::LoadPictureFromBytes(jpeg);
    EXPECT_EQ(decoded.pixelSize().cx, 40);
    EXPECT_FALSE(form.PasteFromClipboardMode);
}

TEST_F(AddingRecords, ClipboardWithoutPictureOrNameStoresNothing) {
    Form1& form = start();
    services.setClipboardText("only text");
    form.Image1_Click(2);
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "There is No Valid Picture Data on the Clipboard");

    services.setClipboardImage(QImage(4, 4, QImage::Format_RGB32));
    form.Image1_Click(2);  // the input box answers "" (Cancel)
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(std::filesystem::exists(folder.file("TmpPaste.bmp")));
    EXPECT_FALSE(form.PasteFromClipboardMode) << "the next Add Picture opens the dialog";
    form.Image1_Click(0);
    EXPECT_EQ(services.dialogs.size(), 1u);
}

TEST_F(AddingRecords, LargeBitmapsAskFirstWhenCompressionIsOff) {
    Form1& form = start();
    form.CheckCompress->setValue(0);
    // 24-bit rows of 3000 bytes: 1000 rows make 3,000,054 bytes, 999 rows 2,997,054.
    for (int height : {999, 1000}) {
        services.setClipboardImage(QImage(1000, height, QImage::Format_RGB32));
        services.queueInputBoxReply(QString("tall %1").arg(height));
        services.queueMsgBoxReply(runtime::vbNo);
        form.Image1_Click(2);
    }
    ASSERT_EQ(services.msgBoxes.size(), 1u) << "only the larger one asks";
    EXPECT_EQ(services.msgBoxes[0].title, "Large File Alert");
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbYesNo + runtime::vbExclamation);
    EXPECT_EQ(services.msgBoxes[0].prompt,
              "You are Loading a File Size 3.00 MB and Compression Option is OFF. It is recommended to Compress "
              "large Files to keep the System running efficiently. Do you want to Proceed?");
    const auto stored = rows();
    ASSERT_EQ(stored.size(), 1u) << "No stores nothing";
    EXPECT_EQ(stored[0].name, "tall 999");
}

TEST(LargeFileAlert, AsksAboveThreeMillionBytes) {
    EXPECT_FALSE(catalogue::LargeFileAlertText(3000000).has_value());
    const auto justOver = catalogue::LargeFileAlertText(3000001);
    ASSERT_TRUE(justOver.has_value());
    EXPECT_TRUE(justOver->startsWith("You are Loading a File Size 3.00 MB and"));
    EXPECT_TRUE(catalogue::LargeFileAlertText(3145728)->startsWith("You are Loading a File Size 3.15 MB"));
}

TEST_F(AddingRecords, ToolBarDispatch) {
    Form1& form = start();
    // Button 7 replaces the main window with the thumbnails window (thumbnails_window_test.cpp);
    // Help closes a pane that is open.
    const struct { int index; bool hidesBrowser; } buttons[] = {
        {0, true}, {1, false}, {3, true}, {4, false}, {5, true}, {6, true},
        {8, true}, {9, true}, {10, false}, {11, true}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.index);
        form.WebBrowser1->setVisible(true);
        form.LabelError->setVisible(true);
        form.Image1_Click(b.index);
        EXPECT_FALSE(form.LabelError->Visible()) << "every click clears the label";
        EXPECT_EQ(form.WebBrowser1->Visible(), !b.hidesBrowser);
    }
    ASSERT_EQ(services.dialogs.size(), 1u) << "button 0 opened the dialog";

    // The find row toggles and keeps its text.
    EXPECT_TRUE(form.TextFind->Visible());
    form.TextFind->setText("cat");
    form.Image1_Click(4);
    EXPECT_FALSE(form.TextFind->Visible());
    EXPECT_FALSE(form.ImageFindNext->Visible());
    EXPECT_FALSE(form.CheckFindID->Visible());
    form.Image1_Click(4);
    EXPECT_TRUE(form.TextFind->Visible());
    EXPECT_EQ(form.TextFind->Text(), "cat");
}

}  // namespace
