// The main window's drop-down menus (panels, highlights, the dispatch's refusals and the
// windows it opens), the storage gauge's text, and the settings stored in the Options row.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/test_environment.h"
#include "filters/filter_lib_window.h"
#include "tools/resize_window.h"
#include "tools/rotate_window.h"

namespace {

constexpr ui::COLORREF kTitleRest = ui::RGB(176, 176, 187);

class MainWindowMenus : public testsupport::ProgramFolderTest {
protected:
    Form1& start(bool withPicture = true) {
        makeCatalogueWithRows(0);
        if (withPicture)
            addPicture("Harbour's view", "BMP",
                       sys::readFile(std::string(testsupport::corporaFolder()) + "/bmpsuite/g/rgb24pal.bmp"));
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }

    std::string storedOption(int position) const {
        db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
        db::Recordset rs;
        rs.open(connection.share(), "Select * from Options");
        return rs.field(static_cast<size_t>(position)).value().text();
    }

    static std::vector<int> visibleHighlights(Form1& form) {
        std::vector<int> shown;
        for (int i = form.Shape2.LBound(); i <= form.Shape2.UBound(); ++i)
            if (form.Shape2.contains(i) && form.Shape2[i]->Visible()) shown.push_back(i);
        return shown;
    }
};

TEST_F(MainWindowMenus, PanelsOpenUnderTheirTitlesAndCloseOnTheToolBar) {
    Form1& form = start();
    form.Timer3->setEnabled(true);
    form.LabelMenu_Click(0);
    EXPECT_TRUE(form.PictureMenu[0]->Visible());
    EXPECT_DOUBLE_EQ(form.PictureMenu[0]->Top(), 0 + 75 + 250 - 10);
    EXPECT_DOUBLE_EQ(form.PictureMenu[0]->Left(), 130);
    EXPECT_FALSE(form.Timer3->Enabled()) << "a menu stops the slide show";

    form.LabelMenu_Click(0);
    EXPECT_TRUE(form.PictureMenu[0]->Visible()) << "a title never closes its own panel";
    form.LabelMenu_Click(1);
    EXPECT_FALSE(form.PictureMenu[0]->Visible());
    EXPECT_TRUE(form.PictureMenu[1]->Visible());
    EXPECT_DOUBLE_EQ(form.PictureMenu[1]->Top(), 0 + 75 + 252 - 10);
    EXPECT_DOUBLE_EQ(form.PictureMenu[1]->Left(), 744);

    form.LabelMenu_MouseMove(1, 0, 0, 0, 0);
    EXPECT_EQ(form.LabelMenu[1]->ForeColor(), ui::RGB(220, 220, 230));
    EXPECT_EQ(form.LabelMenu[0]->ForeColor(), kTitleRest);
    form.LabelMenu_MouseDown(0, 1, 0, 0, 0);
    EXPECT_TRUE(form.LabelMenu[0]->FontBold());
    form.LabelMenu_MouseUp(0, 1, 0, 0, 0);
    EXPECT_FALSE(form.LabelMenu[0]->FontBold());

    form.picToolBar_MouseMove(0, 0, 0, 0);
    EXPECT_FALSE(form.PictureMenu[1]->Visible());
    EXPECT_EQ(form.LabelMenu[1]->ForeColor(), kTitleRest);
}

TEST_F(MainWindowMenus, OneHighlightAtATime) {
    Form1& form = start();
    EXPECT_TRUE(visibleHighlights(form).empty());
    EXPECT_EQ(form.Shape2.Count(), 16);
    form.Label7_MouseMove(21, 0, 0, 0, 0);
    EXPECT_EQ(visibleHighlights(form), std::vector<int>{21});
    form.Image2_MouseMove(3, 0, 0, 0, 0);
    EXPECT_EQ(visibleHighlights(form), std::vector<int>{3});
    form.OptionRow_MouseMove(0, 0, 0, 0);
    EXPECT_TRUE(visibleHighlights(form).empty());

    // The look: a light icon gutter on the dark panel, the highlight behind its item.
    form.LabelMenu_Click(0);
    form.Label7_MouseMove(2, 0, 0, 0, 0);
    const QImage panel = form.PictureMenu[0]->grab().toImage();
    const auto at = [&](double x, double y) { return panel.pixelColor(int(x / 15), int(y / 15)); };
    EXPECT_EQ(at(60, 2200), QColor(224, 224, 224)) << "gutter";
    EXPECT_EQ(at(150, 3000), QColor(224, 224, 224)) << "the gutter through an icon's transparent corner";
    EXPECT_EQ(at(2650, 3250), QColor(50, 50, 50)) << "panel";
    EXPECT_EQ(at(2580, 1600), QColor(193, 210, 238)) << "highlight of item 2";
    // The File icons stand centred on their items.
    for (int i = 0; i <= 5; ++i)
        EXPECT_DOUBLE_EQ(form.Image2[i]->Top() + form.Image2[i]->Height() / 2,
                         form.Label7[i]->Top() + form.Label7[i]->Height() / 2);
}

TEST_F(MainWindowMenus, EditItemsOpenTheirWindowsWithTheCurrentRecord) {
    Form1& form = start();
    form.LabelMenu_Click(1);
    form.Label7_Click(20);
    EXPECT_FALSE(form.PictureMenu[1]->Visible());
    ASSERT_TRUE(ui::isLoaded<FormResize>());
    EXPECT_TRUE(ui::forms<FormResize>().Visible());
    EXPECT_EQ(Module1::text(Module1::CurrentPhotoExtension), "bmp");
    EXPECT_EQ(Module1::text(Module1::CurrentPhotoDescription), "Harbour's view");
    form.Label7_Click(21);
    EXPECT_TRUE(ui::isLoaded<frmRotate>());
    form.Label7_Click(24);
    ASSERT_TRUE(ui::isLoaded<FilterLibFrm>());
    EXPECT_TRUE(ui::forms<FilterLibFrm>().Visible());
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(MainWindowMenus, EditItemsRefuseWithoutAPictureToEdit) {
    enum Case { logoShown, emptyCatalogue, errorShown };
    for (Case c : {logoShown, emptyCatalogue, errorShown}) {
        SCOPED_TRACE(c);
        restartProgram();
        makeCatalogueWithRows(0);
        if (c != emptyCatalogue)
            addPicture("notes", c == logoShown ? "TXT" : "BMP",
                       sys::readFile(std::string(testsupport::corporaFolder()) + "/bmpsuite/g/rgb24pal.bmp"));
        ASSERT_FALSE(runMain());
        Form1& form = ui::forms<Form1>();
        if (c == errorShown) form.LabelError->setVisible(true);
        for (int item : {20, 21, 24, 25}) form.Label7_Click(item);
        EXPECT_FALSE(ui::isLoaded<FormResize>());
        EXPECT_FALSE(ui::isLoaded<frmRotate>());
        EXPECT_FALSE(ui::isLoaded<FilterLibFrm>());
        EXPECT_FALSE(Module1::CurrentPhotoExtension.has_value());
        EXPECT_TRUE(services.msgBoxes.empty());
    }
}

TEST_F(MainWindowMenus, EveryEditItemLooksEnabledAndHighlightsUnderThePointer) {
    Form1& form = start();
    form.LabelMenu_Click(1);
    ui::PictureBox* panel = form.PictureMenu[1];
    // The lightest pixel of an item's caption on the panel as painted.
    const auto captionLightness = [&](int index) {
        const QImage painted = panel->grab().toImage();
        ui::Label* label = form.Label7[index];
        const QRect caption(label->mapTo(panel, QPoint()), label->size());
        int lightest = 0;
        for (int y = caption.top(); y <= caption.bottom(); ++y)
            for (int x = caption.left(); x <= caption.right(); ++x)
                lightest = std::max(lightest, QColor(painted.pixel(x, y)).green());
        return lightest;
    };
    quint64 time = 1;
    for (int index : {20, 21, 24, 25}) {
        SCOPED_TRACE(index);
        ui::Label* label = form.Label7[index];
        EXPECT_TRUE(label->Enabled());
        EXPECT_EQ(captionLightness(index), 160) << "an item's text colour";
        // The pointer over the item: the highlight behind it.
        form.OptionRow_MouseMove(0, 0, 0, 0);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), label->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        move.setTimestamp(time++);
        QApplication::sendEvent(label, &move);
        EXPECT_EQ(visibleHighlights(form), std::vector<int>{index});
    }
}

TEST_F(MainWindowMenus, GaugeTextFollowsTheCatalogueFilesLength) {
    Form1& form = start(false);
    const struct { uintmax_t bytes; const char* text; } cases[] = {
        {1500000, "0% used - 1MB/2000MB"},
        {100000000, "5% used - 100MB/2000MB"},
        {2000000000, "100% used - 2000MB/2000MB"},
        {4300000000, "215% used - 4300MB/2000MB"},  // beyond 32 bits, and not capped
    };
    const std::string other = folder.file("gauge");
    std::filesystem::create_directories(other);
    Module1::ProgramFolder = QString::fromStdString(other);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        {
            std::ofstream file(other + "/Quillmere.mdb", std::ios::binary | std::ios::trunc);
        }
        std::filesystem::resize_file(other + "/Quillmere.mdb", c.bytes);  // sparse
        form.Picture4_MouseMove(0, 0, 0, 0);
        EXPECT_EQ(form.Picture4->ToolTipText(), c.text);
    }
    form.Picture4_Click();
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "215% used - 4300MB/2000MB");
    EXPECT_EQ(services.msgBoxes[0].style, runtime::vbOKOnly);
}

