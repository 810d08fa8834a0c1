#include "resources/resources.h"

#include <QFile>

#include "platform/runtime/error.h"

namespace resources {

std::string loadResString(int id) {
    if (id == kDatabasePasswordResource) return QM_DATABASE_PASSWORD;
    throw runtime::Error(326, "Resource with identifier '" + std::to_string(id) + "' not found");
}

std::vector<uint8_t> helpDocument() {
    QFile file(QStringLiteral(":/help/Help.mht"));
    if (!file.open(QIODevice::ReadOnly)) throw runtime::Error(326, "Resource with identifier '102' not found");
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

}  // namespace resources
