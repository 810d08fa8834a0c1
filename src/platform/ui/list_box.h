#pragma once
// A list box: the item members of the combo box (AddItem, RemoveItem, Clear, List,
// ListCount, ListIndex, Text, Sorted, ItemData, NewIndex) and MultiSelect (0 none,
// 1 simple, 2 extended) with Selected(i) and SelCount. Click fires when ListIndex
// changes, by the user or by code; adding and removing items never fires.

#include <optional>

#include <QListWidget>

#include "platform/ui/control.h"

namespace ui {

class ListBox : public QListWidget, public Control {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    bool Sorted() const { return sorted_; }
    void setSorted(bool sorted) { sorted_ = sorted; }
    int MultiSelect() const { return multiSelect_; }
    void setMultiSelect(int multiSelect);

    void AddItem(const QString& item, std::optional<int> index = {});
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;
    void setList(int index, const QString& item);
    int ListCount() const { return count(); }
    int ListIndex() const { return listIndex_; }
    void setListIndex(int index);
    QString Text() const { return List(listIndex_); }
    long ItemData(int index) const;
    void setItemData(int index, long data);
    int NewIndex() const { return newIndex_; }
    bool Selected(int index) const;
    void setSelected(int index, bool selected);
    int SelCount() const { return static_cast<int>(selectedItems().size()); }

    void copyPropertiesFrom(const Component& other) override;

protected:
    bool clicksFromMouse() const override { return false; }

private:
    void quietly(const std::function<void()>& change);
    void rowChangedTo(int row);

    bool sorted_ = false;
    int multiSelect_ = 0;
    int listIndex_ = -1;
    int newIndex_ = -1;
};

}  // namespace ui
