// The life of a window: program-wide instance, load on first touch, unload keeping
// the variables, release discarding them, and handlers that unload or release their
// own window while they run.

#include <string>
#include <vector>

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/ui/command_button.h"
#include "platform/ui/forms.h"
#include "platform/ui/label.h"
#include "platform/ui/recording_services.h"
#include "platform/ui/testing.h"
#include "platform/ui/timer.h"

namespace {

std::vector<std::string> g_log;

class Form1 : public ui::Form {
public:
    Form1() : Form("Form1") {}

    // Window-level variables.
    int Counter = 0;
    int LoadCount = 0;
    int CancelQuery = 0;
    int LastUnloadMode = -1;
    enum class OnClick { Nothing, UnloadSelf, ReleaseSelf } onClick = OnClick::Nothing;

    QPointer<ui::Label> Label1;
    QPointer<ui::CommandButton> Command1;
    QPointer<ui::Timer> Timer1;

    void Form_Initialize() override { g_log.push_back("Initialize"); }
    void Form_Load() override {
        ++LoadCount;
        g_log.push_back("Load");
    }
    void Form_Resize() override { g_log.push_back("Resize"); }
    void Form_Activate() override { g_log.push_back("Activate"); }
    void Form_QueryUnload(int& Cancel, int UnloadMode) override {
        g_log.push_back("QueryUnload");
        LastUnloadMode = UnloadMode;
        Cancel = CancelQuery;
    }
    void Form_Unload(int&) override { g_log.push_back("Unload"); }
    void Form_Terminate() override { g_log.push_back("Terminate"); }

    void Command1_Click() {
        g_log.push_back("Click");
        if (onClick == OnClick::UnloadSelf) Unload();
        if (onClick == OnClick::ReleaseSelf) ui::release<Form1>();
        // The window is gone or going; the handler still runs to its end on live objects.
        Label1->setCaption(QStringLiteral("after"));
        Command1->setCaption(QStringLiteral("after"));
        ++Counter;
        g_log.push_back(Label1->Caption().toStdString());
    }

protected:
    void createControls() override {
        setCaption(QStringLiteral(" Form1"));
        setBorderStyle(ui::vbFixedSingle);
        setClientSize(4800, 3000);
        Label1 = create<ui::Label>("Label1", 120, 120, 2000, 300);
        Label1->setCaption(QStringLiteral("design"));
        Command1 = create<ui::CommandButton>("Command1", 120, 600, 1200, 375);
        Command1->setCaption(QStringLiteral("OK"));
        Command1->Click = [this] { Command1_Click(); };
        Timer1 = createTimer("Timer1", 50);
    }
};

class Form2 : public ui::Form {
public:
    Form2() : Form("Form2") {}
    QPointer<ui::CommandButton> CmdClose;
    bool sawFormOneLoaded = false;

protected:
    void createControls() override {
        CmdClose = create<ui::CommandButton>("CmdClose", 0, 0, 1000, 300);
        CmdClose->Click = [this] { Hide(); };
    }
};

class FormLifecycle : public ::testing::Test {
protected:
    void SetUp() override { g_log.clear(); }
};

TEST_F(FormLifecycle, FirstReferenceCreatesWithoutLoadingAndIsLoadedNeverLoads) {
    EXPECT_FALSE(ui::isLoaded<Form1>());
    Form1& f = ui::forms<Form1>();
    EXPECT_EQ(&f, &ui::forms<Form1>());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_FALSE(ui::isLoaded<Form1>());
    EXPECT_EQ(f.Label1, nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"Initialize"}));
}

TEST_F(FormLifecycle, TouchingAControlOfAnUnloadedFormLoadsItHiddenLoadFirst) {
    ui::loaded<Form1>().Label1->setCaption(QStringLiteral("set from outside"));
    Form1& f = ui::forms<Form1>();
    EXPECT_TRUE(f.isLoaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(f.window()->isVisible());
    EXPECT_EQ(f.Label1->Caption(), QStringLiteral("set from outside"));
    // Loading a loaded form does nothing.
    ui::loaded<Form1>();
    f.Load();
    EXPECT_EQ(f.LoadCount, 1);
    EXPECT_EQ(g_log, (std::vector<std::string>{"Initialize", "Load"}));
    // A control's own Visible flag is true although the window is hidden.
    EXPECT_TRUE(f.Label1->Visible());
    EXPECT_FALSE(f.Label1->isVisible());
}

TEST_F(FormLifecycle, ShowRunsLoadResizeActivateOnceAndHideKeepsItLoaded) {
    Form1& f = ui::forms<Form1>();
    f.Show();
    f.Show();
    EXPECT_TRUE(f.Visible());
    EXPECT_TRUE(f.window()->isVisible());
    EXPECT_EQ(g_log, (std::vector<std::string>{"Initialize", "Load", "Resize", "Activate"}));
    f.Hide();
    EXPECT_TRUE(f.isLoaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(f.window()->isVisible());
}

TEST_F(FormLifecycle, UnloadKeepsVariablesAndRemovesControlsReleaseResetsVariables) {
    Form1& f = ui::loaded<Form1>();
    f.Counter = 5;
    QPointer<QWidget> window = f.window();
    EXPECT_TRUE(f.Unload());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.window(), nullptr);
    ui::testing::destroyRetiredWidgets();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(f.Label1, nullptr);
    EXPECT_EQ(f.Counter, 5);

    // Loading again builds new controls from the design and keeps the variables.
    ui::loaded<Form1>();
    EXPECT_EQ(f.Counter, 5);
    EXPECT_EQ(f.LoadCount, 2);
    EXPECT_EQ(f.Label1->Caption(), QStringLiteral("design"));

    EXPECT_TRUE(ui::release<Form1>());
    EXPECT_FALSE(ui::isLoaded<Form1>());
    Form1& fresh = ui::forms<Form1>();
    EXPECT_EQ(fresh.Counter, 0);
    EXPECT_EQ(fresh.LoadCount, 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"Initialize", "Load", "QueryUnload", "Unload", "Load",
                                               "QueryUnload", "Unload", "Terminate", "Initialize"}));
}

