// Drawing surfaces of picture boxes and forms over gdi: Cls fills BackColor, lines
// take the draw mode, Point reads back, the client area excludes the border, the
// drawing survives a resize, and a box that only holds a picture takes no buffer.

#include <QPointer>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/picture_box.h"
#include "platform/ui/picture_conversion.h"

namespace {

using ui::RGB;

class Painter : public ui::Form {
public:
    Painter() : Form("Painter") {}
    QPointer<ui::PictureBox> Picture1;

protected:
    void createControls() override {
        setBorderStyle(ui::vbBSNone);
        setClientSize(3000, 3000);
        setBackColor(RGB(50, 50, 50));
        // 100 x 60 px outside, 96 x 56 px inside its border.
        Picture1 = create<ui::PictureBox>("Picture1", 150, 150, 1500, 900);
        Picture1->setBackColor(RGB(10, 20, 30));
        Picture1->setScaleMode(ui::vbPixels);
        // Hidden, borderless, sized to its picture: a holder of pictures for others.
        Holder = create<ui::PictureBox>("Holder", 0, 0, 300, 300);
        Holder->setVisible(false);
        Holder->setBorderStyle(0);
        Holder->setAutoSize(true);
        Holder->setScaleMode(ui::vbPixels);
        Holder->setBackColor(RGB(10, 20, 30));
    }

public:
    QPointer<ui::PictureBox> Holder;
};

picture::Picture filledPicture(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return ui::PictureFromImage(image);
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = &ui::loaded<Painter>();
        box = form->Picture1.data();
        if (!box->canvas() || !box->canvas()->valid()) GTEST_SKIP() << "gdi cannot make a DIB section";
    }
    Painter* form = nullptr;
    ui::PictureBox* box = nullptr;
};

TEST_F(CanvasTest, ScaleSizeExcludesTheBorder) {
    EXPECT_DOUBLE_EQ(box->ScaleWidth(), 96);
    EXPECT_DOUBLE_EQ(box->ScaleHeight(), 56);
    box->setScaleMode(ui::vbTwips);
    EXPECT_DOUBLE_EQ(box->ScaleWidth(), 96 * 15);
    box->setBorderStyle(0);
    EXPECT_DOUBLE_EQ(box->ScaleWidth(), 100 * 15);
    EXPECT_EQ(box->canvas()->width(), 100);
}

TEST_F(CanvasTest, ClsFillsWithBackColorAndPointReadsBack) {
    for (auto [x, y] : {std::pair{0, 0}, {95, 0}, {0, 55}, {95, 55}})
        EXPECT_EQ(box->Point(x, y), static_cast<long>(RGB(10, 20, 30))) << x << "," << y;
    EXPECT_EQ(box->Point(96, 0), -1);
    EXPECT_EQ(box->Point(-1, 3), -1);
    box->Line(0, 10, 50, 10, RGB(255, 0, 0));
    box->setBackColor(RGB(1, 2, 3));  // a new back colour clears the drawing
    EXPECT_EQ(box->Point(5, 10), static_cast<long>(RGB(1, 2, 3)));
    box->PSet(7, 8, RGB(9, 9, 9));
    EXPECT_EQ(box->Point(7, 8), static_cast<long>(RGB(9, 9, 9)));
    EXPECT_DOUBLE_EQ(box->CurrentX(), 7);
    box->Cls();
    EXPECT_EQ(box->Point(7, 8), static_cast<long>(RGB(1, 2, 3)));
    EXPECT_DOUBLE_EQ(box->CurrentX(), 0);
    // The form's own surface reads its back colour too.
    EXPECT_EQ(form->Point(0, 0), static_cast<long>(RGB(50, 50, 50)));
}

