// Control arrays keep the windows' own indices, raise 340 for a missing one, and
// load(i) copies the lowest element's properties into a hidden new element that the
// array's handler serves.

#include <vector>

#include <QTest>
#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/ui/command_button.h"
#include "platform/ui/control_array.h"
#include "platform/ui/forms.h"
#include "platform/ui/label.h"

namespace {

class Navigation : public ui::Form {
public:
    Navigation() : Form("Navigation") {}
    ui::ControlArray<ui::CommandButton> ComdADOMove{this, "ComdADOMove"};
    ui::ControlArray<ui::Label> Label7{this, "Label7"};
    std::vector<int> clicked;

    void ComdADOMove_Click(int Index) { clicked.push_back(Index); }

protected:
    void createControls() override {
        for (int i = 1; i <= 4; ++i) {
            auto* b = create(ComdADOMove, i, (i - 1) * 270.0, 10, 270, 270);
            b->setCaption(QString::number(i));
        }
        ComdADOMove.bind(&ui::CommandButton::Click, [this](int Index) { ComdADOMove_Click(Index); });
        auto* first = create(Label7, 1, 660, 170, 1200, 210);
        first->setCaption("Save to File");
        first->setFontName("Arial");
        first->setFontSize(9);
        first->setBackColor(ui::RGB(50, 50, 50));
        first->setToolTipText("tip");
        create(Label7, 5, 645, 570, 1200, 210)->setCaption("Save to JPG");
        Label7.bind(&ui::Label::MouseDown, [this](int Index, int Button, int, double, double) {
            clicked.push_back(Index * 100 + Button);
        });
    }
};

TEST(ControlArray, KeepsTheWindowsIndicesAndRaises340ForAMissingOne) {
    Navigation& f = ui::loaded<Navigation>();
    EXPECT_EQ(f.ComdADOMove.LBound(), 1);
    EXPECT_EQ(f.ComdADOMove.UBound(), 4);
    EXPECT_EQ(f.ComdADOMove.Count(), 4);
    EXPECT_EQ(f.ComdADOMove[3]->Caption(), QStringLiteral("3"));
    EXPECT_EQ(f.ComdADOMove[3]->Index(), 3);
    EXPECT_EQ(f.ComdADOMove[3]->Name(), QStringLiteral("ComdADOMove"));
    EXPECT_FALSE(f.ComdADOMove.contains(0));
    try {
        f.ComdADOMove[0];
        FAIL() << "no error";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 340);
        EXPECT_EQ(e.description(), "Control array element '0' doesn't exist");
    }
    f.Show();
    QTest::mouseClick(f.ComdADOMove[4], Qt::LeftButton);
    QTest::mouseClick(f.ComdADOMove[1], Qt::LeftButton);
    EXPECT_EQ(f.clicked, (std::vector<int>{4, 1}));
}

TEST(ControlArray, LoadCopiesTheLowestElementHiddenAndServesItsHandler) {
    Navigation& f = ui::loaded<Navigation>();
    f.Label7.load(3);
    ui::Label* copy = f.Label7[3];
    ui::Label* first = f.Label7[1];
    EXPECT_EQ(copy->Index(), 3);
    EXPECT_FALSE(copy->Visible());
    EXPECT_EQ(copy->Caption(), first->Caption());
    EXPECT_DOUBLE_EQ(copy->Left(), 660);
    EXPECT_DOUBLE_EQ(copy->Width(), 1200);
    EXPECT_EQ(copy->Font(), first->Font());
    EXPECT_EQ(copy->BackColor(), ui::RGB(50, 50, 50));
    EXPECT_EQ(copy->ToolTipText(), QStringLiteral("tip"));
    EXPECT_EQ(f.Label7.indices(), (std::vector<int>{1, 3, 5}));

    f.Show();
    copy->setVisible(true);
    QTest::mousePress(copy, Qt::RightButton);
    EXPECT_EQ(f.clicked, (std::vector<int>{302}));

    EXPECT_THROW(f.Label7.load(5), runtime::Error);  // already there
    try {
        f.Label7.unload(1);
        FAIL() << "no error";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 362);
    }
    f.Label7.unload(3);
    EXPECT_FALSE(f.Label7.contains(3));
}

TEST(ControlArray, AReloadedWindowHasItsDesignElementsOnlyWithOneHandlerEach) {
    Navigation& f = ui::loaded<Navigation>();
    f.Label7.load(9);
    f.Unload();
    f.Show();
    EXPECT_EQ(f.Label7.indices(), (std::vector<int>{1, 5}));
    QTest::mouseClick(f.ComdADOMove[2], Qt::LeftButton);
    EXPECT_EQ(f.clicked, (std::vector<int>{2}));
}

}  // namespace
