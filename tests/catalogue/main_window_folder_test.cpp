// Adding a folder: the panel's path box and file list, the import run with its error
// list, the category option, and what ends a run before it stores anything.

#include <zlib.h>

#include <filesystem>
#include <map>

#include <QTest>

#include "catalogue/main_window.h"
#include "platform/db/errors.h"
#include "platform/sys/files.h"
#include "platform/ui/input.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"
#include "support/hourglass_watch.h"
#include "support/program_folder_test.h"

namespace {

using ui::RecordingServices;

struct StoredRow {
    std::string name, extent, date, category;
    int64_t size = 0;
    uLong crc = 0;
};

uLong crcOf(const std::vector<uint8_t>& bytes) { return crc32(0, bytes.data(), static_cast<uInt>(bytes.size())); }

const QString kConfirm = "Are you sure you want to add the Selected Files to the DataBase?";

class AddingFolders : public testsupport::ProgramFolderTest {
protected:
    Form1& start() {
        if (!std::filesystem::exists(catalogue())) makeCatalogueWithRows(0);
        EXPECT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        form.Image1_Click(1);
        return form;
    }

    // Rows by name, read through a connection of their own.
    std::map<std::string, StoredRow> rows() const {
        std::map<std::string, StoredRow> out;
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (; !rs.eof(); rs.moveNext()) {
            const db::Bytes bytes = rs.field("Photo").getChunk(rs.field("Photo").actualSize());
            const std::string name = rs.field("PhotoDescription").value().text();
            out[name] = {name, rs.field("PhotoXtent").value().text(), rs.field("Date").value().text(),
                         rs.field("Category").value().text(),
                         static_cast<int64_t>(*rs.field("PhotoSize").value().number()),
                         crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))};
        }
        return out;
    }

    // A folder of the user's with these files (name -> bytes).
    QString userFolder(const std::string& name, const std::map<std::string, std::vector<uint8_t>>& files) {
        const std::string path = folder.file("user/" + name);
        std::filesystem::create_directories(path);
        for (const auto& [file, bytes] : files) sys::writeFile(path + "/" + file, bytes);
        return QString::fromStdString(path);
    }

    static QStringList listed(const Form1& form) {
        QStringList out;
        for (int i = 0; i < form.FilePics->ListCount(); ++i) out << form.FilePics->List(i);
        return out;
    }
    static std::string errorLines(const Form1& form) {
        QStringList out;
        for (int i = 0; i < form.List1->ListCount(); ++i) out << form.List1->List(i);
        return out.join('\n').toStdString();
    }
    std::vector<QString> prompts() const {
        std::vector<QString> out;
        for (const auto& box : services.msgBoxes) out.push_back(box.prompt);
        return out;
    }
};

TEST_F(AddingFolders, EverySelectedFileBecomesARowWithItsBytesUnchanged) {
    makeCatalogueWithRows(2);
    std::vector<uint8_t> large(3145728);
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7 + i / 4096);
    const std::map<std::string, std::vector<uint8_t>> files = {
        {"beach.2019.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}},
        {"Notes.txt", {'h', 'i', '\r', '\n', 0}},
        {"empty.bmp", {}},
        {"large.tif", large},   // no question about large files in a folder run
        {"skipped.png", {9, 9}},
        {".hidden.png", {1}},
    };
    const QString path = userFolder("mixed", files);
    std::filesystem::create_directories(path.toStdString() + "/inner.folder");
    Form1& form = start();

    form.TextFilePicsPath->setText(path);
    ASSERT_EQ(listed(form), (QStringList{"beach.2019.jpg", "empty.bmp", "large.tif", "Notes.txt", "skipped.png"}));
    EXPECT_TRUE(form.FilePics->Visible());
    EXPECT_FALSE(form.PictureCatalogueFrame->Visible()) << "the list covers the pane";
    for (int i = 0; i < form.FilePics->ListCount(); ++i) EXPECT_TRUE(form.FilePics->Selected(i));
    form.FilePics->setSelected(4, false);

    form.ImageGoAddFolder_Click();

    EXPECT_EQ(prompts(), (std::vector<QString>{kConfirm, "All Files Successfully Added"}));
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbOKCancel);
    const auto stored = rows();
    ASSERT_EQ(stored.size(), 6u);
    const struct { std::string file, name, extent; } expected[] = {
        {"beach.2019.jpg", "beach.2019", "JPG"},
        {"Notes.txt", "Notes", "TXT"},
        {"empty.bmp", "empty", "BMP"},
        {"large.tif", "large", "TIF"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.file);
        ASSERT_TRUE(stored.count(e.name));
        const StoredRow& row = stored.at(e.name);
        EXPECT_EQ(row.extent, e.extent);
        EXPECT_EQ(row.size, static_cast<int64_t>(files.at(e.file).size()));
        EXPECT_EQ(row.crc, crcOf(files.at(e.file)));
        EXPECT_EQ(row.date, "2010-06-15");  // the recording services' clock
        EXPECT_EQ(row.category, "");
    }
    EXPECT_FALSE(stored.count("skipped"));

    // The list is rebuilt and shows its first row; the panel is closed.
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 6);
    EXPECT_EQ(form.Text2->Text(), "1 / 6");
    EXPECT_EQ(form.TextField[18]->Text(), "picture 0");
    for (ui::Control* c : std::initializer_list<ui::Control*>{form.TextFilePicsPath, form.ImageGoAddFolder,
                                                              form.ImageAddFolderCancel, form.CheckIncCat,
                                                              form.FilePics, form.LabelError, form.List1})
        EXPECT_FALSE(c->Visible()) << c->widget()->objectName().toStdString();
    for (ui::Control* c : std::initializer_list<ui::Control*>{form.TextField[18], form.CmdShowGrid, form.Picture7,
                                                              form.PictureCatalogueFrame, form.ImageCatalogue})
        EXPECT_TRUE(c->Visible()) << c->widget()->objectName().toStdString();
    EXPECT_TRUE(form.PictureBindingEnabled);
    EXPECT_EQ(form.MousePointer(), ui::vbDefault);
    EXPECT_EQ(form.PictureCatalogueFrame->MousePointer(), ui::vbDefault);
}

