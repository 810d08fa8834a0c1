#include "platform/ui/command_button.h"

#include <QIcon>
#include <QPixmap>

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
    applyPicture();
}

void CommandButton::setPicture(const QImage& picture) {
    picture_ = picture;
    applyPicture();
}

void CommandButton::applyPicture() {
    // Only a graphical button shows its picture.
    if (style_ == 1 && !picture_.isNull()) {
        setIcon(QIcon(QPixmap::fromImage(picture_)));
        setIconSize(picture_.size());
    } else {
        setIcon(QIcon());
    }
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
        setPicture(o->picture_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
