// The file list box lists a folder's files as the platform's does, and a text box in
// manual drop mode hands a drop's file list to its handler.

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "platform/runtime/error.h"
#include "platform/ui/file_list_box.h"
#include "platform/ui/forms.h"
#include "platform/ui/text_box.h"

namespace {

class Canvas7 : public ui::Form {
public:
    Canvas7() : Form("Canvas7") {}
    template <class T>
    T* add(const QString& name) {
        return create<T>(name, 0, 0, 3000, 2000);
    }

protected:
    void createControls() override { setClientSize(6000, 4000); }
};

QStringList entries(const ui::FileListBox& list) {
    QStringList out;
    for (int i = 0; i < list.ListCount(); ++i) out << list.List(i);
    return out;
}

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(FileListBox, ListsTheFolderFilesOnlySortedWithoutRegardToCase) {
    QTemporaryDir dir;
    for (const char* name : {"b.png", "A.jpg", "c", "a.txt", ".hidden.png", "Zeta.GIF"}) touch(dir.filePath(name));
    QDir(dir.path()).mkdir("sub.folder");
    QFile::link(dir.filePath("missing"), dir.filePath("dangling.jpg"));
    QFile::link(dir.filePath("b.png"), dir.filePath("link.png"));

    auto* list = ui::loaded<Canvas7>().add<ui::FileListBox>("File1");
    EXPECT_EQ(list->ListCount(), 0) << "nothing is read before a path is set";
    list->setPath(dir.path() + "/sub.folder/../");
    EXPECT_EQ(list->Path(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(entries(*list), (QStringList{"A.jpg", "a.txt", "b.png", "c", "link.png", "Zeta.GIF"}));

    list->setPattern("*.png;*.GIF");
    EXPECT_EQ(entries(*list), (QStringList{"b.png", "link.png", "Zeta.GIF"}));
    list->setPattern("*.*");
    EXPECT_EQ(list->ListCount(), 6) << "the default pattern takes names without a dot too";

    list->setMultiSelect(1);
    list->setSelected(1, true);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_FALSE(list->Selected(0));
}

TEST(FileListBox, APathThatIsNoFolderIsRefusedAndChangesNothing) {
    QTemporaryDir dir;
    touch(dir.filePath("one.jpg"));
    auto* list = ui::loaded<Canvas7>().add<ui::FileListBox>("File1");
    list->setPath(dir.path());
    for (const QString& bad : {dir.filePath("one.jpg"), dir.filePath("nowhere"), QString()}) {
        try {
            list->setPath(bad);
            ADD_FAILURE() << bad.toStdString();
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), runtime::kErrPathNotFound);
        }
        EXPECT_EQ(list->Path(), QDir::cleanPath(dir.path()));
        EXPECT_EQ(entries(*list), QStringList{"one.jpg"});
    }
}

TEST(TextBoxDrop, ManualModeHandsOverTheDroppedFiles) {
    Canvas7& form = ui::loaded<Canvas7>();
    auto* box = form.add<ui::TextBox>("Text1");
    box->setText("typed");
    box->setLocked(true);  // a read-only box still takes drops
    std::vector<QStringList> drops;
    box->OLEDragDrop = [&](const QStringList& files) { drops.push_back(files); };

    // As the drag manager delivers it: the drop goes where the entering drag was accepted.
    auto drop = [&](QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->editor(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->editor(), &event);
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/first folder"), QUrl::fromLocalFile("/tmp/second.jpg"),
                   QUrl("https://example.invalid/x")});
    drop(files);
    EXPECT_TRUE(drops.empty()) << "mode 0 leaves drops to the editor";

    box->setOLEDropMode(1);
    drop(files);
    QMimeData text;
    text.setText("plain words");
    drop(text);
    ASSERT_EQ(drops.size(), 2u);
    EXPECT_EQ(drops[0], (QStringList{"/tmp/first folder", "/tmp/second.jpg"}));
    EXPECT_TRUE(drops[1].isEmpty());
    EXPECT_EQ(box->Text(), "typed") << "the handler decides what the box shows";
}

}  // namespace
