// The hand-overs between the main window and the windows that replace it for a while.

#include "catalogue/form1.h"
#include "platform/runtime/error.h"
#include "platform/ui/forms.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

namespace Module1 {

void ReloadMainWindow() {
    try {
        if (ui::isLoaded<Form1>()) ui::forms<Form1>().Unload();
        Form1& form = ui::loaded<Form1>();
        if (number(SavedMainPosition) > 0) form.pComboCatalogue_Click();
        SavedMainPosition = 0;
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

void SwitchMainToThumbnails() {}

void ShowProgramFolderOnMainWindow() {
    try {
        ui::loaded<Form1>().Label4->setCaption(text(ProgramFolder));
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
    }
}

}  // namespace Module1
