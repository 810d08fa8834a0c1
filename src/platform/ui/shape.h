#pragma once
// The shape control: a rectangle drawn in its container, filled and outlined in colours
// of its own. Its back colour shows only with BackStyle 1, so a theme that sets every
// control's back colour leaves a filled shape's look alone.

#include <QWidget>

#include "platform/ui/control.h"

namespace ui {

class Shape : public QWidget, public Control {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    COLORREF FillColor() const { return fillColor_; }
    void setFillColor(COLORREF color);
    int FillStyle() const { return fillStyle_; }  // 0 solid, 1 transparent
    void setFillStyle(int style);
    COLORREF BorderColor() const { return borderColor_; }
    void setBorderColor(COLORREF color);
    int BorderStyle() const { return borderStyle_; }  // 0 none, 1 solid
    void setBorderStyle(int style);
    int BackStyle() const { return backStyle_; }  // 0 transparent, 1 opaque
    void setBackStyle(int style);

    void copyPropertiesFrom(const Component& other) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool fillsBackground() const override { return false; }

private:
    COLORREF fillColor_ = 0;
    int fillStyle_ = 1;
    COLORREF borderColor_ = 0x80000008;
    int borderStyle_ = 1;
    int backStyle_ = 0;
};

}  // namespace ui
