#include "platform/ui/form_window.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>

#include "platform/ui/form.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"

namespace ui {

FormWindow::FormWindow(Form* form) : QWidget(nullptr), form_(form) {}

QMenuBar* FormWindow::ensureMenuBar() {
    if (!menuBar_) {
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
        menuBar_->show();
    }
    return menuBar_;
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The form decides: its unload may be cancelled, and an unloaded window is only hidden
    // here and destroyed later.
    event->ignore();
    if (Form* form = form_) runHandler([form] { form->unloadWith(vbFormControlMenu); });
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        if (Form* form = form_) runHandler([form] { form->activate(); });
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int menu = menuBar_ ? nonClientMetrics(vbBSNone, true).top : 0;
    if (menuBar_) menuBar_->setGeometry(0, 0, width(), menu);
    const QSize client(width(), std::max(0, height() - menu));
    if (Form* form = form_) runHandler([form, client] { form->windowResized(client); });
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (Form* form = form_) form->windowMoved(pos());
}

ClientArea::ClientArea(Form* form, QWidget* parent) : QWidget(parent), form_(form) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    detail::registerSurface(this);
}

Scale ClientArea::childScale() const { return form_ ? form_->scale() : Scale::of(vbTwips); }

std::pair<double, double> ClientArea::position(const QMouseEvent* event) const {
    const Scale s = childScale();
    const QPoint p = event->position().toPoint();
    return {s.fromPixelsX(p.x()), s.fromPixelsY(p.y())};
}

void ClientArea::paintEvent(QPaintEvent*) {
    if (form_ && !form_->AutoRedraw()) {
        detail::PaintInProgress painting;
        if (Form* form = form_) runHandler([form] { form->Form_Paint(); });
    }
    QPainter painter(this);
    const Canvas* canvas = form_ ? form_->canvas() : nullptr;
    if (canvas && canvas->valid())
        painter.drawImage(0, 0, canvas->view());
    else
        painter.fillRect(rect(), form_ ? toQColor(form_->BackColor()) : QColor(Qt::black));
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    if (!isFirstDelivery(*event)) return;
    pressed_ = true;
    auto [x, y] = position(event);
    const int button = buttonCode(event->button()), shift = shiftCode(event->modifiers());
    if (Form* form = form_) runHandler([=] { form->Form_MouseDown(button, shift, x, y); });
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (!isFirstDelivery(*event)) return;
    auto [x, y] = position(event);
    const int button = buttonCode(event->button()), shift = shiftCode(event->modifiers());
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    Form* form = form_;
    if (!form) return;
    // One outer dispatch: a release of the form in MouseUp must not free it before the
    // check for Click.
    runHandler([&] {
        runHandler([=] { form->Form_MouseUp(button, shift, x, y); });
        if (click && form_ == form) runHandler([form] { form->Form_Click(); });
    });
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!isFirstDelivery(*event)) return;
    if (Form* form = form_) runHandler([form] { form->Form_DblClick(); });
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
    if (!isFirstDelivery(*event)) return;
    auto [x, y] = position(event);
    const int buttons = buttonsCode(event->buttons()), shift = shiftCode(event->modifiers());
    if (Form* form = form_) runHandler([=] { form->Form_MouseMove(buttons, shift, x, y); });
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    Form* form = form_;
    if (!form) return;
    int code = keyCode(*event);
    const int shift = shiftCode(event->modifiers());
    int ascii = keyAscii(*event);
    runHandler([&] {
        if (code) runHandler([&] { form->Form_KeyDown(code, shift); });
        if (ascii && form_ == form) runHandler([&] { form->Form_KeyPress(ascii); });
    });
}

void ClientArea::keyReleaseEvent(QKeyEvent* event) {
    Form* form = form_;
    int code = keyCode(*event);
    const int shift = shiftCode(event->modifiers());
    if (form && code) runHandler([&] { form->Form_KeyUp(code, shift); });
}

}  // namespace ui
