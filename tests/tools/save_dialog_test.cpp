// The save dialog: the five file types into the catalogue (the main window shows the new
// row), the gallery folder, the refusals, and the name stamp.

#include <filesystem>
#include <functional>

#include <sqlcipher/sqlite3.h>

#include <QDateTime>
#include <QImage>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/screen.h"
#include "shell/module1.h"
#include "support/hourglass_watch.h"
#include "support/program_folder_test.h"
#include "tools/save_dialog.h"

namespace {

QImage sample() {
    // Four flat colours: every lossless type keeps them exactly, GIF included.
    QImage image(32, 24, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(200, 30, 40), qRgb(20, 160, 60), qRgb(30, 40, 190), qRgb(240, 240, 20)};
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) image.setPixel(x, y, colours[(x / 16) + 2 * (y / 12)]);
    return image;
}

// interiorOnly: away from the colour boundaries, where JPEG's chroma subsampling blurs.
int largestDifference(const QImage& a, const QImage& b, bool interiorOnly) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (interiorOnly && (std::abs(x - 16) < 4 || std::abs(y - 12) < 4)) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

class SaveDialog : public testsupport::ProgramFolderTest {
protected:
    FormSaveAs& open(const QString& name = "Beach", const QString& extension = "png") {
        if (!std::filesystem::exists(catalogue())) {
            makeCatalogueWithRows(1);
            EXPECT_FALSE(runMain());
        }
        Module1::CurrentPhotoDescription = name;
        Module1::CurrentPhotoExtension = extension;
        FormSaveAs& dialog = ui::loaded<FormSaveAs>();
        dialog.PictureSave->setPicture(ui::PictureFromImage(sample()));
        return dialog;
    }
    static void choose(FormSaveAs& dialog, int type, int destination, const QString& name) {
        dialog.CheckFileExt_MouseDown(type, 1, 0, 0, 0);
        dialog.CheckFileExt[type]->setValue(1);
        dialog.OptionSave[destination]->setValue(true);
        dialog.TxtFileName->setText(name);
    }
};

TEST_F(SaveDialog, EachTypeBecomesANewRowThatTheMainWindowShows) {
    FormSaveAs& dialog = open();
    const struct { int type; const char* extent; const char* format; int tolerance; } cases[] = {
        {0, "BMP", "BMP", 0}, {1, "JPG", "JPG", 24}, {2, "GIF", "GIF", 0}, {3, "PNG", "PNG", 0}, {4, "TIF", "TIFF", 0}};
    Form1& main = ui::forms<Form1>();
    const testsupport::HourglassWatch watch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extent);
        const QString name = QString("saved as %1").arg(c.extent);
        choose(dialog, c.type, 0, name);
        dialog.LabelButtomMenu_Click(0);
        db::Recordset& rs = main.Adodc3.recordset();
        ASSERT_EQ(main.TextField[18]->Text(), name) << "the main window shows the new row";
        EXPECT_EQ(rs.field("PhotoXtent").value().text(), c.extent);
        const db::Bytes bytes = rs.field("Photo").getChunk(rs.field("Photo").actualSize());
        EXPECT_EQ(*rs.field("PhotoSize").value().number(), static_cast<double>(bytes.size()));
        const QImage decoded = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), c.format);
        ASSERT_FALSE(decoded.isNull());
        ASSERT_EQ(decoded.size(), QSize(32, 24));
        EXPECT_LE(largestDifference(decoded, sample(), c.tolerance > 0), c.tolerance);
    }
    EXPECT_TRUE(services.msgBoxes.empty());
    EXPECT_TRUE(sys::fileExists(folder.file("TmpFile.bmp"))) << "the JPEG path leaves the bitmap beside it";
    EXPECT_GT(watch.busyPaints(), 0) << "the windows repaint under the hourglass while a save works";
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
}

TEST_F(SaveDialog, TheGalleryGetsAFileAndAsksBeforeReplacingIt) {
    FormSaveAs& dialog = open();
    EXPECT_TRUE(sys::folderExists(folder.file("QuillmereGallery")));
    choose(dialog, 3, 1, "holiday");
    dialog.LabelButtomMenu_Click(0);
    const std::string target = folder.file("QuillmereGallery/holiday.png");
    ASSERT_TRUE(sys::fileExists(target));
    const auto first = sys::readFile(target);

    dialog.PictureSave->setPicture(ui::PictureFromImage(QImage(8, 8, QImage::Format_RGB32)));
    services.queueMsgBoxReply(runtime::vbNo);
    dialog.LabelButtomMenu_Click(0);
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "File Exists Overwrite?");
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbYesNo);
    EXPECT_EQ(sys::readFile(target), first);

    // No picture to write: nothing is copied, the file of the earlier save is not taken
    // for this one, and the user is told.
    dialog.PictureSave->setPicture(picture::Picture());
    choose(dialog, 3, 1, "nothing");
    dialog.LabelButtomMenu_Click(0);
    EXPECT_FALSE(sys::fileExists(folder.file("QuillmereGallery/nothing.png")));
    ASSERT_EQ(services.msgBoxes.size(), 2u);
    EXPECT_TRUE(services.msgBoxes[1].prompt.startsWith("The picture could not be written to " +
                                                       QString::fromStdString(folder.file("TmpFile.png"))))
        << services.msgBoxes[1].prompt.toStdString();
}

