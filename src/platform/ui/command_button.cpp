#include "platform/ui/command_button.h"

namespace ui {

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent), Control(this) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Click.fire(); });
    initAppearance(vbButtonFace, vbButtonText);
}

void CommandButton::setCaption(const QString& caption) {
    caption_ = caption;
    setText(caption);
}

void CommandButton::setStyle(int style) {
    style_ = style;
    applyColors();
}

void CommandButton::setValue(bool value) {
    if (value) byCode([&] { click(); });
}

void CommandButton::applyColors() {
    // A standard button keeps the platform's face; only a graphical one shows BackColor.
    if (style_ == 1) {
        Control::applyColors();
        return;
    }
    QPalette p = palette();
    p.setColor(QPalette::ButtonText, toQColor(ForeColor()));
    p.setColor(QPalette::Button, toQColor(vbButtonFace));
    setPalette(p);
}

void CommandButton::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const CommandButton*>(&other)) {
        style_ = o->style_;
        setCaption(o->caption_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
