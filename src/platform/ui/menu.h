#pragma once
// An entry of a window's platform menu bar: Caption ("&" marks the access key),
// Enabled, Visible, Checked and Click. A top-level entry heads a drop-down menu
// (its Click fires as the menu opens); an item under it runs its Click when chosen.

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include "platform/ui/component.h"
#include "platform/ui/event.h"

namespace ui {

class Menu : public QObject, public Component {
    Q_OBJECT
public:
    // A top-level entry owns a QMenu; an item owns an action in its parent's menu.
    Menu(QMenu* menu, QObject* parent);
    Menu(QAction* action, QObject* parent);
    ~Menu() override;

    QString Caption() const;
    void setCaption(const QString& caption);
    bool Enabled() const;
    void setEnabled(bool enabled);
    bool Visible() const;
    void setVisible(bool visible);
    bool Checked() const;
    void setChecked(bool checked);

    QMenu* menu() const { return menu_; }
    QAction* action() const { return action_; }

    Event<> Click{this};

private:
    QPointer<QMenu> menu_;
    QPointer<QAction> action_;
};

}  // namespace ui
