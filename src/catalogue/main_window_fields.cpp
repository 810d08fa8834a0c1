// The record's field editors: writing the record on a click, the calendar of the date
// field, entering the chosen category, opening the link; and deleting the record.

#include <QDate>

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/ui/handlers.h"
#include "platform/ui/outside_programs.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"

namespace {

constexpr int kDateField = 16;
constexpr int kCategoryField = 14;
constexpr int kLinkField = 20;
constexpr int kCategoryLabel = 11;

}  // namespace

void Form1::connectFieldEditors() {
    TextField.bind(&ui::TextBox::Click, [this](int Index) { TextField_Click(Index); });
    TextField.bind(&ui::TextBox::DblClick, [this](int Index) { TextField_DblClick(Index); });
    TextField.bind(&ui::TextBox::KeyDown,
                   [this](int Index, int& KeyCode, int Shift) { TextField_KeyDown(Index, KeyCode, Shift); });
    TextLabelField.bind(&ui::TextBox::Click, [this](int Index) { TextLabelField_Click(Index); });
    MonthView1->DateClick = [this](QDate date) { MonthView1_DateClick(date); };
    MonthView1->LostFocus = [this] { MonthView1_LostFocus(); };
    ImageGo->Click = [this] { ImageGo_Click(); };
}

void Form1::TextField_Click(int Index) {
    try {
        if (Index == kDateField) {
            MonthView1->setLeft(TextField[kDateField]->Left());
            MonthView1->setTop(TextField[kDateField]->Top() - MonthView1->Height() - 200);
            MonthView1->setVisible(true);
            MonthView1->ZOrder(0);
        }
        if (Adodc3.recordset().recordCount() == 0) {
            ui::services().Beep();
            return;
        }
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
        return;
    }
    SaveRecordEdit();
}

void Form1::TextField_DblClick(int Index) {
    if (Index != kCategoryField) return;
    runtime::resumeNext([&] {
        const QString chosen = ComboCategory->Text();
        if (catalogue::IsCategoryChosen(chosen)) TextField[kCategoryField]->setText(chosen);
    });
}

void Form1::TextLabelField_Click(int Index) {
    runtime::resumeNext([&] { CommandSetfocus->SetFocus(); });
    if (Index == kCategoryLabel) TextField_DblClick(kCategoryField);
}

void Form1::MonthView1_DateClick(const QDate& DateClicked) {
    runtime::resumeNext([&] { TextField[kDateField]->setText(DateClicked.toString(Qt::ISODate)); });
    runtime::resumeNext([&] { MonthView1->setVisible(false); });
    runtime::resumeNext([&] { TextField[kDateField]->SetFocus(); });
}

void Form1::MonthView1_LostFocus() {
    runtime::resumeNext([&] { MonthView1->setVisible(false); });
}

void Form1::ImageGo_Click() {
    const QString link = TextField[kLinkField]->Text();
    if (!link.isEmpty()) ui::openWithRegisteredProgram(link);
}

void Form1::CmdCatalogueCut_Click() {
    bool empty = false;
    runtime::resumeNext([&] { empty = Adodc3.recordset().recordCount() == 0; });
    if (empty) {
        ui::services().Beep();
        return;
    }
    runtime::resumeNext([&] { Timer3->setEnabled(false); });
    if (ui::services().MsgBox("Remove Picture from the DataBase?", runtime::vbYesNo, QString()) != runtime::vbYes)
        return;
    const auto pointers = [&](int pointer) {
        runtime::resumeNext([&] { setMousePointer(pointer); });
        runtime::resumeNext([&] { ImageCatalogue->setMousePointer(pointer); });
        runtime::resumeNext([&] { PictureCatalogueFrame->setMousePointer(pointer); });
    };
    pointers(ui::vbHourglass);
    ui::DoEvents();
    ui::services().Sleep(50);
    ui::DoEvents();
    PictureBindingEnabled = false;
    runtime::resumeNext([&] { Adodc3.recordset().deleteCurrent(); });
    runtime::resumeNext([&] { Adodc3.recordset().update(); });
    runtime::resumeNext([&] { Adodc3.refresh(); });
    PictureBindingEnabled = true;
    runtime::resumeNext([&] { CmdPictures_Click(); });
    pointers(ui::vbDefault);
    ui::DoEvents();
}
