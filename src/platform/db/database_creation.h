#pragma once
// Making a new, empty encrypted database from schema statements (the template
// catalogue is built this way). The file is written under a temporary name beside the
// target and renamed into place when complete and flushed, so the target either does
// not exist or is whole. Raises when the target exists, when there is no statement, or
// when a statement fails.

#include <string>
#include <vector>

namespace db {

void createDatabase(const std::string& path, const std::string& password, const std::vector<std::string>& schema);

}  // namespace db
