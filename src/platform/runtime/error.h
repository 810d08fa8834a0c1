#pragma once
// The one error type of the platform layer: a number, the source that raised it and
// a description, as the windows show them in their message boxes.

#include <stdexcept>
#include <string>

namespace runtime {

// Error numbers the windows test for or show.
enum ErrorNumber : long {
    kErrInvalidProcedureCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrSubscriptOutOfRange = 9,
    kErrTypeMismatch = 13,
    kErrFileNotFound = 53,
    kErrFileAlreadyOpen = 55,
    kErrDeviceIO = 57,
    kErrFileAlreadyExists = 58,
    kErrDiskFull = 61,
    kErrInputPastEnd = 62,
    kErrPermissionDenied = 70,
    kErrPathFileAccess = 75,
    kErrPathNotFound = 76,
    kErrInvalidPicture = 481,
    kErrCancel = 32755,  // the common dialog's "Cancel was selected"
};

class Error : public std::runtime_error {
public:
    Error(long number, std::string description, std::string source = "Quillmere");

    long number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }

private:
    long number_;
    std::string source_;
    std::string description_;
};

// The standard description of a run-time error number ("Overflow", "File not found").
std::string describeError(long number);

// Raises the error with its standard description.
[[noreturn]] void raise(long number);

// Runs one step of a procedure whose failing steps are skipped: a failure ends the
// step and the procedure goes on with the next.
template <class Step>
void resumeNext(Step&& step) {
    try {
        step();
    } catch (const Error&) {
    } catch (const std::exception&) {
    }
}

}  // namespace runtime
