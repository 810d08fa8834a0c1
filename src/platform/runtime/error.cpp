#include "platform/runtime/error.h"

namespace runtime {

Error::Error(long number, std::string description, std::string source)
    : std::runtime_error(description), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}

std::string describeError(long number) {
    switch (number) {
    case kErrInvalidProcedureCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscriptOutOfRange: return "Subscript out of range";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrFileNotFound: return "File not found";
    case kErrFileAlreadyOpen: return "File already open";
    case kErrDeviceIO: return "Device I/O error";
    case kErrFileAlreadyExists: return "File already exists";
    case kErrDiskFull: return "Disk full";
    case kErrInputPastEnd: return "Input past end of file";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrInvalidPicture: return "Invalid picture";
    case kErrCancel: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
    }
}

void raise(long number) { throw Error(number, describeError(number)); }

}  // namespace runtime
