// Moving through the current list: the navigation strip, the find row on the tool strip
// (by name as the user types, Find Next, by record ID) and the records grid.

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"
#include "platform/ui/handlers.h"

namespace {

const QString kFindPrompt = QStringLiteral("Find");

}  // namespace

void Form1::connectNavigation() {
    ComdADOMove.bind(&ui::Image::Click, [this](int Index) { ComdADOMove_Click(Index); });
    TextFind->Change = [this] { TextFind_Change(); };
    TextFind->Click = [this] { TextFind_Click(); };
    TextFind->DblClick = [this] { TextFind_DblClick(); };
    ImageFindNext->Click = [this] { ImageFindNext_Click(); };
    CheckFindID->Click = [this] { CheckFindID_Click(); };
    CmdShowGrid->Click = [this] { CmdShowGrid_Click(); };
    MSHFlexGrid1->Click = [this] { MSHFlexGrid1_Click(); };
}

void Form1::ComdADOMove_Click(int Index) {
    runtime::resumeNext([&] { LabelError->setVisible(false); });
    runtime::resumeNext([&] { WebBrowser1->setVisible(false); });
    runtime::resumeNext([&] { Timer3->setEnabled(false); });
    runtime::resumeNext([&] { CommandSetfocus->SetFocus(); });
    db::Recordset& rs = Adodc3.recordset();
    bool empty = false;
    runtime::resumeNext([&] { empty = rs.recordCount() == 0; });
    if (empty || !SaveRecordEdit()) return;
    bool stop = false;
    runtime::resumeNext([&] {
        switch (Index) {
        case 1:
            if (rs.absolutePosition() == 1) {
                stop = true;
                return;
            }
            rs.movePrevious();
            if (rs.absolutePosition() < 1) rs.setAbsolutePosition(1);
            break;
        case 2:
            if (rs.absolutePosition() == rs.recordCount()) {
                stop = true;
                return;
            }
            rs.moveNext();
            if (rs.absolutePosition() < 1) rs.moveLast();
            break;
        case 3:
            rs.moveFirst();
            break;
        case 4:
            rs.moveLast();
            break;
        default:
            break;
        }
    });
    if (stop) return;
    runtime::resumeNext([&] { pComboCatalogue_Click(); });
}

// The shown picture and both boxes go blank when a search fails; the record set stays
// where the failure left it.
void Form1::clearFoundRecord() {
    runtime::resumeNext([&] { ImageCatalogue->setPicture(picture::Picture()); });
    runtime::resumeNext([&] { Text1->setText(""); });
    runtime::resumeNext([&] { Text2->setText(""); });
}

void Form1::TextFind_Change() {
    try {
        LabelError->setVisible(false);
        const QString text = TextFind->Text();
        if (text == kFindPrompt || !SaveRecordEdit()) return;
        PictureCatalogue->setPicture(picture::Picture());
        Text1->setText("");
        Text2->setText("");
        db::Recordset& rs = Adodc3.recordset();
        if (rs.recordCount() == 0) return;
        rs.moveFirst();
        if (!text.isEmpty()) {
            if (CheckFindID->Value() != 0) {
                if (runtime::Val(text.toStdString()) < 1) {
                    TextFind->setText("");
                    return;
                }
                rs.find(catalogue::IdCriterion(text).toStdString());
            } else {
                rs.find(catalogue::NameContainsCriterion(text).toStdString());
            }
        }
        ShowRecordPicture();
    } catch (const runtime::Error&) {
        clearFoundRecord();
    }
}

void Form1::TextFind_Click() {
    const QString text = TextFind->Text();
    if (text == kFindPrompt || text == "Filter") TextFind->setText("");
}

void Form1::TextFind_DblClick() { TextFind->setText(""); }

void Form1::ImageFindNext_Click() {
    const QString text = TextFind->Text();
    if (text.isEmpty() || text == kFindPrompt || !SaveRecordEdit()) return;
    try {
        ImageFindNext->setVisible(false);
        ui::DoEvents();
        db::Recordset& rs = Adodc3.recordset();
        rs.moveNext();
        rs.find(catalogue::NameContainsCriterion(text).toStdString());
        ShowRecordPicture();
        ui::DoEvents();
        ImageFindNext->setVisible(true);
    } catch (const runtime::Error&) {
        clearFoundRecord();
        runtime::resumeNext([&] { ImageFindNext->setVisible(true); });
    }
}

void Form1::CheckFindID_Click() { ImageFindNext->setVisible(CheckFindID->Value() != 1); }

void Form1::CmdShowGrid_Click() {
    runtime::resumeNext([&] { CommandSetfocus->SetFocus(); });
    bool empty = true;
    runtime::resumeNext([&] { empty = Adodc4.recordset().recordCount() == 0; });
    if (empty) return;
    if (!MSHFlexGrid1->Visible()) {
        ui::FlexGrid* grid = MSHFlexGrid1;
        runtime::resumeNext([&] { grid->setTop(PictureCatalogueFrame->Top() + PictureCatalogueFrame->Height() + 60); });
        runtime::resumeNext([&] {
            grid->setLeft(PictureCatalogueFrame->Left());
            grid->setWidth(PictureCatalogueFrame->Width());
        });
        runtime::resumeNext([&] { grid->setHeight(TextField[20]->Top() + TextField[20]->Height() - grid->Top() + 50); });
        runtime::resumeNext([&] { grid->setBackColor(static_cast<ui::COLORREF>(Point(grid->Left(), grid->Top()))); });
        runtime::resumeNext([&] {
            grid->setColWidth(0, 1000);
            grid->setColWidth(1, 3000);
            grid->setColWidth(2, 1500);
        });
        runtime::resumeNext([&] {
            grid->setVisible(true);
            grid->ZOrder(0);
        });
    } else {
        runtime::resumeNext([&] { MSHFlexGrid1->setVisible(false); });
    }
}

void Form1::MSHFlexGrid1_Click() {
    if (!SaveRecordEdit()) {
        // The click has moved the selection already; it goes back to the record kept.
        runtime::resumeNext([&] { followWithGrid(Adodc3.recordset().absolutePosition()); });
        return;
    }
    GridFollowsRecord = false;
    runtime::resumeNext([&] {
        const long position = MSHFlexGrid1->Row() + 1;
        Adodc3.recordset().setAbsolutePosition(position);
        Adodc4.recordset().setAbsolutePosition(position);
    });
    runtime::resumeNext([&] { pComboCatalogue_Click(); });
    GridFollowsRecord = true;
}
