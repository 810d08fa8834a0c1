// Keyboard focus arriving in a text box leaves its text as it was, unselected, so the
// next key adds to the text instead of replacing it; a selection made by code stays.

#include <functional>

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/ui/command_button.h"
#include "platform/ui/forms.h"
#include "platform/ui/testing.h"
#include "platform/ui/text_box.h"

namespace {

// A button, the box under test (of one line or several, as designed), a second button.
class FocusWindow : public ui::Form {
public:
    FocusWindow() : Form("FocusWindow") {}
    static inline bool multiLine = false;
    ui::CommandButton* before = nullptr;
    ui::TextBox* box = nullptr;
    ui::CommandButton* after = nullptr;

protected:
    void createControls() override {
        setClientSize(6000, 3000);
        before = create<ui::CommandButton>("CommandBefore", 100, 100, 1200, 400);
        box = create<ui::TextBox>("TextBox1", 100, 700, 3000, 900);
        box->setMultiLine(multiLine);
        after = create<ui::CommandButton>("CommandAfter", 100, 1800, 1200, 400);
    }
};

TEST(TextBoxFocus, TheKeyboardNeverSelectsTheWholeTextByItself) {
    const struct {
        const char* way;
        std::function<void(FocusWindow&)> bringFocus;
    } ways[] = {
        {"Tab from the button before",
         [](FocusWindow& f) {
             f.before->setFocus();
             QTest::keyClick(f.before, Qt::Key_Tab);
         }},
        {"Right arrow on the button before",
         [](FocusWindow& f) {
             f.before->setFocus();
             QTest::keyClick(f.before, Qt::Key_Right);
         }},
        {"Shift+Tab from the button after",
         [](FocusWindow& f) {
             f.after->setFocus();
             QTest::keyClick(f.after, Qt::Key_Backtab, Qt::ShiftModifier);
         }},
        {"a shortcut", [](FocusWindow& f) { f.box->editor()->setFocus(Qt::ShortcutFocusReason); }},
    };
    for (bool multiLine : {false, true}) {
        for (const auto& w : ways) {
            SCOPED_TRACE(std::string(w.way) + (multiLine ? ", several lines" : ", one line"));
            ui::testing::reset();
            FocusWindow::multiLine = multiLine;
            FocusWindow& f = ui::loaded<FocusWindow>();
            f.Show();
            QApplication::setActiveWindow(f.window());
            f.box->setText("photo19");
            int got = 0;
            f.box->GotFocus = [&] { ++got; };

            w.bringFocus(f);
            ASSERT_TRUE(f.box->editor()->hasFocus());
            EXPECT_EQ(got, 1);
            EXPECT_EQ(f.box->SelLength(), 0);
            QTest::keyClick(f.box->editor(), Qt::Key_Space);
            EXPECT_EQ(f.box->Text().size(), 8);
            EXPECT_EQ(f.box->Text().trimmed(), "photo19") << "the key goes in at the caret; the text stays";
        }
    }
}

TEST(TextBoxFocus, ASelectionMadeByCodeStaysWhenTheKeyboardBringsTheFocus) {
    FocusWindow::multiLine = false;
    FocusWindow& f = ui::loaded<FocusWindow>();
    f.Show();
    QApplication::setActiveWindow(f.window());
    f.box->setText("photo19");
    f.box->setSelStart(0);
    f.box->setSelLength(5);
    f.before->setFocus();
    QTest::keyClick(f.before, Qt::Key_Tab);
    ASSERT_TRUE(f.box->editor()->hasFocus());
    EXPECT_EQ(f.box->SelText(), "photo");
    QTest::keyClicks(f.box->editor(), "image");
    EXPECT_EQ(f.box->Text(), "image19");
}

}  // namespace
