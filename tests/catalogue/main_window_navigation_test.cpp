// Moving through the list: the navigation buttons, finding by name as one types, Find
// Next, finding by ID, and the records grid.

#include <functional>

#include <QTest>

#include "catalogue/main_window.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/noise_pictures.h"
#include "support/program_folder_test.h"

namespace {

class Navigation : public testsupport::ProgramFolderTest {
protected:
    // Rows named as a user might: the find texts below match at the start, inside and at
    // the end of names.
    Form1& start() {
        makeCatalogueWithRows(0);
        // Bitmaps of sizes of their own, so the pane's picture tells whose it is.
        int side = 8;
        for (const char* name : {"harbour", "old harbour wall", "boats", "the harbour", "Anne's garden"}) {
            addPicture(name, "BMP", testsupport::noiseBmp24(side, side, false, static_cast<uint32_t>(side)));
            ++side;
        }
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
    static long position(Form1& form) { return form.Adodc3.recordset().absolutePosition(); }
    static QString name(Form1& form) { return form.TextField[18]->Text(); }
};

TEST_F(Navigation, ButtonsMoveAndStopAtTheEnds) {
    Form1& form = start();
    form.Timer3->setEnabled(true);
    form.LabelError->setVisible(true);
    form.ComdADOMove_Click(1);  // previous on the first record
    EXPECT_EQ(position(form), 1);
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_FALSE(form.LabelError->Visible());

    const struct { int button; long expected; } steps[] = {{2, 2}, {2, 3}, {4, 5}, {2, 5}, {1, 4}, {3, 1}};
    for (const auto& step : steps) {
        form.ComdADOMove_Click(step.button);
        EXPECT_EQ(position(form), step.expected) << "button " << step.button;
        EXPECT_EQ(form.Text2->Text(), QString("%1 / 5").arg(step.expected));
    }
}

TEST_F(Navigation, QuickClicksOnTheButtonsEachMoveOneRecord) {
    Form1& form = start();
    ASSERT_TRUE(form.Visible());
    // Two clicks in quick succession, as the platform delivers them: the second comes as
    // a double click.
    const auto doubleClick = [&](int button) {
        QWidget* image = form.ComdADOMove[button];
        QWidget* top = form.window();
        QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, image->mapTo(top, image->rect().center()));
    };
    const struct { int button; long expected; } steps[] = {{2, 3}, {2, 5}, {1, 3}, {1, 1}};
    for (const auto& step : steps) {
        doubleClick(step.button);
        EXPECT_EQ(position(form), step.expected) << "button " << step.button;
        EXPECT_EQ(form.Text2->Text(), QString("%1 / 5").arg(step.expected));
    }
}

TEST_F(Navigation, FindAsYouTypeMatchesAnywhereInTheName) {
    Form1& form = start();
    form.ComdADOMove_Click(4);
    form.TextFind->setText("Find");
    EXPECT_EQ(position(form), 5) << "the prompt finds nothing";

    const struct { const char* text; long found; } finds[] = {
        {"boat", 3}, {"harbour", 1}, {"wall", 2}, {"the h", 4}, {"Anne's", 5}, {"", 1}};
    for (const auto& f : finds) {
        form.TextFind->setText(f.text);
        EXPECT_EQ(position(form), f.found) << f.text;
        EXPECT_EQ(form.Text2->Text(), QString("%1 / 5").arg(f.found)) << f.text;
    }

    form.TextFind->setText("no such picture");
    EXPECT_EQ(position(form), 1) << "a text that matches nothing stays on the record shown";
    EXPECT_EQ(form.Text2->Text(), "1 / 5");
    form.ImageFindNext_Click();
    EXPECT_TRUE(form.ImageFindNext->Visible());
    EXPECT_EQ(position(form), 1);
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(Navigation, FindNextGoesOnWithoutWrappingRound) {
    Form1& form = start();
    form.TextFind->setText("harbour");
    EXPECT_EQ(position(form), 1);
    form.ImageFindNext_Click();
    EXPECT_EQ(position(form), 2);
    form.ImageFindNext_Click();
    EXPECT_EQ(position(form), 4);
    form.ImageFindNext_Click();
    EXPECT_EQ(position(form), 4) << "no wrap-round: the last match stays";
    form.ImageFindNext_Click();
    EXPECT_EQ(position(form), 4);
    EXPECT_EQ(form.Text2->Text(), "4 / 5");
    EXPECT_TRUE(form.ImageFindNext->Visible());
    form.TextFind->setText("harbou");
    EXPECT_EQ(position(form), 1) << "a changed text starts again at the first record";
}

TEST_F(Navigation, FindByIdTakesNumbersOnly) {
    Form1& form = start();
    form.CheckFindID->setValue(1);
    EXPECT_FALSE(form.ImageFindNext->Visible());
    form.TextFind->setText("3");
    EXPECT_EQ(position(form), 3);
    for (const char* below : {"0", "-2", "abc"}) {
        form.TextFind->setText(below);
        EXPECT_EQ(form.TextFind->Text(), "") << below;
        EXPECT_EQ(position(form), 1) << below;
    }
    form.TextFind->setText("2abc");
    EXPECT_EQ(form.Text2->Text(), "1 / 5") << "a criterion that does not parse finds nothing";
    form.CheckFindID->setValue(0);
    EXPECT_TRUE(form.ImageFindNext->Visible());
    form.TextFind->setText("Find");
    form.TextFind_Click();
    EXPECT_EQ(form.TextFind->Text(), "");
    EXPECT_EQ(position(form), 1);
}

// A search that lands on no record stays on the record shown: the panel, the picture,
// its size and position as they were, and the find row says "Not found" until a search
// lands again.
TEST_F(Navigation, ASearchThatFindsNothingStaysOnTheRecordShown) {
    const struct {
        const char* search;
        std::function<void(Form1&)> before, miss;
    } searches[] = {
        {"a name that matches nothing", [](Form1& f) { f.ComdADOMove_Click(2); },
         [](Form1& f) { f.TextFind->setText("harbour wall at night"); }},
        {"Find Next past the last match",
         [](Form1& f) {
             f.TextFind->setText("harbour");
             f.ImageFindNext_Click();
             f.ImageFindNext_Click();
         },
         [](Form1& f) { f.ImageFindNext_Click(); }},
        {"an ID no record has",
         [](Form1& f) {
             f.CheckFindID->setValue(1);
             f.TextFind->setText("3");
         },
         [](Form1& f) { f.TextFind->setText("99"); }},
        {"an ID that does not parse",
         [](Form1& f) {
             f.CheckFindID->setValue(1);
             f.TextFind->setText("4");
         },
         [](Form1& f) { f.TextFind->setText("4abc"); }},
    };
    for (const auto& s : searches) {
        SCOPED_TRACE(s.search);
        restartProgram();
        Form1& form = start();
        form.Image1_Click(4);
        s.before(form);
        ASSERT_FALSE(form.LabelFindResult->Visible());
        const long shown = position(form);
        const QString name = form.TextField[18]->Text(), size = form.Text1->Text(), at = form.Text2->Text();
        const auto picture = form.ImageCatalogue->Picture().Handle();
        const double pictureWidth = form.PictureCatalogue->Width();

        s.miss(form);
        EXPECT_EQ(position(form), shown);
        EXPECT_EQ(form.Adodc4.recordset().absolutePosition(), shown);
        EXPECT_EQ(form.TextField[18]->Text(), name);
        EXPECT_EQ(form.Text1->Text(), size);
        EXPECT_EQ(form.Text2->Text(), at);
        EXPECT_EQ(form.ImageCatalogue->Picture().Handle(), picture);
        EXPECT_TRUE(form.ImageCatalogue->Visible());
        EXPECT_DOUBLE_EQ(form.PictureCatalogue->Width(), pictureWidth);
        EXPECT_TRUE(form.LabelFindResult->Visible());
        EXPECT_EQ(form.LabelFindResult->Caption(), "Not found");
        EXPECT_TRUE(services.msgBoxes.empty());

        form.CheckFindID->setValue(0);
        form.TextFind->setText("boat");
        EXPECT_EQ(position(form), 3);
        EXPECT_EQ(form.Text2->Text(), "3 / 5");
        EXPECT_FALSE(form.LabelFindResult->Visible()) << "a search that lands takes the words away";
    }
}

TEST_F(Navigation, TheGridOpensUnderThePaneAndItsClickMovesBothRecordSets) {
    Form1& form = start();
    form.CmdShowGrid_Click();
    ASSERT_TRUE(form.MSHFlexGrid1->Visible());
    EXPECT_DOUBLE_EQ(form.MSHFlexGrid1->Top(),
                     form.PictureCatalogueFrame->Top() + form.PictureCatalogueFrame->Height() + 60);
    EXPECT_DOUBLE_EQ(form.MSHFlexGrid1->ColWidth(1), 3000);
    form.MSHFlexGrid1->setRow(3);
    form.MSHFlexGrid1_Click();
    EXPECT_EQ(position(form), 4);
    EXPECT_EQ(form.Adodc4.recordset().absolutePosition(), 4);
    EXPECT_EQ(name(form), "the harbour");
    EXPECT_TRUE(form.GridFollowsRecord);
    form.CmdShowGrid_Click();
    EXPECT_FALSE(form.MSHFlexGrid1->Visible());
}

TEST_F(Navigation, AnEmptyListOnlyStopsTheSlideShow) {
    makeCatalogueWithRows(0);
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    form.Timer3->setEnabled(true);
    for (int button : {1, 2, 3, 4}) form.ComdADOMove_Click(button);
    EXPECT_FALSE(form.Timer3->Enabled());
    form.CmdShowGrid_Click();
    EXPECT_FALSE(form.MSHFlexGrid1->Visible());
    EXPECT_TRUE(services.msgBoxes.empty());
}

}  // namespace
