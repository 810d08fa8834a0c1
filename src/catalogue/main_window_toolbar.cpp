// The tool bar: twelve picture buttons, one click handler that dispatches on the index.

#include "catalogue/main_window.h"
#include "platform/runtime/error.h"
#include "platform/ui/handlers.h"
#include "platform/ui/services.h"
#include "shell/module1.h"

void Form1::Image1_Click(int Index) {
    try {
        // An earlier action's progress or error text goes first, for every button.
        LabelError->setVisible(false);
        ui::DoEvents();
        switch (Index) {
        case 0:  // "Add Picture"
            WebBrowser1->setVisible(false);
            CmdCatalogueOpen_Click();
            break;
        case 2:  // "Paste Picture from Clipboard"
            WebBrowser1->setVisible(false);
            PasteFromClipboardMode = true;
            CmdCatalogueOpen_Click();
            break;
        case 4: {  // "Find": shows or hides the find row, which keeps its text and tick
            const bool show = !TextFind->Visible();
            TextFind->setVisible(show);
            ImageFindNext->setVisible(show);
            CheckFindID->setVisible(show);
            LabelFindResult->setVisible(false);
            break;
        }
        case 5:  // "Full Screen"
        case 6:  // "Slide Show"
            WebBrowser1->setVisible(false);
            CmdCatalogueZoom_Click(Index == 5 ? 1 : 2);
            break;
        case 3:  // "Delete Picture"
            WebBrowser1->setVisible(false);
            CmdCatalogueCut_Click();
            break;
        case 7:  // "Thumbnails"
            WebBrowser1->setVisible(false);
            if (SaveRecordEdit()) Module1::SwitchMainToThumbnails();
            break;
        case 8:  // "View in Editor"
            WebBrowser1->setVisible(false);
            WebBrowser1->Navigate("about: blank");
            ui::DoEvents();
            CmdCatalogueEdit_Click();
            break;
        case 9:  // "View in MSPaint"
            WebBrowser1->setVisible(false);
            WebBrowser1->Navigate("about: blank");
            ui::DoEvents();
            if (Adodc3.recordset().recordCount() >= 1) ImageCatalogue_DblClick();
            break;
        case 1:  // "Add Folder"
            ShowAddFolderPanel();
            break;
        case 10:  // "View in Browser"
            if (Adodc3.recordset().recordCount() >= 1) ImageBowse_Click();
            break;
        case 11:  // "Help"
            ToggleHelp();
            break;
        default:
            break;
        }
    } catch (const runtime::Error& e) {
        ui::services().MsgBox(QString::fromStdString(e.description()), runtime::vbOKOnly, QString());
        CmdPictures_Click();
    }
}
