#include <set>
#include <string>

#include "platform/db/connection.h"
#include "platform/runtime/error.h"
#include "resources/resources.h"
#include "support/program_folder_test.h"

namespace {

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
    db::Connection connection =
        db::Connection::openFile(catalogue(), resources::loadResString(resources::kDatabasePasswordResource));
    sqlite3* db = connection.handle();

    const auto pictures = columnsOf(db, "Pictures");
    const std::set<std::string> needed = {
        "ID", "PhotoDescription", "Date", "Category", "Photo", "PhotoXtent", "PhotoSize", "Description",
        "Notes", "WorkPhone", "Location", "Phone", "Email", "Address", "City", "State", "Zip", "IDUs",
        "Company", "Gender", "MaritalSt", "Height", "Weight", "DOB", "Education"};
    EXPECT_EQ(std::set<std::string>(pictures.begin(), pictures.end()), needed);
    EXPECT_EQ(pictures.back(), "Photo") << "the picture bytes stand last in the row";
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
