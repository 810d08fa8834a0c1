#pragma once
// The common dialog object the windows place on a form: they set its properties and
// call ShowOpen or ShowSave; the dialog itself comes from the services. Cancel leaves
// FileName as it was and, with CancelError set, raises error 32755. With
// cdlOFNAllowMultiselect and more than one file chosen, FileName holds the folder and
// the file names separated by NUL characters, which the windows split themselves.

#include <QString>

#include "platform/ui/services.h"

namespace ui {

class CommonDialog {
public:
    QString DialogTitle;
    QString Filter;
    int FilterIndex = 1;
    QString FileName;
    QString FileTitle;
    QString InitDir;
    int Flags = 0;
    bool CancelError = false;

    void ShowOpen();
    void ShowSave();

private:
    void take(const FileDialogResult& result);
    FileDialogRequest request() const;
};

}  // namespace ui
