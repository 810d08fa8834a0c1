#include "resources/program_resources.h"

#include <QFile>
#include <QString>

namespace resources {

namespace {

// One folder level and one file: names cannot climb or reach elsewhere in the tree.
bool isPlainName(const std::string& name) { return !name.empty() && name.find('/') == std::string::npos; }

std::optional<std::vector<uint8_t>> readResource(const std::string& folder, const std::string& name) {
    if (!isPlainName(folder) || !isPlainName(name)) return std::nullopt;
    QFile file(QString::fromUtf8(":/" + folder + "/" + name));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::optional<std::vector<uint8_t>> BuiltInResources::customResource(const std::string& type, const std::string& id) {
    return readResource(type, id);
}

std::optional<std::vector<uint8_t>> BuiltInResources::pictureResource(sys::PictureResourceKind, const std::string& id) {
    return readResource("pictures", id);
}

void installProgramResources() {
    static BuiltInResources builtIn;
    sys::setResourceService(&builtIn);
}

}  // namespace resources