TEST_F(AddingFolders, FailingFilesAreListedAndTheOthersStillAdded) {
    makeCatalogueWithRows(0);
    addPicture("taken", "PNG", {1});
    const QString path = userFolder("some fail", {{"taken.png", {2}},
                                                  {"fine.gif", {3}},
                                                  {"huge.tif", {}},
                                                  {"noextension", {4}},
                                                  {"twin.jpg", {5}},
                                                  {"twin.png", {6}},
                                                  {"vanished.jpg", {7}},
                                                  {"it's mum's.png", {8, 8}}});
    // Longer than any value the catalogue stores; sparse, so it takes no room.
    std::filesystem::resize_file(path.toStdString() + "/huge.tif", (uintmax_t{1} << 31) + 1);
    Form1& form = start();
    form.TextFilePicsPath->setText(path);
    std::filesystem::remove(path.toStdString() + "/vanished.jpg");  // gone after it was listed

    form.ImageGoAddFolder_Click();

    EXPECT_EQ(prompts(), std::vector<QString>{kConfirm}) << "the error list instead of a message";
    // Each line names the file and says why it was left out, in words and without numbers.
    EXPECT_EQ(errorLines(form),
              QStringList({"huge.tif: the file is too large for the catalogue",
                           "noextension: its name has no extension, such as .jpg",
                           "taken.png: a picture named \"taken\" is already in the catalogue",
                           "twin.png: a picture named \"twin\" is already in the catalogue",
                           "vanished.jpg: the file is no longer there"})
                  .join('\n')
                  .toStdString());
    const auto stored = rows();
    EXPECT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored.at("taken").crc, crcOf({1})) << "the stored row is untouched";
    EXPECT_EQ(stored.at("twin").crc, crcOf({5}));
    EXPECT_EQ(stored.at("it's mum's").size, 2);
    EXPECT_TRUE(stored.count("fine"));

    // The error list lies over the pane until it loses the focus.
    EXPECT_TRUE(form.List1->Visible());
    EXPECT_EQ(form.List1->Left(), form.PictureCatalogueFrame->Left());
    EXPECT_EQ(form.List1->Top(), form.PictureCatalogueFrame->Top());
    EXPECT_EQ(form.List1->Width(), form.PictureCatalogueFrame->Width());
    EXPECT_EQ(form.List1->Height(), form.PictureCatalogueFrame->Height());
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 4);
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
    form.List1->LostFocus.fire();
    EXPECT_FALSE(form.List1->Visible());

    // When every selected file fails, only the message: the list stays hidden.
    form.Image1_Click(1);
    form.TextFilePicsPath->setText(path);
    form.ImageGoAddFolder_Click();
    EXPECT_EQ(services.msgBoxes.back().prompt, "No Files Added");
    EXPECT_EQ(form.List1->ListCount(), 7);
    EXPECT_FALSE(form.List1->Visible());
    EXPECT_EQ(rows().size(), 4u);
}

