// What the user types into the record panel: saved before anything closes, requeries or
// rebuilds the list; a name another picture has is refused with one message naming the
// clash, the user stays on the record with the text, and Escape puts the stored name back;
// a blank name is refused and the stored one comes back; stray keys rename nothing.

#include <filesystem>
#include <functional>

#include <QApplication>
#include <QTest>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "catalogue/thumbnails_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

using ui::RecordingServices;

struct StoredEdit {
    std::string name, description, notes;
    bool operator==(const StoredEdit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StoredEdit& e) {
    return out << "{" << e.name << ", " << e.description << ", " << e.notes << "}";
}

QString clashMessage(const QString& typed, const QString& stored) {
    return "The Name \"" + typed + "\" is Already Used by Another Picture in the DataBase.\r\n\r\n"
           "Enter Another Name, or Press Escape in the Name Box to Restore \"" + stored + "\".";
}

class RecordPanelEdits : public testsupport::ProgramFolderTest {
protected:
    // A fresh run over "picture 0" to "picture 2", all of the category "trips", at the second.
    Form1& start() {
        restartProgram();
        makeCatalogueWithRows(3);
        {
            db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
            db::Recordset rs;
            rs.open(connection.share(), "Select * from Pictures");
            for (; !rs.eof(); rs.moveNext()) rs.field("Category").setValue("trips");
        }
        EXPECT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        form.ComdADOMove_Click(2);
        return form;
    }

    // As the user types: the last character of the name replaced, words added to the
    // one-line description; the notes, a multi-line box, set as a paste would.
    static void typeEdits(Form1& form, const QString& lastNameCharacter) {
        QWidget* name = form.TextField[18]->editor();
        QTest::keyClick(name, Qt::Key_End);
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, lastNameCharacter);
        QTest::keyClicks(form.TextField[11]->editor(), "by the sea");
        form.TextField[15]->setText("a note");
    }

    StoredEdit storedSecond() const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        rs.setAbsolutePosition(2);
        return {rs.field("PhotoDescription").value().text(), rs.field("Description").value().text(),
                rs.field("Notes").value().text()};
    }

    std::vector<QString> prompts() const {
        std::vector<QString> out;
        for (const auto& box : services.msgBoxes) out.push_back(box.prompt);
        return out;
    }

    std::string userFile(const std::string& name) {
        std::filesystem::create_directories(folder.file("user"));
        const std::string path = folder.file("user/" + name);
        sys::writeFile(path, std::vector<uint8_t>{1, 2, 3, 4});
        return path;
    }
};

TEST_F(RecordPanelEdits, TypedTextReachesTheCatalogueBeforeEveryCloseAndRebuild) {
    const struct {
        const char* path;
        std::function<void(Form1&)> run;
        std::function<bool()> carriedOut;
    } paths[] = {
        {"closing the window", [](Form1& f) { f.window()->close(); }, [] { return ui::programEnded(); }},
        {"sorting", [](Form1& f) { f.LabelSort_Click(); }, [] { return Module1::SortByName; }},
        {"filtering by category",
         [](Form1& f) {
             f.ComboCategory->setText("trips");
             f.CheckFilterByCategory->setValue(1);
         },
         [] { return Module1::CategoryFilterOn; }},
        {"switching to thumbnails", [](Form1& f) { ui::runHandler([&] { f.Image1_Click(7); }); },
         [] { return ui::isLoaded<Form28>(); }},
        {"compacting the catalogue", [](Form1& f) { f.Label7_Click(3); }, [] { return !ui::isLoaded<Form1>(); }},
        {"adding a file",
         [&](Form1& f) {
             services.queueOpenResult(RecordingServices::chosen(QString::fromStdString(userFile("added.bin"))));
             f.Image1_Click(0);
         },
         [&] { return pictureRows(catalogue()) == 4; }},
        {"importing a folder",
         [&](Form1& f) {
             userFile("imported.bin");
             f.Image1_Click(1);
             f.TextFilePicsPath->setText(QString::fromStdString(folder.file("user")));
             services.queueMsgBoxReply(runtime::vbOK);
             f.ImageGoAddFolder_Click();
         },
         [&] { return pictureRows(catalogue()) == 4; }},
    };
    for (const auto& p : paths) {
        SCOPED_TRACE(p.path);
        std::filesystem::remove_all(folder.file("user"));
        Form1& form = start();
        typeEdits(form, "7");
        p.run(form);
        EXPECT_TRUE(p.carriedOut());
        EXPECT_EQ(storedSecond(), (StoredEdit{"picture 7", "by the sea", "a note"}));
    }

    // The same with a name another picture has: the message a move shows, and the user
    // stays on the record with the text, the list and the window as they were.
    for (const auto& p : paths) {
        SCOPED_TRACE(std::string(p.path) + ", refused");
        std::filesystem::remove_all(folder.file("user"));
        Form1& form = start();
        typeEdits(form, "0");
        p.run(form);
        EXPECT_FALSE(p.carriedOut());
        EXPECT_EQ(prompts(), std::vector<QString>{clashMessage("picture 0", "picture 1")});
        EXPECT_EQ(storedSecond(), (StoredEdit{"picture 1", "", ""}));
        ASSERT_TRUE(ui::isLoaded<Form1>());
        EXPECT_TRUE(form.Visible());
        EXPECT_FALSE(ui::programEnded());
        EXPECT_EQ(form.Adodc3.recordset().absolutePosition(), 2);
        EXPECT_EQ(form.TextField[18]->Text(), "picture 0");
        EXPECT_EQ(form.TextField[11]->Text(), "by the sea");
        EXPECT_EQ(form.TextField[15]->Text(), "a note");
        EXPECT_EQ(form.CheckSort->Value(), 0);
        EXPECT_EQ(form.CheckFilterByCategory->Value(), 0);
    }
}

