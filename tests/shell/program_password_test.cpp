// The program password: the log-in window in front of the main window once a run, and
// the password window that sets, changes and removes the password in the Options row.

#include <sqlcipher/sqlite3.h>

#include <optional>
#include <string>

#include <QTest>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/testing.h"
#include "shell/login_window.h"
#include "shell/password_hash.h"
#include "shell/password_window.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

using Stored = std::optional<std::string>;  // nullopt: the field holds no value

constexpr const char* kKey = "480517362904";
// 100 characters with apostrophes and quotes in them, as typed into a full box.
const std::string kLongPassword = "it's \"mine\"; " + std::string(87, 'x');

// The field holds a hash of `password` and nothing of it in plain text.
::testing::AssertionResult isHashOf(const Stored& stored, const std::string& password) {
    if (!stored) return ::testing::AssertionFailure() << "no value";
    const QString text = QString::fromStdString(*stored);
    if (!Module1::IsPasswordHash(text)) return ::testing::AssertionFailure() << *stored << " is no hash";
    if (stored->find(password) != std::string::npos)
        return ::testing::AssertionFailure() << *stored << " holds the password";
    if (!Module1::PasswordMatchesStored(text, QString::fromStdString(password)))
        return ::testing::AssertionFailure() << *stored << " is not a hash of " << password;
    return ::testing::AssertionSuccess();
}

