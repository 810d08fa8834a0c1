// The record's field editors (writing on a click, the calendar, the category entry, the
// link) and deleting the current record.

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "shell/about_window.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

class RecordFields : public testsupport::ProgramFolderTest {
protected:
    Form1& start(int rows) {
        makeCatalogueWithRows(rows);
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }

    std::vector<std::string> storedNames() const {
        std::vector<std::string> names;
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (; !rs.eof(); rs.moveNext()) names.push_back(rs.field("PhotoDescription").value().text());
        return names;
    }

    std::string storedField(const char* name) const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        return rs.field(name).value().text();
    }
};

TEST_F(RecordFields, AClickWritesTheRecordAndTheDateFieldOpensTheCalendar) {
    Form1& form = start(2);
    form.TextField[11]->setText("harbour at dawn");
    form.TextField_Click(11);
    EXPECT_EQ(storedField("Description"), "harbour at dawn");
    EXPECT_FALSE(form.MonthView1->Visible());

    form.TextField_Click(16);
    EXPECT_TRUE(form.MonthView1->Visible());
    EXPECT_DOUBLE_EQ(form.MonthView1->Top(), form.TextField[16]->Top() - form.MonthView1->Height() - 200);
    form.MonthView1_DateClick(QDate(2011, 3, 4));
    EXPECT_EQ(form.TextField[16]->Text(), "2011-03-04") << "the whole text is replaced";
    EXPECT_FALSE(form.MonthView1->Visible());
    form.TextField_Click(11);
    EXPECT_EQ(storedField("Date"), "2011-03-04");
    EXPECT_EQ(services.beeps, 0);
}

TEST_F(RecordFields, AnEmptyListBeepsButStillOpensTheCalendar) {
    Form1& form = start(0);
    form.TextField_Click(16);
    EXPECT_TRUE(form.MonthView1->Visible());
    form.TextField_Click(11);
    EXPECT_EQ(services.beeps, 2);
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(RecordFields, CategoryIsEnteredOnlyWhenOneIsChosen) {
    Form1& form = start(1);
    form.TextField[14]->setText("kept");
    for (const char* shown : {"", "Categories"}) {
        form.ComboCategory->setText(shown);
        form.TextField_DblClick(14);
        form.TextLabelField_Click(11);
        EXPECT_EQ(form.TextField[14]->Text(), "kept") << shown;
    }
    form.ComboCategory->setText("Holidays");
    form.TextField_DblClick(13);
    EXPECT_EQ(form.TextField[14]->Text(), "kept") << "another field's double click";
    form.TextLabelField_Click(11);
    EXPECT_EQ(form.TextField[14]->Text(), "Holidays");
}

TEST_F(RecordFields, GoOpensTheLinkWhenThereIsOne) {
    Form1& form = start(1);
    form.TextField[20]->setText("");
    form.ImageGo_Click();
    EXPECT_TRUE(services.shellOpens.empty());
    form.TextField[20]->setText("https://example.org/album");
    form.ImageGo_Click();
    ASSERT_EQ(services.shellOpens.size(), 1u);
    EXPECT_EQ(services.shellOpens[0], "https://example.org/album");
    EXPECT_FALSE(form.TextField[19]->Enabled()) << "the ID is shown, not edited";
}

TEST_F(RecordFields, DeletingAsksThenRemovesTheRowAndShowsTheFirst) {
    Form1& form = start(9);
    const auto before = storedNames();
    db::Recordset& rs = form.Adodc3.recordset();
    rs.setAbsolutePosition(5);
    const std::string fifth = before[4];
    form.Timer3->setEnabled(true);

    services.queueMsgBoxReply(runtime::vbNo);
    form.Image1_Click(3);
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "Remove Picture from the DataBase?");
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbYesNo);
    EXPECT_FALSE(form.Timer3->Enabled()) << "the slide show stops even on No";
    EXPECT_EQ(storedNames(), before);

    services.queueMsgBoxReply(runtime::vbYes);
    form.Image1_Click(3);
    auto after = before;
    after.erase(after.begin() + 4);
    EXPECT_EQ(storedNames(), after);
    EXPECT_EQ(form.Adodc3.recordset().absolutePosition(), 1);
    EXPECT_EQ(form.Text2->Text(), "1 / 8");
    EXPECT_EQ(form.MousePointer(), ui::vbDefault);
    EXPECT_TRUE(form.PictureBindingEnabled);
}

TEST_F(RecordFields, DeletingTheOnlyRecordLeavesTheEmptyState) {
    Form1& form = start(1);
    services.queueMsgBoxReply(runtime::vbYes);
    form.CmdCatalogueCut_Click();
    EXPECT_TRUE(storedNames().empty());
    EXPECT_TRUE(form.PictureCatalogue->Picture() == ui::forms<Form38>().PicLogo->Picture());
    EXPECT_EQ(form.Text2->Text(), "");
    form.CmdCatalogueCut_Click();
    EXPECT_EQ(services.beeps, 1) << "nothing left to delete";
}

}  // namespace
