#include "platform/ui/common_dialog.h"

#include <QDir>
#include <QFileInfo>

#include "platform/runtime/error.h"

namespace ui {

FileDialogRequest CommonDialog::request() const {
    FileDialogRequest r;
    r.title = DialogTitle;
    r.filter = Filter;
    r.filterIndex = FilterIndex;
    r.initialFolder = InitDir;
    r.fileName = FileName;
    r.flags = Flags;
    return r;
}

void CommonDialog::take(const FileDialogResult& result) {
    if (result.cancelled) {
        if (CancelError) runtime::raise(runtime::kErrCancel);
        return;
    }
    FilterIndex = result.filterIndex;
    if ((Flags & cdlOFNAllowMultiselect) && result.fileNames.size() > 1) {
        QStringList parts{QFileInfo(result.fileNames.front()).absolutePath()};
        for (const QString& name : result.fileNames) parts << fileTitle(name);
        FileName = parts.join(QChar(0));
        FileTitle.clear();
        return;
    }
    FileName = result.fileName;
    FileTitle = fileTitle(result.fileName);
}

void CommonDialog::ShowOpen() { take(services().ShowOpen(request())); }

void CommonDialog::ShowSave() { take(services().ShowSave(request())); }

}  // namespace ui
