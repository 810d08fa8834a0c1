// Change and Click fire on changes made by code as well as by the user, never for an
// unchanged value; KeyPress can swallow or replace a key; lists keep ListIndex
// through adding and removing items; a slider fires Scroll while dragged.

#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/ui/check_box.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/command_button.h"
#include "platform/ui/forms.h"
#include "platform/ui/frame.h"
#include "platform/ui/image.h"
#include "platform/ui/input.h"
#include "platform/ui/label.h"
#include "platform/ui/list_box.h"
#include "platform/ui/option_button.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/scroll_bar.h"
#include "platform/ui/slider.h"
#include "platform/ui/text_box.h"
#include "platform/ui/testing.h"
#include "platform/ui/timer.h"

namespace {

// A window that the tests fill with controls of their own.
class Canvas1 : public ui::Form {
public:
    Canvas1() : Form("Canvas1") {}
    template <class T>
    T* add(const QString& name, double left = 0, double top = 0, double width = 1500,
           double height = 300, ui::Control* container = nullptr) {
        return create<T>(name, left, top, width, height, container);
    }
    ui::Timer* addTimer(const QString& name, int interval, bool enabled) {
        return createTimer(name, interval, enabled);
    }

protected:
    void createControls() override { setClientSize(9000, 6000); }
};

Canvas1& window() {
    Canvas1& f = ui::loaded<Canvas1>();
    f.Show();
    return f;
}

struct ChangeByCode {
    const char* kind;
    // Makes the control, connects the event to `count`, and returns a setter that
    // changes the value by code to one of two values (0 or 1).
    std::function<std::function<void(int)>(Canvas1&, int&)> make;
};

const ChangeByCode kChanges[] = {
    {"TextBox.Text fires Change",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::TextBox>("Text1");
         c->Change = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setText(v ? "one" : "zero"); });
     }},
    {"multi-line TextBox.Text fires Change",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::TextBox>("Text2");
         c->setMultiLine(true);
         c->Change = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setText(v ? "a\r\nb" : "c"); });
     }},
    {"CheckBox.Value fires Click",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::CheckBox>("Check1");
         c->Click = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setValue(v); });
     }},
    {"OptionButton.Value = True fires Click",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::OptionButton>("Option1");
         f.add<ui::OptionButton>("Option2", 0, 400);
         c->Click = [&count] { ++count; };
         // Setting it False fires nothing; setting it True again fires once more.
         return std::function<void(int)>([c](int v) { c->setValue(v == 1); });
     }},
    {"ComboBox.ListIndex fires Click",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::ComboBox>("Combo1");
         c->setStyle(2);
         c->AddItem("zero");
         c->AddItem("one");
         c->Click = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setListIndex(v); });
     }},
    {"ComboBox.Text of a drop-down combo fires Change",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::ComboBox>("Combo2");
         c->Change = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setText(v ? "one" : "zero"); });
     }},
    {"ListBox.ListIndex fires Click",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::ListBox>("List1");
         c->AddItem("zero");
         c->AddItem("one");
         c->Click = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setListIndex(v); });
     }},
    {"HScrollBar.Value fires Change",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::HScrollBar>("HScroll1");
         c->setMax(360);
         c->Change = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setValue(v * 90); });
     }},
    {"Slider.Value fires Change",
     [](Canvas1& f, int& count) {
         auto* c = f.add<ui::Slider>("Slider1");
         c->Change = [&count] { ++count; };
         return std::function<void(int)>([c](int v) { c->setValue(v * 5); });
     }},
};

void PrintTo(const ChangeByCode& c, std::ostream* out) { *out << c.kind; }

class ChangeByCodeTest : public ::testing::TestWithParam<ChangeByCode> {};

TEST_P(ChangeByCodeTest, FiresOnEveryChangeAndNotOnTheSameValue) {
    int count = 0;
    auto set = GetParam().make(window(), count);
    set(1);
    EXPECT_EQ(count, 1);
    set(1);
    EXPECT_EQ(count, 1) << "unchanged value";
    set(0);
    const int afterZero = count;
    EXPECT_GE(afterZero, 1);
    EXPECT_LE(afterZero, 2);
    set(1);
    EXPECT_EQ(count, afterZero + 1);
}

