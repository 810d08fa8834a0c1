#include "catalogue/folder_failures.h"

#include "catalogue/catalogue_schema.h"
#include "platform/db/errors.h"

namespace catalogue {

namespace {

QString reasonFor(const QString& entry, const runtime::Error& error) {
    // The record's name is the file's name up to its last dot, its type the letters after.
    if (!entry.contains('.')) return "its name has no extension, such as .jpg";
    if (db::isDuplicateValue(error))
        return "a picture named \"" + PhotoDescriptionOf(entry) + "\" is already in the catalogue";
    switch (error.number()) {
    case runtime::kErrFileNotFound:
    case runtime::kErrPathNotFound: return "the file is no longer there";
    case runtime::kErrPermissionDenied: return "there is no permission to read the file";
    case runtime::kErrDeviceIO:
    case runtime::kErrPathFileAccess:
    case runtime::kErrInputPastEnd: return "the file cannot be read";
    case runtime::kErrDiskFull: return "there is no room left on the disk";
    case db::kErrTooLarge: return "the file is too large for the catalogue";
    default: return "the catalogue could not store it (" + QString::fromStdString(error.description()) + ")";
    }
}

}  // namespace

QString FolderFailureLine(const QString& entry, const runtime::Error& error) {
    if (entry.isEmpty()) return "Adding the folder: " + QString::fromStdString(error.description());
    return entry + ": " + reasonFor(entry, error);
}

}  // namespace catalogue
