#include "shell/program_password.h"

#include "catalogue/catalogue_schema.h"
#include "catalogue/main_window.h"
#include "platform/ui/data_binding.h"
#include "platform/ui/forms.h"

namespace Module1 {

db::Field ProgramPasswordField() {
    db::DataControl& options = ui::loaded<Form1>().AdodcForm1Options;
    options.recordset().setAbsolutePosition(1);
    return catalogue::OptionsFieldAt(options, catalogue::ProgramPassword);
}

bool PasswordStored(const db::Field& field) { return field.actualSize() != 0; }

bool PasswordMatches(const db::Field& field, const QString& typed) {
    return ui::fieldText(&field) == typed;
}

}  // namespace Module1
