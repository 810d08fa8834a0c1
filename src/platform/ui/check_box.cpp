#include "platform/ui/check_box.h"

#include "platform/runtime/error.h"

namespace ui {

namespace {
Qt::CheckState qtState(int value) {
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}
}  // namespace

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent), Control(this) {
    setTristate(true);
    connect(this, &QCheckBox::stateChanged, this, [this](int state) { stateChangedTo(state); });
    initAppearance(vbButtonFace, vbButtonText);
}

void CheckBox::setCaption(const QString& caption) {
    caption_ = caption;
    setText(caption);
}

void CheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw runtime::Error(380, "Invalid property value");
    byCode([&] { setCheckState(qtState(value)); });
}

void CheckBox::nextCheckState() { setCheckState(value_ == 1 ? Qt::Unchecked : Qt::Checked); }

void CheckBox::stateChangedTo(int state) {
    const int value = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    if (value == value_) return;
    value_ = value;
    Click.fire();
}

void CheckBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const CheckBox*>(&other)) {
        setCaption(o->caption_);
        detail::SuppressEvents quiet;
        setValue(o->value_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
