#pragma once
// The message box as the layers below the windows see it. The image class and the
// codecs show their few messages through this, so they need no window toolkit; the
// application installs its window-system implementation, tests a recording one.

#include <string>

namespace runtime {

// Buttons, icons and default button of a message box, combined by addition.
enum MsgBoxStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5,
                          vbYes = 6, vbNo = 7 };

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the text (UTF-8) and returns the button pressed. An empty title means the
    // program's title.
    virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
};

// The installed service; before any is installed, messages go to standard error and
// the default button is the answer.
MessageService& messages();
// Installs a service (not owned); nullptr restores the standard-error one.
void setMessageService(MessageService* service);

// The answer of the default button of a style: the first button unless vbDefaultButton2/3.
int defaultButtonResult(int style);

}  // namespace runtime
