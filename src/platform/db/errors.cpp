#include "platform/db/errors.h"

namespace db {

const char* const kDuplicateValueDescription =
    "The change was not saved because it would put a value twice into a column that must "
    "hold each value once (a unique index or key). Change the value in that column, or "
    "remove the row that already holds it, and try again.";

bool isDuplicateValue(const runtime::Error& error) {
    return (error.number() == kErrDuplicateServer || error.number() == kErrDuplicateClient) &&
           error.description() == kDuplicateValueDescription;
}

void raiseDb(long number, const std::string& description) {
    throw runtime::Error(number, description, "Quillmere.db");
}

void raiseNoCurrentRecord() {
    raiseDb(kErrNoCurrentRecord,
            "Either BOF or EOF is True, or the current record has been deleted. "
            "The operation needs a current record.");
}

}  // namespace db
