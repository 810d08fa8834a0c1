#pragma once
// An image control: shows a picture object, stretched to the control (Stretch) or at
// its own size, in which case the control takes the picture's size. BorderStyle 0 none,
// 1 fixed single. It has no background of its own: a transparent icon or GIF shows the
// container behind it. Click comes from the mouse.

#include <QImage>
#include <QWidget>

#include "platform/picture/picture.h"
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

    const picture::Picture& Picture() const { return picture_; }
    void setPicture(const picture::Picture& picture);
    // The program's own pictures (icons, buttons) come as images, drawn with their
    // transparency; Picture() is their bitmap without it.
    void setImage(const QImage& image);

    void copyPropertiesFrom(const Component& other) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool fillsBackground() const override { return false; }

private:
    void fitToPicture();

    picture::Picture picture_;
    QImage shown_;      // the picture as painted: at the size shown when stretched, else its own
    QSize shownSize_;   // the device size shown_ was made for; empty for its own size
    QImage own_;        // an image of the program's own (setImage), with its alpha
    bool stretch_ = false;
    int borderStyle_ = 0;
};

}  // namespace ui
