// Lengths in twips as doubles, pixels rounded halves to even only when applied, a
// form's outer size against its client area, and container units (ScaleMode) for
// child positions and mouse coordinates.

#include <algorithm>
#include <utility>
#include <vector>

#include <QPointer>
#include <QTest>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/label.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/screen.h"

namespace {

class Sized : public ui::Form {
public:
    Sized() : Form("Sized") {}
    int resizes = 0;
    int borderStyle = ui::vbFixedSingle;
    int scaleMode = ui::vbTwips;
    bool withMenu = false;
    double lastX = -1, lastY = -1;
    QPointer<ui::Label> Label1;
    QPointer<ui::PictureBox> Picture1;
    QPointer<ui::Label> LabelInPicture;

    void Form_Resize() override { ++resizes; }

protected:
    void createControls() override {
        setBorderStyle(borderStyle);
        setScaleMode(scaleMode);
        setClientSize(11412, 8184);
        if (withMenu) createMenu("mnuSearch", "Search");
        Label1 = create<ui::Label>("Label1", 112.5, 127.5, 1500, 22.5);
        Label1->MouseDown = [this](int, int, double X, double Y) {
            lastX = X;
            lastY = Y;
        };
        Picture1 = create<ui::PictureBox>("Picture1", 0, 3000, 1500, 1500);
        Picture1->setScaleMode(ui::vbPixels);
        LabelInPicture = create<ui::Label>("LabelInPicture", 10, 20, 30, 40, Picture1);
        Picture1->MouseDown = [this](int, int, double X, double Y) {
            lastX = X;
            lastY = Y;
        };
    }
};

TEST(Geometry, TwipsStayDoublesAndPixelsRoundHalvesToEven) {
    EXPECT_EQ(ui::twipsToPixels(112.5), 8);   // 7.5 px
    EXPECT_EQ(ui::twipsToPixels(127.5), 8);   // 8.5 px
    EXPECT_EQ(ui::twipsToPixels(22.5), 2);    // 1.5 px
    EXPECT_EQ(ui::twipsToPixels(7.4), 0);
    EXPECT_EQ(ui::twipsToPixels(-22.5), -2);

    Sized& f = ui::loaded<Sized>();
    EXPECT_DOUBLE_EQ(f.Label1->Left(), 112.5);
    EXPECT_DOUBLE_EQ(f.Label1->Top(), 127.5);
    EXPECT_DOUBLE_EQ(f.Label1->Height(), 22.5);
    EXPECT_EQ(f.Label1->geometry(), QRect(8, 8, 100, 2));
    f.Label1->setLeft(f.Label1->Left() + 7.5);  // 120 twips: exactly 8 px
    EXPECT_DOUBLE_EQ(f.Label1->Left(), 120);
    EXPECT_EQ(f.Label1->x(), 8);
}

TEST(Geometry, NonClientMetricsPerBorderStyle) {
    struct Row {
        int style;
        bool menu;
        int width, height;  // pixels around the client area
    } rows[] = {
        {ui::vbBSNone, false, 0, 0},           {ui::vbFixedSingle, false, 6, 28},
        {ui::vbFixedSingle, true, 6, 48},      {ui::vbSizable, false, 8, 30},
        {ui::vbFixedDialog, false, 6, 28},     {ui::vbFixedToolWindow, false, 6, 22},
        {ui::vbSizableToolWindow, false, 8, 24},
    };
    for (const Row& r : rows) {
        const ui::NonClientMetrics m = ui::nonClientMetrics(r.style, r.menu);
        EXPECT_EQ(m.width(), r.width) << r.style;
        EXPECT_EQ(m.height(), r.height) << r.style;
    }
}

TEST(Geometry, AFormsWidthAndHeightAreItsOuterSize) {
    Sized& plain = ui::loaded<Sized>();
    // 11412 x 8184 twips of client area under a fixed single border.
    EXPECT_DOUBLE_EQ(plain.Width(), 11412 + 6 * 15);
    EXPECT_DOUBLE_EQ(plain.Height(), 8184 + 28 * 15);
    EXPECT_EQ(plain.clientArea()->size(), QSize(761, 546));  // 760.8 and 545.6 px
    EXPECT_DOUBLE_EQ(plain.ScaleWidth(), 761 * 15);
    EXPECT_DOUBLE_EQ(plain.ScaleHeight(), 546 * 15);
    // The main window's width switch: 6650 outer twips leave 6560 of client width.
    plain.setWidth(6650);
    EXPECT_DOUBLE_EQ(plain.Width(), 6650);
    EXPECT_EQ(plain.clientArea()->width(), 437);  // 6560 / 15 = 437.33

    ui::release<Sized>();
    Sized& menu = ui::forms<Sized>();
    menu.withMenu = true;
    menu.Load();
    EXPECT_DOUBLE_EQ(menu.Height(), 8184 + 48 * 15) << "the menu bar comes out of the outer size";
    EXPECT_EQ(menu.clientArea()->size(), QSize(761, 546));
    EXPECT_EQ(menu.window()->height(), 546 + 20);
}

TEST(Geometry, ResizeFiresWhenTheClientSizeChangesInPixels) {
    Sized& f = ui::forms<Sized>();
    f.borderStyle = ui::vbSizable;
    f.Show();
    EXPECT_EQ(f.resizes, 1) << "the first showing";
    f.setWidth(f.Width() + 5);  // within the same pixel
    EXPECT_EQ(f.resizes, 1);
    f.setWidth(f.Width() + 30);
    EXPECT_EQ(f.resizes, 2);
    // A resize by the user updates the outer size.
    f.window()->resize(500, 400);
    EXPECT_EQ(f.resizes, 3);
    EXPECT_DOUBLE_EQ(f.Width(), (500 + 8) * 15);
    EXPECT_DOUBLE_EQ(f.ScaleWidth(), 500 * 15);
}

TEST(Geometry, ChildPositionsAndMouseCoordinatesUseTheContainersScaleMode) {
    Sized& f = ui::forms<Sized>();
    f.scaleMode = ui::vbPixels;
    f.Show();
    // The form counts in pixels: Left 112.5 means 112.5 px (rounds to 112).
    EXPECT_EQ(f.Label1->geometry().topLeft(), QPoint(112, 128));
    EXPECT_DOUBLE_EQ(f.Label1->Left(), 112.5);
    EXPECT_DOUBLE_EQ(f.ScaleWidth(), 761);
    f.setScaleMode(ui::vbTwips);
    EXPECT_DOUBLE_EQ(f.Label1->Left(), 112.5 * 15) << "the same place read in twips";

    QTest::mousePress(f.Label1.data(), Qt::LeftButton, {}, QPoint(4, 1));
    EXPECT_DOUBLE_EQ(f.lastX, 60);
    EXPECT_DOUBLE_EQ(f.lastY, 15);

    // In a bordered picture box counting pixels, children and the mouse start inside
    // the 2-pixel border.
    EXPECT_EQ(f.LabelInPicture->geometry(), QRect(12, 22, 30, 40));
    QTest::mousePress(f.Picture1.data(), Qt::LeftButton, {}, QPoint(12, 7));
    EXPECT_DOUBLE_EQ(f.lastX, 10);
    EXPECT_DOUBLE_EQ(f.lastY, 5);
    f.Picture1->setScaleMode(ui::vbTwips);
    EXPECT_DOUBLE_EQ(f.LabelInPicture->Left(), 150);
}

TEST(Geometry, TheScreenIsThePrimaryDisplayAtFifteenTwipsPerPixel) {
    const QSize display = QGuiApplication::primaryScreen()->size();
    EXPECT_DOUBLE_EQ(ui::Screen::Width(), display.width() * 15);
    EXPECT_DOUBLE_EQ(ui::Screen::Height(), display.height() * 15);
    EXPECT_EQ(ui::Screen::TwipsPerPixelX(), 15);
    Sized& f = ui::loaded<Sized>();
    f.setStartUpPosition(ui::vbStartUpScreen);
    f.Show();
    EXPECT_DOUBLE_EQ(f.Left(), (ui::Screen::Width() - f.Width()) / 2);
    EXPECT_DOUBLE_EQ(f.Top(), (ui::Screen::Height() - f.Height()) / 2);
}

// A window manager frames a window only once it is on the screen: a window moved by
// code as it is shown must get there first, or its inside takes the frame's place and
// the title bar goes above it, off the top of the screen.
TEST(Geometry, AWindowMovedAsItIsShownIsMovedOnceItIsOnTheScreen) {
    Sized& f = ui::loaded<Sized>();
    struct MoveWatch : QObject {
        QWidget* window = nullptr;
        std::vector<std::pair<QPoint, bool>> moves;  // where to, and whether on the screen by then
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Move)
                moves.emplace_back(window->pos(), window->windowHandle() && window->windowHandle()->isExposed());
            return false;
        }
    } watch;
    watch.window = f.window();
    f.window()->installEventFilter(&watch);

    f.Show();
    f.Move(1500, 1200);
    const auto toTarget = std::find_if(watch.moves.begin(), watch.moves.end(),
                                       [](const auto& move) { return move.first == QPoint(100, 80); });
    ASSERT_NE(toTarget, watch.moves.end()) << "the window never went to (100, 80)";
    EXPECT_TRUE(toTarget->second) << "moved before it was on the screen";
    EXPECT_EQ(f.window()->frameGeometry().topLeft(), QPoint(100, 80));
    f.window()->removeEventFilter(&watch);
}

}  // namespace
