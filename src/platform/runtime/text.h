#pragma once
// Text as the platform interfaces hand it over.

#include <string>
#include <string_view>

namespace runtime {

// A zero-terminated UTF-16 text as UTF-8; "" for nullptr. A lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const char16_t* text);

// UTF-8 as ISO 8859-1, one byte per character: a character above U+00FF, and each byte
// of a malformed sequence, becomes "?".
std::string Latin1FromUtf8(std::string_view text);
// ISO 8859-1 bytes as UTF-8.
std::string Utf8FromLatin1(std::string_view text);

}  // namespace runtime
