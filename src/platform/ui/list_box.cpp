#include "platform/ui/list_box.h"

#include "platform/runtime/error.h"
#include "platform/ui/list_support.h"

namespace ui {

ListBox::ListBox(QWidget* parent) : QListWidget(parent), Control(this) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) { rowChangedTo(row); });
    // The list's viewport receives the mouse; its events count as the list's.
    watchInput(viewport());
    initAppearance(vbWindowBackground, vbWindowText);
}

void ListBox::setMultiSelect(int multiSelect) {
    multiSelect_ = multiSelect;
    setSelectionMode(multiSelect == 1   ? QAbstractItemView::MultiSelection
                     : multiSelect == 2 ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::SingleSelection);
}

void ListBox::quietly(const std::function<void()>& change) {
    QSignalBlocker quiet(this);
    change();
    setCurrentRow(listIndex_, multiSelect_ == 0 ? QItemSelectionModel::ClearAndSelect
                                                : QItemSelectionModel::NoUpdate);
}

void ListBox::AddItem(const QString& item, std::optional<int> index) {
    int position = count();
    if (index) {
        if (*index < 0 || *index > count()) runtime::raise(runtime::kErrInvalidProcedureCall);
        position = *index;
    } else if (sorted_) {
        position = detail::sortedInsertPosition(count(), [this](int i) { return List(i); }, item);
    }
    quietly([&] {
        auto* entry = new QListWidgetItem(item);
        entry->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(0));
        insertItem(position, entry);
        if (listIndex_ >= position) ++listIndex_;
    });
    newIndex_ = position;
}

void ListBox::RemoveItem(int index) {
    detail::requireItemIndex(index, count());
    quietly([&] {
        delete takeItem(index);
        if (listIndex_ == index)
            listIndex_ = -1;
        else if (listIndex_ > index)
            --listIndex_;
    });
}

void ListBox::Clear() {
    QSignalBlocker quiet(this);
    clear();
    listIndex_ = -1;
    newIndex_ = -1;
}

QString ListBox::List(int index) const {
    const QListWidgetItem* entry = index >= 0 && index < count() ? item(index) : nullptr;
    return entry ? entry->text() : QString();
}

void ListBox::setList(int index, const QString& text) {
    detail::requireItemIndex(index, count());
    item(index)->setText(text);
}

void ListBox::setListIndex(int index) {
    detail::requireListIndex(index, count());
    byCode([&] {
        setCurrentRow(index, multiSelect_ == 0 ? QItemSelectionModel::ClearAndSelect
                                               : QItemSelectionModel::NoUpdate);
    });
}

void ListBox::rowChangedTo(int row) {
    if (row == listIndex_) return;
    listIndex_ = row;
    Click.fire();
}

long ListBox::ItemData(int index) const {
    detail::requireItemIndex(index, count());
    return static_cast<long>(item(index)->data(Qt::UserRole).toLongLong());
}

void ListBox::setItemData(int index, long data) {
    detail::requireItemIndex(index, count());
    item(index)->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(data));
}

bool ListBox::Selected(int index) const {
    detail::requireItemIndex(index, count());
    return item(index)->isSelected();
}

void ListBox::setSelected(int index, bool selected) {
    detail::requireItemIndex(index, count());
    if (multiSelect_ == 0) {
        // A single-selection list selects by moving ListIndex.
        if (selected) setListIndex(index);
        else if (index == listIndex_) item(index)->setSelected(false);
        return;
    }
    item(index)->setSelected(selected);
}

void ListBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const ListBox*>(&other)) {
        sorted_ = o->sorted_;
        setMultiSelect(o->multiSelect_);
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
