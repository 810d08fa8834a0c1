#include "catalogue/temporary_files.h"

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/catalogue_schema.h"
#include "platform/sys/files.h"
#include "shell/module1.h"

namespace catalogue {

namespace {

// The program writes these with any record's extension after the dot, or none.
const QString kPrefixes[] = {QStringLiteral("TmpFile."), QStringLiteral("TmpFile1."), QStringLiteral("TmpPic2.")};
const QString kFixedNames[] = {QStringLiteral("TmpPaste.bmp"), QStringLiteral("Help.mht")};

bool isOwnTemporaryName(const QString& name) {
    if (name.contains('/')) return false;
    for (const QString& prefix : kPrefixes)
        if (name.startsWith(prefix)) return true;
    for (const QString& fixed : kFixedNames)
        if (name == fixed) return true;
    return false;
}

}  // namespace

QString TemporaryFile(const QString& name) {
    Q_ASSERT(isOwnTemporaryName(name));
    const QString path = Module1::text(Module1::ProgramFolder) + "/" + name;
    sys::markScratchFile(path.toStdString());
    return path;
}

bool IsTemporaryFileName(const QString& name) {
    if (isOwnTemporaryName(name)) return true;
    const QString target = QString::fromStdString(sys::atomicWriteTarget(name.toStdString()));
    return !target.isEmpty() && (isOwnTemporaryName(target) || target == kCatalogueFileName);
}

void DeleteTemporaryFiles() {
    const std::filesystem::path folder = Module1::text(Module1::ProgramFolder).toStdString();
    std::vector<std::string> doomed;  // gathered first: the folder is not changed while it is read
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code statusError;
        if (it->is_directory(statusError)) continue;
        if (IsTemporaryFileName(QString::fromStdString(it->path().filename().string())))
            doomed.push_back(it->path().string());
    }
    for (const std::string& path : doomed) sys::deleteFile(path);
}

}  // namespace catalogue
