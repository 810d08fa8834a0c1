#pragma once
// Everything the windows ask of the desktop goes through one injectable interface:
// message and input boxes, beeps, file dialogs, the clipboard, opening files and
// addresses with their registered programs, the paint program, the clock and the
// random numbers. The application installs the Qt implementation (qt_services.h);
// tests install recording doubles (recording_services.h) that answer from scripts,
// so no scripted run ever waits on a modal box.

#include <cstdint>
#include <memory>
#include <optional>

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include "platform/runtime/messages.h"

namespace ui {

using runtime::MsgBoxResult;
using runtime::MsgBoxStyle;

// Flags of the file dialogs, as the windows pass them.
enum FileDialogFlags : int {
    cdlOFNReadOnly = 0x1,
    cdlOFNOverwritePrompt = 0x2,
    cdlOFNHideReadOnly = 0x4,
    cdlOFNNoChangeDir = 0x8,
    cdlOFNAllowMultiselect = 0x200,
    cdlOFNExtensionDifferent = 0x400,
    cdlOFNPathMustExist = 0x800,
    cdlOFNFileMustExist = 0x1000,
    cdlOFNCreatePrompt = 0x2000,
    cdlOFNExplorer = 0x80000,
    cdlOFNLongNames = 0x200000,
};

struct FileDialogRequest {
    QString title;
    QString filter;  // "Pictures|*.bmp;*.jpg|All Files|*.*"
    int filterIndex = 1;  // 1-based
    QString initialFolder;
    QString fileName;
    int flags = 0;
    bool operator==(const FileDialogRequest&) const = default;
};

struct FileDialogResult {
    bool cancelled = true;
    QString fileName;      // full path of the (first) chosen file
    QStringList fileNames; // every chosen file (multi-select)
    int filterIndex = 1;
};

// The file name without its folder ("C:\a\b.jpg" and "/a/b.jpg" give "b.jpg").
QString fileTitle(const QString& path);
// "Desc|*.x;*.y|Desc2|*.z" -> "Desc (*.x *.y);;Desc2 (*.z)".
QString qtFileFilter(const QString& filter);

class Services {
public:
    virtual ~Services() = default;

    // The button pressed (runtime::MsgBoxResult). An empty title is the program title.
    virtual int MsgBox(const QString& prompt, int style = runtime::vbOKOnly,
                       const QString& title = QString()) = 0;
    // The text entered; "" on Cancel.
    virtual QString InputBox(const QString& prompt, const QString& title = QString(),
                             const QString& defaultText = QString()) = 0;
    virtual void Beep() = 0;

    virtual FileDialogResult ShowOpen(const FileDialogRequest& request) = 0;
    virtual FileDialogResult ShowSave(const FileDialogRequest& request) = 0;

    virtual bool clipboardHasImage() = 0;
    virtual QImage clipboardImage() = 0;
    virtual void setClipboardImage(const QImage& image) = 0;
    virtual bool clipboardHasText() = 0;
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void clearClipboard() = 0;
    // The files copied to the clipboard as the desktop's file manager puts them there:
    // full local paths in order; empty when the clipboard holds no list of files.
    virtual QStringList clipboardFiles() = 0;
    virtual void setClipboardFiles(const QStringList& files) = 0;

    // Opens a file, folder or address with its registered program; a result above
    // 32 means success (2 file not found, 31 no program).
    virtual int ShellOpen(const QString& target) = 0;
    // Starts the paint program on a file; false when none could be started.
    virtual bool startPaintProgram(const QString& file) = 0;

    virtual QDateTime Now() = 0;
    // Seconds since midnight, with fractions.
    virtual double Timer() = 0;
    // Milliseconds since some fixed start, wrapping at 2^32.
    virtual uint32_t GetTickCount() = 0;
    virtual void Sleep(int milliseconds) = 0;

    // The classic generator: x = (x * 1140671485 + 12820163) mod 2^24, Rnd = x / 2^24.
    // Rnd(n): n > 0 (or omitted) the next number; n = 0 the last again; n < 0 a number
    // that depends on n alone (and reseeds).
    virtual float Rnd(float n = 1.0f);
    // Reseeds from a number (from the clock when none is given).
    virtual void Randomize(std::optional<double> seed = std::nullopt);

protected:
    uint32_t rndState_ = 0x50000;
};

// The installed services (before any is installed: an implementation that answers
// every box with its default button, cancels every dialog and keeps a private
// clipboard).
Services& services();
// Installs services (not owned) and routes the runtime layer's messages through
// them; nullptr restores the default.
void setServices(Services* services);

}  // namespace ui
