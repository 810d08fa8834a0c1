// A small window written the way the program's windows are: a label, a timer and a
// button with their handlers. It shows the form model from the outside, as the
// windows above use it.

#include <QMenu>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/ui/command_button.h"
#include "platform/ui/forms.h"
#include "platform/ui/image.h"
#include "platform/ui/label.h"
#include "platform/ui/menu.h"
#include "platform/ui/timer.h"

namespace {

class Form2 : public ui::Form {
public:
    Form2() : Form("Form2") {}
    int Ticks = 0;  // a window-level variable: kept by Unload, reset by release
    QPointer<ui::Label> Label1;
    QPointer<ui::Timer> Timer1;
    QPointer<ui::CommandButton> Command1;

protected:
    void createControls() override {
        setCaption("Splash");
        setBorderStyle(ui::vbFixedDialog);
        setStartUpPosition(ui::vbStartUpScreen);
        setClientSize(4500, 1500);
        Label1 = create<ui::Label>("Label1", 240, 240, 4000, 300);
        Label1->setCaption("Please Wait...");
        Timer1 = createTimer("Timer1", 1000);
        Timer1->Tick = [this] { Timer1_Timer(); };
        Command1 = create<ui::CommandButton>("Command1", 1800, 840, 900, 375);
        Command1->setCaption("Close");
        Command1->Click = [this] { Command1_Click(); };
    }
    void Form_Load() override { Label1->setFontBold(true); }
    void Timer1_Timer() { Label1->setCaption(QString("Ticks: %1").arg(++Ticks)); }
    void Command1_Click() { Unload(); }
};

TEST(ExampleForm, ALabelATimerAndAButton) {
    ui::forms<Form2>().Show();
    auto* label = ui::forms<Form2>().window()->findChild<ui::Label*>("Label1");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->FontBold());
    ui::forms<Form2>().Timer1->setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([] { return ui::forms<Form2>().Ticks > 0; }, 5000));
    EXPECT_TRUE(label->Caption().startsWith("Ticks: "));
    QTest::mouseClick(ui::forms<Form2>().Command1.data(), Qt::LeftButton);
    EXPECT_FALSE(ui::isLoaded<Form2>());
    EXPECT_GT(ui::forms<Form2>().Ticks, 0);
}

class Menus : public ui::Form {
public:
    Menus() : Form("Menus") {}
    QPointer<ui::Menu> mnuSearch, mnuFind, mnuMore, mnuFirst, mnuSecond;
    QPointer<ui::Label> LabelAuto;
    QPointer<ui::Image> Image1;
    int finds = 0;

protected:
    void createControls() override {
        mnuSearch = createMenu("mnuSearch", "&Search");
        mnuFind = createMenu("mnuFind", "Find", mnuSearch);
        mnuFind->Click = [this] { ++finds; };
        mnuMore = createMenu("mnuMore", "More", mnuSearch);
        mnuFirst = createMenu("mnuFirst", "First", mnuMore);
        mnuSecond = createMenu("mnuSecond", "Second", mnuMore);
        mnuSecond->Click = [this] { finds += 10; };
        LabelAuto = create<ui::Label>("LabelAuto", 0, 0, 15, 15);
        LabelAuto->setAutoSize(true);
        Image1 = create<ui::Image>("Image1", 0, 600, 150, 150);
    }
};

TEST(ExampleForm, MenusAutoSizedLabelsAndImages) {
    Menus& f = ui::loaded<Menus>();
    f.mnuFind->action()->trigger();
    EXPECT_EQ(f.finds, 1);
    f.mnuSearch->setEnabled(false);
    EXPECT_FALSE(f.mnuSearch->Enabled());
    // Items under an item make one submenu, in order.
    QMenu* more = f.mnuMore->action()->menu();
    ASSERT_NE(more, nullptr);
    ASSERT_EQ(more->actions().size(), 2);
    EXPECT_EQ(more->actions()[0], f.mnuFirst->action());
    EXPECT_EQ(more->actions()[1], f.mnuSecond->action());
    f.mnuSecond->action()->trigger();
    EXPECT_EQ(f.finds, 11);

    f.LabelAuto->setCaption("a longer caption");
    EXPECT_GT(f.LabelAuto->Width(), 15 * 10);
    EXPECT_EQ(f.LabelAuto->widthTwips(), f.LabelAuto->width() * 15.0);

    // Without Stretch an image control takes its picture's size; with it, the picture
    // follows the control.
    f.Image1->setImage(QImage(40, 30, QImage::Format_RGB32));
    EXPECT_DOUBLE_EQ(f.Image1->Width(), 600);
    EXPECT_DOUBLE_EQ(f.Image1->Height(), 450);
    f.Image1->setStretch(true);
    f.Image1->Move(0, 600, 150, 150);
    f.Image1->setImage(QImage(40, 30, QImage::Format_RGB32));
    EXPECT_DOUBLE_EQ(f.Image1->Width(), 150);
}

}  // namespace
