// The program's temporary files (plain copies of records) are removed by name pattern at
// the start and at the final close, whatever run left them; nothing else is touched.

#include <sys/stat.h>

#include <filesystem>

#include <QWidget>

#include "catalogue/main_window.h"
#include "catalogue/temporary_files.h"
#include "platform/sys/files.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"
#include "shell/module1.h"
#include "support/program_folder_test.h"

namespace {

const struct {
    const char* name;
    bool goes;
} kNames[] = {
    {"TmpFile.png", true},
    {"TmpFile.bmp", true},
    {"TmpFile.", true},           // a record without extension
    {"TmpFile1.tga", true},
    {"TmpFile1.x.y", true},
    {"TmpPic2.TGA", true},
    {"TmpPaste.bmp", true},
    {"Help.mht", true},
    {".TmpFile1.png.Ab12Cd", true},  // an atomic write cut off by a kill
    {".TmpFile.jpg.000000", true},
    {".TmpPaste.bmp.zZ9yY8", true},
    {".Help.mht.abcdef", true},
    {".Quillmere.mdb.Ab12Cd", true},  // the catalogue's first write, cut off
    {"TmpFile", false},               // never written by the program
    {"TmpFile1", false},
    {"TmpFile2.png", false},
    {"TmpPaste.jpg", false},
    {"MyTmpFile.png", false},
    {"tmpfile.png", false},
    {"Tmp notes.txt", false},
    {"Help.mht.bak", false},
    {"Quillmere.mdb", false},
    {"QuillmereC.mdb", false},
    {"Quillmere.mdb-journal", false},
    {".Quillmere.mdb.Ab12C", false},   // not the writer's six letters or digits
    {".Quillmere.mdb.Ab1-Cd", false},
    {".Quillmere.mdb.Ab12Cde", false},
    {".QuillmereC.mdb.Ab12Cd", false},
    {".photo.png.Ab12Cd", false},      // another file's write: not the program's to judge
    {"TmpFile.png.Ab12Cd", true},      // "TmpFile.*" whatever follows
};

class TemporaryFiles : public testsupport::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        makeCatalogueWithRows(1);
    }
    // The catalogue's own files are the engine's and the load's (a journal is replayed, a
    // compaction's copy removed), so they stand in the table of names only.
    static bool leftInFolder(const std::string& name) { return name.rfind("Quillmere", 0) != 0; }
    void leaveEveryName() {
        for (const auto& c : kNames)
            if (leftInFolder(c.name)) sys::writeFile(folder.file(c.name), std::vector<uint8_t>{1});
        // A folder of a temporary name is not a file of the program's.
        std::filesystem::create_directory(folder.file("TmpFile.d"));
    }
    void expectOnlyTheProgramsNamesGone() {
        for (const auto& c : kNames) {
            if (leftInFolder(c.name)) {
                EXPECT_EQ(std::filesystem::exists(folder.file(c.name)), !c.goes) << c.name;
            }
        }
        EXPECT_EQ(pictureRows(catalogue()), 1);
        EXPECT_TRUE(std::filesystem::is_directory(folder.file("TmpFile.d")));
    }
};

TEST_F(TemporaryFiles, TheNamesAreTheProgramsOwnAndNoOthers) {
    for (const auto& c : kNames) EXPECT_EQ(catalogue::IsTemporaryFileName(c.name), c.goes) << c.name;
}

TEST_F(TemporaryFiles, TheStartRemovesWhatAKilledRunLeft) {
    leaveEveryName();
    ASSERT_FALSE(runMain());
    EXPECT_TRUE(ui::forms<Form1>().Visible());
    expectOnlyTheProgramsNamesGone();
}

TEST_F(TemporaryFiles, TheFinalCloseRemovesThemAll) {
    ASSERT_FALSE(runMain());
    leaveEveryName();
    ui::forms<Form1>().window()->close();
    EXPECT_TRUE(ui::programEnded());
    expectOnlyTheProgramsNamesGone();
}

TEST_F(TemporaryFiles, AreWrittenForTheUserAlone) {
    const mode_t mask = ::umask(022);
    ASSERT_FALSE(runMain());
    const std::string path = catalogue::TemporaryFile("TmpFile1.png").toStdString();
    sys::writeFile(path, std::vector<uint8_t>{1, 2, 3});
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
