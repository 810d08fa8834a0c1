#include "platform/ui/menu.h"

#include <QAction>
#include <QMenu>

namespace ui {

Menu::Menu(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu), action_(menu->menuAction()) {
    connect(menu, &QMenu::aboutToShow, this, [this] { Click.fire(); });
}

Menu::Menu(QAction* action, QObject* parent) : QObject(parent), action_(action) {
    connect(action, &QAction::triggered, this, [this] { Click.fire(); });
}

Menu::~Menu() {
    if (menu_) QObject::disconnect(menu_, nullptr, this, nullptr);
    if (action_) QObject::disconnect(action_, nullptr, this, nullptr);
}

QString Menu::Caption() const { return action_ ? action_->text() : QString(); }
void Menu::setCaption(const QString& caption) {
    if (action_) action_->setText(caption);
}
bool Menu::Enabled() const { return action_ && action_->isEnabled(); }
void Menu::setEnabled(bool enabled) {
    if (action_) action_->setEnabled(enabled);
}
bool Menu::Visible() const { return action_ && action_->isVisible(); }
void Menu::setVisible(bool visible) {
    if (action_) action_->setVisible(visible);
}
bool Menu::Checked() const { return action_ && action_->isChecked(); }
void Menu::setChecked(bool checked) {
    if (!action_) return;
    action_->setCheckable(true);
    action_->setChecked(checked);
}

}  // namespace ui
