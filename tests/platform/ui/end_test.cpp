// End stops the program at once: from a nested handler, from inside a modal window
// (under the test hook and in a real nested event loop), the code after End does not
// run and no unload handler runs afterwards. Failures inside handlers never cross
// the event loop.

#include <string>
#include <vector>

#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/ui/check_box.h"
#include "platform/ui/command_button.h"
#include "platform/ui/forms.h"
#include "platform/ui/recording_services.h"
#include "platform/ui/testing.h"

namespace {

std::vector<std::string> g_log;

// The dialog: its button ends the program.
class FormDialog : public ui::Form {
public:
    FormDialog() : Form("FormDialog") {}
    QPointer<ui::CommandButton> CmdEnd;
    void Form_Unload(int&) override { g_log.push_back("FormDialog.Unload"); }

protected:
    void createControls() override {
        CmdEnd = create<ui::CommandButton>("CmdEnd", 0, 0, 1200, 375);
        CmdEnd->Click = [] {
            g_log.push_back("CmdEnd.Click");
            ui::End();
            g_log.push_back("after End");
        };
    }
};

class FormMain : public ui::Form {
public:
    FormMain() : Form("FormMain") {}
    QPointer<ui::CommandButton> CmdOpen;
    QPointer<ui::CheckBox> Check1;
    void Form_Unload(int&) override { g_log.push_back("FormMain.Unload"); }

protected:
    void createControls() override {
        CmdOpen = create<ui::CommandButton>("CmdOpen", 0, 0, 1200, 375);
        CmdOpen->Click = [] {
            g_log.push_back("CmdOpen.Click");
            ui::forms<FormDialog>().Show(ui::vbModal);
            g_log.push_back("after modal Show");
        };
        Check1 = create<ui::CheckBox>("Check1", 0, 600, 1200, 375);
        Check1->Click = [] {
            g_log.push_back("Check1.Click");
            ui::End();
        };
    }
};

class EndTest : public ::testing::Test {
protected:
    void SetUp() override { g_log.clear(); }
};

TEST_F(EndTest, EndInANestedHandlerSkipsTheRestOfEveryHandlerOnTheStack) {
    FormMain& main = ui::forms<FormMain>();
    main.Show();
    main.CmdOpen->Click = [&main] {
        g_log.push_back("outer");
        main.Check1->setValue(1);  // fires Check1_Click, which ends the program
        g_log.push_back("after setValue");
    };
    QTest::mouseClick(main.CmdOpen.data(), Qt::LeftButton);
    EXPECT_TRUE(ui::programEnded());
    EXPECT_EQ(g_log, (std::vector<std::string>{"outer", "Check1.Click"}));

    // Nothing runs any more: no unload handler, no click.
    main.Unload();
    QTest::mouseClick(main.CmdOpen.data(), Qt::LeftButton);
    ui::DoEvents();
    EXPECT_EQ(g_log, (std::vector<std::string>{"outer", "Check1.Click"}));
}

TEST_F(EndTest, EndInsideAModalWindowStopsItsCallerUnderTheModalHook) {
    ui::testing::setModalHandler([](ui::Form&) {
        QTest::mouseClick(ui::forms<FormDialog>().CmdEnd.data(), Qt::LeftButton);
    });
    FormMain& main = ui::forms<FormMain>();
    main.Show();
    QTest::mouseClick(main.CmdOpen.data(), Qt::LeftButton);
    EXPECT_TRUE(ui::programEnded());
    EXPECT_EQ(g_log, (std::vector<std::string>{"CmdOpen.Click", "CmdEnd.Click"}));
}

TEST_F(EndTest, EndInsideARealModalLoopEndsTheLoopAndItsCaller) {
    // Without the test hook, Show(vbModal) runs a nested event loop; the click arrives
    // from the event queue.
    ui::testing::setModalFailureReporter(nullptr);
    QTimer::singleShot(0, [] {
        ASSERT_TRUE(ui::forms<FormDialog>().Visible());
        ui::forms<FormDialog>().CmdEnd->click();
    });
    FormMain& main = ui::forms<FormMain>();
    main.Show();
    main.CmdOpen->click();
    EXPECT_TRUE(ui::programEnded());
    EXPECT_EQ(g_log, (std::vector<std::string>{"CmdOpen.Click", "CmdEnd.Click"}));
}

TEST_F(EndTest, EndCalledByTestCodeOutsideAnyHandlerReturnsAfterRecording) {
    // Platform calls made at the top (a test, main) return normally after End.
    ui::forms<FormMain>().Show();
    ui::forms<FormMain>().Check1->setValue(1);
    EXPECT_TRUE(ui::programEnded());
    EXPECT_EQ(g_log, (std::vector<std::string>{"Check1.Click"}));
}

TEST_F(EndTest, AnUntrappedErrorIsShownAndTheProgramGoesOn) {
    FormMain& main = ui::forms<FormMain>();
    main.Show();
    main.CmdOpen->Click = [] {
        g_log.push_back("raising");
        runtime::raise(runtime::kErrFileNotFound);
    };
    QTest::mouseClick(main.CmdOpen.data(), Qt::LeftButton);
    QTest::mouseClick(main.CmdOpen.data(), Qt::LeftButton);
    auto& seen = ui::RecordingServices::shared().msgBoxes;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].prompt, QStringLiteral("File not found"));
    EXPECT_EQ(seen[0].style, runtime::vbCritical);
    EXPECT_EQ(g_log, (std::vector<std::string>{"raising", "raising"}));
    EXPECT_FALSE(ui::programEnded());
}

}  // namespace
