#include <sys/stat.h>

#include <sqlcipher/sqlite3.h>

#include <QDateTime>

#include "catalogue/main_window.h"
#include "platform/db/connection.h"
#include "platform/db/errors.h"
#include "platform/db/layout_move.h"
#include "platform/sys/files.h"
#include "platform/sys/program_folder.h"
#include "platform/ui/forms.h"
#include "platform/ui/testing.h"
#include "shell/splash_window.h"
#include "shell/welcome_window.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"
#include "support/temp_folder.h"
#include "support/test_environment.h"

namespace {

using testsupport::fileBytes;
using testsupport::modeOf;

class Startup : public testsupport::ProgramFolderTest {};

TEST_F(Startup, FirstStartWritesTheCatalogueWelcomesAndCompactsOnce) {
    QString welcome;
    bool tickWaitedForMain = false;
    ui::testing::setModalHandler([&](ui::Form& form) {
        auto& form5 = dynamic_cast<Form5&>(form);
        welcome = form5.Text1->Text();
        EXPECT_TRUE(sys::fileExists(catalogue())) << "the template is written before the welcome";
        // A restart tick inside a running pass of Main must wait for the pass to end.
        ui::loaded<Form2>().Timer1_Timer();
        tickWaitedForMain = ui::isLoaded<Form2>() && !ui::isLoaded<Form1>();
        form5.Image2_Click();
    });

    ASSERT_FALSE(runMain());

    EXPECT_EQ(welcome, "Welcome to Quillmere\r\n\r\nCreated Database Quillmere.mdb. - Click Ok to Start.");
    EXPECT_TRUE(tickWaitedForMain);
    EXPECT_FALSE(ui::isLoaded<Form5>());

    Form2& splash = ui::forms<Form2>();
    ASSERT_TRUE(ui::isLoaded<Form2>());
    EXPECT_TRUE(splash.Visible());
    EXPECT_EQ(splash.Caption(), "Quillmere");
    EXPECT_EQ(splash.Label1->Caption(), "Application Initializing");
    EXPECT_EQ(splash.Label2->Caption(), "Please Wait...");
    EXPECT_TRUE(splash.Timer1->Enabled());
    EXPECT_EQ(splash.Timer1->Interval(), 1000);
    // The 2000 ms pause before the compaction and the one-second pause inside it, once.
    EXPECT_EQ(services.sleeps, (std::vector<int>{2000, 1000}));

    ASSERT_TRUE(ui::isLoaded<Form1>());
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_TRUE(Module1::QuitOnMainWindowUnload);

    // The restart tick runs Main once more and closes the splash window.
    const auto before = fileBytes(catalogue());
    splash.Timer1_Timer();
    EXPECT_FALSE(ui::isLoaded<Form2>());
    EXPECT_TRUE(ui::isLoaded<Form1>());
    EXPECT_EQ(fileBytes(catalogue()), before);
    EXPECT_EQ(services.sleeps.size(), 2u);
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(Startup, LaterStartWritesNothingAndShowsNoWelcome) {
    makeCatalogueWithRows(2);
    const auto before = fileBytes(catalogue());

    ASSERT_FALSE(runMain());

    EXPECT_EQ(fileBytes(catalogue()), before);
    EXPECT_TRUE(services.sleeps.empty());
    EXPECT_FALSE(ui::isLoaded<Form5>());
    EXPECT_FALSE(ui::isLoaded<Form2>());
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_EQ(Module1::text(Module1::ProgramFolder), QString::fromStdString(folder.path()));
    EXPECT_EQ(Module1::text(Module1::DatabasePassword), "480517362904");
}

TEST_F(Startup, ProgramFolderThatCannotBeWrittenGivesTheStartupMessage) {
    // A plain file where a folder should be: no user, root included, can write below it.
    sys::writeFile(folder.file("plain"), std::vector<uint8_t>{1});
    sys::setProgramFolder(folder.file("plain") + "/Quillmere");

    EXPECT_TRUE(runMain());

    ASSERT_EQ(services.msgBoxes.size(), 1u);
    const auto& box = services.msgBoxes[0];
    EXPECT_TRUE(box.prompt.startsWith("Error: ")) << box.prompt.toStdString();
    EXPECT_GT(box.prompt.size(), QString("Error: ").size()) << "the error's description";
    EXPECT_FALSE(box.prompt.contains('\n')) << "the description alone: " << box.prompt.toStdString();
    EXPECT_EQ(box.style, 0);
    EXPECT_EQ(box.title, "");
    EXPECT_FALSE(ui::isLoaded<Form1>());
}

TEST_F(Startup, CatalogueThatIsNotOursIsNeverOverwritten) {
    std::vector<uint8_t> foreign(8192, 0x5A);
    sys::writeFile(catalogue(), foreign);

    EXPECT_TRUE(runMain());

    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(services.msgBoxes[0].prompt, "Error Encountered. Program Ended.");
    EXPECT_EQ(fileBytes(catalogue()), foreign);
}

// A catalogue of the earlier layout (pictures inside Pictures) is moved when it opens. A
// move that fails ends the start with the catalogue as it was; the next start moves it.
TEST_F(Startup, OldLayoutCatalogueIsMovedAtStartOrLeftAsItWas) {
    const std::string fixture = std::string(testsupport::fixturesFolder()) + "/catalogue/old-layout.mdb";
    sys::writeFile(catalogue(), fileBytes(fixture), sys::Access::OwnerOnly);
    db::detail::setLayoutMoveHook([](int step) {
        if (step == 2) db::raiseDb(db::kErrEngine, "disk full");
    });
    EXPECT_TRUE(runMain());
    db::detail::setLayoutMoveHook({});
    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_EQ(fileBytes(catalogue()), fileBytes(fixture));

    restartProgram();
    ASSERT_FALSE(runMain());
    EXPECT_TRUE(services.msgBoxes.empty());
    Form1& main = ui::forms<Form1>();
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.Adodc3.recordset().recordCount(), 3);
    db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(connection.handle(), "SELECT sum(length(Photo)) FROM PictureBytes", -1, &stmt, nullptr),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 300 + 9000);
    sqlite3_finalize(stmt);
}

// The catalogue holds every picture in the clear for whoever has the program (its key is
// in it): no other local user may read the file, from its first write on, nor the
// engine's journal beside it.
TEST_F(Startup, TheCatalogueIsReadableByTheUserAlone) {
    const mode_t mask = ::umask(022);
    mode_t templateMode = 0;
    ui::testing::setModalHandler([&](ui::Form& form) {
        templateMode = modeOf(catalogue());
        dynamic_cast<Form5&>(form).Image2_Click();
    });
    ASSERT_FALSE(runMain());
    EXPECT_EQ(templateMode, 0600u) << "the template's copy, before the compaction";
    EXPECT_EQ(modeOf(catalogue()), 0600u) << "the compacted catalogue";

    restartProgram();
    db::Connection connection = db::Connection::openFile(catalogue(), "480517362904");
    ASSERT_EQ(sqlite3_exec(connection.handle(), "BEGIN; UPDATE Options SET Reserved = 'x';", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    EXPECT_EQ(modeOf(catalogue() + "-journal"), 0600u);
    sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    ::umask(mask);
}

}  // namespace
