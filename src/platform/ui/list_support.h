#pragma once
// What the combo box and the list box share about their item lists.

#include <functional>

#include <QString>

namespace ui::detail {

// Where AddItem puts an item in a sorted list: after every item that does not sort
// after it, comparing text without regard to case.
int sortedInsertPosition(int count, const std::function<QString(int)>& itemAt, const QString& text);

// Error 5 (invalid procedure call) unless 0 <= index < count.
void requireItemIndex(int index, int count);
// Error 380 (invalid property value) unless -1 <= index < count.
void requireListIndex(int index, int count);

}  // namespace ui::detail
