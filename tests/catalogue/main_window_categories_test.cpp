// The category row: storing and deleting names, and filtering the list by one.

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

class Categories : public testsupport::ProgramFolderTest {
protected:
    Form1& start(int pictures) {
        makeCatalogueWithRows(pictures);
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
    std::vector<std::string> stored() const {
        std::vector<std::string> names;
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Categories Order by Description");
        for (; !rs.eof(); rs.moveNext()) names.push_back(rs.field("Description").value().text());
        return names;
    }
    QString lastMessage() const { return services.msgBoxes.empty() ? QString() : services.msgBoxes.back().prompt; }
};

TEST_F(Categories, AddingStoresTheNameOnceAndKeepsItChosen) {
    Form1& form = start(1);
    for (const char* prompt : {"", "Categories"}) {
        form.ComboCategory->setText(prompt);
        form.CmdADDCateg_Click();
        EXPECT_EQ(lastMessage(), "Enter a New Category First");
    }
    form.ComboCategory->setText("Anne's garden");
    form.CmdADDCateg_Click();
    EXPECT_EQ(lastMessage(), "Category Anne's garden Added");
    EXPECT_EQ(services.msgBoxes.back().style, runtime::vbInformation);
    EXPECT_EQ(form.ComboCategory->Text(), "Anne's garden");
    EXPECT_EQ(stored(), std::vector<std::string>{"Anne's garden"});

    form.CmdADDCateg_Click();
    EXPECT_EQ(lastMessage(), "Category Exists. Please Enter New Category.");
    EXPECT_EQ(services.msgBoxes.back().style, runtime::vbCritical);
    EXPECT_EQ(form.ComboCategory->Text(), "Categories");
    EXPECT_EQ(stored(), std::vector<std::string>{"Anne's garden"});
    form.ComboCategory->setText("Boats");
    form.CmdADDCateg_Click();
    EXPECT_EQ(lastMessage(), "Category Boats Added") << "the record set is usable after a refusal";
}

TEST_F(Categories, DeletingAsksWithTheStoredName) {
    Form1& form = start(1);
    for (const char* name : {"Boats", "Anne's garden"}) {
        form.ComboCategory->setText(name);
        form.CmdADDCateg_Click();
    }
    form.ComboCategory->setText("Harbour");
    form.CmdDeleteCateg_Click();
    EXPECT_EQ(lastMessage(), "Category Not Found");

    form.ComboCategory->setText("Anne's garden");
    services.queueMsgBoxReply(runtime::vbNo);
    form.CmdDeleteCateg_Click();
    EXPECT_EQ(lastMessage(), "Delete Category Anne's garden?");
    EXPECT_EQ(services.msgBoxes.back().style, runtime::vbYesNo + runtime::vbCritical);
    EXPECT_EQ(stored().size(), 2u);

    services.queueMsgBoxReply(runtime::vbYes);
    form.CmdDeleteCateg_Click();
    EXPECT_EQ(stored(), std::vector<std::string>{"Boats"});
    EXPECT_EQ(form.ComboCategory->Text(), "Categories");
}

TEST_F(Categories, FilteringListsOnlyTheCategorysPictures) {
    makeCatalogueWithRows(0);
    addPicture("dinghy", "TXT", {1});
    addPicture("rose", "TXT", {2});
    addPicture("ketch", "TXT", {3});
    {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (; !rs.eof(); rs.moveNext())
            if (rs.field("PhotoDescription").value().text() != "rose") {
                rs.field("Category").setValue(std::string("Boats"));
                rs.update();
            }
    }
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();

    form.ComboCategory->setText("Boats");
    form.CheckFilterByCategory->setValue(1);
    EXPECT_TRUE(Module1::CategoryFilterOn);
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 2);
    form.CheckFilterByCategory->setValue(0);
    EXPECT_FALSE(Module1::CategoryFilterOn);
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 3);

    form.ComboCategory->setText("Gardens");
    form.CheckFilterByCategory->setValue(1);
    EXPECT_EQ(lastMessage(), "No Pictures Found in this Category");
    EXPECT_EQ(form.CheckFilterByCategory->Value(), 0);
    EXPECT_FALSE(Module1::CategoryFilterOn);
    EXPECT_EQ(form.Adodc3.recordset().recordCount(), 3);
    EXPECT_EQ(services.beeps, 1) << "the untick runs the handler while the list is still empty";

    form.ComboCategory->setText("Categories");
    form.CheckFilterByCategory->setValue(1);
    EXPECT_EQ(form.CheckFilterByCategory->Value(), 0) << "no category chosen";
}

TEST_F(Categories, AnEmptyCatalogueUnticksTheFilterWithABeep) {
    Form1& form = start(0);
    form.ComboCategory->setText("Boats");
    form.CheckFilterByCategory->setValue(1);
    EXPECT_EQ(form.CheckFilterByCategory->Value(), 0);
    EXPECT_EQ(services.beeps, 2) << "one from the untick's own run of the handler";
    EXPECT_FALSE(Module1::CategoryFilterOn);
}

}  // namespace
