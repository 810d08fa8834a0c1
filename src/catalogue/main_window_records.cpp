// The current-record events of the main record set: the pane cleared before a move; the
// hidden picture box bound to the new row's picture bytes (for the extensions the
// platform's picture loader reads), the list and grid following, the logo where nothing
// shows; errors the data control meets on its own.

#include "catalogue/main_window.h"
#include "catalogue/picture_fitting.h"
#include "catalogue/record_picture.h"
#include "platform/picture/picture.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/input.h"
#include "platform/ui/services.h"
#include "platform/ui/wait_cursor.h"

Form1::Form1() : Form("Form1") {
    Adodc3.onWillMove([this](db::MoveReason reason, db::Recordset& rs) { Adodc3_WillMove(reason, rs); });
    Adodc3.onMoveComplete([this](db::MoveReason reason, const runtime::Error* error, db::Recordset& rs) {
        Adodc3_MoveComplete(reason, error, rs);
    });
    Adodc3.onError([this](const runtime::Error& error, bool& cancel) { Adodc3_Error(error, cancel); });
}

void Form1::bindRecordFields() {
    static const struct { int index; const char* column; } fields[] = {
        {18, "PhotoDescription"}, {16, "Date"}, {19, "ID"}, {11, "Description"}, {15, "Notes"},
        {20, "WorkPhone"}, {14, "Category"}, {13, "Location"}, {0, "Phone"}, {7, "Email"},
        {9, "Address"}, {1, "City"}, {2, "State"}, {3, "Zip"}, {8, "IDUs"}, {10, "Company"},
        {5, "Height"}, {4, "Weight"}, {6, "DOB"}, {12, "Education"}, {17, "ID"}};
    for (const auto& f : fields)
        fieldBindings_.emplace_back(&Adodc3, ui::BindText(Adodc3, TextField[f.index], f.column));
    fieldBindings_.emplace_back(&Adodc3, ui::BindText(Adodc3, ComboGender, "Gender"));
    fieldBindings_.emplace_back(&Adodc3, ui::BindText(Adodc3, ComboMartStaus, "MaritalSt"));
    // The type in words a user reads; the stored PhotoXtent is never written from here.
    fieldBindings_.emplace_back(&Adodc3, ui::BindShownText(Adodc3, Text4, "PhotoXtent", [this](const db::Field* f) {
        const QString extent = ui::fieldText(f);
        db::Bytes head;
        try {
            if (f) head = Adodc3.recordset().field("Photo").getChunk(4);
        } catch (const runtime::Error&) {
        }
        return catalogue::TypeText(extent, head);
    }));
}

void Form1::Adodc3_WillMove(db::MoveReason, db::Recordset& pRecordset) {
    if (!PictureBindingEnabled) return;
    bool rows = false;
    runtime::resumeNext([&] { rows = pRecordset.recordCount() >= 1; });
    if (!rows) return;
    runtime::resumeNext([&] { LabelError->setVisible(false); });
    runtime::resumeNext([&] { setMousePointer(ui::vbHourglass); });
    runtime::resumeNext([&] { PictureCatalogue->setPicture(picture::Picture()); });
}

void Form1::Adodc3_MoveComplete(db::MoveReason, const runtime::Error*, db::Recordset& pRecordset) {
    if (!PictureBindingEnabled) return;
    runtime::resumeNext([&] {
        bool bound = true;  // a row whose extension cannot be read binds as a match
        try {
            const db::Field extent = pRecordset.field("PhotoXtent");
            bound = !extent.value().isNull() && catalogue::IsBoundPictureExtension(ui::fieldText(&extent));
        } catch (const runtime::Error&) {
        }
        bindPictureBox(bound);
    });
    runtime::resumeNext([&] { Adodc4.recordset().setAbsolutePosition(pRecordset.absolutePosition()); });
    runtime::resumeNext([&] {
        if (PictureCatalogue->Picture().Handle() == 0) PictureCatalogue->setPicture(PicLogo->Picture());
    });
    if (GridFollowsRecord) runtime::resumeNext([&] { followWithGrid(pRecordset.absolutePosition()); });
}

// The grid's selection on the record at `position`, scrolled to the top.
void Form1::followWithGrid(long position) {
    const long row = position - 1;
    MSHFlexGrid1->setRow(row);
    MSHFlexGrid1->setRowSel(row);
    MSHFlexGrid1->setTopRow(row);
    MSHFlexGrid1->setCol(1);
}

// Adding rows holds the move events off, and the picture box keeps whatever it held
// (another record's picture, the clipboard's, none). Turning them on again shows the
// record current now as a move to it would, or the logo of an empty catalogue, and
// takes any progress text off the pane.
void Form1::resumePictureBinding() {
    PictureBindingEnabled = true;
    bool rows = false;
    runtime::resumeNext([&] { rows = Adodc3.recordset().recordCount() >= 1; });
    if (rows) {
        replayMoveEvents();
        pComboCatalogue_Click();
    } else {
        runtime::resumeNext([&] { LabelError->setVisible(false); });
        runtime::resumeNext([&] { showEmptyCatalogue(); });
    }
    runtime::resumeNext([&] { setMousePointer(ui::vbDefault); });
}

// The move events for the record current now, as a move to it would have fired them.
void Form1::replayMoveEvents() {
    db::Recordset& rs = Adodc3.recordset();
    Adodc3_WillMove(db::MoveReason::Move, rs);
    Adodc3_MoveComplete(db::MoveReason::Move, nullptr, rs);
}

// The picture box bound to Photo shows the row's stored bytes as a picture when the
// platform's loader reads them, and no picture otherwise. The binding is one-way: a
// picture set by code is never written back.
void Form1::bindPictureBox(bool bound) {
    pictureBound_ = bound;
    if (!bound) return;
    const ui::WaitCursor busy;  // a large photo takes a moment to decode
    PictureCatalogue->setPicture(catalogue::BoundPhotoPicture(Adodc3.recordset()));
}

void Form1::Adodc3_Error(const runtime::Error& error, bool& fCancelDisplay) {
    ui::services().Beep();
    if (error.number() == 3661) {
        fCancelDisplay = true;
        return;
    }
    ui::services().MsgBox("Adodc3_Error " + QString::fromStdString(error.description()), runtime::vbOKOnly,
                          QString());
}
