#include "catalogue/main_window.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/screen.h"
#include "platform/ui/testing.h"
#include "shell/compaction_testing.h"
#include "shell/splash_window.h"
#include "shell/module1.h"
#include "support/hourglass_watch.h"
#include "support/program_folder_test.h"

namespace {

using testsupport::fileBytes;

class CatalogueCompaction : public testsupport::ProgramFolderTest {
protected:
    // A running program over a catalogue of `rows` pictures, its main window open.
    void startWithRows(int rows) {
        makeCatalogueWithRows(rows);
        ASSERT_FALSE(runMain());
        ASSERT_TRUE(ui::isLoaded<Form1>());
    }
};

TEST_F(CatalogueCompaction, FromTheMenuReportsSizesAndRestartsWithoutLogIn) {
    startWithRows(3);
    Module1::SessionPassword = "secret";
    Module1::SlideIntervalSource = Module1::kTimeFromForm27;
    bool waitShown = false;  // the splash's "Please Wait ..." on the screen under the hourglass
    const testsupport::HourglassWatch watch([&] {
        const Form2& splash = ui::forms<Form2>();
        waitShown |= splash.Visible() && splash.Label2->Caption() == "Please Wait ...";
    });

    Module1::CompactDatabaseFromMenu();

    EXPECT_TRUE(waitShown);
    EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
    Form2& splash = ui::forms<Form2>();
    EXPECT_EQ(splash.Caption(), "Compacting DataBase");
    EXPECT_EQ(splash.Label1->Caption(), "Done!");
    EXPECT_EQ(splash.Label2->Caption(), "DataBase Size < 1MB");
    EXPECT_EQ(splash.Timer1->Interval(), 2000);
    EXPECT_TRUE(splash.Timer1->Enabled());
    EXPECT_FALSE(ui::isLoaded<Form1>()) << "the compaction closes the main window";
    EXPECT_EQ(Module1::text(Module1::SlideIntervalSource), "");
    EXPECT_FALSE(sys::fileExists(compacted()));
    EXPECT_EQ(pictureRows(catalogue()), 3);

    splash.Timer1_Timer();
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    EXPECT_FALSE(ui::isLoaded<Form2>());
    EXPECT_EQ(Module1::SessionPassword, "secret");
    EXPECT_TRUE(services.msgBoxes.empty());
}

TEST_F(CatalogueCompaction, SizeTextsAtTheMegabyteBoundaries) {
    const struct { uint64_t bytes; long megabytes; } cases[] = {
        {999999, 0}, {1000000, 1}, {2999999, 2}, {150000000, 150}};
    for (const auto& c : cases) {
        const std::string path = folder.file("sized");
        sys::writeFile(path, std::vector<uint8_t>(c.bytes));
        EXPECT_EQ(Module1::CatalogueSizeInMegabytes(QString::fromStdString(path)), c.megabytes) << c.bytes;
    }
}

TEST_F(CatalogueCompaction, FailureIsReportedAndTheProgramRestartsOverTheOldCatalogue) {
    // Whatever the kind of error, the same failure path: the message, the restart, the
    // catalogue as it was.
    const struct { const char* cause; bool runtimeError; } cases[] = {
        {"the engine refuses an existing destination", true},
        {"an error of another type after the copy", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        sys::deleteFile(catalogue());
        sys::deleteFile(compacted());
        restartProgram();
        startWithRows(2);
        if (c.runtimeError)
            sys::writeFile(compacted(), std::vector<uint8_t>{7});
        else
            Module1::testing::failCompactionAfter(1);
        const auto before = fileBytes(catalogue());
        ui::loaded<Form2>().Label1->setCaption("Compact DataBase");

        EXPECT_NO_THROW(Module1::CompactCatalogueDatabase());
        Module1::testing::failCompactionAfter(0);

        ASSERT_EQ(services.msgBoxes.size(), 1u);
        EXPECT_TRUE(services.msgBoxes[0].prompt.startsWith(
            "Error - It is Recommended to Compact the DataBase on Startup to Avoid Errors.\r\n"));
        EXPECT_GT(services.msgBoxes[0].prompt.size(), 80) << "the error's description follows";
        EXPECT_EQ(services.msgBoxes[0].style, runtime::vbCritical);
        EXPECT_EQ(services.msgBoxes[0].pointer, ui::vbDefault) << "the failure is told without the hourglass";
        EXPECT_EQ(ui::Screen::MousePointer(), ui::vbDefault);
        Form2& splash = ui::forms<Form2>();
        EXPECT_EQ(splash.Label1->Caption(), "Compact DataBase") << "texts stay as before the failure";
        EXPECT_EQ(splash.Timer1->Interval(), 1000);
        EXPECT_TRUE(splash.Timer1->Enabled());
        EXPECT_EQ(Module1::text(Module1::SlideIntervalSource), "");
        EXPECT_EQ(fileBytes(catalogue()), before);

        splash.Timer1_Timer();
        EXPECT_TRUE(ui::forms<Form1>().Visible());
        EXPECT_FALSE(sys::fileExists(compacted())) << "the main window's load removes the left-over";
        EXPECT_EQ(pictureRows(catalogue()), 2);
    }
}

// Stopping the compaction after each of its steps, as a power failure would, leaves a
// catalogue that the next start opens with all its rows.
TEST_F(CatalogueCompaction, StoppedAfterAnyStepTheNextStartHasEveryRow) {
    for (int step : {1, 2}) {
        SCOPED_TRACE(step);
        sys::deleteFile(catalogue());
        sys::deleteFile(compacted());
        restartProgram();
        startWithRows(4);
        Module1::testing::stopCompactionAfter(step);
        EXPECT_THROW(Module1::CompactDatabaseFromMenu(), Module1::testing::CompactionStopped);
        Module1::testing::stopCompactionAfter(0);

        restartProgram();
        ASSERT_FALSE(runMain());
        EXPECT_TRUE(ui::forms<Form1>().Visible());
        EXPECT_TRUE(services.msgBoxes.empty());
        EXPECT_FALSE(sys::fileExists(compacted()));
        EXPECT_EQ(pictureRows(catalogue()), 4);
    }
}

TEST_F(CatalogueCompaction, LeftOverCopyWithoutCatalogueIsPutInPlaceNotBuried) {
    makeCatalogueWithRows(5);
    sys::renameFile(catalogue(), compacted());

    ASSERT_FALSE(runMain());

    EXPECT_TRUE(services.sleeps.empty()) << "not a first start";
    EXPECT_FALSE(sys::fileExists(compacted()));
    EXPECT_EQ(pictureRows(catalogue()), 5);
}

TEST_F(CatalogueCompaction, DamagedLeftOverCopyWithoutCatalogueStopsTheStartAndIsKept) {
    makeCatalogueWithRows(1);
    auto bytes = fileBytes(catalogue());
    bytes.resize(bytes.size() / 2);
    sys::writeFile(compacted(), bytes);
    sys::deleteFile(catalogue());

    EXPECT_TRUE(runMain());

    ASSERT_EQ(services.msgBoxes.size(), 1u);
    EXPECT_TRUE(services.msgBoxes[0].prompt.contains("QuillmereC.mdb"));
    EXPECT_FALSE(sys::fileExists(catalogue())) << "no new, empty catalogue over the user's data";
    EXPECT_EQ(fileBytes(compacted()), bytes);
}

}  // namespace
