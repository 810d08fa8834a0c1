#pragma once
// A picture box: a control with a persistent drawing surface (Surface: Cls, Line,
// PSet, Point, hDC, ScaleMode...) that can also hold controls. BorderStyle 0 none,
// 1 fixed single (a 2-pixel sunken border outside the client area, so ScaleWidth and
// ScaleHeight exclude it). Mouse coordinates and the positions of its controls are in
// its own ScaleMode, measured from the inner corner of the border.
//
// Its Picture is a picture object (surface.h); with AutoSize the box takes the
// picture's size plus its border. Change fires whenever a picture is set.

#include <QWidget>

#include "platform/ui/container.h"
#include "platform/ui/control.h"
#include "platform/ui/surface.h"

namespace ui {

class PictureBox : public QWidget, public Control, public Surface, public ScaleContainer {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    void setPicture(const picture::Picture& picture);
    void setPicture(const QImage& image);

    Event<> Change{this};
    Event<> Resize{this};
    Event<> Paint{this};

    Scale childScale() const override { return scale(); }
    QPoint childOrigin() const override;

    void copyPropertiesFrom(const Component& other) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void applyColors() override;
    Scale mouseScale() const override { return scale(); }
    QPoint mouseOrigin() const override { return childOrigin(); }

    COLORREF surfaceBackColor() const override { return BackColor(); }
    COLORREF surfaceForeColor() const override { return ForeColor(); }
    QSize surfaceSize() const override;
    void surfaceChanged() override { update(); }
    void scaleChanged() override;
    void geometryApplied() override { syncSize(); }

private:
    void syncSize();
    int border() const { return borderStyle_ == 1 ? 2 : 0; }
    void fitToPicture();

    int borderStyle_ = 1;
    bool autoSize_ = false;
    COLORREF shownBack_ = 0xFFFFFFFF;
};

}  // namespace ui