TEST_F(SaveDialog, GalleryNamesAreRefusedOnlyWhenTheyCouldLeaveTheFolder) {
    FormSaveAs& dialog = open();
    const struct { const char* name; bool saved; } cases[] = {
        {"../escape", false}, {"a/b", false}, {"/tmp/x", false}, {".", false}, {"..", false},
        {"back\\slash", true}, {"dots...inside", true}, {"...", true}, {"..x", true}, {"x..", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.reset();
        choose(dialog, 3, 1, c.name);
        dialog.LabelButtomMenu_Click(0);
        const std::string file = folder.file("QuillmereGallery/") + c.name + ".png";
        EXPECT_EQ(sys::fileExists(file), c.saved);
        ASSERT_EQ(services.msgBoxes.size(), c.saved ? 0u : 1u);
        if (!c.saved) {
            EXPECT_EQ(services.msgBoxes[0].prompt,
                      "A picture name for the gallery cannot contain \"/\" nor be \".\" or \"..\".");
        }
    }
    EXPECT_FALSE(sys::fileExists(folder.file("escape.png")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("QuillmereGallery")), {}), 5);
}

// "Save to File" names the gallery folder with its full path, the folder the copy then
// lands in; a path too long for the label keeps its start and the folder's own name, and
// shows whole as the label's tip.
TEST_F(SaveDialog, TheGalleryFolderIsShownWithItsFullPath) {
    const std::string deep = folder.file("a program folder with a rather long name/and yet another level below it");
    std::filesystem::create_directories(deep);
    const struct { std::string programFolder; bool whole; } cases[] = {{folder.path(), true}, {deep, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programFolder);
        FormSaveAs& dialog = open();
        Module1::ProgramFolder = QString::fromStdString(c.programFolder);
        dialog.Unload();
        FormSaveAs& shown = open();
        const QString gallery = QString::fromStdString(c.programFolder + "/QuillmereGallery");
        EXPECT_EQ(shown.OptionSave[1]->Caption(), "Save to File");
        const ui::Label& label = *shown.LabelGalleryFolder;
        EXPECT_EQ(label.ToolTipText(), gallery);
        const QString caption = label.Caption();
        EXPECT_LE(label.fontMetrics().horizontalAdvance(caption), int(label.Width() / 15)) << "it fits";
        if (c.whole) {
            EXPECT_EQ(caption, gallery);
        } else {
            EXPECT_TRUE(caption.startsWith(QString::fromStdString(folder.path()).left(5))) << caption.toStdString();
            EXPECT_TRUE(caption.endsWith("/QuillmereGallery")) << caption.toStdString();
            EXPECT_TRUE(caption.contains(QChar(0x2026))) << caption.toStdString();
        }
        services.reset();
        choose(shown, 3, 1, "shown");
        shown.LabelButtomMenu_Click(0);
        EXPECT_TRUE(sys::fileExists(c.programFolder + "/QuillmereGallery/shown.png")) << "where the label said";
        EXPECT_TRUE(services.msgBoxes.empty());
        if (ui::isLoaded<FormSaveAs>()) ui::loaded<FormSaveAs>().Unload();
    }
}

