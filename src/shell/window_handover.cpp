// The hand-overs between the main window and the windows that replace it for a while.

#include "catalogue/main_window.h"
#include "catalogue/thumbnails_window.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

namespace Module1 {

void ReloadMainWindow() {
    try {
        if (ui::isLoaded<Form1>()) ui::forms<Form1>().Unload();
        Form1& form = ui::loaded<Form1>();
        if (number(SavedMainPosition) > 0) form.pComboCatalogue_Click();
        SavedMainPosition = 0;
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

// The main window and the thumbnails window are never open together: the main window
// goes (its instance released) and comes back loaded afresh.
void SwitchMainToThumbnails() {
    Form1& main = ui::forms<Form1>();
    ThumbPageStart = main.Adodc3.recordset().absolutePosition();
    SavedMainPosition = main.Adodc3.recordset().absolutePosition();
    QuitOnMainWindowUnload = false;
    main.Unload();
    ui::release<Form1>();
    ui::forms<Form28>().Show();
    ui::forms<Form28>().CmdCatalogueThumb_Click();
}

void ReopenThumbnailPage() {
    // Keeps the closing window's unload from handing back to the main window.
    ThumbPageReopening = true;
    runtime::resumeNext([] {
        if (ui::isLoaded<Form28>()) ui::forms<Form28>().Unload();
    });
    runtime::resumeNext([] { ui::release<Form28>(); });
    ui::DoEvents();
    runtime::resumeNext([] { ui::forms<Form28>().Show(); });
    runtime::resumeNext([] { ui::forms<Form28>().CmdCatalogueThumb_Click(); });
    ThumbPageReopening = false;
    ui::DoEvents();
}

void ReturnFromThumbnails() {
    // However the return ends, the thumbnails window is gone: a flag left set would keep
    // every later load of the main window from showing it.
    struct ClearOnExit {
        ~ClearOnExit() {
            ThumbReturnAction = QString();
            ThumbnailsWindowOpen = false;
        }
    } clearOnExit;

    if (ui::isLoaded<Form1>()) ui::forms<Form1>().Unload();
    // Its load stays hidden while ThumbnailsWindowOpen is set; this shows it.
    ui::forms<Form1>().Show();
    ui::DoEvents();
    if (ui::isLoaded<Form28>()) ui::forms<Form28>().Unload();
    ui::release<Form28>();
    ui::DoEvents();

    Form1& main = ui::forms<Form1>();
    db::Recordset& rs = main.Adodc3.recordset();
    if (ThumbReturnAction == kMoveForm1ToThumbnail) {
        rs.setAbsolutePosition(runtime::CLng(runtime::Val(text(ThumbReturnPosition).toStdString())));
    } else {
        if (number(SavedMainPosition) > 0) rs.setAbsolutePosition(number(SavedMainPosition));
        SavedMainPosition = 0;
    }
    main.pComboCatalogue_Click();
    main.Text2->setText(QString::number(rs.absolutePosition()) + "/" + QString::number(rs.recordCount()));
}

void ShowProgramFolderOnMainWindow() {
    try {
        ui::loaded<Form1>().Label4->setCaption(text(ProgramFolder));
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

}  // namespace Module1
