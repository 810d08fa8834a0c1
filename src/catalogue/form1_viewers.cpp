// The current record in outside programs and in the browser pane, and the help.

#include "catalogue/form1.h"

void Form1::CmdCatalogueEdit_Click() {}
void Form1::ImageCatalogue_DblClick() {}
void Form1::ImageBowse_Click() {}
void Form1::ImageCatalogue_Click() {}
void Form1::ToggleHelp() {}
