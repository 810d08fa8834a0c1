#pragma once
// The program's temporary files in the program folder (TmpFile1.png, TmpFile.bmp,
// TmpPic2.TGA, Help.mht...): plain copies of records of the encrypted catalogue. Each is
// named through TemporaryFile(), written for the user alone, and deleted by name pattern
// at the start and at the final close, so that what a killed run left goes too, and a
// file of the user's that merely begins with "Tmp" stays.

#include <QString>

namespace catalogue {

// ProgramFolder & "/" & name, for a name that IsTemporaryFileName accepts; a scratch
// file, whose writes are not flushed to disk and which only the user may read.
QString TemporaryFile(const QString& name);

// The program's own temporary names: "TmpFile.*", "TmpFile1.*", "TmpPic2.*",
// "TmpPaste.bmp", "Help.mht", and the atomic writer's hidden file for one of them or
// for the catalogue (".TmpFile1.png.Ab12Cd", ".Quillmere.mdb.Ab12Cd"). Exact case.
bool IsTemporaryFileName(const QString& name);

// Deletes every file of the program folder whose name IsTemporaryFileName; a file that
// cannot be deleted is skipped.
void DeleteTemporaryFiles();

}  // namespace catalogue
