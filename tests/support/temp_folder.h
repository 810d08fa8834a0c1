#pragma once
// A private folder for one test, removed with everything in it at the end.

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A file's mode bits (permissions, set-id and sticky); all bits set, which no file's mode
// has, when it cannot be read.
mode_t modeOf(const std::string& path);

}  // namespace testsupport