TEST_F(CanvasTest, LinesUseTheDrawModeThroughGdi) {
    box->Line(10, 20, 40, 20, RGB(200, 100, 50));
    EXPECT_EQ(box->Point(10, 20), static_cast<long>(RGB(200, 100, 50)));
    EXPECT_EQ(box->Point(39, 20), static_cast<long>(RGB(200, 100, 50)));
    EXPECT_EQ(box->Point(40, 20), static_cast<long>(RGB(10, 20, 30))) << "the end point stays";
    EXPECT_DOUBLE_EQ(box->CurrentX(), 40);

    box->setDrawMode(7);  // XOR: (10,20,30) ^ (255,255,255)
    box->Line(10, 30, 20, 30, RGB(255, 255, 255));
    EXPECT_EQ(box->Point(15, 30), static_cast<long>(RGB(245, 235, 225)));
    box->Line(10, 30, 20, 30, RGB(255, 255, 255));
    EXPECT_EQ(box->Point(15, 30), static_cast<long>(RGB(10, 20, 30))) << "twice restores";

    box->setDrawMode(13);
    box->Line(50, 40, 53, 42, RGB(0, 255, 0), ui::LineBox::Filled);
    EXPECT_EQ(box->Point(50, 40), static_cast<long>(RGB(0, 255, 0)));
    EXPECT_EQ(box->Point(53, 42), static_cast<long>(RGB(0, 255, 0))) << "a box includes its corners";
    EXPECT_EQ(box->Point(54, 42), static_cast<long>(RGB(10, 20, 30)));
}

TEST_F(CanvasTest, TwipCoordinatesRoundToTheNearestPixelRow) {
    box->setScaleMode(ui::vbTwips);
    // One line per twip row, as the window gradients draw: the last line drawn on a
    // pixel row wins (rows round halves to even: twips 15..22 are row 1, 22.5 row 2).
    for (int y = 0; y <= 45; ++y) box->Line(0, y, 300, y, RGB(y, y, y));
    EXPECT_EQ(box->Point(0, 15), static_cast<long>(RGB(22, 22, 22)));
    EXPECT_EQ(box->Point(0, 30), static_cast<long>(RGB(37, 37, 37)));
}

TEST_F(CanvasTest, TheDrawingSurvivesAResize) {
    box->PSet(5, 5, RGB(255, 0, 0));
    box->setWidth(200 * 15);  // the container counts twips
    EXPECT_EQ(box->canvas()->width(), 196);
    EXPECT_EQ(box->Point(5, 5), static_cast<long>(RGB(255, 0, 0)));
    EXPECT_EQ(box->Point(150, 5), static_cast<long>(RGB(10, 20, 30)));
    EXPECT_NE(box->hDC(), 0u);
}

TEST_F(CanvasTest, AHiddenBoxSizedToItsPictureTakesItsBufferOnlyWhenOneIsNeeded) {
    ui::PictureBox& holder = *form->Holder;
    int resizes = 0;
    holder.Resize = [&] { ++resizes; };
    holder.setPicture(filledPicture(640, 480, QColor(0, 200, 0)));
    EXPECT_EQ(resizes, 1);
    EXPECT_FALSE(holder.holdsBuffer()) << "a 32-bpp buffer of the picture's size beside it";
    // The buffer, once asked for, holds the picture over the background.
    EXPECT_EQ(holder.Point(639, 479), static_cast<long>(RGB(0, 200, 0)));
    EXPECT_EQ(holder.canvas()->width(), 640);

    // A new picture of another size: what the buffer held is gone, so its memory goes too.
    holder.setPicture(filledPicture(800, 100, QColor(200, 0, 0)));
    EXPECT_EQ(resizes, 2);
    EXPECT_FALSE(holder.holdsBuffer());
    EXPECT_EQ(holder.Point(799, 99), static_cast<long>(RGB(200, 0, 0)));

    // Drawn on, the box keeps its buffer across a resize, and the drawing with it.
    holder.PSet(5, 5, RGB(1, 2, 3));
    holder.setPicture(filledPicture(900, 120, QColor(0, 0, 200)));
    EXPECT_FALSE(holder.holdsBuffer()) << "a new picture clears the drawing";
    holder.PSet(5, 5, RGB(1, 2, 3));
    holder.setAutoSize(false);
    holder.setWidth(1000 * 15);
    EXPECT_TRUE(holder.holdsBuffer());
    EXPECT_EQ(holder.Point(5, 5), static_cast<long>(RGB(1, 2, 3)));
    EXPECT_EQ(holder.Point(950, 5), static_cast<long>(RGB(10, 20, 30)));
    EXPECT_EQ(holder.Point(899, 119), static_cast<long>(RGB(0, 0, 200)));
    EXPECT_EQ(resizes, 4);
}

}  // namespace
