// The recording services answer from their scripts and then with defaults, the
// common dialog raises 32755 on Cancel when asked to, filters convert for Qt, the
// runtime layer's messages arrive here, and the random numbers and the clock are
// reproducible.

#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/runtime/messages.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/recording_services.h"

namespace {

ui::RecordingServices& recorded() { return ui::RecordingServices::shared(); }

TEST(Services, MessageBoxesAnswerFromTheScriptThenWithTheDefaultButton) {
    recorded().queueMsgBoxReply(runtime::vbNo);
    EXPECT_EQ(ui::services().MsgBox("Delete?", runtime::vbYesNo | runtime::vbQuestion, "Confirm"),
              runtime::vbNo);
    const struct {
        int style;
        int answer;
    } defaults[] = {
        {runtime::vbOKOnly, runtime::vbOK},
        {runtime::vbOKCancel, runtime::vbOK},
        {runtime::vbYesNo, runtime::vbYes},
        {runtime::vbYesNo | runtime::vbDefaultButton2, runtime::vbNo},
        {runtime::vbYesNoCancel | runtime::vbDefaultButton3, runtime::vbCancel},
        {runtime::vbRetryCancel | runtime::vbCritical, runtime::vbRetry},
    };
    for (const auto& d : defaults) EXPECT_EQ(ui::services().MsgBox("?", d.style), d.answer) << d.style;
    ASSERT_EQ(recorded().msgBoxes.size(), 7u);
    EXPECT_EQ(recorded().msgBoxes[0].prompt, QStringLiteral("Delete?"));
    EXPECT_EQ(recorded().msgBoxes[0].style, runtime::vbYesNo | runtime::vbQuestion);
    EXPECT_EQ(recorded().msgBoxes[0].title, QStringLiteral("Confirm"));
}

TEST(Services, TheRuntimeLayersMessagesGoThroughTheServices) {
    recorded().queueMsgBoxReply(runtime::vbCancel);
    EXPECT_EQ(runtime::messages().MsgBox("PNG error", runtime::vbOKCancel, ""), runtime::vbCancel);
    ASSERT_EQ(recorded().msgBoxes.size(), 1u);
    EXPECT_EQ(recorded().msgBoxes[0].prompt, QStringLiteral("PNG error"));
}

TEST(Services, InputBoxesAnswerFromTheScriptThenEmpty) {
    recorded().queueInputBoxReply("Holiday");
    EXPECT_EQ(ui::services().InputBox("Enter Picture Name", "", "Picture1"), QStringLiteral("Holiday"));
    EXPECT_EQ(ui::services().InputBox("Enter Picture Name"), QString());
    ASSERT_EQ(recorded().inputBoxes.size(), 2u);
    EXPECT_EQ(recorded().inputBoxes[0].defaultText, QStringLiteral("Picture1"));
}

TEST(Services, FiltersConvertForQt) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"Pictures|*.bmp;*.jpg", "Pictures (*.bmp *.jpg)"},
        {"Bitmap (*.bmp)|*.bmp|All Files|*.*", "Bitmap (*.bmp);;All Files (*.*)"},
        {"Pictures (*.jpg)|*.bmp", "Pictures (*.jpg) (*.bmp)"},
        {"JPEG|*.jpg; *.jpeg|GIF|*.gif|", "JPEG (*.jpg *.jpeg);;GIF (*.gif)"},
        {"", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(ui::qtFileFilter(r.in), QString(r.out)) << r.in;
    EXPECT_EQ(ui::fileTitle("C:\\Pictures\\cat.jpg"), QStringLiteral("cat.jpg"));
    EXPECT_EQ(ui::fileTitle("/home/u/cat.jpg"), QStringLiteral("cat.jpg"));
}