TEST_F(RecordPanelEdits, ANameAlreadyUsedIsToldAtEveryMoveAndTheUserStays) {
    Form1& form = start();
    typeEdits(form, "0");
    const struct {
        const char* move;
        std::function<void()> run;
    } moves[] = {
        {"next", [&] { form.ComdADOMove_Click(2); }},
        {"previous", [&] { form.ComdADOMove_Click(1); }},
        {"first", [&] { form.ComdADOMove_Click(3); }},
        {"last", [&] { form.ComdADOMove_Click(4); }},
        {"a row of the grid",
         [&] {
             form.MSHFlexGrid1->setRow(2);
             form.MSHFlexGrid1_Click();
         }},
        {"finding by name", [&] { form.TextFind->setText("picture 2"); }},
        {"find next", [&] { form.ImageFindNext_Click(); }},
        {"a click in another field", [&] { form.TextField_Click(11); }},
        {"the slide show's step", [&] { form.Timer3_Timer(); }},
        {"the slide-show window's next picture", [&] { ui::loaded<Form27>().Command1_Click(); }},
    };
    size_t told = 0;
    for (const auto& m : moves) {
        SCOPED_TRACE(m.move);
        m.run();
        ++told;
        EXPECT_EQ(prompts(), std::vector<QString>(told, clashMessage("picture 0", "picture 1")));
        EXPECT_EQ(form.Adodc3.recordset().absolutePosition(), 2);
        EXPECT_EQ(form.MSHFlexGrid1->Row(), 1) << "the grid stays on the record too";
        EXPECT_EQ(form.TextField[18]->Text(), "picture 0");
        EXPECT_EQ(form.Text2->Text(), "2 / 3");
    }
    EXPECT_EQ(storedSecond(), (StoredEdit{"picture 1", "", ""}));

    // Corrected, the next move saves the record and goes on.
    QTest::keyClick(form.TextField[18]->editor(), Qt::Key_Backspace);
    QTest::keyClicks(form.TextField[18]->editor(), "9");
    form.ComdADOMove_Click(2);
    EXPECT_EQ(services.msgBoxes.size(), told);
    EXPECT_EQ(form.Adodc3.recordset().absolutePosition(), 3);
    EXPECT_EQ(storedSecond(), (StoredEdit{"picture 9", "by the sea", "a note"}));
}

