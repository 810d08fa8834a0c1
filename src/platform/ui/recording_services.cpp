#include "platform/ui/recording_services.h"

#include "platform/ui/screen.h"

namespace ui {

namespace {
// A fixed start, so runs are reproducible: 2010-06-15 12:00:00 local time.
QDateTime startMoment() { return QDateTime(QDate(2010, 6, 15), QTime(12, 0, 0)); }
}  // namespace

RecordingServices::RecordingServices() { reset(); }

RecordingServices& RecordingServices::shared() {
    static RecordingServices services;
    return services;
}

FileDialogResult RecordingServices::chosen(const QString& path, int filterIndex) {
    FileDialogResult r;
    r.cancelled = false;
    r.fileName = path;
    r.fileNames = {path};
    r.filterIndex = filterIndex;
    return r;
}

void RecordingServices::reset() {
    msgBoxes.clear();
    inputBoxes.clear();
    dialogs.clear();
    shellOpens.clear();
    paintStarts.clear();
    clipboardImageWrites.clear();
    clipboardTextWrites.clear();
    sleeps.clear();
    beeps = 0;
    msgBoxReplies.clear();
    inputBoxReplies.clear();
    openResults.clear();
    saveResults.clear();
    shellOpenResult = 42;
    paintProgramResult = true;
    whileSleeping = nullptr;
    clipboardImage_ = QImage();
    clipboardText_ = QString();
    clipboardFiles_.clear();
    now_ = startMoment();
    ticks_ = 0;
    rndState_ = 0x50000;
}

int RecordingServices::MsgBox(const QString& prompt, int style, const QString& title) {
    msgBoxes.push_back({prompt, style, title, Screen::MousePointer()});
    if (msgBoxReplies.empty()) return runtime::defaultButtonResult(style);
    const int reply = msgBoxReplies.front();
    msgBoxReplies.pop_front();
    return reply;
}

QString RecordingServices::InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) {
    inputBoxes.push_back({prompt, title, defaultText});
    if (inputBoxReplies.empty()) return QString();
    QString reply = inputBoxReplies.front();
    inputBoxReplies.pop_front();
    return reply;
}

FileDialogResult RecordingServices::ShowOpen(const FileDialogRequest& request) {
    dialogs.push_back({DialogKind::Open, request});
    if (openResults.empty()) return {true, {}, {}, request.filterIndex};
    FileDialogResult result = openResults.front();
    openResults.pop_front();
    return result;
}

FileDialogResult RecordingServices::ShowSave(const FileDialogRequest& request) {
    dialogs.push_back({DialogKind::Save, request});
    if (saveResults.empty()) return {true, {}, {}, request.filterIndex};
    FileDialogResult result = saveResults.front();
    saveResults.pop_front();
    return result;
}

void RecordingServices::setClipboardImage(const QImage& image) {
    clipboardImageWrites.push_back(image);
    clipboardImage_ = image;
    clipboardText_ = QString();
    clipboardFiles_.clear();
}

void RecordingServices::setClipboardText(const QString& text) {
    clipboardTextWrites.push_back(text);
    clipboardText_ = text;
    clipboardImage_ = QImage();
    clipboardFiles_.clear();
}

void RecordingServices::setClipboardFiles(const QStringList& files) {
    clearClipboard();
    clipboardFiles_ = files;
}

void RecordingServices::clearClipboard() {
    clipboardFiles_.clear();
    clipboardImage_ = QImage();
    clipboardText_ = QString();
}

int RecordingServices::ShellOpen(const QString& target) {
    shellOpens.push_back(target);
    return shellOpenResult;
}

bool RecordingServices::startPaintProgram(const QString& file) {
    paintStarts.push_back(file);
    return paintProgramResult;
}

double RecordingServices::Timer() { return now_.time().msecsSinceStartOfDay() / 1000.0; }

void RecordingServices::advance(int milliseconds) {
    if (milliseconds <= 0) return;
    now_ = now_.addMSecs(milliseconds);
    ticks_ += static_cast<uint32_t>(milliseconds);
}

void RecordingServices::Sleep(int milliseconds) {
    sleeps.push_back(milliseconds);
    advance(milliseconds);
    if (whileSleeping) whileSleeping(milliseconds);
}

}  // namespace ui
