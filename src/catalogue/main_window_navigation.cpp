// Moving through the current list: the navigation strip, the find row on the tool strip
// (by name as the user types, Find Next, by record ID) and the records grid.

#include <utility>

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

// A search runs with the move events held off, so the pane and the strip change only
// when it lands on a record. One that lands on none (nothing matches, Find Next past the
// last match, a criterion the record set cannot parse) goes back to the record it
// started from, which stays shown as it was, and the find row says "Not found".
void Form1::findRecord(const std::function<void(db::Recordset&)>& search) {
    db::Recordset& rs = Adodc3.recordset();
    long start = 0;
    bool found = false;
    const bool binding = std::exchange(PictureBindingEnabled, false);
    try {
        start = rs.absolutePosition();
        search(rs);
        found = rs.absolutePosition() >= 1;
    } catch (const runtime::Error&) {
    }
    if (!found) runtime::resumeNext([&] { rs.setAbsolutePosition(start); });
    PictureBindingEnabled = binding;
    runtime::resumeNext([&] { LabelFindResult->setVisible(!found); });
    if (!found || !binding) return;
    replayMoveEvents();
    ShowRecordPicture();
}

void Form1::TextFind_Change() {
    runtime::resumeNext([&] { LabelError->setVisible(false); });
    runtime::resumeNext([&] { LabelFindResult->setVisible(false); });
    const QString text = TextFind->Text();
    if (text == kFindPrompt || !SaveRecordEdit()) return;
    bool empty = true;
    runtime::resumeNext([&] { empty = Adodc3.recordset().recordCount() == 0; });
    if (empty) return;
    const bool byId = !text.isEmpty() && CheckFindID->Value() != 0;
    if (byId && runtime::Val(text.toStdString()) < 1) {
        TextFind->setText("");  // runs this handler again, which shows the first record
        return;
    }
    findRecord([&](db::Recordset& rs) {
        rs.moveFirst();
        if (text.isEmpty()) return;
        rs.find((byId ? catalogue::IdCriterion(text) : catalogue::NameContainsCriterion(text)).toStdString());
    });
}

void Form1::TextFind_Click() {
    const QString text = TextFind->Text();
    if (text == kFindPrompt || text == "Filter") TextFind->setText("");
}

void Form1::TextFind_DblClick() { TextFind->setText(""); }

void Form1::ImageFindNext_Click() {
    const QString text = TextFind->Text();
    if (text.isEmpty() || text == kFindPrompt || !SaveRecordEdit()) return;
    runtime::resumeNext([&] { LabelFindResult->setVisible(false); });
    runtime::resumeNext([&] { ImageFindNext->setVisible(false); });
    ui::DoEvents();
    findRecord([&](db::Recordset& rs) {
        rs.moveNext();
        rs.find(catalogue::NameContainsCriterion(text).toStdString());
    });
    ui::DoEvents();
    runtime::resumeNext([&] { ImageFindNext->setVisible(true); });
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