TEST(Services, CommonDialogPassesItsPropertiesAndTakesTheResult) {
    ui::CommonDialog dialog;
    dialog.DialogTitle = "Add Picture";
    dialog.Filter = "Pictures|*.bmp;*.jpg|All|*.*";
    dialog.FilterIndex = 2;
    dialog.InitDir = "/pictures";
    dialog.Flags = ui::cdlOFNFileMustExist | ui::cdlOFNHideReadOnly;
    recorded().queueOpenResult(ui::RecordingServices::chosen("/pictures/cat.jpg", 1));
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, QStringLiteral("/pictures/cat.jpg"));
    EXPECT_EQ(dialog.FileTitle, QStringLiteral("cat.jpg"));
    EXPECT_EQ(dialog.FilterIndex, 1);
    ASSERT_EQ(recorded().dialogs.size(), 1u);
    const auto& call = recorded().dialogs[0];
    EXPECT_EQ(call.kind, ui::RecordingServices::DialogKind::Open);
    EXPECT_EQ(call.request.title, QStringLiteral("Add Picture"));
    EXPECT_EQ(call.request.filter, QStringLiteral("Pictures|*.bmp;*.jpg|All|*.*"));
    EXPECT_EQ(call.request.filterIndex, 2);
    EXPECT_EQ(call.request.initialFolder, QStringLiteral("/pictures"));
    EXPECT_EQ(call.request.flags, ui::cdlOFNFileMustExist | ui::cdlOFNHideReadOnly);

    // Several files: the folder and the names, separated by NUL.
    dialog.Flags = ui::cdlOFNAllowMultiselect | ui::cdlOFNExplorer;
    ui::FileDialogResult many = ui::RecordingServices::chosen("/p/a.jpg");
    many.fileNames = {"/p/a.jpg", "/p/b.png"};
    recorded().queueOpenResult(many);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, QString("/p") + QChar(0) + "a.jpg" + QChar(0) + "b.png");
}

TEST(Services, CommonDialogCancelRaises32755OnlyWithCancelError) {
    ui::CommonDialog dialog;
    dialog.FileName = "kept.bmp";
    dialog.ShowSave();  // empty script: Cancel
    EXPECT_EQ(dialog.FileName, QStringLiteral("kept.bmp"));
    dialog.CancelError = true;
    try {
        dialog.ShowSave();
        FAIL() << "no error";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 32755);
    }
    EXPECT_EQ(recorded().dialogs.size(), 2u);
    EXPECT_EQ(recorded().dialogs[1].kind, ui::RecordingServices::DialogKind::Save);
}

TEST(Services, ShellPaintClipboardAndBeepAreRecorded) {
    EXPECT_GT(ui::services().ShellOpen("/p/Help.mht"), 32);
    recorded().shellOpenResult = 2;
    EXPECT_EQ(ui::services().ShellOpen("/p/missing"), 2);
    EXPECT_TRUE(ui::services().startPaintProgram("/p/TmpFile.bmp"));
    ui::services().Beep();
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ui::services().setClipboardImage(picture);
    EXPECT_TRUE(ui::services().clipboardHasImage());
    EXPECT_EQ(ui::services().clipboardImage(), picture);
    ui::services().setClipboardText("text");
    EXPECT_FALSE(ui::services().clipboardHasImage());
    EXPECT_EQ(recorded().shellOpens, (std::vector<QString>{"/p/Help.mht", "/p/missing"}));
    EXPECT_EQ(recorded().paintStarts, (std::vector<QString>{"/p/TmpFile.bmp"}));
    EXPECT_EQ(recorded().clipboardImageWrites.size(), 1u);
    EXPECT_EQ(recorded().beeps, 1);
}

TEST(Services, TheFakeClockAdvancesOnlyOnSleep) {
    const QDateTime start = ui::services().Now();
    const double timer = ui::services().Timer();
    EXPECT_EQ(ui::services().GetTickCount(), 0u);
    ui::services().Sleep(2000);
    EXPECT_EQ(ui::services().Now(), start.addMSecs(2000));
    EXPECT_DOUBLE_EQ(ui::services().Timer(), timer + 2.0);
    EXPECT_EQ(ui::services().GetTickCount(), 2000u);
    EXPECT_EQ(recorded().sleeps, (std::vector<int>{2000}));
}

TEST(Services, RandomNumbersFollowTheClassicGenerator) {
    ui::Services& s = ui::services();
    // The first numbers of a fresh run and the number Rnd(-1) always gives.
    EXPECT_FLOAT_EQ(s.Rnd(), 0.7055475f);
    const float second = s.Rnd();
    EXPECT_FLOAT_EQ(s.Rnd(0), second);
    EXPECT_FLOAT_EQ(s.Rnd(-1), 0.224007f);
    s.Randomize(42);
    const float a1 = s.Rnd(), a2 = s.Rnd();
    s.Rnd(-1);  // the same low byte of state again
    s.Randomize(42);
    EXPECT_FLOAT_EQ(s.Rnd(), a1);
    EXPECT_FLOAT_EQ(s.Rnd(), a2);
    for (int i = 0; i < 1000; ++i) {
        const float r = s.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
}

}  // namespace
