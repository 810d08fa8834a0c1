// What the user types into the record panel's bound boxes waits in the main record set
// until something saves it. Everything that would drop it (closing the window, a
// requery or rebuild of the lists, a move) saves it first through SaveRecordEdit; when
// the catalogue refuses it, the user is told once and stays on the record with the text.
// A name of blanks only is refused before that, and the stored name comes back.

#include "catalogue/main_window.h"
#include "platform/db/errors.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/services.h"

namespace {

constexpr int kNameField = 18;
constexpr int kKeyEscape = 27;

QString blankNameText(const QString& stored) {
    return "The Name Box is Empty. A Picture Needs a Name in the DataBase.\r\n\r\n"
           "The Stored Name \"" + stored + "\" is Restored.";
}

QString clashText(const QString& typed, const QString& stored) {
    return "The Name \"" + typed + "\" is Already Used by Another Picture in the DataBase.\r\n\r\n"
           "Enter Another Name, or Press Escape in the Name Box to Restore \"" + stored + "\".";
}

// The current record's name as stored, whatever the name box holds.
QString storedName(db::Recordset& rs) {
    const db::Value stored = rs.field("PhotoDescription").originalValue();
    return stored.isNull() ? QString() : QString::fromStdString(stored.text());
}

}  // namespace

bool Form1::SaveRecordEdit() {
    if (!Adodc3.isOpen()) return true;
    if (!keepTypedName()) return false;
    try {
        Adodc3.recordset().update();
        return true;
    } catch (const runtime::Error& e) {
        reportRefusedEdit(e);
        return false;
    }
}

// A typed name is kept without blanks around it: nobody sees them, and they would set
// the name apart from the same name without. A name of blanks only is none: the box
// shows the stored name again, the user is told and stays on the record to see it.
bool Form1::keepTypedName() {
    bool kept = true;
    runtime::resumeNext([&] {
        db::Recordset& rs = Adodc3.recordset();
        if (!rs.hasCurrentRow() || rs.isAddingNew()) return;
        ui::TextBox& box = *TextField[kNameField];
        const QString typed = box.Text();
        const QString stored = storedName(rs);
        if (typed == stored) return;
        const QString name = typed.trimmed();
        if (!name.isEmpty()) {
            if (name != typed) box.setText(name);
            return;
        }
        box.setText(stored);
        kept = false;
        ui::services().MsgBox(blankNameText(stored), runtime::vbExclamation, QString());
    });
    return kept;
}

void Form1::reportRefusedEdit(const runtime::Error& e) {
    QString text = QString::fromStdString(e.description());
    int style = runtime::vbOKOnly;
    runtime::resumeNext([&] {
        if (e.number() != db::kErrDuplicateServer && e.number() != db::kErrDuplicateClient) return;
        const db::Field typed = Adodc3.recordset().field("PhotoDescription");
        text = clashText(ui::fieldText(&typed), storedName(Adodc3.recordset()));
        style = runtime::vbCritical;
    });
    ui::services().MsgBox(text, style, QString());
}

// A box whose click would rebuild or reload the lists: the typed text is saved first, and
// when that is refused the box goes back to what the lists show, its click doing nothing.
bool Form1::saveRecordEditOrUndo(ui::CheckBox& box) {
    if (undoingBoxClick_) return false;
    if (SaveRecordEdit()) return true;
    undoingBoxClick_ = true;
    runtime::resumeNext([&] { box.setValue(box.Value() != 0 ? 0 : 1); });
    undoingBoxClick_ = false;
    return false;
}

void Form1::Form_QueryUnload(int& Cancel, int) {
    if (!SaveRecordEdit()) Cancel = 1;
}

// Escape in the name box undoes the typed name: the box shows the stored one again, and
// the binding writes that back at the next save, whatever was refused before.
void Form1::TextField_KeyDown(int Index, int& KeyCode, int) {
    if (Index != kNameField || KeyCode != kKeyEscape) return;
    KeyCode = 0;
    runtime::resumeNext([&] {
        db::Recordset& rs = Adodc3.recordset();
        if (!rs.hasCurrentRow() || rs.isAddingNew()) return;
        TextField[kNameField]->setText(storedName(rs));
    });
}
