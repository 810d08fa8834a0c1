// The slide show and full-screen view: stepping, wrapping, the interval box, and the
// full-screen view filling the main window's screen.

#include <QBuffer>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/ui/forms.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

std::vector<uint8_t> bmpOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return {bytes.begin(), bytes.end()};
}

class SlideShow : public testsupport::ProgramFolderTest {
protected:
    Form1& startWith(int records) {
        makeCatalogueWithRows(0);
        for (int i = 1; i <= records; ++i) addPicture("picture " + std::to_string(i), "BMP", bmpOf(150, 100));
        EXPECT_FALSE(runMain());
        return ui::forms<Form1>();
    }
    long position(Form1& form) { return form.Adodc3.recordset().absolutePosition(); }
};

TEST_F(SlideShow, TicksWrapRoundAndTheButtonsStopIt) {
    Form1& form = startWith(3);
    form.Adodc3.recordset().moveLast();
    form.CmdCatalogueZoom_Click(2);
    Form27& view = ui::forms<Form27>();
    EXPECT_TRUE(form.Timer3->Enabled());
    EXPECT_EQ(view.Caption(), "Slide Show");
    EXPECT_TRUE(view.Text2->Visible());
    EXPECT_TRUE(Module1::SlideShowWindowOpen);
    std::vector<long> seen;
    for (int i = 0; i < 4; ++i) {
        form.Timer3_Timer();
        seen.push_back(position(form));
    }
    EXPECT_EQ(seen, (std::vector<long>{1, 2, 3, 1}));
    EXPECT_EQ(view.Text2->Text(), "1 / 3    picture 1");
    EXPECT_EQ(form.Text2->Text(), "1 / 3") << "the main window shows the same record";

    view.Command2_Click();  // previous on the first record: nothing moves, the show stops
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_EQ(position(form), 1);
    form.Adodc3.recordset().moveLast();
    view.Command3_Click();
    view.Command1_Click();  // next on the last record
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_EQ(position(form), 3);

    view.Unload();
    EXPECT_FALSE(Module1::SlideShowWindowOpen);
}

TEST_F(SlideShow, IntervalBox) {
    Form1& form = startWith(2);
    form.CmdCatalogueZoom_Click(2);
    Form27& view = ui::forms<Form27>();
    EXPECT_EQ(Module1::text(Module1::SlideIntervalSource), "");
    const struct { const char* typed; int interval; bool marked; } cases[] = {
        {"0", 3000, false}, {"", 3000, false}, {"5", 5000, true}, {"70", 5000, true}, {"2x", 2000, true}};
    for (const auto& c : cases) {
        view.Text1->setText(c.typed);
        EXPECT_EQ(form.Timer3->Interval(), c.interval) << c.typed;
        EXPECT_EQ(Module1::SlideIntervalSource == Module1::kTimeFromForm27, c.marked) << c.typed;
    }
    // A new slide show clears the marker; its first tick goes back to 3000 ms.
    form.CmdCatalogueZoom_Click(2);
    form.Timer3_Timer();
    EXPECT_EQ(form.Timer3->Interval(), 3000);
}

// The view fills the main window's screen and fits each picture to that, whatever the
// picture before it was: a tiny one must not leave the window tiny for the next photo.
TEST_F(SlideShow, FullScreenViewFillsTheMainWindowsScreen) {
    makeCatalogueWithRows(0);
    addPicture("tiny", "BMP", bmpOf(32, 32));
    addPicture("photo", "BMP", bmpOf(1200, 900));
    ASSERT_FALSE(runMain());
    Form1& form = ui::forms<Form1>();
    form.CmdCatalogueZoom_Click(2);  // a slide show first: the view has its normal size then
    form.Adodc3.recordset().moveFirst();

    struct Case { const char* name; double width, height; } cases[] = {
        {"tiny", 32 * 15, 32 * 15},  // smaller than the room: its own size
        {"photo", 0, 0},             // larger: fitted to the room, keeping its proportions
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.CmdCatalogueZoom_Click(1);
        Form27& view = ui::forms<Form27>();
        EXPECT_EQ(view.Caption(), "Full Screen");
        EXPECT_FALSE(view.Command1->Visible());
        EXPECT_FALSE(form.Timer3->Enabled());
        EXPECT_EQ(view.WindowState(), ui::vbMaximized);
        EXPECT_TRUE(view.window()->isMaximized());
        EXPECT_EQ(view.window()->screen(), form.window()->screen());
        EXPECT_TRUE(form.window()->screen()->availableGeometry().contains(view.window()->frameGeometry()));
        EXPECT_GE(view.window()->width(), form.window()->screen()->availableGeometry().width() - 8);

        const ui::Image& image = *view.Image1;
        EXPECT_TRUE(image.Visible());
        if (c.width > 0) {
            EXPECT_DOUBLE_EQ(image.Width(), c.width);
            EXPECT_DOUBLE_EQ(image.Height(), c.height);
        } else {
            EXPECT_TRUE(image.Width() == view.ScaleWidth() || image.Height() == view.ScaleHeight());
            EXPECT_LE(image.Width(), view.ScaleWidth());
            EXPECT_LE(image.Height(), view.ScaleHeight());
            EXPECT_NEAR(image.Width() / image.Height(), 1200.0 / 900.0, 1e-9);
        }
        EXPECT_DOUBLE_EQ(image.Left(), (view.ScaleWidth() - image.Width()) / 2) << "centred";
        EXPECT_DOUBLE_EQ(image.Top(), (view.ScaleHeight() - image.Height()) / 2);
        form.Adodc3.recordset().moveNext();
    }

    // A slide show from there is back at its own size and place, its frame on the screen.
    form.Adodc3.recordset().moveFirst();
    form.CmdCatalogueZoom_Click(2);
    Form27& view = ui::forms<Form27>();
    EXPECT_EQ(view.WindowState(), ui::vbNormal);
    EXPECT_FALSE(view.window()->isMaximized());
    EXPECT_EQ(view.Caption(), "Slide Show");
    EXPECT_EQ(view.window()->frameGeometry().topLeft(), QPoint(7, 7));  // 100 twips
    EXPECT_DOUBLE_EQ(view.Width(), 11000);
    EXPECT_DOUBLE_EQ(view.Height(), 8250);
}

TEST_F(SlideShow, EmptyCatalogueBeeps) {
    Form1& form = startWith(0);
    form.CmdCatalogueZoom_Click(1);
    form.CmdCatalogueZoom_Click(2);
    EXPECT_EQ(services.beeps, 2);
    EXPECT_FALSE(ui::isLoaded<Form27>());
}

}  // namespace
