// The frame the edit windows share, through a small window that uses it: the painted
// bottom menu, the number box, Preview in the full-screen window, the hand-off to the
// save dialog and Cancel.

#include <QImage>

#include "catalogue/main_window.h"
#include "catalogue/slideshow_window.h"
#include "platform/ui/forms.h"
#include "platform/ui/picture_conversion.h"
#include "platform/ui/testing.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "tools/save_dialog.h"
#include "tools/edit_window_frame.h"

namespace {

// An edit window with the frame and a scroll-bar stand-in: the numbers it was given.
class FramedWindow : public tools::EditWindowFrame {
public:
    FramedWindow() : EditWindowFrame("FramedWindow") {}
    std::vector<int> steps;
    picture::Picture output;

    void Form_Load() override { applyTheme(true); }

protected:
    void createControls() override {
        setCaption("Framed");
        setClientSize(6000, 5000);
        createFrame({{"Apply", "Save", "Cancel"}, true, true, false, 1, 500});
        TextCrtEffect = create<ui::TextBox>("TextCrtEffect", 4800, 120, 500, 300);
        TextCrtEffect->setMaxLength(3);
        TextCrtEffect->KeyUp = [this](int& code, int shift) { TextCrtEffect_KeyUp(code, shift); };
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::darkMagenta);
        output = ui::PictureFromImage(picture);
    }
    picture::Picture outputPicture() override { return output; }
    picture::Picture copyPicture() override { return output; }
    void numberEntered(int value) override { steps.push_back(value); }
};

class EditFrame : public testsupport::ProgramFolderTest {
protected:
    FramedWindow& open() {
        makeCatalogueWithRows(0);
        EXPECT_FALSE(runMain());
        FramedWindow& w = ui::loaded<FramedWindow>();
        w.Show();
        return w;
    }
};

TEST_F(EditFrame, BottomMenuLaysOutAndPaintsItsLabels) {
    FramedWindow& w = open();
    const double lefts[3] = {200, 1650, 3100};
    for (int i = 0; i < 3; ++i) {
        ui::Label* label = w.LabelButtomMenu[i];
        EXPECT_DOUBLE_EQ(label->Left(), lefts[i]);
        EXPECT_NEAR(label->Top() + label->Height() / 2, w.PictureBottom->ScaleHeight() / 2, 1e-3);
        EXPECT_EQ(label->ForeColor(), ui::forms<Form1>().TextField[0]->ForeColor());
    }
    // The face of the middle label runs from black at its left edge towards RGB(84, 84, 97)
    // at its right edge; the wing left of it is the bottom-to-top gradient. Several twip
    // lines fall on one pixel, the last one drawn showing: allow that step.
    ui::Label* middle = w.LabelButtomMenu[1];
    const double y = middle->Top() + middle->Height() / 2;
    EXPECT_LE(w.PictureBottom->Point(middle->Left() - 150, y) & 0xFF, 1);
    const long right = w.PictureBottom->Point(middle->Left() + middle->Width() + 140, y);
    EXPECT_NEAR(right & 0xFF, 84, 2);
    EXPECT_NEAR((right >> 16) & 0xFF, 97, 2);
    const long wingTop = w.PictureBottom->Point(middle->Left() - 250, middle->Top() - 70);
    EXPECT_NEAR(wingTop & 0xFF, 124, 2);
}

TEST_F(EditFrame, NumberBoxTakesDigitsWithinItsRange) {
    FramedWindow& w = open();
    auto type = [&](const QString& text, int key) {
        w.TextCrtEffect->setText(text);
        w.TextCrtEffect_KeyUp(key, 0);
    };
    type("5", '5');
    type("50", '0');
    type("501", '1');  // beyond 500: emptied, nothing applied
    EXPECT_EQ(w.TextCrtEffect->Text(), "");
    type("7", 103);  // keypad 7
    type("7", 8);    // Backspace empties the box
    EXPECT_EQ(w.TextCrtEffect->Text(), "");
    type("0", '0');  // below 1
    EXPECT_EQ(w.steps, (std::vector<int>{5, 50, 7}));
}

TEST_F(EditFrame, PreviewShowsTheOutputPictureInTheFullScreenWindow) {
    FramedWindow& w = open();
    w.ImageFullScreen_Click();
    ASSERT_TRUE(ui::isLoaded<Form27>());
    Form27& view = ui::forms<Form27>();
    EXPECT_TRUE(Module1::SlideShowWindowOpen);
    EXPECT_EQ(view.Caption(), "Preview");
    EXPECT_TRUE(view.Visible());
    for (ui::Control* c : std::initializer_list<ui::Control*>{view.Command1, view.Command2, view.Command3,
                                                               view.Command4, view.Text1, view.Text2})
        EXPECT_FALSE(c->Visible());
    EXPECT_TRUE(view.Image1->Picture() == w.output);
    EXPECT_DOUBLE_EQ(view.Image1->Width(), 60 * 15);
    EXPECT_NEAR(view.Image1->Left(), view.ScaleWidth() / 2 - 450, 1e-3);

    // Cancel unloads the window, and the preview with it.
    w.LabelButtomMenu_Click(2);
    EXPECT_FALSE(ui::isLoaded<FramedWindow>());
    EXPECT_FALSE(ui::isLoaded<Form27>());
    EXPECT_FALSE(Module1::SlideShowWindowOpen);
}

TEST_F(EditFrame, SaveHandsTheOutputPictureToTheModalSaveDialog) {
    FramedWindow& w = open();
    int shown = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& dialog = dynamic_cast<FormSaveAs&>(form);
        EXPECT_TRUE(dialog.PictureSave->Picture() == w.output);
        ++shown;
        dialog.LabelButtomMenu_Click(1);  // Cancel
    });
    w.LabelButtomMenu_Click(1);
    w.LabelButtomMenu_Click(1);
    EXPECT_EQ(shown, 2) << "Save can be used again";
    EXPECT_TRUE(ui::isLoaded<FramedWindow>());
}

TEST_F(EditFrame, CopyPlacesThePictureOnTheClipboard) {
    FramedWindow& w = open();
    w.mCopytoClipboard_Click();
    ASSERT_EQ(services.clipboardImageWrites.size(), 1u);
    EXPECT_EQ(services.clipboardImageWrites[0].size(), QSize(60, 40));
    EXPECT_FALSE(w.mPastefromClipboard->Enabled());
}

}  // namespace