INSTANTIATE_TEST_SUITE_P(Controls, ChangeByCodeTest, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ControlEvents, NothingFiresWhileTheWindowBuildsItsControls) {
    struct Built : ui::Form {
        Built() : Form("Built") {}
        int changes = 0;
        void createControls() override {
            auto* text = create<ui::TextBox>("Text1", 0, 0, 1000, 300);
            text->Change = [this] { ++changes; };
            text->setText("design text");
        }
    };
    EXPECT_EQ(ui::loaded<Built>().changes, 0);
}

TEST(ControlEvents, UserClicksFireClickOnceAndASelectedOptionStaysSelected) {
    Canvas1& f = window();
    auto* check = f.add<ui::CheckBox>("Check1");
    auto* frame = f.add<ui::Frame>("Frame1", 2000, 0, 3000, 2000);
    auto* a = f.add<ui::OptionButton>("OptionA", 100, 200, 1500, 300, frame);
    auto* b = f.add<ui::OptionButton>("OptionB", 100, 600, 1500, 300, frame);
    auto* outside = f.add<ui::OptionButton>("OptionC", 0, 1000);
    int checkClicks = 0, aClicks = 0, bClicks = 0;
    check->Click = [&] { ++checkClicks; };
    a->Click = [&] { ++aClicks; };
    b->Click = [&] { ++bClicks; };
    outside->setValue(true);
    // On the indicator: the buttons have no caption.
    const auto onIndicator = [](QWidget* w) { return QPoint(6, w->height() / 2); };

    QTest::mouseClick(check, Qt::LeftButton, {}, onIndicator(check));
    EXPECT_EQ(check->Value(), 1);
    QTest::mouseClick(check, Qt::LeftButton, {}, onIndicator(check));
    EXPECT_EQ(check->Value(), 0);
    EXPECT_EQ(checkClicks, 2);

    QTest::mouseClick(a, Qt::LeftButton, {}, onIndicator(a));
    QTest::mouseClick(a, Qt::LeftButton, {}, onIndicator(a));
    EXPECT_TRUE(a->Value());
    EXPECT_EQ(aClicks, 1);
    b->setValue(true);
    EXPECT_FALSE(a->Value()) << "options of one container exclude each other";
    EXPECT_EQ(bClicks, 1);
    EXPECT_EQ(aClicks, 1) << "the option switched off fires nothing";
    EXPECT_TRUE(outside->Value()) << "an option of another container is not touched";
}

// A double click as the platform delivers it (press, release, press, release in quick
// succession), at the middle of the control.
void doubleClick(ui::Form& form, QWidget* control) {
    QWidget* top = form.window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {},
                       control->mapTo(top, control->rect().center()));
}

TEST(ControlEvents, ADoubleClickIsTwoClicksUnlessTheControlHandlesDoubleClicks) {
    const struct {
        const char* kind;
        std::function<ui::Control*(Canvas1&)> make;
        bool handlesDoubleClick;
        int clicks;
    } cases[] = {
        {"label", [](Canvas1& f) { return f.add<ui::Label>("Label1"); }, false, 2},
        {"image", [](Canvas1& f) { return f.add<ui::Image>("Image1"); }, false, 2},
        {"picture box", [](Canvas1& f) { return f.add<ui::PictureBox>("Picture1"); }, false, 2},
        {"frame", [](Canvas1& f) { return f.add<ui::Frame>("Frame1"); }, false, 2},
        {"button", [](Canvas1& f) { return f.add<ui::CommandButton>("Command1"); }, false, 2},
        {"label with a double-click handler", [](Canvas1& f) { return f.add<ui::Label>("Label1"); }, true, 1},
        {"image with a double-click handler", [](Canvas1& f) { return f.add<ui::Image>("Image1"); }, true, 1},
    };
    for (const auto& c : cases) {
        ui::testing::reset();
        Canvas1& f = window();
        ui::Control* control = c.make(f);
        int clicks = 0, doubleClicks = 0, downs = 0, ups = 0;
        control->Click = [&] { ++clicks; };
        control->MouseDown = [&](int, int, double, double) { ++downs; };
        control->MouseUp = [&](int, int, double, double) { ++ups; };
        if (c.handlesDoubleClick) control->DblClick = [&] { ++doubleClicks; };
        doubleClick(f, control->widget());
        EXPECT_EQ(clicks, c.clicks) << c.kind;
        EXPECT_EQ(doubleClicks, c.handlesDoubleClick ? 1 : 0) << c.kind;
        EXPECT_EQ(ups, 2) << c.kind;
        EXPECT_EQ(downs, c.handlesDoubleClick ? 1 : 2) << c.kind;
    }
}

