// The catalogue settings the main window changes, each stored at once in the Options
// record: the sort and compression options of the File panel and the window width.

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/ui/handlers.h"
#include "platform/ui/screen.h"
#include "shell/module1.h"

void Form1::CheckCompress_Click() {
    // The window's load ticks the box from the stored setting; that is no change.
    if (!Visible()) return;
    hideMenuPanels();
    AdodcForm1Options.recordset().setAbsolutePosition(1);
    catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::CompressOption)
        .setValue(CheckCompress->Value() != 0 ? "Compress" : "NOCompress");
    AdodcForm1Options.recordset().update();
}

void Form1::CheckSort_Click() {
    if (!Visible() || !saveRecordEditOrUndo(*CheckSort)) return;
    AdodcForm1Options.recordset().setAbsolutePosition(1);
    catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::SortOption)
        .setValue(CheckSort->Value() != 0 ? "Sort" : "NoSort");
    AdodcForm1Options.recordset().update();
    Module1::QuitOnMainWindowUnload = false;
    Module1::ReloadMainWindow();
}

void Form1::LabelCompress_Click() {
    runtime::resumeNext([&] { CheckCompress->setValue(CheckCompress->Value() != 0 ? 0 : 1); });
}

void Form1::LabelSort_Click() {
    runtime::resumeNext([&] { CheckSort->setValue(CheckSort->Value() != 0 ? 0 : 1); });
}

// The pointer over an option row puts out an item highlight left on; the rows
// themselves are never highlighted.
void Form1::OptionRow_MouseMove(int, int, double, double) { hideHighlights(); }

void Form1::ImageResize_Click() {
    db::Recordset& options = AdodcForm1Options.recordset();
    runtime::resumeNext([&] { options.setAbsolutePosition(1); });
    bool narrow = false;
    runtime::resumeNext([&] { narrow = catalogue::OptionsText(AdodcForm1Options, catalogue::MainWindowWidth) == "6650"; });
    if (narrow) {
        runtime::resumeNext([&] { setWidth(11500); });
        runtime::resumeNext([&] { options.setAbsolutePosition(1); });
        runtime::resumeNext([&] { catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::MainWindowWidth).setValue("11500"); });
        runtime::resumeNext([&] { options.update(); });
        ui::DoEvents();
    } else {
        runtime::resumeNext([&] { setWidth(6650); });
        runtime::resumeNext([&] { options.setAbsolutePosition(1); });
        runtime::resumeNext([&] { catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::MainWindowWidth).setValue("6650"); });
        runtime::resumeNext([&] { options.update(); });
    }
    ui::DoEvents();
    runtime::resumeNext([&] { setLeft(ui::Screen::Width() / 2 - Width() / 2); });
    runtime::resumeNext([&] {
        AdodcForm1Options.setConnectionString(catalogue::CatalogueConnectionString().toStdString());
        AdodcForm1Options.setRecordSource(catalogue::kOptionsQuery.toStdString());
        AdodcForm1Options.refresh();
    });
    runtime::resumeNext([&] { Form_Resize(); });
}
