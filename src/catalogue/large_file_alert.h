#pragma once
// The question asked before an uncompressed pasted bitmap of more than 3,000,000 bytes
// is stored.

#include <cstdint>
#include <optional>

#include <QString>

namespace catalogue {

inline const QString kLargeFileAlertTitle = QStringLiteral("Large File Alert");

// The question's text, or nothing for a bitmap of 3,000,000 bytes or fewer. The size is
// shown in megabytes of 1,000,000 bytes with two decimals (3,000,001 bytes: "3.00").
std::optional<QString> LargeFileAlertText(uint64_t bitmapBytes);

}  // namespace catalogue
