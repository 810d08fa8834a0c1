#include "platform/ui/label.h"

#include <QFontMetrics>

namespace ui {

namespace {
Qt::Alignment qtAlignment(int alignment) {
    switch (alignment) {
    case 1: return Qt::AlignRight | Qt::AlignTop;
    case 2: return Qt::AlignHCenter | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
    }
}
}  // namespace

Label::Label(QWidget* parent) : QLabel(parent), Control(this) {
    setTextFormat(Qt::PlainText);
    QLabel::setAlignment(qtAlignment(0));
    setMargin(0);
    setIndent(0);
    initAppearance(vbButtonFace, vbButtonText);
}

void Label::setCaption(const QString& caption) {
    caption_ = caption;
    setText(caption);
    fitToCaption();
}

void Label::setAlignment(int alignment) {
    alignment_ = alignment;
    QLabel::setAlignment(qtAlignment(alignment));
}

void Label::setAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    fitToCaption();
}

void Label::setWordWrap(bool wordWrap) {
    wordWrap_ = wordWrap;
    QLabel::setWordWrap(wordWrap);
    fitToCaption();
}

void Label::setBackStyle(int backStyle) {
    backStyle_ = backStyle;
    applyColors();
}

void Label::setBorderStyle(int borderStyle) {
    borderStyle_ = borderStyle;
    setFrameStyle(borderStyle == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    fitToCaption();
}

void Label::geometryApplied() { fitToCaption(); }

void Label::fitToCaption() {
    if (!autoSize_ || fitting_) return;
    fitting_ = true;
    const QFontMetrics metrics(QLabel::font());
    const int frame = 2 * frameWidth();
    QSize size;
    if (wordWrap_) {
        const int width = std::max(1, QLabel::width() - frame);
        size = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, caption_).size();
        size.setWidth(QLabel::width() - frame);
    } else {
        size = metrics.size(0, caption_.isEmpty() ? QStringLiteral(" ") : caption_);
        if (caption_.isEmpty()) size.setWidth(0);
    }
    setPixelSize(size.width() + frame, size.height() + frame);
    fitting_ = false;
}

void Label::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const Label*>(&other)) {
        backStyle_ = o->backStyle_;
        setBorderStyle(o->borderStyle_);
        setAlignment(o->alignment_);
        setWordWrap(o->wordWrap_);
        autoSize_ = o->autoSize_;
        setCaption(o->caption_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
