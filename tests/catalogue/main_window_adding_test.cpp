// Adding records: chosen files stored unchanged, clipboard pictures as bitmaps or JPEGs,
// the refusals, the tool bar's dispatch, and the pane after every ending of an add, a
// paste or a folder import.

#include <zlib.h>

#include <filesystem>
#include <functional>
#include <map>

#include <QBuffer>
#include <QImage>
#include <QTest>

#include "catalogue/main_window.h"
#include "catalogue/large_file_alert.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/picture/picture.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "shell/module1.h"
#include "support/hourglass_watch.h"
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
    EXPECT_EQ(services.msgBoxes[0].prompt, "Cannot Load Duplicate Picture Names in the DataBase.");
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

TEST_F(AddingRecords, AnAddWorksUnderTheHourglassAndTellsItsFailureWithoutIt) {
    Form1& form = start();
    bool workingStateShown = false;  // the pane's progress text, nothing stored yet
    const testsupport::HourglassWatch watch([&] {
        workingStateShown |= form.LabelError->Visible() && form.LabelError->Caption() == "Loading Please Wait..." &&
                             form.Adodc3.recordset().recordCount() == 0;
    });
    addFile(form, userFile("first.png", {1, 2, 3}));
    EXPECT_TRUE(workingStateShown);
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);

    addFile(form, userFile("first.gif", {4, 5, 6}));  // refused by the catalogue
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].pointer, ui::vbDefault);
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
    EXPECT_EQ(rows().size(), 1u);
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

std::vector<uint8_t> bitmapOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40 + width, 90, 200 - height));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return std::vector<uint8_t>(data.begin(), data.end());
}

// The pane after the work that holds the move events off (an add of a file, a paste, a
// folder import): whichever way that work ends, the pane shows the current record's own
// picture with its own size, or the logo on an empty catalogue, and no progress text.
class PaneAfterAdding : public AddingRecords {
protected:
    // Every record a bitmap of a size of its own, so the pane's picture tells whose it is.
    const std::map<QString, QSize> sizes = {
        {"red", {10, 8}}, {"green", {20, 12}}, {"blue", {30, 16}}, {"yellow", {40, 20}}, {"white", {50, 24}}};
    static constexpr QSize kLogo{80, 81};

    // A fresh run over red, green and blue (or an empty catalogue), at the last record:
    // the pane shows blue, which a refresh to the first record must not leave behind.
    Form1& startAtTheLast(bool records) {
        restartProgram();
        makeCatalogueWithRows(0);
        if (records)
            for (const char* name : {"red", "green", "blue"}) addPicture(name, "BMP", bitmap(name));
        EXPECT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        if (records) form.ComdADOMove_Click(4);
        return form;
    }

    std::vector<uint8_t> bitmap(const QString& name) const {
        const QSize size = sizes.at(name);
        return bitmapOf(size.width(), size.height());
    }

    void importFolder(Form1& form, const std::map<std::string, std::vector<uint8_t>>& files) {
        const std::string path = folder.file("import");
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        for (const auto& [file, bytes] : files) sys::writeFile(path + "/" + file, bytes);
        form.Image1_Click(1);
        form.TextFilePicsPath->setText(QString::fromStdString(path));
        services.queueMsgBoxReply(runtime::vbOK);
        form.ImageGoAddFolder_Click();
    }

    void paste(Form1& form, const QImage& picture, const QString& name) {
        services.setClipboardImage(picture);
        services.queueInputBoxReply(name);
        form.Image1_Click(2);
    }
};

TEST_F(PaneAfterAdding, EveryEndingShowsTheCurrentRecordsOwnPicture) {
    const QImage clipboardPicture(64, 48, QImage::Format_RGB32);
    const struct {
        const char* ending;
        bool records;
        const char* current;  // the record current afterwards; "" for the empty catalogue
        std::function<void(Form1&)> run;
    } endings[] = {
        {"an add refused as a duplicate name", true, "red",
         [&](Form1& f) { addFile(f, userFile("green.bmp", bitmapOf(5, 5))); }},
        {"an add of a file without an extension", true, "red",
         [&](Form1& f) { addFile(f, userFile("noextension", bitmapOf(5, 5))); }},
        {"an add of an empty file", true, "blue", [&](Form1& f) { addFile(f, userFile("empty.bmp", {})); }},
        {"an add that stores the file", true, "yellow",
         [&](Form1& f) { addFile(f, userFile("yellow.bmp", bitmap("yellow"))); }},
        {"a paste with no picture on the clipboard", true, "red",
         [&](Form1& f) {
             services.setClipboardText("only text");
             f.Image1_Click(2);
         }},
        {"a paste cancelled in the name box", true, "blue", [&](Form1& f) { paste(f, clipboardPicture, ""); }},
        {"a paste declined at the large file question", true, "blue",
         [&](Form1& f) {
             f.CheckCompress->setValue(0);
             services.queueMsgBoxReply(runtime::vbNo);
             paste(f, QImage(1000, 1001, QImage::Format_RGB32), "large");
         }},
        {"a paste refused as a duplicate name", true, "red",
         [&](Form1& f) {
             f.CheckCompress->setValue(0);
             paste(f, clipboardPicture, "green");
         }},
        {"a folder import", true, "red",
         [&](Form1& f) { importFolder(f, {{"yellow.bmp", bitmap("yellow")}, {"white.bmp", bitmap("white")}}); }},
        {"a folder import that adds nothing", true, "red",
         [&](Form1& f) { importFolder(f, {{"green.bmp", bitmap("green")}}); }},
        {"a paste cancelled over an empty catalogue", false, "", [&](Form1& f) { paste(f, clipboardPicture, ""); }},
        {"a folder import that adds nothing to an empty catalogue", false, "",
         [&](Form1& f) { importFolder(f, {{"noextension", bitmap("red")}}); }},
    };
    for (const auto& e : endings) {
        SCOPED_TRACE(e.ending);
        Form1& form = startAtTheLast(e.records);
        e.run(form);

        EXPECT_TRUE(form.PictureBindingEnabled);
        EXPECT_FALSE(form.LabelError->Visible()) << form.LabelError->Caption().toStdString();
        EXPECT_TRUE(form.ImageCatalogue->Visible());
        const picture::Picture shown = form.PictureCatalogue->Picture();
        EXPECT_TRUE(shown);
        EXPECT_TRUE(form.ImageCatalogue->Picture() == shown) << "the pane fits the picture the box holds";
        const QString current = QString::fromUtf8(e.current);
        const QSize expected = current.isEmpty() ? kLogo : sizes.at(current);
        EXPECT_EQ(form.TextField[18]->Text(), current);
        EXPECT_EQ(shown.pixelSize().cx, expected.width());
        EXPECT_EQ(shown.pixelSize().cy, expected.height());
        if (!current.isEmpty()) {
            EXPECT_TRUE(form.LabelWH->Visible());
            EXPECT_EQ(form.LabelWH->Caption().toStdString(),
                      QString(" %1 x %2 ").arg(expected.width()).arg(expected.height()).toStdString());
        }
    }
}

