// Compaction of the catalogue and the File menu's entry to it.

#include <cmath>
#include <new>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/db/compaction.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"
#include "shell/compaction_testing.h"
#include "shell/splash_window.h"
#include "shell/module1.h"

namespace Module1 {

namespace {

int g_stopAfterStep = 0;
int g_failAfterStep = 0;

void stepDone(int step) {
    if (g_stopAfterStep == step) throw testing::CompactionStopped{step};
    if (g_failAfterStep == step) throw std::bad_alloc();
}

const QString kApplicationInitializing = QStringLiteral("Application Initializing");

}  // namespace

namespace testing {
void stopCompactionAfter(int step) { g_stopAfterStep = step; }
void failCompactionAfter(int step) { g_failAfterStep = step; }
}  // namespace testing

long CatalogueSizeInMegabytes(const QString& path) {
    return static_cast<long>(std::trunc(static_cast<double>(sys::fileSize(path.toStdString())) / 1000000.0));
}

void CompactCatalogueDatabase() {
    Form2& splash = ui::loaded<Form2>();
    try {
        QuitOnMainWindowUnload = false;
        splash.Refresh();
        const ui::WaitCursor busy;
        // Its unload closes every connection to the catalogue.
        if (ui::isLoaded<Form1>()) ui::forms<Form1>().Unload();

        const std::string cataloguePath = catalogue::CataloguePath().toStdString();
        const std::string compactedPath = catalogue::CompactedCataloguePath().toStdString();
        // The copy is complete and on disk before anything else happens ...
        db::compactDatabase(cataloguePath, compactedPath, text(DatabasePassword).toStdString());
        stepDone(1);
        // ... and replaces the catalogue in one atomic rename, so the folder holds a whole
        // catalogue at every moment.
        sys::renameFile(compactedPath, cataloguePath);
        stepDone(2);

        SlideIntervalSource = QString();
        ui::DoEvents();
        ui::services().Sleep(1000);

        if (splash.Label1->Caption() != kApplicationInitializing) {
            const long n = CatalogueSizeInMegabytes(catalogue::CataloguePath());
            splash.Label1->setCaption("Done!");
            splash.Label2->setCaption(n >= 1 ? "DataBase Size - " + QString::number(n) + " MB"
                                             : QString("DataBase Size < 1MB"));
            splash.Timer1->setInterval(2000);
        }
        splash.Timer1->setEnabled(true);
    } catch (const std::exception& e) {
        // Whatever failed (the engine, the files, memory), the restart must come: it is
        // the only way back to the main window.
        ui::services().MsgBox("Error - It is Recommended to Compact the DataBase on Startup to Avoid Errors.\r\n" +
                                  QString::fromStdString(e.what()),
                              runtime::vbCritical, QString());
        SlideIntervalSource = QString();
        splash.Timer1->setEnabled(true);
    }
}

void CompactDatabaseFromMenu() {
    const long n = CatalogueSizeInMegabytes(catalogue::CataloguePath());
    Form2& splash = ui::loaded<Form2>();
    splash.Label1->setCaption(n >= 1 ? "Compact DataBase - " + QString::number(n) + " MB"
                                     : QString("Compact DataBase"));
    splash.Label2->setCaption("Please Wait ...");
    splash.Show();
    splash.Refresh();
    splash.setMousePointer(ui::vbHourglass);
    splash.Picture1->setMousePointer(ui::vbHourglass);
    ui::DoEvents();
    CompactCatalogueDatabase();
}

}  // namespace Module1
