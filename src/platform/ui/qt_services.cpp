#include "platform/ui/qt_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTime>
#include <QTreeView>
#include <QUrl>


namespace ui {

namespace {

const QString kProgramTitle = QStringLiteral("Quillmere");

QString titleOr(const QString& title) { return title.isEmpty() ? kProgramTitle : title; }

QWidget* activeWindow() { return QApplication::activeWindow(); }

// A box or dialog asks for the user's hand: it shows the ordinary pointer even while
// long work has the hourglass up.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowWhileAsking() { QGuiApplication::restoreOverrideCursor(); }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;
};

// How long an opener may take to say that nothing opens the file. xdg-open ends at once
// with a failure when no program is set up for the type; when one is, it either hands
// the file on and ends with success, or, on a desktop without an opener of its own,
// keeps running as long as the viewer does: still running after this wait is success.
constexpr int kOpenerVerdictMilliseconds = 1500;

// The result codes of ShellOpen: above 32 for success, 31 when no program opened it.
constexpr int kOpened = 42;
constexpr int kNoProgram = 31;

int runOpener(const QString& opener, const QString& target) {
    auto* process = new QProcess(qApp);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(opener, {target});
    if (!process->waitForStarted()) {
        delete process;
        return kNoProgram;
    }
    if (!process->waitForFinished(kOpenerVerdictMilliseconds)) return kOpened;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0 ? kOpened : kNoProgram;
}

// The detail view's size, type and date columns start too narrow for what they show
// ("13...iB", "11 Dec...:25"); each folder's listing widens them to their contents.
void showWholeColumns(QFileDialog& dialog) {
    dialog.resize(760, 460);
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* view = dialog.findChild<QTreeView*>();
    if (!model || !view) return;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
        for (int column = 1; column < view->header()->count(); ++column) view->resizeColumnToContents(column);
    });
}

}  // namespace

QtServices::QtServices() { ticks_.start(); }

int QtServices::MsgBox(const QString& prompt, int style, const QString& title) {
    using B = QMessageBox::StandardButton;
    static const std::vector<std::vector<std::pair<B, int>>> sets = {
        {{QMessageBox::Ok, runtime::vbOK}},
        {{QMessageBox::Ok, runtime::vbOK}, {QMessageBox::Cancel, runtime::vbCancel}},
        {{QMessageBox::Abort, runtime::vbAbort}, {QMessageBox::Retry, runtime::vbRetry},
         {QMessageBox::Ignore, runtime::vbIgnore}},
        {{QMessageBox::Yes, runtime::vbYes}, {QMessageBox::No, runtime::vbNo},
         {QMessageBox::Cancel, runtime::vbCancel}},
        {{QMessageBox::Yes, runtime::vbYes}, {QMessageBox::No, runtime::vbNo}},
        {{QMessageBox::Retry, runtime::vbRetry}, {QMessageBox::Cancel, runtime::vbCancel}},
    };
    const int set = (style & 7) <= 5 ? (style & 7) : 0;
    QMessageBox box(activeWindow());
    box.setWindowTitle(titleOr(title));
    box.setText(prompt);
    switch (style & 0x70) {
    case runtime::vbCritical: box.setIcon(QMessageBox::Critical); break;
    case runtime::vbQuestion: box.setIcon(QMessageBox::Question); break;
    case runtime::vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case runtime::vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    const auto& buttons = sets[set];
    for (const auto& [button, result] : buttons) box.addButton(button);
    const size_t defaultIndex = std::min<size_t>((style & 0x300) >> 8, buttons.size() - 1);
    box.setDefaultButton(buttons[defaultIndex].first);
    const ArrowWhileAsking arrow;
    const int clicked = box.exec();
    for (const auto& [button, result] : buttons)
        if (clicked == button) return result;
    // Closed with Escape or the close box: Cancel when there is one, else the default.
    for (const auto& [button, result] : buttons)
        if (result == runtime::vbCancel) return result;
    return buttons[defaultIndex].second;
}

QString QtServices::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const ArrowWhileAsking arrow;
    const QString text = QInputDialog::getText(activeWindow(), titleOr(title), prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

void QtServices::Beep() { QApplication::beep(); }

FileDialogResult QtServices::showFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(activeWindow(), request.title, request.initialFolder);
    const QStringList filters = qtFileFilter(request.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save) {
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!(request.flags & cdlOFNOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else if (request.flags & cdlOFNAllowMultiselect) {
        dialog.setFileMode(QFileDialog::ExistingFiles);
    } else if (request.flags & cdlOFNFileMustExist) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    showWholeColumns(dialog);
    FileDialogResult result;
    result.filterIndex = request.filterIndex;
    const ArrowWhileAsking arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.cancelled = false;
    result.fileNames = dialog.selectedFiles();
    result.fileName = result.fileNames.front();
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) result.filterIndex = static_cast<int>(chosen) + 1;
    return result;
}

FileDialogResult QtServices::ShowOpen(const FileDialogRequest& request) {
    return showFileDialog(request, false);
}

FileDialogResult QtServices::ShowSave(const FileDialogRequest& request) {
    return showFileDialog(request, true);
}

bool QtServices::clipboardHasImage() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasImage();
}
QImage QtServices::clipboardImage() { return QApplication::clipboard()->image(); }
void QtServices::setClipboardImage(const QImage& image) { QApplication::clipboard()->setImage(image); }
bool QtServices::clipboardHasText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}
QString QtServices::clipboardText() { return QApplication::clipboard()->text(); }
void QtServices::setClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }
void QtServices::clearClipboard() { QApplication::clipboard()->clear(); }

// File managers put copied files on the clipboard as a list of file URLs.
QStringList QtServices::clipboardFiles() {
    QStringList files;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

void QtServices::setClipboardFiles(const QStringList& files) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : files) urls << QUrl::fromLocalFile(file);
    data->setUrls(urls);
    QApplication::clipboard()->setMimeData(data);
}

int QtServices::ShellOpen(const QString& target) {
    QUrl url = QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return 2;  // file not found
    // Qt's own opening counts a started xdg-open as success, even when it then finds no
    // program for the type; run it here to hear its answer.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) return runOpener(opener, url.isLocalFile() ? url.toLocalFile() : url.toString());
    return QDesktopServices::openUrl(url) ? kOpened : kNoProgram;
}

bool QtServices::startPaintProgram(const QString& file) {
    for (const char* program : {"kolourpaint", "pinta", "gimp"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (!path.isEmpty() && QProcess::startDetached(path, {file})) return true;
    }
    return ShellOpen(file) > 32;
}

QDateTime QtServices::Now() { return QDateTime::currentDateTime(); }

double QtServices::Timer() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

uint32_t QtServices::GetTickCount() { return static_cast<uint32_t>(ticks_.elapsed()); }

void QtServices::Sleep(int milliseconds) {
    if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

}  // namespace ui
