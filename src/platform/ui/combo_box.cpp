#include "platform/ui/combo_box.h"

#include <QLineEdit>

#include "platform/runtime/error.h"
#include "platform/ui/list_support.h"

namespace ui {

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent), Control(this) {
    setInsertPolicy(QComboBox::NoInsert);
    setEditable(true);
    connectEditor();
    connect(this, &QComboBox::currentIndexChanged, this, [this](int i) { indexChangedTo(i); });
    initAppearance(vbWindowBackground, vbWindowText);
}

ComboBox::~ComboBox() {
    if (QLineEdit* e = lineEdit()) QObject::disconnect(e, nullptr, this, nullptr);
}

void ComboBox::connectEditor() {
    if (QLineEdit* e = lineEdit())
        connect(e, &QLineEdit::textEdited, this, [this] { Change.fire(); });
}

void ComboBox::setStyle(int style) {
    style_ = style;
    const bool editable = style != 2;
    if (editable == isEditable()) return;
    quietly([&] { setEditable(editable); });
    if (editable) connectEditor();
}

void ComboBox::quietly(const std::function<void()>& change) {
    const QString text = isEditable() ? currentText() : QString();
    {
        QSignalBlocker quiet(this);
        change();
        setCurrentIndex(listIndex_);
        if (isEditable()) setEditText(listIndex_ >= 0 ? itemText(listIndex_) : text);
    }
}

void ComboBox::AddItem(const QString& item, std::optional<int> index) {
    int position = count();
    if (index) {
        if (*index < 0 || *index > count()) runtime::raise(runtime::kErrInvalidProcedureCall);
        position = *index;
    } else if (sorted_) {
        position = detail::sortedInsertPosition(count(), [this](int i) { return itemText(i); }, item);
    }
    quietly([&] {
        insertItem(position, item);
        QComboBox::setItemData(position, QVariant::fromValue<qlonglong>(0), Qt::UserRole);
        if (listIndex_ >= position) ++listIndex_;
    });
    newIndex_ = position;
}

void ComboBox::RemoveItem(int index) {
    detail::requireItemIndex(index, count());
    quietly([&] {
        removeItem(index);
        if (listIndex_ == index)
            listIndex_ = -1;
        else if (listIndex_ > index)
            --listIndex_;
    });
}

void ComboBox::Clear() {
    {
        QSignalBlocker quiet(this);
        clear();
        listIndex_ = -1;
        setCurrentIndex(-1);
        if (isEditable()) setEditText(QString());
    }
    newIndex_ = -1;
}

QString ComboBox::List(int index) const {
    return index >= 0 && index < count() ? itemText(index) : QString();
}

void ComboBox::setList(int index, const QString& item) {
    detail::requireItemIndex(index, count());
    quietly([&] { setItemText(index, item); });
}

void ComboBox::setListIndex(int index) {
    detail::requireListIndex(index, count());
    byCode([&] { setCurrentIndex(index); });
}

void ComboBox::indexChangedTo(int index) {
    if (index == listIndex_) return;
    listIndex_ = index;
    Click.fire();
}

QString ComboBox::Text() const {
    if (isEditable()) return currentText();
    return listIndex_ >= 0 ? itemText(listIndex_) : QString();
}

void ComboBox::setText(const QString& text) {
    if (!isEditable()) {
        const int index = findText(text, Qt::MatchFixedString);
        if (index < 0) throw runtime::Error(383, "'Text' property is read-only");
        setListIndex(index);
        return;
    }
    if (text == currentText()) return;
    {
        QSignalBlocker quiet(this);
        setEditText(text);
    }
    byCode([&] { Change.fire(); });
}


long ComboBox::ItemData(int index) const {
    detail::requireItemIndex(index, count());
    return static_cast<long>(itemData(index, Qt::UserRole).toLongLong());
}

void ComboBox::setItemData(int index, long data) {
    detail::requireItemIndex(index, count());
    QComboBox::setItemData(index, QVariant::fromValue<qlonglong>(data), Qt::UserRole);
}

void ComboBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const ComboBox*>(&other)) {
        setStyle(o->style_);
        sorted_ = o->sorted_;
    }
    Control::copyPropertiesFrom(other);
}

}  // namespace ui
