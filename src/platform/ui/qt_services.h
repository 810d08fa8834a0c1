#pragma once
// The application's services: Qt's message boxes, input dialog and file dialogs, the
// system clipboard, the desktop's registered programs and the real clock.

#include <QElapsedTimer>

#include "platform/ui/services.h"

namespace ui {

class QtServices : public Services {
public:
    QtServices();

    int MsgBox(const QString& prompt, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void Beep() override;
    FileDialogResult ShowOpen(const FileDialogRequest& request) override;
    FileDialogResult ShowSave(const FileDialogRequest& request) override;
    bool clipboardHasImage() override;
    QImage clipboardImage() override;
    void setClipboardImage(const QImage& image) override;
    bool clipboardHasText() override;
    QString clipboardText() override;
    QStringList clipboardFiles() override;
    void setClipboardFiles(const QStringList& files) override;
    void setClipboardText(const QString& text) override;
    void clearClipboard() override;
    int ShellOpen(const QString& target) override;
    bool startPaintProgram(const QString& file) override;
    QDateTime Now() override;
    double Timer() override;
    uint32_t GetTickCount() override;
    void Sleep(int milliseconds) override;

private:
    FileDialogResult showFileDialog(const FileDialogRequest& request, bool save);

    QElapsedTimer ticks_;
};

}  // namespace ui
