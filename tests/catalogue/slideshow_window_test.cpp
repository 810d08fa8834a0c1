// The slide show and full-screen view: stepping, wrapping, the interval box, and the
// window sized to its picture.

#include <QBuffer>
#include <QImage>

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

TEST_F(SlideShow, FullScreenViewIsSizedToThePicture) {
    Form1& form = startWith(1);
    form.CmdCatalogueZoom_Click(2);  // one record: no slide show
    EXPECT_FALSE(form.Timer3->Enabled());
    form.CmdCatalogueZoom_Click(1);
    Form27& view = ui::forms<Form27>();
    EXPECT_EQ(view.Caption(), "Full Screen");
    EXPECT_FALSE(view.Command1->Visible());
    EXPECT_DOUBLE_EQ(view.Left(), 100);
    EXPECT_DOUBLE_EQ(view.Top(), 100);
    EXPECT_DOUBLE_EQ(view.Image1->Width(), 150 * 15);
    EXPECT_DOUBLE_EQ(view.Width(), 150 * 15 + 300);
    EXPECT_DOUBLE_EQ(view.Height(), 100 * 15 + 600);
}

TEST_F(SlideShow, EmptyCatalogueBeeps) {
    Form1& form = startWith(0);
    form.CmdCatalogueZoom_Click(1);
    form.CmdCatalogueZoom_Click(2);
    EXPECT_EQ(services.beeps, 2);
    EXPECT_FALSE(ui::isLoaded<Form27>());
}

}  // namespace
