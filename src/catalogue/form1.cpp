#include "catalogue/form1.h"

#include "catalogue/catalogue_schema.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

void Form1::createControls() {
    setCaption(" Quillmere");
    setBorderStyle(ui::vbFixedSingle);
    setMaxButton(false);
    setStartUpPosition(ui::vbStartUpScreen);
    setClientSize(11412, 8184);
}

void Form1::Form_Load() {
    try {
        Module1::DatabasePassword = catalogue::DatabasePasswordConstant();
        AdodcForm1Options.setConnectionString(catalogue::CatalogueConnectionString().toStdString());
        AdodcForm1Options.setRecordSource(catalogue::kOptionsQuery.toStdString());
        AdodcForm1Options.refresh();
        (void)AdodcForm1Options.recordset().field(catalogue::SortOption).actualSize();
        Module1::QuitOnMainWindowUnload = true;
        // The compaction's working copy; a start that found only this copy has already
        // put it in the catalogue's place.
        sys::deleteFile(catalogue::CompactedCataloguePath().toStdString());
        Show();
    } catch (const runtime::Error&) {
        ui::services().MsgBox("Error Encountered. Program Ended.", runtime::vbOKOnly, QString());
        Module1::QuitOnMainWindowUnload = true;
        Unload();
    }
}

void Form1::Form_Unload(int&) {
    if (!Module1::QuitOnMainWindowUnload) return;
    ui::DoEvents();
    ui::End();
}

void Form1::closeDataControls() { AdodcForm1Options.close(); }
