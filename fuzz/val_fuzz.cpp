// Val and Format read whatever the user types into number boxes.

#include <cstdint>
#include <string>

#include "platform/runtime/error.h"
#include "platform/runtime/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const double v = runtime::Val(text);
        (void)runtime::Format(v, "#,###");
        (void)runtime::Format(v, "##.00");
        (void)runtime::Format(v, text.substr(0, 16));
        (void)runtime::CLng(v);
    } catch (const runtime::Error&) {
        // Overflow is a valid answer.
    }
    return 0;
}
