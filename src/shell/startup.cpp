// The start-up procedure Main of the start-up module.

#include <QString>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "catalogue/temporary_files.h"
#include "platform/db/connection.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/sys/program_folder.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "resources/resources.h"
#include "shell/splash_window.h"
#include "shell/welcome_window.h"
#include "shell/module1.h"

namespace Module1 {

namespace {

bool g_mainPassRunning = false;

struct MainPass {
    MainPass() { g_mainPassRunning = true; }
    ~MainPass() { g_mainPassRunning = false; }
};

QString programFolderWithoutTrailingSlash() {
    QString folder = QString::fromStdString(sys::programFolder());
    if (folder.endsWith('/')) folder.chop(1);
    return folder;
}

// A compaction cut off between its steps may leave the user's data only in the
// compacted copy. Put it in the catalogue's place when it opens with the password;
// otherwise leave both names alone and refuse to start, rather than bury the copy
// under a new, empty catalogue.
void recoverCompactedCopy(const QString& cataloguePath, const QString& compactedPath) {
    if (sys::fileExists(cataloguePath.toStdString()) || !sys::fileExists(compactedPath.toStdString()))
        return;
    try {
        db::Connection probe = db::Connection::openFile(compactedPath.toStdString(),
                                                        text(DatabasePassword).toStdString());
        probe.close();
    } catch (const runtime::Error& e) {
        throw runtime::Error(runtime::kErrPathFileAccess,
                             "The catalogue Quillmere.mdb is missing and the copy QuillmereC.mdb left by a "
                             "compaction cannot be opened (" + e.description() +
                                 "). Both are left as they are.");
    }
    sys::renameFile(compactedPath.toStdString(), cataloguePath.toStdString());
}

[[noreturn]] void startupFailure(const std::string& description) {
    ui::services().MsgBox("Error: " + QString::fromStdString(description), runtime::vbOKOnly, QString());
    ui::End();
}

}  // namespace

bool MainPassRunning() { return g_mainPassRunning; }

void Main() {
    MainPass pass;
    try {
        // No run-time components are deployed here: the libraries come from the system.
        ProgramFolder = programFolderWithoutTrailingSlash();
        DatabasePassword = QString::fromStdString(resources::loadResString(resources::kDatabasePasswordResource));

        // Plain copies of records that a killed run left behind.
        runtime::resumeNext([] { catalogue::DeleteTemporaryFiles(); });

        const QString cataloguePath = catalogue::CataloguePath();
        recoverCompactedCopy(cataloguePath, catalogue::CompactedCataloguePath());
        if (sys::fileExists(cataloguePath.toStdString())) {
            ui::loaded<Form5>();
        } else {
            sys::writeFile(cataloguePath.toStdString(), resources::templateCatalogue(), sys::Access::OwnerOnly);
            ui::forms<Form5>().Show(ui::vbModal);
            ui::DoEvents();
            Form2& splash = ui::loaded<Form2>();
            splash.setCaption("Quillmere");
            splash.Label1->setCaption("Application Initializing");
            splash.Label2->setCaption("Please Wait...");
            splash.Show();
            splash.Refresh();
            ui::services().Sleep(2000);
            CompactCatalogueDatabase();
        }

        ui::DoEvents();
        ui::loaded<Form1>();
        ui::DoEvents();
        if (ui::isLoaded<Form5>()) ui::forms<Form5>().Unload();
    } catch (const runtime::Error& e) {
        startupFailure(e.description());
    } catch (const std::exception& e) {
        startupFailure(e.what());
    }
}

}  // namespace Module1
