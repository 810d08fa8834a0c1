#pragma once
// The program's temporary files in the program folder (TmpFile1.png, TmpFile.bmp,
// TmpPic2.TGA, Help.mht...). Each is named through TemporaryFile(), which remembers
// it, so the final close deletes exactly the files the program wrote and never a
// file of the user's that merely begins with "Tmp".

#include <QString>

namespace catalogue {

// ProgramFolder & "/" & name, remembered for the final clean-up; a scratch file, whose
// writes are not flushed to disk.
QString TemporaryFile(const QString& name);

// Deletes every remembered temporary file, and those of fixed name (TmpFile.bmp,
// TmpFile.jpg, Help.mht) that an earlier run may have left, when present.
void DeleteTemporaryFiles();

}  // namespace catalogue
