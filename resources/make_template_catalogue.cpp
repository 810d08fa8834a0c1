// Build-time tool: makes the empty catalogue from the schema, encrypted with the
// database password, and writes it as a C++ source holding its bytes. The catalogue is
// opened once before its bytes are taken, so that it is in the layout the data layer
// keeps (a schema that still put the pictures into Pictures would be moved here, not at
// the user's first start).
// Usage: make_template_catalogue <schema.sql> <password> <output.cpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/database_creation.h"
#include "platform/runtime/error.h"

namespace {

// Statements end with ";" at the end of a line; "--" lines are comments.
std::vector<std::string> splitStatements(const std::string& sql) {
    std::vector<std::string> statements;
    std::istringstream in(sql);
    std::string line, current;
    while (std::getline(in, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
        current += line + "\n";
        const auto last = line.find_last_not_of(" \t\r");
        if (line[last] == ';') {
            statements.push_back(current);
            current.clear();
        }
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos) statements.push_back(current);
    return statements;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <schema.sql> <password> <output.cpp>\n", argv[0]);
        return 2;
    }
    try {
        std::ifstream schemaFile(argv[1]);
        const std::string schema((std::istreambuf_iterator<char>(schemaFile)), std::istreambuf_iterator<char>());
        const std::string database = std::string(argv[3]) + ".mdb";
        std::filesystem::remove(database);
        db::createDatabase(database, argv[2], splitStatements(schema));
        db::Connection::openFile(database, argv[2]).close();

        std::ifstream in(database, std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::filesystem::remove(database);

        std::ofstream out(argv[3]);
        out << "// Made at build time from catalogue_schema.sql.\n"
               "#include \"resources/resources.h\"\n\n"
               "namespace resources {\nnamespace {\nconst uint8_t kTemplate[] = {";
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % 24 == 0) out << "\n";
            out << static_cast<unsigned>(bytes[i]) << ",";
        }
        out << "\n};\n}  // namespace\n\n"
               "std::span<const uint8_t> templateCatalogue() { return {kTemplate, sizeof kTemplate}; }\n\n"
               "}  // namespace resources\n";
        if (!out) throw std::runtime_error("cannot write the output file");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_template_catalogue: %s\n", e.what());
        return 1;
    }
    return 0;
}
