#pragma once
// A command button: Caption, Style (0 standard, 1 graphical: shows its BackColor and
// its Picture, a QImage until picture objects reach the controls),
// Value (setting it to true by code clicks the button). Click fires on a click of
// the mouse or the keyboard and when code sets Value.

#include <QImage>
#include <QPushButton>

#include "platform/ui/control.h"

namespace ui {

class CommandButton : public QPushButton, public Control {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int Style() const { return style_; }
    void setStyle(int style);
    const QImage& Picture() const { return picture_; }
    void setPicture(const QImage& picture);
    bool Value() const { return false; }
    void setValue(bool value);

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }
    void applyColors() override;

private:
    void applyPicture();

    QString caption_;
    int style_ = 0;
    QImage picture_;
};

}  // namespace ui
