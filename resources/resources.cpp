#include "resources/resources.h"

#include "platform/runtime/error.h"

namespace resources {

std::string loadResString(int id) {
    if (id == kDatabasePasswordResource) return QM_DATABASE_PASSWORD;
    throw runtime::Error(326, "Resource with identifier '" + std::to_string(id) + "' not found");
}

}  // namespace resources
