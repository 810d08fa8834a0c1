#pragma once
// The widgets of a loaded form: the top-level window (caption, border, optional
// platform menu bar) and its client area, which holds the controls, presents the
// form's drawing surface and turns mouse and key input into the form's handlers.
// Both point back to their Form until it unloads; from then on they are inert.

#include <QWidget>

#include "platform/ui/container.h"

class QMenuBar;

namespace ui {

class Form;

class FormWindow : public QWidget {
    Q_OBJECT
public:
    explicit FormWindow(Form* form);
    void detach() { form_ = nullptr; }
    QMenuBar* menuBar() const { return menuBar_; }
    QMenuBar* ensureMenuBar();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    Form* form_;
    QMenuBar* menuBar_ = nullptr;
};

class ClientArea : public QWidget, public ScaleContainer {
    Q_OBJECT
public:
    ClientArea(Form* form, QWidget* parent);
    void detach() { form_ = nullptr; }
    Scale childScale() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    std::pair<double, double> position(const QMouseEvent* event) const;

    Form* form_;
    bool pressed_ = false;
};

}  // namespace ui
