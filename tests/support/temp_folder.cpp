#include "support/temp_folder.h"

#include <stdexcept>
#include <stdlib.h>
#include <vector>

namespace testsupport {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace testsupport
