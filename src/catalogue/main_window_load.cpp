// The main window's load: the five data controls over the catalogue, the Options
// defaults, the window width, the category list and the picture lists.

#include <cmath>

#include <QDate>
#include <QDateTime>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/sys/files.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "shell/login_window.h"
#include "shell/about_window.h"
#include "shell/module1.h"

namespace {

std::string sql(const QString& text) { return text.toStdString(); }

bool isEmpty(const db::Field& field) { return field.actualSize() == 0; }

}  // namespace

void Form1::Form_Load() {
    try {
        Module1::ShowProgramFolderOnMainWindow();
        GridFollowsRecord = true;
        PictureBindingEnabled = true;
        Module1::DatabasePassword = catalogue::DatabasePasswordConstant();
        WebBrowser1->Navigate("about: blank");
        WebBrowserAddedMan->Navigate("about: blank");

        Adodc4.setConnectionString(sql(catalogue::CatalogueConnectionString()));
        AdodcCategories.setConnectionString(sql(catalogue::CatalogueConnectionString()));
        AdodcCategories.setRecordSource(sql(catalogue::kCategoriesQuery));
        AdodcCategories.refresh();
        pLoadCategories();

        Adodc3.setCursorLocation(2);
        Adodc3.setConnectionString(sql(catalogue::CatalogueConnectionString()));
        Adodc1.setCursorLocation(2);
        Adodc1.setConnectionString(sql(catalogue::CatalogueConnectionString()));

        AdodcForm1Options.setConnectionString(sql(catalogue::CatalogueConnectionString()));
        AdodcForm1Options.setRecordSource(sql(catalogue::kOptionsQuery));
        AdodcForm1Options.refresh();

        // Defaults for empty fields, written into the open record but not saved here.
        if (isEmpty(catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::SortOption)))
            catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::SortOption).setValue("NoSort");
        if (isEmpty(catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::CompressOption)))
            catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::CompressOption).setValue("Compress");
        if (isEmpty(catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::MainWindowWidth)))
            catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::MainWindowWidth).setValue(6650);

        if (catalogue::OptionsText(AdodcForm1Options, catalogue::CompressOption) == "Compress")
            CheckCompress->setValue(1);
        const auto width = catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::MainWindowWidth).value().number();
        if (!width) runtime::raise(runtime::kErrTypeMismatch);
        setWidth(*width);
        AdodcForm1Options.recordset().setAbsolutePosition(1);
        ui::services().Randomize();

        CmdPictures_Click();
        Module1::QuitOnMainWindowUnload = true;

        // The compaction's working copy: a start that found only this copy has already
        // put it in the catalogue's place.
        const std::string compacted = sql(catalogue::CompactedCataloguePath());
        if (sys::fileExists(compacted)) sys::deleteFile(compacted);

        MonthView1->setValue(ui::services().Now().date());

        // The log-in decision: once per run, while a password is stored, the log-in
        // window stands in for this one, which waits hidden until it is given.
        AdodcForm1Options.recordset().setAbsolutePosition(1);
        if (Module1::SessionPassword.isEmpty() &&
            !isEmpty(catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::ProgramPassword)))
            ui::forms<Form3>().Show();
        else if (!Module1::ThumbnailsWindowOpen)
            Show();

        AdodcForm1Options.recordset().setAbsolutePosition(1);
        const db::Field password = catalogue::OptionsFieldAt(AdodcForm1Options, catalogue::ProgramPassword);
        if (!isEmpty(password)) Module1::SessionPassword = ui::fieldText(&password);
    } catch (const runtime::Error&) {
        ui::services().MsgBox("Error Encountered. Program Ended.", runtime::vbOKOnly, QString());
        Module1::QuitOnMainWindowUnload = true;
        Unload();
    }
}

void Form1::CmdPictures_Click() {
    if (!SaveRecordEdit()) return;
    try {
        PictureCatalogue->setPicture(picture::Picture());

        AdodcForm1Options.recordset().setAbsolutePosition(1);
        const bool sorted = catalogue::OptionsText(AdodcForm1Options, catalogue::SortOption) == "Sort";
        const bool filterOn = Module1::CategoryFilterOn;
        const QString category = Module1::text(Module1::CategoryFilterName);
        if (sorted) {
            CheckSort->setValue(1);
            Module1::SortByName = true;
        } else {
            Module1::SortByName = false;
        }
        const QString full = catalogue::FullPictureQuery(sorted, filterOn, category);
        Adodc3.setRecordSource(sql(full));
        Adodc3.refresh();
        Adodc1.setRecordSource(sql(full));
        Adodc1.refresh();
        Adodc4.setRecordSource(sql(catalogue::ListPictureQuery(sorted, filterOn, category)));
        Adodc4.refresh();
        MSHFlexGrid1->Refresh();

        if (Module1::CategoryFilterOn) {
            ComboCategory->setText(category);
            if (!Visible()) CheckFilterByCategory->setValue(1);
        }

        if (Adodc3.recordset().recordCount() == 0) {
            showEmptyCatalogue();
            return;
        }
        ImageCatalogue->setVisible(true);
        Adodc3.recordset().moveFirst();
        ShowRecordPicture();
        setMousePointer(ui::vbDefault);
        Picture4->setVisible(true);
        setGaugeWidth();
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::showEmptyCatalogue() {
    Text1->setText("");
    Text4->setText("");
    Text2->setText("");
    // The About window's logo: its own picture object, which the menu's logo test does
    // not take for a record without a picture.
    PictureCatalogue->setPicture(ui::loaded<Form38>().PicLogo->Picture());
    ImageCatalogue->setBorderStyle(0);
    ui::forms<Form38>().Unload();
}

void Form1::pLoadCategories() {
    try {
        db::Recordset& categories = AdodcCategories.recordset();
        // With no category stored the list is emptied too, so a deleted last one goes.
        ComboCategory->Clear();
        if (categories.recordCount() >= 1) {
            categories.moveFirst();
            while (!categories.eof()) {
                const db::Field name = categories.field("Description");
                if (name.value().isNull()) throw runtime::Error(94, "Invalid use of Null");
                ComboCategory->AddItem(ui::fieldText(&name));
                categories.moveNext();
            }
        }
        ComboCategory->setText(catalogue::kCategoryPrompt);
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void Form1::setGaugeWidth() {
    const double length = static_cast<double>(sys::fileSize(sql(catalogue::CataloguePath())));
    Picture4->setWidth(std::floor(length / 1000000.0) * PictureCatalogueFrame->Width() / 2145.0);
}

void Form1::Form_Click() {
    try {
        MonthView1->setVisible(false);
    } catch (const runtime::Error&) {
    }
}

void Form1::closeDataControls() {
    for (auto& [control, id] : fieldBindings_) control->unbind(id);
    fieldBindings_.clear();
    for (db::DataControl* control : {&Adodc3, &Adodc1, &Adodc4, &AdodcCategories, &AdodcForm1Options})
        control->close();
}
