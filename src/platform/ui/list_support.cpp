#include "platform/ui/list_support.h"

#include "platform/runtime/error.h"

namespace ui::detail {

int sortedInsertPosition(int count, const std::function<QString(int)>& itemAt, const QString& text) {
    int low = 0, high = count;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (QString::compare(itemAt(mid), text, Qt::CaseInsensitive) <= 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void requireItemIndex(int index, int count) {
    if (index < 0 || index >= count) runtime::raise(runtime::kErrInvalidProcedureCall);
}

void requireListIndex(int index, int count) {
    if (index < -1 || index >= count) throw runtime::Error(380, "Invalid property value");
}

}  // namespace ui::detail
