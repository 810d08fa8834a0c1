#include "shell/program_password.h"

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/db/value.h"
#include "platform/runtime/error.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"
#include "shell/password_hash.h"

namespace Module1 {

db::Field ProgramPasswordField() {
    db::DataControl& options = ui::loaded<Form1>().AdodcForm1Options;
    options.recordset().setAbsolutePosition(1);
    return catalogue::OptionsFieldAt(options, catalogue::ProgramPassword);
}

bool PasswordStored(const db::Field& field) { return field.actualSize() != 0; }

bool PasswordMatches(const db::Field& field, const QString& typed) {
    return PasswordMatchesStored(ui::fieldText(&field), typed);
}

bool PasswordStoredInPlainText(const db::Field& field) {
    return PasswordStored(field) && !IsPasswordHash(ui::fieldText(&field));
}

void StoreProgramPassword(db::Field& field, const QString& password) {
    const db::Value value = password.isEmpty() ? db::Value() : db::Value(HashPassword(password).toStdString());
    const db::Value previous = field.value();
    field.setValue(value);
    try {
        ui::loaded<Form1>().AdodcForm1Options.recordset().update();
    } catch (...) {
        runtime::resumeNext([&] { field.setValue(previous); });
        throw;
    }
}

}  // namespace Module1