TEST(ControlEvents, KeyPressCanSwallowOrReplaceAKey) {
    Canvas1& f = window();
    auto* digits = f.add<ui::TextBox>("TextDigits");
    int changes = 0;
    digits->Change = [&] { ++changes; };
    digits->KeyPress = [](int& KeyAscii) {
        if (KeyAscii != 8 && (KeyAscii < '0' || KeyAscii > '9')) KeyAscii = 0;
    };
    QTest::keyClicks(digits, "1a2-b3");
    EXPECT_EQ(digits->Text(), QStringLiteral("123"));
    EXPECT_EQ(changes, 3);
    QTest::keyClick(digits, Qt::Key_Backspace);
    EXPECT_EQ(digits->Text(), QStringLiteral("12"));

    auto* upper = f.add<ui::TextBox>("TextUpper", 0, 400);
    upper->KeyPress = [](int& KeyAscii) {
        if (KeyAscii >= 'a' && KeyAscii <= 'z') KeyAscii -= 32;
    };
    std::vector<int> downs;
    upper->KeyDown = [&](int& KeyCode, int Shift) { downs.push_back(KeyCode * 10 + Shift); };
    QTest::keyClicks(upper, "ab1");
    EXPECT_EQ(upper->Text(), QStringLiteral("AB1"));
    EXPECT_EQ(downs, (std::vector<int>{650, 660, 490}));
}

TEST(ControlEvents, ListsKeepListIndexThroughAddingAndRemovingItems) {
    Canvas1& f = window();
    auto* combo = f.add<ui::ComboBox>("Combo1");
    combo->setStyle(2);
    combo->setSorted(true);
    int clicks = 0;
    combo->Click = [&] { ++clicks; };
    for (const char* item : {"pear", "Apple", "fig"}) combo->AddItem(item);
    EXPECT_EQ(combo->ListIndex(), -1) << "adding to an empty drop-down list selects nothing";
    EXPECT_EQ(combo->NewIndex(), 1);
    EXPECT_EQ(combo->List(0), QStringLiteral("Apple"));
    EXPECT_EQ(combo->List(2), QStringLiteral("pear"));
    combo->setText("FIG");
    EXPECT_EQ(combo->ListIndex(), 1);
    combo->AddItem("banana");  // sorts before "fig": the selection moves with its item
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(combo->Text(), QStringLiteral("fig"));
    combo->RemoveItem(0);
    EXPECT_EQ(combo->ListIndex(), 1);
    combo->RemoveItem(1);
    EXPECT_EQ(combo->ListIndex(), -1);
    EXPECT_EQ(clicks, 1) << "only the change of ListIndex by setText clicked";
    EXPECT_THROW(combo->setText("kiwi"), runtime::Error);
    EXPECT_THROW(combo->setListIndex(5), runtime::Error);

    auto* list = f.add<ui::ListBox>("List1", 0, 400, 1500, 1500);
    list->AddItem("a");
    list->AddItem("b");
    list->setItemData(1, 42);
    list->setListIndex(1);
    list->AddItem("first", 0);
    EXPECT_EQ(list->ListIndex(), 2);
    EXPECT_EQ(list->Text(), QStringLiteral("b"));
    EXPECT_EQ(list->ItemData(2), 42);
}

