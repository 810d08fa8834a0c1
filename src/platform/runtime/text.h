#pragma once
// Text as the platform interfaces hand it over.

#include <string>

namespace runtime {

// A zero-terminated UTF-16 text as UTF-8; "" for nullptr. A lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const char16_t* text);

}  // namespace runtime
