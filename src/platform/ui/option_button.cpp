#include "platform/ui/option_button.h"

namespace ui {

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent), Control(this) {
    // Exclusion is ours: Qt's would act among the siblings at creation already.
    setAutoExclusive(false);
    connect(this, &QRadioButton::toggled, this, [this](bool checked) { toggledTo(checked); });
    initAppearance(vbButtonFace, vbButtonText);
}

void OptionButton::setCaption(const QString& caption) {
    caption_ = caption;
    setText(caption);
}

void OptionButton::setValue(bool value) {
    byCode([&] { setChecked(value); });
}

void OptionButton::nextCheckState() {
    if (!isChecked()) setChecked(true);
}

void OptionButton::toggledTo(bool checked) {
    if (checked == value_) return;
    value_ = checked;
    if (!checked) return;
    if (QWidget* container = parentWidget()) {
        for (auto* other : container->findChildren<OptionButton*>(Qt::FindDirectChildrenOnly))
            if (other != this && other->value_) {
                other->value_ = false;
                QSignalBlocker quiet(other);
                other->setChecked(false);
            }
    }
    Click.fire();
}

void OptionButton::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const OptionButton*>(&other)) setCaption(o->caption_);
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
