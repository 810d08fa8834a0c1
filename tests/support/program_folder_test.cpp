#include "support/program_folder_test.h"

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"
#include "platform/sys/program_folder.h"
#include "platform/ui/handlers.h"
#include "platform/ui/testing.h"
#include "resources/resources.h"
#include "shell/compaction_testing.h"
#include "shell/module1.h"
#include "tools/picture_decoder.h"

namespace testsupport {

void ProgramFolderTest::SetUp() {
    Module1::resetProgramState();
    sys::setProgramFolder(folder.path());
}

void ProgramFolderTest::TearDown() {
    ui::testing::reset();
    tools::UnloadDecoder();
    Module1::testing::stopCompactionAfter(0);
    sys::setProgramFolder("");
}

void ProgramFolderTest::restartProgram() {
    ui::testing::reset();
    tools::UnloadDecoder();
    services.reset();
    Module1::resetProgramState();
}

bool ProgramFolderTest::runMain() {
    try {
        Module1::Main();
    } catch (const ui::ProgramEnded&) {
        return true;
    }
    return ui::programEnded();
}

void ProgramFolderTest::makeCatalogueWithRows(int rows) {
    sys::writeFile(catalogue(), resources::templateCatalogue());
    db::Connection connection =
        db::Connection::openFile(catalogue(), resources::loadResString(resources::kDatabasePasswordResource));
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    for (int i = 0; i < rows; ++i) {
        pictures.addNew();
        pictures.field("PhotoDescription").setValue("picture " + std::to_string(i));
        pictures.field("PhotoXtent").setValue("BIN");
        pictures.field("PhotoSize").setValue(int64_t{3});
        pictures.field("Photo").appendChunk({1, 2, static_cast<uint8_t>(i)});
        pictures.update();
    }
}

void ProgramFolderTest::addPicture(const std::string& name, const std::string& extent,
                                   const std::vector<uint8_t>& bytes) {
    db::Connection connection =
        db::Connection::openFile(catalogue(), resources::loadResString(resources::kDatabasePasswordResource));
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    pictures.addNew();
    pictures.field("PhotoDescription").setValue(name);
    pictures.field("PhotoXtent").setValue(extent);
    pictures.field("PhotoSize").setValue(static_cast<int64_t>(bytes.size()));
    pictures.field("Date").setValue(db::Date{2026, 12, 10});
    pictures.field("Photo").appendChunk(db::Bytes(bytes));
    pictures.update();
}

long ProgramFolderTest::pictureRows(const std::string& path) const {
    db::Connection connection =
        db::Connection::openFile(path, resources::loadResString(resources::kDatabasePasswordResource));
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    return pictures.recordCount();
}

std::vector<uint8_t> fileBytes(const std::string& path) { return sys::readFile(path); }

}  // namespace testsupport
