#include "platform/ui/frame.h"

namespace ui {

Frame::Frame(QWidget* parent) : QGroupBox(parent), Control(this) {
    initAppearance(vbButtonFace, vbButtonText);
}

void Frame::setCaption(const QString& caption) {
    caption_ = caption;
    setTitle(caption);
}

void Frame::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle;
    setFlat(borderStyle == 0);
}

void Frame::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const Frame*>(&other)) {
        setCaption(o->caption_);
        setBorderStyle(o->borderStyle_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
