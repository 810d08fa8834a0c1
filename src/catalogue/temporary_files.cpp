#include "catalogue/temporary_files.h"

#include <set>

#include "platform/sys/files.h"
#include "shell/module1.h"

namespace catalogue {

namespace {

std::set<QString>& remembered() {
    static std::set<QString> names;
    return names;
}

}  // namespace

QString TemporaryFile(const QString& name) {
    remembered().insert(name);
    const QString path = Module1::text(Module1::ProgramFolder) + "/" + name;
    sys::markScratchFile(path.toStdString());
    return path;
}

void DeleteTemporaryFiles() {
    std::set<QString> names = remembered();
    names.insert({"TmpFile.bmp", "TmpFile.jpg", "Help.mht"});
    const QString folder = Module1::text(Module1::ProgramFolder);
    for (const QString& name : names) sys::deleteFile((folder + "/" + name).toStdString());
}

}  // namespace catalogue
