#pragma once
// A frame: a container with a caption. Its controls are placed relative to its top
// left corner, in the units of the frame's own container.

#include <QGroupBox>

#include "platform/ui/control.h"

namespace ui {

class Frame : public QGroupBox, public Control {
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int borderStyle);  // 0 none, 1 fixed single

    void copyPropertiesFrom(const Component& other) override;

private:
    QString caption_;
    int borderStyle_ = 1;
};

}  // namespace ui