class ProgramPassword : public testsupport::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        // The sanitizers make the program's count take seconds a hash.
        Module1::testing::setPasswordHashIterations(1000);
        makeCatalogueWithRows(1);
    }
    void TearDown() override {
        Module1::testing::setPasswordHashIterations(0);
        ProgramFolderTest::TearDown();
    }

    void store(const Stored& password) {
        db::Connection connection = db::Connection::openFile(catalogue(), kKey);
        db::Recordset options;
        options.open(connection.share(), "Select * from Options");
        options.field("ProgramPassword").setValue(password ? db::Value(*password) : db::Value());
        options.update();
    }

    // The field as a new run finds it: every window is gone and the file is opened anew.
    Stored storedInFile() {
        restartProgram();
        EXPECT_FALSE(db::isConnectionOpen(catalogue()));
        db::Connection connection = db::Connection::openFile(catalogue(), kKey);
        db::Recordset options;
        options.open(connection.share(), "Select * from Options");
        const db::Value value = options.field("ProgramPassword").value();
        return value.isNull() ? Stored() : Stored(value.text());
    }

    void execute(const char* sql) {
        db::Connection connection = db::Connection::openFile(catalogue(), kKey);
        ASSERT_EQ(sqlite3_exec(connection.handle(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }

    // A run whose main window is open: the stored password already given.
    Form1& startLoggedIn(const Stored& password) {
        store(password);
        Module1::SessionPassword = QString::fromStdString(password.value_or(""));
        EXPECT_FALSE(runMain());
        EXPECT_TRUE(ui::forms<Form1>().Visible());
        return ui::forms<Form1>();
    }

    // Opens the password window from the File menu, lets `act` work in it, then closes it
    // as the user would when it is still open.
    void inPasswordWindow(Form1& main, const std::function<void(Form4&)>& act) {
        bool opened = false;
        ui::testing::setModalHandler([&](ui::Form& form) {
            auto& window = dynamic_cast<Form4&>(form);
            opened = true;
            EXPECT_EQ(window.Text1->Text(), "");
            EXPECT_EQ(window.Text2->Text(), "");
            act(window);
            if (ui::isLoaded<Form4>()) window.Command2_Click();
        });
        main.Label7_Click(2);
        ui::testing::setModalHandler(nullptr);
        EXPECT_TRUE(opened);
    }
};

TEST_F(ProgramPassword, TheMainWindowLoadAsksOnlyWhileAPasswordIsStoredAndNoneGivenInThisRun) {
    const struct {
        Stored stored;
        QString session;
        bool thumbnailsOpen;
        bool logIn, mainVisible;
        QString sessionAfter;
    } cases[] = {
        {std::nullopt, "", false, false, true, ""},
        {"", "", false, false, true, ""},
        {"Secret", "", false, true, false, "Secret"},
        {"Secret", "Earlier", false, false, true, "Secret"},
        {std::nullopt, "", true, false, false, ""},
        {"Secret", "", true, true, false, "Secret"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("<null>") + " / " + c.session.toStdString());
        restartProgram();
        store(c.stored);
        Module1::SessionPassword = c.session;
        Module1::ThumbnailsWindowOpen = c.thumbnailsOpen;

        ASSERT_FALSE(runMain());

        ASSERT_TRUE(ui::isLoaded<Form1>());
        EXPECT_EQ(ui::forms<Form1>().Visible(), c.mainVisible);
        EXPECT_EQ(ui::isLoaded<Form3>() && ui::forms<Form3>().Visible(), c.logIn);
        EXPECT_EQ(Module1::SessionPassword, c.sessionAfter) << "kept before anything was typed";
        EXPECT_TRUE(Module1::QuitOnMainWindowUnload);
    }
}

TEST_F(ProgramPassword, LogInRefusesAnythingButTheExactPasswordWithoutAMessage) {
    store("Secret");
    ASSERT_FALSE(runMain());
    Form3& login = ui::forms<Form3>();
    Form1& main = ui::forms<Form1>();
    EXPECT_EQ(login.Caption(), "Log in");
    EXPECT_EQ(login.Label1->Caption(), "Enter Password");
    EXPECT_EQ(login.Text1->PasswordChar(), "*");
    EXPECT_FALSE(login.ControlBox());
    EXPECT_EQ(login.BackColor(), ui::RGB(50, 50, 50)) << "the main window's colour, before it was ever shown";
    EXPECT_EQ(login.Command1->BackColor(), login.BackColor());

    for (const char* wrong : {"secret", "SECRET", "Secret ", "Secre", ""}) {
        login.Text1->setText(wrong);
        login.Command1_Click();
        EXPECT_EQ(login.Text1->Text(), "") << wrong;
        EXPECT_EQ(login.Text1->BackColor(), ui::RGB(128, 0, 0)) << wrong;
        EXPECT_EQ(login.Text1->ForeColor(), ui::RGB(227, 227, 251)) << wrong;
        EXPECT_TRUE(login.Visible()) << wrong;
        EXPECT_FALSE(main.Visible()) << wrong;
    }
    EXPECT_TRUE(services.msgBoxes.empty());

    // Enter in the box presses "Ok".
    QTest::keyClicks(login.Text1->editor(), "Secret");
    QTest::keyClick(login.Text1->editor(), Qt::Key_Return);
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(ui::isLoaded<Form3>());
    EXPECT_FALSE(ui::programEnded());

    // Later loads of the main window in this run do not ask again.
    Module1::QuitOnMainWindowUnload = false;
    Module1::ReloadMainWindow();
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_FALSE(ui::isLoaded<Form3>());
}

// An older catalogue keeps the password in plain text: it still logs in, once, and is
// then replaced by its hash; a hashed row is compared through the hash and left alone.
TEST_F(ProgramPassword, LogInThroughTheHashAndAPlainTextRowIsReplacedByItsHash) {
    for (bool plainText : {true, false}) {
        SCOPED_TRACE(plainText ? "plain text" : "hash");
        restartProgram();
        const std::string hash = Module1::HashPassword("Secret").toStdString();
        store(plainText ? "Secret" : hash);
        ASSERT_FALSE(runMain());
        Form3& login = ui::forms<Form3>();
        login.Text1->setText("secret");
        login.Command1_Click();
        EXPECT_FALSE(ui::forms<Form1>().Visible());
        EXPECT_EQ(login.Text1->BackColor(), ui::RGB(128, 0, 0));
        login.Text1->setText("Secret");
        login.Command1_Click();
        EXPECT_TRUE(ui::forms<Form1>().Visible());
        EXPECT_FALSE(ui::isLoaded<Form3>());

        const Stored stored = storedInFile();
        EXPECT_TRUE(isHashOf(stored, "Secret"));
        if (!plainText) {
            EXPECT_EQ(stored, hash) << "nothing rewritten";
        }

        // The next run asks again and takes the same password through the hash.
        ASSERT_FALSE(runMain());
        ui::forms<Form3>().Text1->setText("Secret");
        ui::forms<Form3>().Command1_Click();
        EXPECT_TRUE(ui::forms<Form1>().Visible());
        EXPECT_TRUE(services.msgBoxes.empty());
    }
}

// A catalogue that refuses the rewrite still lets the right password in; the plain
// text stays for the next log-in to replace.
TEST_F(ProgramPassword, APlainTextRowThatCannotBeRewrittenStillLogsIn) {
    store("Secret");
    execute("CREATE TRIGGER refuse BEFORE UPDATE ON Options BEGIN SELECT RAISE(ABORT, 'locked'); END");
    ASSERT_FALSE(runMain());
    ui::forms<Form3>().Text1->setText("Secret");
    ui::forms<Form3>().Command1_Click();
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_TRUE(services.msgBoxes.empty());
    EXPECT_EQ(storedInFile(), "Secret");
}

TEST_F(ProgramPassword, CancellingOrClosingTheLogInWindowEndsTheProgram) {
    for (bool byWindowManager : {false, true}) {
        SCOPED_TRACE(byWindowManager ? "closed" : "Cancel");
        restartProgram();
        store("Secret");
        ASSERT_FALSE(runMain());
        const std::string temporary = folder.file("TmpFile.bmp");
        sys::writeFile(temporary, std::vector<uint8_t>{1});

        if (byWindowManager)
            ui::forms<Form3>().window()->close();
        else
            ui::forms<Form3>().Command2_Click();

        EXPECT_TRUE(ui::programEnded());
        EXPECT_FALSE(sys::fileExists(temporary)) << "the main window's unload cleaned up";
    }
}

TEST_F(ProgramPassword, LongPasswordsFillTheBoxesAndNoMore) {
    store(kLongPassword);
    ASSERT_FALSE(runMain());
    Form3& login = ui::forms<Form3>();
    QTest::keyClicks(login.Text1->editor(), QString::fromStdString(kLongPassword) + "y");
    EXPECT_EQ(login.Text1->Text(), QString::fromStdString(kLongPassword)) << "the 101st character is refused";
    login.Command1_Click();
    EXPECT_TRUE(ui::forms<Form1>().Visible());

    inPasswordWindow(ui::forms<Form1>(), [](Form4& window) {
        EXPECT_EQ(window.Text1->MaxLength(), 100);
        EXPECT_EQ(window.Text2->MaxLength(), 100);
        EXPECT_EQ(window.Text2->PasswordChar(), "*");
    });
}

TEST_F(ProgramPassword, PasswordWindowSetsChangesAndRemovesThePassword) {
    const struct {
        Stored stored;
        QString current, typedNew;
        const char* message;  // nullptr: none
        int beeps;
        bool changed;
        QString boxesAfter[2];
        Stored storedAfter;
    } cases[] = {
        {std::nullopt, "", "", nullptr, 1, false, {"", ""}, std::nullopt},
        {std::nullopt, "", "First one", nullptr, 0, true, {}, "First one"},
        {std::nullopt, "guess", "New", "Invalid Current Password", 0, false, {"", ""}, std::nullopt},
        {"Old", "", "", nullptr, 1, false, {"", ""}, "Old"},
        {"Old", "", "New", "Enter Current Password", 0, false, {"", "New"}, "Old"},
        {"Old", "old", "New", "Invalid Current Password", 0, false, {"", ""}, "Old"},
        {"Old", "Old", "It's 'new'", nullptr, 0, true, {}, "It's 'new'"},
        {"Old", "Old", "", nullptr, 0, true, {}, std::nullopt},
        {kLongPassword, QString::fromStdString(kLongPassword), QString::fromStdString(kLongPassword + "z").left(100),
         nullptr, 0, true, {}, kLongPassword},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("<null>") + " / " + c.current.toStdString() + " / " + c.typedNew.toStdString());
        restartProgram();
        Form1& main = startLoggedIn(c.stored);
        const QString sessionBefore = Module1::SessionPassword;

        inPasswordWindow(main, [&](Form4& window) {
            window.Text1->setText(c.current);
            window.Text2->setText(c.typedNew);
            window.Command1_Click();
            ASSERT_EQ(services.msgBoxes.size(), c.message ? 1u : 0u);
            if (c.message) {
                EXPECT_EQ(services.msgBoxes[0].prompt, c.message);
                EXPECT_EQ(services.msgBoxes[0].style, runtime::vbOKOnly);
                EXPECT_EQ(services.msgBoxes[0].title, "");
            }
            EXPECT_EQ(services.beeps, c.beeps);
            EXPECT_EQ(window.Label1->Caption() == "Password Changed Successfully", c.changed);
            if (!c.changed) {
                EXPECT_EQ(window.Text1->Text(), c.boxesAfter[0]);
                EXPECT_EQ(window.Text2->Text(), c.boxesAfter[1]);
            }
        });
        EXPECT_EQ(Module1::SessionPassword, c.changed ? c.typedNew : sessionBefore);
        if (c.changed && c.storedAfter)
            EXPECT_TRUE(isHashOf(storedInFile(), *c.storedAfter));
        else
            EXPECT_EQ(storedInFile(), c.storedAfter) << "an older row stays as it was until a log-in";
    }
}

TEST_F(ProgramPassword, SuccessStateUntilClosedThenTheWindowComesBackAsDesigned) {
    Form1& main = startLoggedIn("Old");
    inPasswordWindow(main, [&](Form4& window) {
        window.Text1->setText("Old");
        window.Text2->setText("New");
        window.Command1_Click();
        EXPECT_EQ(services.sleeps, std::vector<int>{500});
        EXPECT_EQ(window.Label1->Caption(), "Password Changed Successfully");
        EXPECT_EQ(window.Label1->FontSize(), 10);
        EXPECT_EQ(window.Label1->Alignment(), 2);
        for (ui::Control* hidden : std::initializer_list<ui::Control*>{
                 window.Lb1, window.Label2, window.Label3, window.Label4, window.Text1, window.Text2, window.Command2})
            EXPECT_FALSE(hidden->Visible()) << hidden->Name().toStdString();
        EXPECT_TRUE(window.Command1->Visible());
        EXPECT_DOUBLE_EQ(window.Command1->Left(), window.Width() / 2 - window.Command1->Width() / 2);
        EXPECT_EQ(window.MousePointer(), ui::vbDefault);

        window.Command1_Click();
        EXPECT_FALSE(ui::isLoaded<Form4>()) << "Ok in the success state only closes";
    });
    EXPECT_TRUE(services.msgBoxes.empty());
    EXPECT_EQ(Module1::SessionPassword, "New");

    inPasswordWindow(main, [](Form4& window) {
        EXPECT_EQ(window.Caption(), "Change Password");
        EXPECT_EQ(window.Label1->Caption(),
                  "Write Down your Password. If you forget it, you will not be able to open your Data Base. "
                  "Also make a New Backup.");
        EXPECT_EQ(window.Lb1->Caption(), "Make sure you remember the New Password");
        EXPECT_TRUE(window.Text1->Visible());
        EXPECT_TRUE(window.Command2->Visible());
    });
    EXPECT_TRUE(isHashOf(storedInFile(), "New"));

    // The next run asks for the new password.
    ASSERT_FALSE(runMain());
    Form3& login = ui::forms<Form3>();
    EXPECT_TRUE(login.Visible());
    login.Text1->setText("Old");
    login.Command1_Click();
    EXPECT_FALSE(ui::forms<Form1>().Visible());
    login.Text1->setText("New");
    login.Command1_Click();
    EXPECT_TRUE(ui::forms<Form1>().Visible());
}

TEST_F(ProgramPassword, ARefusedSaveLeavesTheOldPasswordInForce) {
    Form1& main = startLoggedIn("Old");
    execute("CREATE TRIGGER refuse BEFORE UPDATE ON Options BEGIN SELECT RAISE(ABORT, 'locked'); END");
    inPasswordWindow(main, [&](Form4& window) {
        window.Text1->setText("Old");
        window.Text2->setText("New");
        window.Command1_Click();
        ASSERT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_TRUE(services.msgBoxes[0].prompt.contains("locked")) << "the error's description";
        EXPECT_NE(window.Label1->Caption(), "Password Changed Successfully");
        EXPECT_EQ(window.Text1->Text(), "Old");
        EXPECT_EQ(window.Text2->Text(), "New");
        EXPECT_EQ(window.MousePointer(), ui::vbHourglass);
    });
    EXPECT_EQ(Module1::SessionPassword, "Old");

    // The next save of the Options row (a settings change) must not store the refused
    // password, and "Old" is still the one to type.
    execute("DROP TRIGGER refuse");
    main.AdodcForm1Options.recordset().update();
    inPasswordWindow(main, [](Form4& window) {
        window.Text1->setText("Old");
        window.Text2->setText("Newer");
        window.Command1_Click();
        EXPECT_EQ(window.Label1->Caption(), "Password Changed Successfully");
    });
    EXPECT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_TRUE(isHashOf(storedInFile(), "Newer"));
}

TEST_F(ProgramPassword, KeysTheBoxesDoNotUseLeaveThePasswordWindowAsItWas) {
    Form1& main = startLoggedIn("Old");
    inPasswordWindow(main, [](Form4& window) {
        window.Text1->setText("Old");
        window.Text1->SetFocus();
        for (ui::TextBox* box : {window.Text1.data(), window.Text2.data()})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_F1})
                QTest::keyClick(box->editor(), key);
        EXPECT_TRUE(window.Visible());
        EXPECT_EQ(window.Text1->Text(), "Old");
    });
    EXPECT_TRUE(services.msgBoxes.empty());
    EXPECT_EQ(Module1::SessionPassword, "Old");
}

}  // namespace
