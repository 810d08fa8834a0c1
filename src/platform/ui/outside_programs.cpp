#include "platform/ui/outside_programs.h"

#include <QUrl>

#include "platform/ui/services.h"

namespace ui {

namespace {

// ShellExecute's "file not found"; its results above 32 mean success.
constexpr int kFileNotFound = 2;

QString shownName(const QString& target) {
    const QUrl url(target);
    return url.isLocalFile() ? url.toLocalFile() : target;
}

void tellNotOpened(const QString& what) {
    services().MsgBox(what, runtime::vbOKOnly + runtime::vbExclamation, QString());
}

}  // namespace

bool openWithRegisteredProgram(const QString& target) {
    const int result = services().ShellOpen(target);
    if (result > 32) return true;
    const QString name = shownName(target);
    tellNotOpened(result == kFileNotFound
                      ? "Cannot open \"" + name + "\": there is no such file."
                      : "Cannot open \"" + name + "\": no program on this computer is set up to open it.");
    return false;
}

bool openInPaintProgram(const QString& file) {
    if (services().startPaintProgram(file)) return true;
    tellNotOpened("Cannot open \"" + file + "\" in a paint program: none could be started on this computer.");
    return false;
}

}  // namespace ui
