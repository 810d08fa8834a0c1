#pragma once
// The one connection string every data control gets:
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Persist Security Info=False;
//   Jet OLEDB:Database Password=<password>
// Pairs may come in any order; keys ignore case; a value may be quoted with ' or " (a
// doubled quote inside stands for one) to carry a ';'. The data source is a POSIX path.

#include <string>
#include <string_view>

namespace db {

inline constexpr const char* kProviderName = "Microsoft.Jet.OLEDB.4.0";

struct ConnectionString {
    std::string dataSource;
    std::string password;
};

// Raises kErrProviderNotFound for another provider and kErrBadArgument for an unknown
// or repeated key, a missing data source or an empty password (the catalogue is always
// encrypted, and an empty key would open a plain database).
ConnectionString parseConnectionString(std::string_view text);

std::string makeConnectionString(const std::string& dataSource, const std::string& password);

}  // namespace db
