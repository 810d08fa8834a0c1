#include "platform/ui/control.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "platform/runtime/error.h"
#include "platform/ui/container.h"
#include "platform/ui/input.h"

namespace ui {

class InputWatcher : public QObject {
public:
    explicit InputWatcher(Control* control) : control_(control) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && control_->handleInput(widget, event);
    }

private:
    Control* control_;
};

namespace {

constexpr long kErrInvalidPropertyValue = 380;

void requireNonNegative(double length) {
    if (length < 0) throw runtime::Error(kErrInvalidPropertyValue, "Invalid property value");
}

}  // namespace

void byCode(const std::function<void()>& change) {
    detail::entry([&] {
        change();
        detail::checkEnded();
    });
}

Control::Control(QWidget* self) : self_(self), watcher_(new InputWatcher(this)) {
    watchInput(self_);
}

Control::~Control() {
    // The QWidget part outlives this mixin; nothing may reach it from here on.
    self_->removeEventFilter(watcher_);
    QObject::disconnect(self_, nullptr, nullptr, nullptr);
    delete watcher_;
}

void Control::watchInput(QWidget* widget) {
    widget->installEventFilter(watcher_);
    widget->setMouseTracking(true);
}

void Control::unwatchInput(QWidget* widget) { widget->removeEventFilter(watcher_); }

void Control::initAppearance(COLORREF back, COLORREF fore) {
    back_ = back;
    fore_ = fore;
    applyColors();
    applyFont();
}

Scale Control::containerScale() const {
    for (QWidget* p = self_->parentWidget(); p; p = p->parentWidget())
        if (auto* c = dynamic_cast<const ScaleContainer*>(p)) return c->childScale();
    return Scale::of(vbTwips);
}

double Control::Left() const { return containerScale().fromTwipsX(left_); }
double Control::Top() const { return containerScale().fromTwipsY(top_); }
double Control::Width() const { return containerScale().fromTwipsX(width_); }
double Control::Height() const { return containerScale().fromTwipsY(height_); }

void Control::setLeft(double left) {
    left_ = containerScale().toTwipsX(left);
    applyGeometry();
}

void Control::setTop(double top) {
    top_ = containerScale().toTwipsY(top);
    applyGeometry();
}

void Control::setWidth(double width) {
    requireNonNegative(width);
    width_ = containerScale().toTwipsX(width);
    applyGeometry();
}

void Control::setHeight(double height) {
    requireNonNegative(height);
    height_ = containerScale().toTwipsY(height);
    applyGeometry();
}

void Control::Move(double left, std::optional<double> top, std::optional<double> width,
                   std::optional<double> height) {
    const Scale s = containerScale();
    if (width) requireNonNegative(*width);
    if (height) requireNonNegative(*height);
    left_ = s.toTwipsX(left);
    if (top) top_ = s.toTwipsY(*top);
    if (width) width_ = s.toTwipsX(*width);
    if (height) height_ = s.toTwipsY(*height);
    applyGeometry();
}

void Control::setGeometryTwips(double left, double top, double width, double height) {
    requireNonNegative(width);
    requireNonNegative(height);
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    applyGeometry();
}

void Control::setPixelSize(int width, int height) {
    width_ = pixelsToTwips(width);
    height_ = pixelsToTwips(height);
    applyGeometry();
}

void Control::applyGeometry() {
    QPoint origin;
    for (QWidget* p = self_->parentWidget(); p; p = p->parentWidget())
        if (auto* c = dynamic_cast<const ScaleContainer*>(p)) {
            if (p == self_->parentWidget()) origin = c->childOrigin();
            break;
        }
    self_->setGeometry(origin.x() + twipsToPixels(left_), origin.y() + twipsToPixels(top_),
                       std::max(0, twipsToPixels(width_)), std::max(0, twipsToPixels(height_)));
    geometryApplied();
}

void Control::setVisible(bool visible) {
    visible_ = visible;
    byCode([&] { self_->setVisible(visible); });
}

void Control::setEnabled(bool enabled) {
    enabled_ = enabled;
    byCode([&] { self_->setEnabled(enabled); });
}

void Control::setBackColor(COLORREF color) {
    back_ = color;
    applyColors();
}

void Control::setForeColor(COLORREF color) {
    fore_ = color;
    applyColors();
}

void Control::applyColors() {
    const QColor back = toQColor(back_);
    const QColor fore = toQColor(fore_);
    QPalette palette = self_->palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, back);
    // Disabled, the text is greyed: halfway from its own colour to the background.
    const QColor greyed((fore.red() + back.red()) / 2, (fore.green() + back.green()) / 2,
                        (fore.blue() + back.blue()) / 2);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, fore);
        palette.setColor(QPalette::Disabled, role, greyed);
    }
    self_->setPalette(palette);
    self_->setAutoFillBackground(fillsBackground());
    self_->update();
}

void Control::setFont(const ui::Font& font) {
    font_ = font;
    applyFont();
}
void Control::setFontName(const QString& name) {
    font_.name = name;
    applyFont();
}
void Control::setFontSize(double points) {
    font_.size = points;
    applyFont();
}
void Control::setFontBold(bool bold) {
    font_.bold = bold;
    applyFont();
}
void Control::setFontItalic(bool italic) {
    font_.italic = italic;
    applyFont();
}
void Control::setFontUnderline(bool underline) {
    font_.underline = underline;
    applyFont();
}

