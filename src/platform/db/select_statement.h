#pragma once
// The record sources the windows hand to their data controls, and nothing else:
//   Select * from <Table>
//   Select <col>,<col>,... from <Table>
// each optionally followed by  where <Col>='<value>'  and then by  ORDER BY <Col>.
// Keywords ignore case; names are letters, digits and '_'. The where value runs from
// the first quote after '=' to the last quote of the where clause, so a name with an
// apostrophe in it stays whole; it reaches the engine as a bound parameter only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

struct SelectStatement {
    std::string table;
    std::vector<std::string> columns;  // empty: every column ("*")
    std::optional<std::string> whereColumn;
    std::string whereValue;
    std::optional<std::string> orderBy;
};

// Raises kErrSyntax, naming what it could not read.
SelectStatement parseSelectStatement(std::string_view text);

}  // namespace db
