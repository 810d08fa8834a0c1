#pragma once
// A check box: Caption and Value (0 unchecked, 1 checked, 2 greyed; the user toggles
// between 0 and 1). Click fires whenever Value changes, by the user or by code.

#include <QCheckBox>

#include "platform/ui/control.h"

namespace ui {

class CheckBox : public QCheckBox, public Control {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int Value() const { return value_; }
    void setValue(int value);  // outside 0..2: error 380

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }
    void nextCheckState() override;

private:
    void stateChangedTo(int state);

    QString caption_;
    int value_ = 0;
};

}  // namespace ui