void Control::applyFont() {
    const QFont font = font_.toQFont();
    self_->setFont(font);
    // Pop-up menus inside a control (a calendar's month list) are windows of their own
    // and would keep the application's font.
    for (QMenu* menu : self_->findChildren<QMenu*>()) menu->setFont(font);
    geometryApplied();
}

void Control::setToolTipText(const QString& text) {
    toolTip_ = text;
    self_->setToolTip(text);
}

void Control::setMousePointer(int pointer) {
    mousePointer_ = pointer;
    if (pointer == 0)
        self_->unsetCursor();
    else if (pointer == vbCustom && mouseIcon_)
        self_->setCursor(*mouseIcon_);
    else
        self_->setCursor(cursorForPointer(pointer));
}

void Control::setMouseIcon(const QCursor& icon) {
    mouseIcon_ = icon;
    if (mousePointer_ == vbCustom) self_->setCursor(icon);
}

void Control::ZOrder(int position) {
    if (position == 0)
        self_->raise();
    else
        self_->lower();
}

void Control::SetFocus() {
    if (!visible_ || !enabled_ || !self_->window()->isVisible())
        throw runtime::Error(runtime::kErrInvalidProcedureCall,
                             runtime::describeError(runtime::kErrInvalidProcedureCall));
    byCode([&] { self_->setFocus(Qt::OtherFocusReason); });
}

void Control::Refresh() { self_->update(); }

void Control::copyPropertiesFrom(const Component& other) {
    Component::copyPropertiesFrom(other);
    auto* o = dynamic_cast<const Control*>(&other);
    if (!o) return;
    enabled_ = o->enabled_;
    self_->setEnabled(enabled_);
    back_ = o->back_;
    fore_ = o->fore_;
    font_ = o->font_;
    setToolTipText(o->toolTip_);
    mouseIcon_ = o->mouseIcon_;
    setMousePointer(o->mousePointer_);
    applyColors();
    applyFont();
    setGeometryTwips(o->left_, o->top_, o->width_, o->height_);
    // A loaded array element starts hidden.
    visible_ = false;
    self_->setVisible(false);
}

bool Control::handleInput(QWidget* widget, QEvent* event) {
    const auto position = [&](const QMouseEvent* e) {
        const QPoint p = widget->mapTo(self_, e->position().toPoint()) - mouseOrigin();
        const Scale s = mouseScale();
        return std::pair{s.fromPixelsX(p.x()), s.fromPixelsY(p.y())};
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        // A disabled control leaves the mouse to its container.
        if (!self_->isEnabled()) return false;
        if (!isFirstDelivery(*static_cast<QMouseEvent*>(event))) return false;
        break;
    default:
        break;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        auto [x, y] = position(e);
        pressInside_ = true;
        MouseDown.fire(buttonCode(e->button()), shiftCode(e->modifiers()), x, y);
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        auto [x, y] = position(e);
        const bool inside = widget->rect().contains(e->position().toPoint());
        MouseUp.fire(buttonCode(e->button()), shiftCode(e->modifiers()), x, y);
        if (clicksFromMouse() && pressInside_ && inside && e->button() == Qt::LeftButton)
            Click.fire();
        pressInside_ = false;
        return false;
    }
    case QEvent::MouseButtonDblClick: {
        if (DblClick) {
            DblClick.fire();
            return false;
        }
        // The platform sends the second press of a double click as this event alone;
        // without a handler for it, that press starts a click of its own.
        if (pressInside_) return false;
        auto* e = static_cast<QMouseEvent*>(event);
        auto [x, y] = position(e);
        pressInside_ = true;
        MouseDown.fire(buttonCode(e->button()), shiftCode(e->modifiers()), x, y);
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        auto [x, y] = position(e);
        MouseMove.fire(buttonsCode(e->buttons()), shiftCode(e->modifiers()), x, y);
        return false;
    }
    case QEvent::KeyPress: {
        if (replacingKey_) return false;
        auto* e = static_cast<QKeyEvent*>(event);
        const int shift = shiftCode(e->modifiers());
        int code = keyCode(*e);
        if (code != 0) {
            KeyDown.fire(code, shift);
            if (code == 0) return true;  // the handler cancelled the key
        }
        const int ascii = keyAscii(*e);
        if (ascii == 0) return false;
        int changed = ascii;
        KeyPress.fire(changed);
        if (changed == 0) return true;
        if (changed != ascii) {
            QKeyEvent replaced(QEvent::KeyPress, e->key(), e->modifiers(),
                               QString(QChar(static_cast<char16_t>(changed))));
            replacingKey_ = true;
            QCoreApplication::sendEvent(widget, &replaced);
            replacingKey_ = false;
            return true;
        }
        return false;
    }
    case QEvent::KeyRelease: {
        auto* e = static_cast<QKeyEvent*>(event);
        int code = keyCode(*e);
        if (code != 0) KeyUp.fire(code, shiftCode(e->modifiers()));
        return false;
    }
    case QEvent::FocusIn:
        GotFocus.fire();
        return false;
    case QEvent::FocusOut:
        LostFocus.fire();
        return false;
    default: return false;
    }
}

}  // namespace ui
