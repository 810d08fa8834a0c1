#include "catalogue/large_file_alert.h"

#include "platform/runtime/numbers.h"

namespace catalogue {

std::optional<QString> LargeFileAlertText(uint64_t bitmapBytes) {
    const double megabytes = static_cast<double>(bitmapBytes) / 1000000.0;
    if (!(megabytes > 3)) return std::nullopt;
    return "You are Loading a File Size " + QString::fromStdString(runtime::Format(megabytes, "##.00")) +
           " MB and Compression Option is OFF. It is recommended to Compress large Files to keep the System "
           "running efficiently. Do you want to Proceed?";
}

}  // namespace catalogue
