#pragma once
// An option button: Caption and Value. Option buttons with the same container
// exclude each other: setting one true sets the others false. Click fires when an
// option becomes true, by the user or by code; a click on a selected one changes
// nothing and fires nothing.

#include <QRadioButton>

#include "platform/ui/control.h"

namespace ui {

class OptionButton : public QRadioButton, public Control {
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool Value() const { return value_; }
    void setValue(bool value);

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }
    void nextCheckState() override;

private:
    void toggledTo(bool checked);

    QString caption_;
    bool value_ = false;
};

}  // namespace ui