TEST(ControlEvents, ASliderFiresScrollWhileDraggedAndChangeAtTheRelease) {
    Canvas1& f = window();
    auto* slider = f.add<ui::Slider>("Slider1");
    slider->setMax(100);
    int scrolls = 0, changes = 0;
    slider->Scroll = [&] { ++scrolls; };
    slider->Change = [&] { ++changes; };
    slider->setSliderDown(true);
    for (int v : {10, 20, 30}) slider->setSliderPosition(v);
    slider->setSliderDown(false);
    EXPECT_EQ(scrolls, 3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(slider->Value(), 30);
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(scrolls, 3);
}

TEST(ControlEvents, AScrollBarMayRunFromAHigherMinToALowerMax) {
    Canvas1& f = window();
    auto* bar = f.add<ui::HScrollBar>("HScroll1");
    bar->setMin(0);
    bar->setMax(-500);
    bar->setValue(-200);
    EXPECT_EQ(bar->Value(), -200);
    EXPECT_EQ(bar->Max(), -500);
    EXPECT_THROW(bar->setValue(10), runtime::Error);
}

// A new Min or Max that pulls the value into the range changes the value, which raises
// Change at once with the new value; a range that keeps the value raises nothing.
TEST(ControlEvents, ARangeThatMovesTheValueRaisesChange) {
    Canvas1& f = window();
    auto* bar = f.add<ui::HScrollBar>("HScroll1");
    bar->setMin(-255);
    bar->setMax(255);
    bar->setValue(100);
    std::vector<int> seen;
    bar->Change = [&] { seen.push_back(bar->Value()); };
    bar->setMax(20);     // pulls 100 down to 20
    bar->setMin(-30);    // keeps 20
    bar->setValue(-30);
    bar->setMin(0);      // pulls -30 up to 0
    bar->setValue(0);    // unchanged: no event
    EXPECT_EQ(seen, (std::vector<int>{20, -30, 0}));
}

// Pointer 99 shows the control's own mouse icon, with its hot spot.
TEST(ControlEvents, TheCustomPointerShowsTheMouseIcon) {
    Canvas1& f = window();
    auto* box = f.add<ui::PictureBox>("Picture1");
    QPixmap icon(32, 32);
    icon.fill(Qt::black);
    box->setMouseIcon(QCursor(icon, 9, 20));
    box->setMousePointer(ui::vbCustom);
    EXPECT_EQ(box->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(box->cursor().hotSpot(), QPoint(9, 20));
    box->setMousePointer(ui::vbDefault);
    EXPECT_EQ(box->MousePointer(), 0);
    EXPECT_FALSE(box->testAttribute(Qt::WA_SetCursor));
}

TEST(ControlEvents, ATimerFiresOnlyWhenEnabledWithAnInterval) {
    Canvas1& f = window();
    int ticks[3] = {0, 0, 0};
    ui::Timer* timers[3] = {f.addTimer("TimerOn", 5, true), f.addTimer("TimerZero", 0, true),
                            f.addTimer("TimerOff", 5, false)};
    for (int i = 0; i < 3; ++i) timers[i]->Tick = [&ticks, i] { ++ticks[i]; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks[0] >= 3; }, 5000));
    EXPECT_EQ(ticks[1], 0);
    EXPECT_EQ(ticks[2], 0);
    timers[0]->setEnabled(false);
    const int stopped = ticks[0];
    QTest::qWait(30);
    EXPECT_EQ(ticks[0], stopped);
}

}  // namespace

// A control's mouse events are its own: a label in a picture box on a form raises them
// for the label alone, as a click or a pointer move over it does not reach its
// containers.
TEST(ControlEvents, MouseEventsStayWithTheControlUnderThePointer) {
    class Host : public ui::Form {
    public:
        Host() : Form("Host") {}
        int formMoves = 0, formClicks = 0;
        ui::PictureBox* box = nullptr;
        ui::Label* label = nullptr;
        void Form_MouseMove(int, int, double, double) override { ++formMoves; }
        void Form_Click() override { ++formClicks; }

    protected:
        void createControls() override {
            setClientSize(6000, 4000);
            box = create<ui::PictureBox>("Picture1", 300, 300, 3000, 2000);
            label = create<ui::Label>("Label1", 300, 300, 1500, 300, box);
        }
    };
    Host& f = ui::loaded<Host>();
    f.Show();
    ui::PictureBox* box = f.box;
    ui::Label* label = f.label;
    int boxMoves = 0, boxClicks = 0, labelMoves = 0, labelClicks = 0;
    box->MouseMove = [&](int, int, double, double) { ++boxMoves; };
    box->Click = [&] { ++boxClicks; };
    label->MouseMove = [&](int, int, double, double) { ++labelMoves; };
    label->Click = [&] { ++labelClicks; };

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), label->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    move.setTimestamp(1);
    QApplication::sendEvent(label, &move);
    EXPECT_EQ(labelMoves, 1);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(boxMoves + boxClicks + f.formMoves + f.formClicks, 0);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 5, box->height() - 5));
    EXPECT_EQ(boxClicks, 1);
    EXPECT_EQ(f.formClicks, 0);

    // A disabled control is greyed and leaves the mouse to its container.
    label->setBackColor(ui::RGB(50, 50, 50));
    label->setForeColor(ui::RGB(160, 160, 160));
    label->setEnabled(false);
    EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(105, 105, 105));
    EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), QColor(160, 160, 160));
    move.setTimestamp(2);
    QApplication::sendEvent(label, &move);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(labelMoves, 1);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(boxMoves, 1);
    EXPECT_EQ(boxClicks, 2);
    EXPECT_EQ(f.formMoves + f.formClicks, 0);
}
