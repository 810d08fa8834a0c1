#pragma once
// A file list box: the files of one folder as a list box (List, ListCount, ListIndex,
// MultiSelect, Selected). It lists files only, never subfolders, hidden files (names
// beginning with ".") or links that lead nowhere, sorted by name without regard to
// case. Pattern holds wildcards separated by ";"; "*.*", the default, takes every file,
// names without a "." included. The list is read when Path or Pattern is set, and is
// empty until Path is first set. Path reads back absolute and without a trailing
// separator (the root stays "/"). A Path that is not an existing folder raises 76
// (Path not found) and leaves the folder and the list as they were.

#include <QString>

#include "platform/ui/list_box.h"

namespace ui {

class FileListBox : public ListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    void setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    void copyPropertiesFrom(const Component& other) override;

private:
    void readFolder();

    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

}  // namespace ui