TEST_F(AddingFolders, TheRunShowsTheHourglassOverItsWorkingStateUntilItsReport) {
    makeCatalogueWithRows(1);
    const QString path = userFolder("busy", {{"one.jpg", {1}}, {"two.png", {2}}});
    Form1& form = start();
    form.TextFilePicsPath->setText(path);
    // Whether the pane said it was working, with nothing added yet, while under the hourglass.
    bool workingStateShown = false;
    testsupport::HourglassWatch watch([&] {
        workingStateShown |= form.LabelError->Visible() &&
                             form.LabelError->Caption() == "Loading Please Wait..." &&
                             form.Adodc3.recordset().recordCount() == 1;
    });

    form.ImageGoAddFolder_Click();

    EXPECT_TRUE(workingStateShown);
    ASSERT_EQ(services.msgBoxes.size(), 2u);
    EXPECT_EQ(services.msgBoxes[1].pointer, ui::vbDefault) << "the report comes without the hourglass";
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(AddingFolders, TheCategoryBoxNeedsAChosenCategory) {
    const QString path = userFolder("family", {{"one.jpg", {1}}, {"two.jpg", {2}}});
    const QString more = userFolder("more", {{"three.jpg", {3}}});
    Form1& form = start();
    form.Show();

    // Pressed with no category chosen: refused with the message, and it stays unticked.
    for (const char* none : {"", "Categories"}) {
        form.ComboCategory->setText(none);
        QTest::mouseClick(form.CheckIncCat, Qt::LeftButton);
        EXPECT_EQ(services.msgBoxes.back().prompt, "Select Category from the Right Pane");
        EXPECT_EQ(form.CheckIncCat->Value(), 0);
        form.CheckIncCat->setValue(1);  // nor can the keyboard tick it
        EXPECT_EQ(form.CheckIncCat->Value(), 0);
    }
    ASSERT_EQ(services.msgBoxes.size(), 2u);

    form.ComboCategory->setText("Kids' Party");
    QTest::mouseClick(form.CheckIncCat, Qt::LeftButton);
    EXPECT_EQ(form.CheckIncCat->Value(), 1);
    EXPECT_EQ(services.msgBoxes.size(), 2u);
    form.TextFilePicsPath->setText(path);
    form.ImageGoAddFolder_Click();

    // Unticked, the next run's rows get none.
    form.Image1_Click(1);
    EXPECT_EQ(form.CheckIncCat->Value(), 0) << "opening the panel unticks the box";
    form.TextFilePicsPath->setText(more);
    form.ImageGoAddFolder_Click();

    const auto stored = rows();
    EXPECT_EQ(stored.at("one").category, "Kids' Party");
    EXPECT_EQ(stored.at("two").category, "Kids' Party");
    EXPECT_EQ(stored.at("three").category, "");
}

TEST_F(AddingFolders, GoDoesNothingButClearTheErrorsWithoutAFolderOfFiles) {
    const QString empty = userFolder("empty", {});
    const QString files = userFolder("files", {{"a.png", {1}}});
    std::filesystem::create_directory_symlink(folder.path(), folder.file("user/program-link"));
    Form1& form = start();
    const struct { const char* what; std::function<void()> set; } cases[] = {
        {"the prompt", [] {}},
        {"an empty folder", [&] { form.TextFilePicsPath->setText(empty); }},
        {"the program folder", [&] { form.TextFilePicsPath->setText(QString::fromStdString(folder.path())); }},
        {"the program folder, with a slash", [&] { form.TextFilePicsPath->setText(QString::fromStdString(folder.path() + "/")); }},
        {"a link to the program folder", [&] { form.TextFilePicsPath->setText(QString::fromStdString(folder.file("user/program-link"))); }},
        {"an emptied box", [&] {
             form.TextFilePicsPath->setText(files);
             form.TextFilePicsPath_DblClick();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        form.Image1_Click(1);
        c.set();
        if (form.TextFilePicsPath->Text() != "") {
            EXPECT_FALSE(form.FilePics->Visible());
        }
        form.List1->AddItem("an old line");
        form.ImageGoAddFolder_Click();
        EXPECT_EQ(form.List1->ListCount(), 0);
        EXPECT_TRUE(services.msgBoxes.empty());
        EXPECT_TRUE(form.TextFilePicsPath->Visible()) << "the panel stays open";
    }
    EXPECT_TRUE(rows().empty());
}

TEST_F(AddingFolders, CancelStoresNothing) {
    const QString path = userFolder("pics", {{"a.png", {1}}, {"b.png", {2}}});
    Form1& form = start();
    form.TextFilePicsPath->setText(path);

    services.queueMsgBoxReply(runtime::vbCancel);
    form.ImageGoAddFolder_Click();
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(form.FilePics->Visible()) << "the panel is still open";

    // Every entry deselected: the run adds nothing.
    for (int i = 0; i < form.FilePics->ListCount(); ++i) form.FilePics->setSelected(i, false);
    form.ImageGoAddFolder_Click();
    EXPECT_EQ(services.msgBoxes.back().prompt, "No Files Added");
    EXPECT_TRUE(rows().empty());

    // The "Cancel" picture closes the panel.
    form.Image1_Click(1);
    form.TextFilePicsPath->setText(path);
    form.ImageAddFolderCancel_Click();
    for (ui::Control* c : std::initializer_list<ui::Control*>{form.TextFilePicsPath, form.ImageGoAddFolder,
                                                              form.ImageAddFolderCancel, form.CheckIncCat,
                                                              form.FilePics})
        EXPECT_FALSE(c->Visible()) << c->widget()->objectName().toStdString();
    for (ui::Control* c : std::initializer_list<ui::Control*>{form.TextField[18], form.CmdShowGrid, form.Picture7,
                                                              form.PictureCatalogueFrame})
        EXPECT_TRUE(c->Visible()) << c->widget()->objectName().toStdString();
    EXPECT_TRUE(rows().empty());
}

TEST_F(AddingFolders, ThePathBoxFollowsTypingDropsAndFocus) {
    const QString pics = userFolder("pics", {{"a.png", {1}}});
    const QString other = userFolder("pics2", {{"b.png", {2}}, {"c.png", {3}}});
    Form1& form = start();
    const QString prompt = "Enter Path or Drag and Drop a Folder Here";
    EXPECT_EQ(form.TextFilePicsPath->Text(), prompt);
    EXPECT_EQ(form.FilePics->Path(), QString::fromStdString(folder.path()));
    EXPECT_FALSE(form.FilePics->Visible());
    EXPECT_EQ(form.TextFilePicsPath->Left(), form.PictureCatalogueFrame->Left());
    EXPECT_EQ(form.ImageAddFolderCancel->Left(), form.ImageGoAddFolder->Left() + form.ImageGoAddFolder->Width() + 70);

    form.TextFilePicsPath_Click();
    EXPECT_EQ(form.TextFilePicsPath->Text(), "") << "a click clears the prompt";

    // Typed one key at a time: each text that names a folder with files lists it.
    for (const QChar key : pics + "2") form.TextFilePicsPath->setText(form.TextFilePicsPath->Text() + key);
    EXPECT_EQ(listed(form), (QStringList{"b.png", "c.png"}));
    form.TextFilePicsPath->setText(pics);
    EXPECT_EQ(listed(form), QStringList{"a.png"});
    form.TextFilePicsPath_Click();
    EXPECT_EQ(form.TextFilePicsPath->Text(), pics) << "a click keeps a path";

    // A file or a missing folder leaves the list as it was.
    for (const QString& text : {pics + "/a.png", pics + "/nowhere"}) {
        form.TextFilePicsPath->setText(text);
        EXPECT_EQ(form.FilePics->Path(), pics);
        EXPECT_TRUE(form.FilePics->Visible());
        form.TextFilePicsPath_LostFocus();
        EXPECT_EQ(form.TextFilePicsPath->Text(), pics) << "losing the focus shows the listed folder";
    }

    // Drops: the first item counts; a file lists nothing new; data without files
    // leaves the box empty.
    form.TextFilePicsPath->OLEDragDrop.fire({other, pics});
    EXPECT_EQ(form.TextFilePicsPath->Text(), other);
    EXPECT_EQ(listed(form), (QStringList{"b.png", "c.png"}));
    form.TextFilePicsPath->OLEDragDrop.fire({pics + "/a.png"});
    EXPECT_EQ(listed(form), (QStringList{"b.png", "c.png"}));
    form.TextFilePicsPath->OLEDragDrop.fire({});
    EXPECT_EQ(form.TextFilePicsPath->Text(), "");

    form.TextFilePicsPath->setText(QString::fromStdString(folder.path()));
    EXPECT_FALSE(form.FilePics->Visible()) << "the program folder is never listed";
    EXPECT_TRUE(form.PictureCatalogueFrame->Visible());
}

}  // namespace
