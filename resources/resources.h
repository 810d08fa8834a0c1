#pragma once
// The data the program carries: the empty template catalogue and string resources.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace resources {

// The empty catalogue, already encrypted with the database password, written as
// Quillmere.mdb at the first start.
std::span<const uint8_t> templateCatalogue();

// String resource 119 holds the database password (twelve decimal digits).
constexpr int kDatabasePasswordResource = 119;

// The help document: a web archive (multipart/related MIME) of the user's guide.
std::vector<uint8_t> helpDocument();

// A string resource by its number; raises runtime::Error when there is none.
std::string loadResString(int id);

}  // namespace resources
