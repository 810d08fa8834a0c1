// The record in outside programs and in the browser pane, and the help document.

#include <filesystem>

#include <QUrl>

#include "catalogue/main_window.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"

namespace {

class Viewers : public testsupport::ProgramFolderTest {
protected:
    std::vector<uint8_t> bitmap() const {
        return sys::readFile(std::string(testsupport::corporaFolder()) + "/bmpsuite/g/rgb24pal.bmp");
    }
    std::vector<uint8_t> photo() const {
        return sys::readFile(std::string(testsupport::corporaFolder()) + "/photos/IMG0003.jpg");
    }
    Form1& start() {
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
    bool exists(const char* name) const { return std::filesystem::exists(folder.file(name)); }
};

TEST_F(Viewers, EditorAndPaintProgramGetTheStoredFileNamedByItsType) {
    const std::vector<uint8_t> mpeg = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1};
    const struct { const char* extent; std::vector<uint8_t> bytes; const char* file; } cases[] = {
        {"PEG", photo(), "TmpFile.jpg"},  // a name ending in .jpeg
        {"IFF", sys::readFile(std::string(testsupport::fixturesFolder()) + "/catalogue/small.tif"), "TmpFile.tif"},
        {"PEG", mpeg, "TmpFile.peg"},     // a .mpeg film is no JPEG
        {"JPG", photo(), "TmpFile.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extent) + " as " + c.file);
        restartProgram();
        makeCatalogueWithRows(0);
        addPicture("record", c.extent, c.bytes);
        Form1& form = start();
        // An older, longer file of the same name is replaced whole.
        sys::writeFile(folder.file(c.file), std::vector<uint8_t>(c.bytes.size() + 5000, 7));
        form.Timer3->setEnabled(true);
        form.Image1_Click(8);
        ASSERT_EQ(services.shellOpens.size(), 1u);
        EXPECT_EQ(services.shellOpens[0].toStdString(), folder.file(c.file));
        EXPECT_EQ(sys::readFile(folder.file(c.file)), c.bytes);
        EXPECT_FALSE(form.Timer3->Enabled());

        sys::deleteFile(folder.file(c.file));
        form.Image1_Click(9);
        ASSERT_EQ(services.paintStarts.size(), 1u);
        EXPECT_EQ(services.paintStarts[0].toStdString(), folder.file(c.file));
        EXPECT_EQ(sys::readFile(folder.file(c.file)), c.bytes);

        form.ImageBowse_Click();
        EXPECT_EQ(form.WebBrowser1->LocationURL(),
                  QUrl::fromLocalFile(QString::fromStdString(folder.file(c.file))).toString());
    }
}

TEST_F(Viewers, WhenNothingCanOpenTheFileTheViewersSaySo) {
    makeCatalogueWithRows(0);
    addPicture("photo", "JPG", photo());
    Form1& form = start();
    services.shellOpenResult = 31;
    services.paintProgramResult = false;
    const QString file = QString::fromStdString(folder.file("TmpFile.jpg"));
    const struct { int button; QString message; } viewers[] = {
        {8, "Cannot open \"" + file + "\": no program on this computer is set up to open it."},
        {9, "Cannot open \"" + file + "\" in a paint program: none could be started on this computer."},
    };
    for (const auto& viewer : viewers) {
        SCOPED_TRACE(viewer.button);
        services.msgBoxes.clear();
        form.Image1_Click(viewer.button);
        ASSERT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_EQ(services.msgBoxes[0].prompt, viewer.message);
        EXPECT_EQ(services.msgBoxes[0].style, runtime::vbOKOnly + runtime::vbExclamation);
        EXPECT_EQ(sys::readFile(folder.file("TmpFile.jpg")), photo()) << "the file is written all the same";
        EXPECT_TRUE(form.ImageCatalogue->Visible());
        EXPECT_EQ(form.Adodc3.recordset().recordCount(), 1);
    }
}

TEST_F(Viewers, ABitmapIsShownAsPictureButEditedAsStored) {
    makeCatalogueWithRows(0);
    addPicture("bitmap", "BMP", bitmap());
    Form1& form = start();
    form.ImageBowse_Click();
    EXPECT_TRUE(form.WebBrowser1->Visible());
    EXPECT_DOUBLE_EQ(form.WebBrowser1->Top(), form.PictureCatalogueFrame->Top());
    const auto shown = sys::readFile(folder.file("TmpFile.bmp"));
    EXPECT_EQ(shown, picture::SavePictureToBytes(form.PictureCatalogue->Picture()));
    form.ImageBowse_Click();
    EXPECT_FALSE(form.WebBrowser1->Visible());
    EXPECT_TRUE(form.ImageCatalogue->Visible());

    form.ImageCatalogue_DblClick();
    EXPECT_EQ(sys::readFile(folder.file("TmpFile.bmp")), bitmap()) << "the paint program gets the stored bytes";
}

TEST_F(Viewers, IconsAndCursorsAreRefusedButHelpWorks) {
    makeCatalogueWithRows(0);
    addPicture("icon", "ICO", sys::readFile(std::string(testsupport::corporaFolder()) + "/ico/valid/hopper.ico"));
    Form1& form = start();
    form.Image1_Click(8);
    form.Image1_Click(9);
    form.Image1_Click(10);
    ASSERT_EQ(services.msgBoxes.size(), 3u);
    for (const auto& box : services.msgBoxes) EXPECT_EQ(box.prompt, "This Picture Format can Only be Saved to Disk.");
    EXPECT_FALSE(exists("TmpFile.ico"));
    EXPECT_TRUE(services.shellOpens.empty());
    EXPECT_TRUE(services.paintStarts.empty());

    form.Image1_Click(11);
    EXPECT_TRUE(form.WebBrowser1->Visible());
    EXPECT_TRUE(exists("Help.mht"));
    const auto help = sys::readFile(folder.file("Help.mht"));
    EXPECT_NE(std::string(help.begin(), help.end()).find("multipart/related"), std::string::npos);
    form.Image1_Click(11);
    EXPECT_FALSE(form.WebBrowser1->Visible());
    EXPECT_FALSE(exists("Help.mht"));
}

TEST_F(Viewers, BrowserAndHelpShareThePane) {
    makeCatalogueWithRows(0);
    addPicture("photo", "JPG", photo());
    Form1& form = start();
    form.Image1_Click(11);  // help shown
    form.Image1_Click(10);  // closes the pane, keeps the help file
    EXPECT_FALSE(form.WebBrowser1->Visible());
    EXPECT_TRUE(exists("Help.mht"));
    form.Image1_Click(10);  // the picture in the pane
    EXPECT_TRUE(form.WebBrowser1->Visible());
    form.Image1_Click(11);  // help closes the pane and its file
    EXPECT_FALSE(form.WebBrowser1->Visible());
    EXPECT_FALSE(exists("Help.mht"));
}

TEST_F(Viewers, AnEmptyCatalogueDoesNothingButBeepOnADoubleClick) {
    makeCatalogueWithRows(0);
    Form1& form = start();
    form.Image1_Click(8);
    form.Image1_Click(9);
    form.Image1_Click(10);
    EXPECT_EQ(services.beeps, 0);
    form.ImageCatalogue_DblClick();
    EXPECT_EQ(services.beeps, 1);
    EXPECT_TRUE(services.shellOpens.empty());
    EXPECT_TRUE(services.paintStarts.empty());
    EXPECT_TRUE(services.msgBoxes.empty());
}

}  // namespace
