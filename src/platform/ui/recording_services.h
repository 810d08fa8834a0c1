#pragma once
// Services for tests: every call is recorded with its arguments, answers come from
// scripted queues, and an empty queue gives the default answer (the style's default
// button, "" for an input box, Cancel for a file dialog), so nothing ever blocks.
// The clock is fake: it starts at a fixed moment and advances only on Sleep() or
// advance().

#include <deque>
#include <functional>
#include <vector>

#include "platform/ui/services.h"

namespace ui {

class RecordingServices : public Services {
public:
    struct MsgBoxCall {
        QString prompt;
        int style;
        QString title;
        int pointer = 0;  // the program's mouse pointer as the box came up (Screen)
    };
    struct InputBoxCall {
        QString prompt, title, defaultText;
    };
    enum class DialogKind { Open, Save };
    struct DialogCall {
        DialogKind kind;
        FileDialogRequest request;
    };

    RecordingServices();

    // The instance the GUI test main installs and resets before every test.
    static RecordingServices& shared();

    // ---- scripts ----
    void queueMsgBoxReply(int button) { msgBoxReplies.push_back(button); }
    void queueInputBoxReply(const QString& text) { inputBoxReplies.push_back(text); }
    void queueOpenResult(const FileDialogResult& result) { openResults.push_back(result); }
    void queueSaveResult(const FileDialogResult& result) { saveResults.push_back(result); }
    // A chosen file (not cancelled) for the next open or save dialog.
    static FileDialogResult chosen(const QString& path, int filterIndex = 1);

    // ---- what was seen ----
    std::vector<MsgBoxCall> msgBoxes;
    std::vector<InputBoxCall> inputBoxes;
    std::vector<DialogCall> dialogs;
    std::vector<QString> shellOpens;
    std::vector<QString> paintStarts;
    std::vector<QImage> clipboardImageWrites;
    std::vector<QString> clipboardTextWrites;
    std::vector<int> sleeps;
    int beeps = 0;

    // ---- answers ----
    std::deque<int> msgBoxReplies;
    std::deque<QString> inputBoxReplies;
    std::deque<FileDialogResult> openResults;
    std::deque<FileDialogResult> saveResults;
    int shellOpenResult = 42;
    bool paintProgramResult = true;
    // Runs at every Sleep with its length: the test looks at the screen while the
    // program holds still.
    std::function<void(int)> whileSleeping;

    // ---- fake clock ----
    void setNow(const QDateTime& now) { now_ = now; }
    void advance(int milliseconds);

    // Forgets every record, script and clipboard content; the clock and the random
    // state start again.
    void reset();

    int MsgBox(const QString& prompt, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void Beep() override { ++beeps; }
    FileDialogResult ShowOpen(const FileDialogRequest& request) override;
    FileDialogResult ShowSave(const FileDialogRequest& request) override;
    bool clipboardHasImage() override { return !clipboardImage_.isNull(); }
    QImage clipboardImage() override { return clipboardImage_; }
    void setClipboardImage(const QImage& image) override;
    bool clipboardHasText() override { return !clipboardText_.isNull(); }
    QString clipboardText() override { return clipboardText_; }
    void setClipboardText(const QString& text) override;
    void clearClipboard() override;
    QStringList clipboardFiles() override { return clipboardFiles_; }
    void setClipboardFiles(const QStringList& files) override;
    int ShellOpen(const QString& target) override;
    bool startPaintProgram(const QString& file) override;
    QDateTime Now() override { return now_; }
    double Timer() override;
    uint32_t GetTickCount() override { return ticks_; }
    void Sleep(int milliseconds) override;

private:
    QImage clipboardImage_;
    QString clipboardText_;
    QStringList clipboardFiles_;
    QDateTime now_;
    uint32_t ticks_ = 0;
};

}  // namespace ui
