// The category row: storing and deleting category names, and filtering the picture
// list by the chosen one.

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/db/errors.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

namespace {

constexpr long kErrGeneralFailure = -2147467259;  // E_FAIL: what a name already stored gives

}  // namespace

void Form1::connectCategories() {
    CmdADDCateg->Click = [this] { CmdADDCateg_Click(); };
    CmdDeleteCateg->Click = [this] { CmdDeleteCateg_Click(); };
    CheckFilterByCategory->Click = [this] { CheckFilterByCategory_Click(); };
}

// After a refused change the record set is opened again, which drops the unwritten
// record, and the list is filled from what is stored.
void Form1::reloadCategories() {
    runtime::resumeNext([&] { AdodcCategories.refresh(); });
    pLoadCategories();
}

void Form1::CmdADDCateg_Click() {
    const QString name = ComboCategory->Text();
    if (!catalogue::IsCategoryChosen(name)) {
        ui::services().MsgBox("Enter a New Category First", runtime::vbOKOnly, QString());
        return;
    }
    try {
        db::Recordset& categories = AdodcCategories.recordset();
        categories.addNew();
        categories.field("Description").setValue(name.toStdString());
        categories.update();
        ComboCategory->AddItem(name);
        ui::services().MsgBox("Category " + name + " Added", runtime::vbInformation, QString());
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(e.number() == kErrGeneralFailure ? QString("Category Exists. Please Enter New Category.")
                                                               : QString::fromStdString(e.description()),
                              runtime::vbCritical, QString());
        reloadCategories();
    }
}

void Form1::CmdDeleteCateg_Click() {
    const QString name = ComboCategory->Text();
    if (!catalogue::IsCategoryChosen(name)) {
        ui::services().MsgBox("Enter or Select a Category First", runtime::vbOKOnly, QString());
        return;
    }
    try {
        db::Recordset& categories = AdodcCategories.recordset();
        categories.moveFirst();
        categories.find(catalogue::CategoryEqualsCriterion(name).toStdString());
        if (categories.absolutePosition() <= 0) {
            ui::services().MsgBox("Category Not Found", runtime::vbOKOnly, QString());
            return;
        }
        const db::Field stored = categories.field("Description");
        if (ui::services().MsgBox("Delete Category " + ui::fieldText(&stored) + "?",
                                  runtime::vbYesNo + runtime::vbCritical, QString()) != runtime::vbYes)
            return;
        categories.deleteCurrent();
        categories.update();
        pLoadCategories();
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbCritical, QString());
        reloadCategories();
    }
}

void Form1::CheckFilterByCategory_Click() {
    // The window's load ticks the box to show a filter that is on; that is no change.
    if (!Visible() || !saveRecordEditOrUndo(*CheckFilterByCategory)) return;
    try {
        // Unticked, a filter that is on always ends, whatever the box shows and even
        // when none of its pictures is left.
        if (CheckFilterByCategory->Value() == 0 && Module1::CategoryFilterOn) {
            Module1::CategoryFilterOn = false;
            CmdPictures_Click();
            return;
        }
        if (Adodc3.recordset().recordCount() == 0) {
            CheckFilterByCategory->setValue(0);
            ui::services().Beep();
            return;
        }
        const QString name = ComboCategory->Text();
        if (!catalogue::IsCategoryChosen(name)) {
            CheckFilterByCategory->setValue(0);
            return;
        }
        if (CheckFilterByCategory->Value() != 0) {
            Module1::CategoryFilterOn = true;
            Module1::CategoryFilterName = name;
            CmdPictures_Click();
            if (Adodc3.recordset().recordCount() == 0) {
                Module1::CategoryFilterOn = false;
                CheckFilterByCategory->setValue(0);
                CmdPictures_Click();
                ui::services().MsgBox("No Pictures Found in this Category", runtime::vbOKOnly, QString());
            }
        } else {
            Module1::CategoryFilterOn = false;
            CmdPictures_Click();
        }
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}
