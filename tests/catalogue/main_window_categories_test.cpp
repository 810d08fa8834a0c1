// The category row: storing and deleting names, and filtering the list by one.

#include <functional>
#include <set>

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
    // Runs `change` on each stored picture row, as another program would.
    void withEachPicture(const std::function<void(db::Recordset&)>& change) const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Pictures");
        for (; !rs.eof(); rs.moveNext()) change(rs);
    }
    // The main window over a picture of each name, those in `boats` of the category Boats.
    Form1& startWithBoats(const std::vector<std::string>& names, const std::set<std::string>& boats) {
        makeCatalogueWithRows(0);
        for (const std::string& name : names) addPicture(name, "TXT", {uint8_t(name.size())});
        withEachPicture([&](db::Recordset& rs) {
            if (boats.count(rs.field("PhotoDescription").value().text())) {
                rs.field("Category").setValue(std::string("Boats"));
                rs.update();
            }
        });
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
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
    EXPECT_EQ(form.ComboCategory->ListCount(), 1);

    // The last one goes from the list too.
    form.ComboCategory->setText("Boats");
    services.queueMsgBoxReply(runtime::vbYes);
    form.CmdDeleteCateg_Click();
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(form.ComboCategory->ListCount(), 0);
    EXPECT_EQ(form.ComboCategory->Text(), "Categories");
}

TEST_F(Categories, FilteringListsOnlyTheCategorysPictures) {
    Form1& form = startWithBoats({"dinghy", "rose", "ketch"}, {"dinghy", "ketch"});

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

TEST_F(Categories, UntickingAlwaysEndsTheFilterAndListsEveryPicture) {
    enum Case { boxShowsThePrompt, boxEmpty, boxShowsAnotherName, filteredPicturesGone };
    for (Case c : {boxShowsThePrompt, boxEmpty, boxShowsAnotherName, filteredPicturesGone}) {
        SCOPED_TRACE(c);
        restartProgram();
        Form1& form = startWithBoats({"dinghy", "rose"}, {"dinghy"});
        form.ComboCategory->setText("Boats");
        form.CheckFilterByCategory->setValue(1);
        ASSERT_TRUE(Module1::CategoryFilterOn);
        ASSERT_EQ(form.Adodc3.recordset().recordCount(), 1);

        long remaining = 2;
        switch (c) {
        case boxShowsThePrompt: form.ComboCategory->setText("Categories"); break;
        case boxEmpty: form.ComboCategory->setText(""); break;
        case boxShowsAnotherName: form.ComboCategory->setText("Gardens"); break;
        case filteredPicturesGone:
            withEachPicture([](db::Recordset& rs) {
                if (rs.field("PhotoDescription").value().text() == "dinghy") rs.deleteCurrent();
            });
            form.CmdPictures_Click();
            ASSERT_EQ(form.Adodc3.recordset().recordCount(), 0);
            remaining = 1;
            break;
        }
        form.CheckFilterByCategory->setValue(0);
        EXPECT_FALSE(Module1::CategoryFilterOn);
        EXPECT_EQ(form.Adodc3.recordset().recordCount(), remaining);
        EXPECT_EQ(form.CheckFilterByCategory->Value(), 0);
        EXPECT_TRUE(services.msgBoxes.empty());
    }
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
