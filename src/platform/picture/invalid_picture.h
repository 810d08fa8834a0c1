#pragma once
// How a reader says no. Readers throw these; the loader turns them into run-time errors
// 481 "Invalid picture" and 7 "Out of memory", keeping the reason for TryLoadPicture.

#include <stdexcept>
#include <string>

namespace picture::detail {

struct InvalidPicture : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A picture within the limits whose memory could not be had.
struct PictureOutOfMemory : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void refuse(const std::string& reason) { throw InvalidPicture(reason); }

}  // namespace picture::detail