// Each failure is told in one message that names what failed; nothing is stored or
// copied, and the main window neither rebuilds its list nor moves.
TEST_F(SaveDialog, AFailedSaveSaysWhatFailedAndChangesNothing) {
    makeCatalogueWithRows(3);
    const std::string temporary = folder.file("TmpFile.png");
    const std::string gallery = folder.file("QuillmereGallery");
    const struct {
        const char* failure;
        int type, destination;
        std::function<void()> arrange;
        QString name;
        QString message;
        std::string said;
    } cases[] = {
        {"full disk for the temporary file", 0, 1, [] { sys::testing::failWritesBeyond(10); }, "full",
         "The picture could not be written to " + QString::fromStdString(folder.file("TmpFile.bmp")), "Disk full"},
        {"a stale temporary file that cannot be deleted", 3, 0,
         [&] { std::filesystem::create_directories(temporary + "/inside"); }, "stale",
         "The earlier temporary file " + QString::fromStdString(temporary) + " cannot be deleted", ""},
        {"a gallery name too long for the file system", 3, 1, [] {}, QString(300, 'n'),
         "The picture could not be copied to " + QString::fromStdString(gallery) + "/nnnn", ""},
        {"the catalogue refuses the row", 3, 0,
         [&] {
             db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
             sqlite3_exec(connection.handle(),
                          "CREATE TRIGGER refuse BEFORE INSERT ON Pictures BEGIN SELECT RAISE(ABORT, 'locked'); END",
                          nullptr, nullptr, nullptr);
         },
         "refused", "The picture could not be added to the catalogue", "locked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        restartProgram();
        std::filesystem::remove_all(gallery);
        ASSERT_FALSE(runMain());
        FormSaveAs& dialog = open();
        Form1& main = ui::forms<Form1>();
        ASSERT_EQ(main.TextField[18]->Text(), "picture 0");
        c.arrange();
        choose(dialog, c.type, c.destination, c.name);

        dialog.LabelButtomMenu_Click(0);
        sys::testing::failWritesBeyond(-1);

        ASSERT_EQ(services.msgBoxes.size(), 1u);
        const QString said = services.msgBoxes[0].prompt;
        EXPECT_TRUE(said.startsWith(c.message)) << said.toStdString();
        EXPECT_TRUE(said.contains(QString::fromStdString(c.said))) << said.toStdString();
        EXPECT_EQ(dialog.MousePointer(), ui::vbDefault);
        EXPECT_EQ(services.msgBoxes[0].pointer, ui::vbDefault) << "the failure is told without the hourglass";
        EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
        EXPECT_TRUE(ui::isLoaded<FormSaveAs>()) << "the dialog stays open for another try";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(gallery), {}), 0);
        EXPECT_EQ(main.Adodc3.recordset().recordCount(), 3);
        EXPECT_EQ(main.TextField[18]->Text(), "picture 0") << "the main window stays where it was";
        EXPECT_EQ(pictureRows(catalogue()), 3);
        std::filesystem::remove_all(temporary);
    }
}

TEST_F(SaveDialog, ANameAlreadyInTheCatalogueIsRefused) {
    FormSaveAs& dialog = open();
    choose(dialog, 0, 0, "picture 0");  // the catalogue's first row
    dialog.LabelButtomMenu_Click(0);
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "Name already exists in DataBase");
    EXPECT_EQ(pictureRows(catalogue()), 1);

    choose(dialog, 0, 0, "it's mine");  // an apostrophe is just a character of the name
    dialog.LabelButtomMenu_Click(0);
    dialog.LabelButtomMenu_Click(0);
    EXPECT_EQ(services.msgBoxes.size(), 2u);
    EXPECT_EQ(pictureRows(catalogue()), 2);
}

TEST_F(SaveDialog, LoadTicksTheRecordsTypeAndStampsTheName) {
    FormSaveAs& dialog = open("Beach", "gif");
    EXPECT_EQ(dialog.CheckFileExt[2]->Value(), 1);
    EXPECT_EQ(dialog.TxtFileName->Text(), "Beach06-15-10@12-00");  // the recording clock
    EXPECT_EQ(Module1::text(Module1::CurrentPhotoDescription), dialog.TxtFileName->Text());
    dialog.LabelButtomMenu_Click(1);
    EXPECT_FALSE(ui::isLoaded<FormSaveAs>());

    // A second showing with an extension no box has: nothing ticked, the type kept.
    FormSaveAs& again = open("Beach06-15-10@12-00", "ico");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(again.CheckFileExt[i]->Value(), 0);
    EXPECT_EQ(again.SaveExtIndex, 2);
    EXPECT_EQ(again.TxtFileName->Text(), "Beach06-15-10@12-00") << "the stamp is replaced, not added";
}

TEST(NameStamp, AsTheTableSays) {
    const QDateTime now(QDate(2026, 12, 9), QTime(14, 5));
    const struct { const char* before; const char* after; } cases[] = {
        {"Beach", "Beach12-09-26@14-05"},
        {"Beach12-09-26@11-30", "Beach12-09-26@14-05"},
        {"12-09-26@11-30", "12-09-26@14-05"},
        {"holiday photos @ beach", "holiday12-09-26@14-05"},
        {"a@b", "a@b"},
        {"ab@cdefghijklm", "ab@cdefghijklm"},
        {"", "12-09-26@14-05"},
    };
    for (const auto& c : cases) EXPECT_EQ(StampPictureName(c.before, now), c.after) << c.before;
}

}  // namespace
