#include "platform/ui/file_list_box.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include "platform/runtime/error.h"

namespace ui {

namespace {

QStringList nameFilters(const QString& pattern) {
    QStringList filters;
    for (const QString& part : pattern.split(';', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        // The Windows habit: "*.*" matches every name, with or without a dot.
        filters << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return filters;
}

}  // namespace

FileListBox::FileListBox(QWidget* parent) : ListBox(parent) {}

void FileListBox::setPath(const QString& path) {
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir()) runtime::raise(runtime::kErrPathNotFound);
    path_ = QDir::cleanPath(folder.absoluteFilePath());
    readFolder();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    if (!path_.isEmpty()) readFolder();
}

void FileListBox::readFolder() {
    QDir folder(path_);
    folder.setNameFilters(nameFilters(pattern_));
    // Files only: QDir::Files without QDir::Hidden and QDir::System leaves out dot
    // files and dangling links.
    QStringList names = folder.entryList(QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    Clear();
    for (const QString& name : names) AddItem(name);
}

void FileListBox::copyPropertiesFrom(const Component& other) {
    if (auto* o = dynamic_cast<const FileListBox*>(&other)) {
        pattern_ = o->pattern_;
        if (!o->path_.isEmpty()) setPath(o->path_);
    }
    ListBox::copyPropertiesFrom(other);
}

}  // namespace ui
