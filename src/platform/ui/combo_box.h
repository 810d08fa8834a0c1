#pragma once
// A combo box: Style 0 drop-down combo (editable), 2 drop-down list (1, the simple
// combo, behaves as 0). AddItem (at an index, or in order when Sorted), RemoveItem,
// Clear, List(i), ListCount, ListIndex (-1 = none), Text, ItemData(i), NewIndex.
// Click fires when ListIndex changes, by the user or by code; Change fires when the
// text of an editable combo changes by typing or by code, not by picking an item.
// Adding and removing items never fires.

#include <optional>

#include <QComboBox>

#include "platform/ui/control.h"

namespace ui {

class ComboBox : public QComboBox, public Control {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
    ~ComboBox() override;
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    int Style() const { return style_; }
    void setStyle(int style);
    bool Sorted() const { return sorted_; }
    void setSorted(bool sorted) { sorted_ = sorted; }

    void AddItem(const QString& item, std::optional<int> index = {});
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;  // "" outside the list
    void setList(int index, const QString& item);
    int ListCount() const { return count(); }
    int ListIndex() const { return listIndex_; }
    void setListIndex(int index);
    QString Text() const;
    // A drop-down list takes only the text of an item (error 383 otherwise) and
    // selects it.
    void setText(const QString& text);
    long ItemData(int index) const;
    void setItemData(int index, long data);
    int NewIndex() const { return newIndex_; }

    Event<> Change{this};

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }

private:
    void quietly(const std::function<void()>& change);
    void indexChangedTo(int index);
    void connectEditor();

    int style_ = 0;
    bool sorted_ = false;
    int listIndex_ = -1;
    int newIndex_ = -1;
};

}  // namespace ui
