#pragma once
// The lines of the add-folder run's error list: the file's name and, in plain words,
// why it was not added, so that the user can put it right without an error number.

#include <QString>

#include "platform/runtime/error.h"

namespace catalogue {

// "photo19.jpg: a picture named "photo19" is already in the catalogue". An empty entry
// is a failure of the run itself, outside any one file.
QString FolderFailureLine(const QString& entry, const runtime::Error& error);

}  // namespace catalogue
