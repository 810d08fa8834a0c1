#include <set>
#include <string>

#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/runtime/error.h"
#include "resources/resources.h"
#include "support/program_folder_test.h"

namespace {

using testsupport::fileBytes;

std::vector<std::string> columnsOf(sqlite3* db, const std::string& table) {
    std::vector<std::string> columns;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
    sqlite3_finalize(statement);
    return columns;
}

long countRows(sqlite3* db, const std::string& table) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &statement, nullptr);
    sqlite3_step(statement);
    const long n = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return n;
}

class CatalogueFile : public testsupport::ProgramFolderTest {};

TEST_F(CatalogueFile, TemplateIsEncryptedAndHoldsTheThreeTables) {
    const auto bytes = resources::templateCatalogue();
    ASSERT_GT(bytes.size(), 16u);
    EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 15), "SQLite format 3");

    makeCatalogueWithRows(0);
    const std::string password = resources::loadResString(resources::kDatabasePasswordResource);
    db::Connection connection = db::Connection::openFile(catalogue(), password);
    sqlite3* db = connection.handle();
    EXPECT_EQ(fileBytes(catalogue()), std::vector<uint8_t>(bytes.begin(), bytes.end()))
        << "the template needs no move at its first open";

    const std::set<std::string> needed = {
        "ID", "PhotoDescription", "Date", "Category", "Photo", "PhotoXtent", "PhotoSize", "Description",
        "Notes", "WorkPhone", "Location", "Phone", "Email", "Address", "City", "State", "Zip", "IDUs",
        "Company", "Gender", "MaritalSt", "Height", "Weight", "DOB", "Education"};
    db::Recordset pictures;
    pictures.open(connection.share(), "Select * from Pictures");
    std::vector<std::string> shown;
    for (size_t i = 0; i < pictures.fieldCount(); ++i) shown.push_back(pictures.field(i).name());
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()), needed);
    EXPECT_EQ(shown.back(), "Photo") << "the picture bytes stand last in the record";
    // In the file the bytes have a table of their own, so a text edit never rewrites them.
    const auto inFile = columnsOf(db, "Pictures");
    EXPECT_EQ(std::set<std::string>(inFile.begin(), inFile.end()).count("Photo"), 0u);
    EXPECT_EQ(columnsOf(db, "PictureBytes"), (std::vector<std::string>{"ID", "Photo"}));
    EXPECT_EQ(columnsOf(db, "Categories"), (std::vector<std::string>{"ID", "Description"}));
    EXPECT_GE(columnsOf(db, "Options").size(), 6u);
    EXPECT_EQ(countRows(db, "Options"), 1);
    EXPECT_EQ(countRows(db, "Pictures"), 0);
}

TEST_F(CatalogueFile, WrongPasswordDoesNotOpenIt) {
    makeCatalogueWithRows(0);
    EXPECT_THROW(db::Connection::openFile(catalogue(), "000000000000"), runtime::Error);
}

}  // namespace
