#pragma once
// A line control: a straight line from (X1, Y1) to (X2, Y2), both ends included, in
// the container's units, drawn in BorderColor with BorderWidth pixels. It takes no
// mouse input; the control's geometry is the box around the two ends.

#include <QWidget>

#include "platform/ui/control.h"

namespace ui {

class LineControl : public QWidget, public Control {
    Q_OBJECT
public:
    explicit LineControl(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    double X1() const;
    double Y1() const;
    double X2() const;
    double Y2() const;
    void setX1(double x);
    void setY1(double y);
    void setX2(double x);
    void setY2(double y);
    // All four ends at once, in the container's units.
    void setEnds(double x1, double y1, double x2, double y2);

    COLORREF BorderColor() const { return borderColor_; }
    void setBorderColor(COLORREF color);
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int width);

    void copyPropertiesFrom(const Component& other) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool fillsBackground() const override { return false; }
    void geometryApplied() override { update(); }

private:
    void placeBox();

    // Ends in twips, whatever the container's units.
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    COLORREF borderColor_ = 0x80000008;
    int borderWidth_ = 1;
};

}  // namespace ui