TEST_F(PaneAfterAdding, SaveToFileRightAfterARefusedAddWritesTheCurrentRecordsPicture) {
    Form1& form = startAtTheLast(true);
    addFile(form, userFile("green.bmp", bitmapOf(5, 5)));
    ASSERT_EQ(form.TextField[18]->Text(), "red");

    const std::string saved = folder.file("user/saved.bmp");
    services.queueSaveResult(RecordingServices::chosen(QString::fromStdString(saved)));
    services.queueMsgBoxReply(runtime::vbNo);  // "Would you like to View?"
    form.Label7_Click(1);
    ASSERT_TRUE(sys::fileExists(saved));
    const picture::Picture written = picture::LoadPicture(saved);
    EXPECT_EQ(written.pixelSize().cx, 10) << "red's picture, not blue's that the pane showed before";
    EXPECT_EQ(written.pixelSize().cy, 8);
}

// A session as a new user has it: a duplicate added, a paste cancelled, a folder
// imported, a note typed into the multi-line box, the window closed; then the program
// killed with its temporary files left behind and started again.
TEST_F(PaneAfterAdding, AScriptedSessionKeepsThePaneTheNoteAndNoTemporaryFile) {
    Form1& form = startAtTheLast(true);
    const auto expectPaneShows = [&](const QString& name) {
        EXPECT_EQ(form.TextField[18]->Text(), name);
        const picture::Picture shown = form.PictureCatalogue->Picture();
        EXPECT_EQ(shown.pixelSize().cx, sizes.at(name).width());
        EXPECT_EQ(shown.pixelSize().cy, sizes.at(name).height());
        EXPECT_FALSE(form.LabelError->Visible()) << "no progress text stays on screen";
    };

    addFile(form, userFile("green.bmp", bitmapOf(5, 5)));
    expectPaneShows("red");
    form.ComdADOMove_Click(4);
    paste(form, QImage(64, 48, QImage::Format_RGB32), "");
    expectPaneShows("blue");
    importFolder(form, {{"yellow.bmp", bitmap("yellow")}});
    expectPaneShows("red");
    form.ComdADOMove_Click(2);
    expectPaneShows("green");

    QWidget* notes = form.TextField[15]->editor();
    QTest::keyClicks(notes, "seen at the harbour");
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClicks(notes, "second linee");
    QTest::keyClick(notes, Qt::Key_Backspace);
    form.window()->close();
    ASSERT_TRUE(ui::programEnded());
    {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select Notes from Pictures where PhotoDescription = 'green'");
        ASSERT_FALSE(rs.eof());
        EXPECT_EQ(rs.field("Notes").value().text(), "seen at the harbour\r\nsecond line");
    }

    // What a kill in the middle of showing, exporting and saving leaves behind.
    const std::vector<std::string> leftByAKill = {"TmpFile.bmp", "TmpFile1.png", "TmpPic2.jpg", "TmpPaste.bmp",
                                                  ".TmpFile1.png.Ab12Cd", ".Quillmere.mdb.Xy34Zw"};
    for (const std::string& name : leftByAKill) sys::writeFile(folder.file(name), std::vector<uint8_t>{1, 2, 3});
    sys::writeFile(folder.file("TmpFiles.txt"), std::vector<uint8_t>{1});  // the user's own file
    restartProgram();
    EXPECT_FALSE(runMain());
    for (const std::string& name : leftByAKill) EXPECT_FALSE(sys::fileExists(folder.file(name))) << name;
    EXPECT_TRUE(sys::fileExists(folder.file("TmpFiles.txt")));
    EXPECT_EQ(rows().size(), 4u);
}

}  // namespace