TEST_F(FormLifecycle, HandlerThatUnloadsItsOwnFormRunsToItsEndOnLiveControls) {
    Form1& f = ui::forms<Form1>();
    f.Show();
    f.onClick = Form1::OnClick::UnloadSelf;
    QPointer<ui::CommandButton> button = f.Command1;
    QTest::mouseClick(button.data(), Qt::LeftButton);
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.Counter, 1);
    EXPECT_EQ(g_log.back(), "after");
    // Destroyed only once Qt's deferred deletion runs; the members then read null.
    ui::testing::destroyRetiredWidgets();
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(f.Command1, nullptr);
    EXPECT_EQ(f.Label1, nullptr);
    EXPECT_EQ(f.Timer1, nullptr);
}

TEST_F(FormLifecycle, HandlerThatReleasesItsOwnFormRunsToItsEnd) {
    Form1* before = &ui::forms<Form1>();
    before->Show();
    before->Counter = 10;
    before->onClick = Form1::OnClick::ReleaseSelf;
    QTest::mouseClick(before->Command1.data(), Qt::LeftButton);
    ui::testing::destroyRetiredWidgets();
    // Released from inside its handler: unloaded, terminated, and the handler ran on.
    EXPECT_EQ(g_log, (std::vector<std::string>{"Initialize", "Load", "Resize", "Activate", "Click",
                                               "QueryUnload", "Unload", "Terminate", "after"}));
    Form1& after = ui::forms<Form1>();
    EXPECT_EQ(after.Counter, 0);
    EXPECT_FALSE(after.isLoaded());
    EXPECT_EQ(g_log.back(), "Initialize");
}

TEST_F(FormLifecycle, QueryUnloadCancelKeepsTheFormAndTheCloseBoxUnloadsWithModeZero) {
    Form1& f = ui::forms<Form1>();
    f.Show();
    f.CancelQuery = 1;
    EXPECT_FALSE(f.Unload());
    EXPECT_EQ(f.LastUnloadMode, ui::vbFormCode);
    EXPECT_TRUE(f.isLoaded());
    EXPECT_FALSE(ui::release<Form1>()) << "a cancelled unload keeps the instance";
    EXPECT_EQ(&f, &ui::forms<Form1>());

    f.CancelQuery = 0;
    f.window()->close();
    EXPECT_EQ(f.LastUnloadMode, ui::vbFormControlMenu);
    EXPECT_FALSE(f.isLoaded());
}

TEST_F(FormLifecycle, UnloadStopsTheWindowsTimers) {
    Form1& f = ui::loaded<Form1>();
    QPointer<ui::Timer> timer = f.Timer1;
    EXPECT_TRUE(timer->running());
    f.Unload();
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->running());
}

TEST_F(FormLifecycle, ModalShowReturnsWhenTheHandlerHidesTheForm) {
    std::vector<std::string> seen;
    ui::testing::setModalHandler([&](ui::Form& form) {
        seen.push_back(form.Name().toStdString());
        EXPECT_TRUE(form.Visible());
        QTest::mouseClick(ui::forms<Form2>().CmdClose.data(), Qt::LeftButton);
    });
    ui::forms<Form2>().Show(ui::vbModal);
    EXPECT_EQ(seen, (std::vector<std::string>{"Form2"}));
    EXPECT_FALSE(ui::forms<Form2>().Visible());
    EXPECT_TRUE(ui::forms<Form2>().isLoaded());
}

TEST_F(FormLifecycle, AModalFormLeftOpenIsReportedNotWaitedFor) {
    std::vector<QString> reports;
    ui::testing::setModalFailureReporter([&](const QString& what) { reports.push_back(what); });
    ui::testing::setModalHandler([](ui::Form&) {});
    ui::forms<Form2>().Show(ui::vbModal);
    ui::testing::setModalHandler(nullptr);
    ui::forms<Form1>().Show(ui::vbModal);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[0].contains("Form2 is still shown"));
    EXPECT_TRUE(reports[1].contains("Form1 was shown modally with no modal handler"));
    EXPECT_FALSE(ui::forms<Form2>().Visible());
    EXPECT_FALSE(ui::forms<Form1>().Visible());
}

}  // namespace
