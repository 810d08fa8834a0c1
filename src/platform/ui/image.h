#pragma once
// An image control: shows a picture, stretched to the control (Stretch) or at its
// own size, in which case the control takes the picture's size. BorderStyle 0 none,
// 1 fixed single. Click comes from the mouse.
//
// Extension point: picture objects (bitmap, icon, metafile with a HIMETRIC size and
// an identity) arrive with the picture layer; until then the control holds a QImage
// set through setImage(). A Picture property taking a picture object will replace it.

#include <QImage>
#include <QWidget>

#include "platform/ui/control.h"

namespace ui {

class Image : public QWidget, public Control {
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);

    const QImage& image() const { return image_; }
    void setImage(const QImage& image);

    void copyPropertiesFrom(const Component& other) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool fillsBackground() const override { return false; }

private:
    void fitToImage();

    QImage image_;
    bool stretch_ = false;
    int borderStyle_ = 0;
};

}  // namespace ui