TEST_F(MainWindowMenus, SettingsAreStoredAtOnce) {
    Form1& form = start();
    ASSERT_EQ(form.CheckCompress->Value(), 1) << "the template's default";
    form.LabelCompress_Click();
    EXPECT_EQ(form.CheckCompress->Value(), 0);
    EXPECT_EQ(storedOption(4), "NOCompress");

    EXPECT_DOUBLE_EQ(form.Width(), 6650);
    form.ImageResize_Click();
    EXPECT_DOUBLE_EQ(form.Width(), 11500);
    EXPECT_EQ(storedOption(5), "11500");
    form.ImageResize_Click();
    EXPECT_DOUBLE_EQ(form.Width(), 6650);
    EXPECT_EQ(storedOption(5), "6650");

    // The sort option reloads the window, which opens its lists in the new order.
    form.LabelSort_Click();
    EXPECT_EQ(storedOption(3), "Sort");
    Form1& reloaded = ui::forms<Form1>();
    EXPECT_TRUE(reloaded.Visible());
    EXPECT_EQ(reloaded.CheckSort->Value(), 1);
    EXPECT_TRUE(Module1::SortByName);
    EXPECT_TRUE(Module1::QuitOnMainWindowUnload);
    EXPECT_TRUE(services.msgBoxes.empty());
}

}  // namespace