TEST_F(RecordPanelEdits, EscapeInTheNameBoxPutsTheStoredNameBack) {
    Form1& form = start();
    typeEdits(form, "0");
    form.ComdADOMove_Click(2);
    ASSERT_EQ(services.msgBoxes.size(), 1u);

    QTest::keyClick(form.TextField[18]->editor(), Qt::Key_Escape);
    EXPECT_EQ(form.TextField[18]->Text(), "picture 1");
    EXPECT_EQ(form.TextField[11]->Text(), "by the sea") << "only the name goes back";
    form.ComdADOMove_Click(2);
    EXPECT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(form.Adodc3.recordset().absolutePosition(), 3);
    EXPECT_EQ(storedSecond(), (StoredEdit{"picture 1", "by the sea", "a note"}));

    // Escape before any save does the same; the other boxes' keys are theirs.
    form.ComdADOMove_Click(1);
    QTest::keyClicks(form.TextField[18]->editor(), " and more");
    QTest::keyClick(form.TextField[18]->editor(), Qt::Key_Escape);
    EXPECT_EQ(form.TextField[18]->Text(), "picture 1");
    QTest::keyClick(form.TextField[11]->editor(), Qt::Key_Escape);
    EXPECT_EQ(form.TextField[11]->Text(), "by the sea");
}

// Five pictures named as a camera names them, the keyboard's focus on the main window.
class StrayKeys : public RecordPanelEdits {
protected:
    Form1& start() {
        makeCatalogueWithRows(0);
        for (const char* name : {"photo17", "photo18", "photo19", "photo20", "photo21"})
            addPicture(name, "TXT", {1, 2, 3});
        EXPECT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        QApplication::setActiveWindow(form.window());
        return form;
    }

    std::vector<std::string> storedNames() const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select PhotoDescription from Pictures");
        std::vector<std::string> names;
        for (; !rs.eof(); rs.moveNext()) names.push_back(rs.field("PhotoDescription").value().text());
        return names;
    }

    std::string storedDescription(long position) const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select Description from Pictures");
        rs.setAbsolutePosition(position);
        return rs.field("Description").value().text();
    }

    // A real click on a navigation image, and keys sent where the keyboard focus is.
    static void click(Form1& form, int button) { QTest::mouseClick(form.ComdADOMove[button], Qt::LeftButton); }
    static void key(Qt::Key k) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, k);
    }
};

TEST_F(StrayKeys, ArrowAndSpaceAfterNextRenameNothing) {
    Form1& form = start();
    click(form, 2);
    click(form, 2);
    ASSERT_EQ(form.TextField[18]->Text(), "photo19");
    for (int round = 0; round < 3; ++round) {
        key(Qt::Key_Right);
        key(Qt::Key_Space);
        click(form, 2);
    }
    click(form, 1);
    click(form, 1);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"photo17", "photo18", "photo19", "photo20", "photo21"}));
    EXPECT_TRUE(services.msgBoxes.empty());
    EXPECT_EQ(form.Text2->Text(), "3 / 5");
    EXPECT_EQ(form.TextField[18]->Text(), "photo19");
}

TEST_F(StrayKeys, ABlankNameIsRefusedAndTheStoredNameComesBack) {
    for (const QString blank : {"", "   "}) {
        SCOPED_TRACE("\"" + blank.toStdString() + "\"");
        restartProgram();
        Form1& form = start();
        click(form, 2);
        click(form, 2);
        form.TextField[18]->setText(blank);
        QTest::keyClicks(form.TextField[11]->editor(), "harbour");
        click(form, 2);
        EXPECT_EQ(prompts(), std::vector<QString>{"The Name Box is Empty. A Picture Needs a Name in the DataBase."
                                                  "\r\n\r\nThe Stored Name \"photo19\" is Restored."});
        EXPECT_EQ(form.TextField[18]->Text(), "photo19");
        EXPECT_EQ(form.TextField[11]->Text(), "harbour");
        EXPECT_EQ(form.Text2->Text(), "3 / 5") << "the user stays to see the name come back";

        click(form, 2);
        EXPECT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_EQ(form.Text2->Text(), "4 / 5");
        EXPECT_EQ(storedNames(), (std::vector<std::string>{"photo17", "photo18", "photo19", "photo20", "photo21"}));
        EXPECT_EQ(storedDescription(3), "harbour");
    }
}

TEST_F(StrayKeys, EscapeWhereTheFocusIsPutsTheStoredNameBack) {
    Form1& form = start();
    click(form, 2);
    key(Qt::Key_Right);
    QTest::keyClicks(QApplication::focusWidget(), " by the sea");
    ASSERT_EQ(form.TextField[18]->Text(), "photo18 by the sea");
    key(Qt::Key_Escape);
    EXPECT_EQ(form.TextField[18]->Text(), "photo18");
    click(form, 2);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"photo17", "photo18", "photo19", "photo20", "photo21"}));
}

}  // namespace
